"""Writes the benchmark mailbox as a dovecot maildir.

usage: make_mailbox.py MAILDIR [SMALL_COUNT SMALL_KB LARGE_COUNT LARGE_MB]

Defaults: 500 messages of about 50 KB and 5 of about 10 MB, each a
multipart/mixed message with a short text and one base64 attachment of
random bytes, CR LF line ends. Files go straight into MAILDIR/cur with their
sizes in the names (S=, W=) so dovecot answers STAT and LIST without reading
them, numbered in mailbox order. Prints the total size in bytes.
"""
import base64
import os
import random
import sys


def message(n, payload):
    body = base64.encodebytes(payload).decode().replace("\n", "\r\n")
    return ("From: Sender %d <sender%d@example.org>\r\n"
            "To: desk@example.org\r\n"
            "Subject: benchmark message %d\r\n"
            "Date: Tue, 08 Dec 2026 10:00:00 +0000\r\n"
            "MIME-Version: 1.0\r\n"
            "Content-Type: multipart/mixed; boundary=\"b%d\"\r\n"
            "\r\n"
            "This is a multi-part message in MIME format\r\n"
            "--b%d\r\n"
            "Content-Type: text/plain; charset=us-ascii\r\n"
            "\r\n"
            "Documents attached.\r\n"
            ".a line that starts with a dot\r\n"
            "--b%d\r\n"
            "Content-Type: application/octet-stream; name=\"doc%d.bin\"\r\n"
            "Content-Transfer-Encoding: base64\r\n"
            "Content-Disposition: attachment; filename=\"doc%d.bin\"\r\n"
            "\r\n%s--b%d--\r\n" % (n, n, n, n, n, n, n, n, body, n)).encode()


def main():
    maildir = sys.argv[1]
    small_count, small_kb, large_count, large_mb = (int(a) for a in (sys.argv[2:6] or (500, 50, 5, 10)))
    rng = random.Random(1)
    for sub in ("cur", "new", "tmp"):
        os.makedirs(os.path.join(maildir, sub), exist_ok=True)
    sizes = [small_kb * 1024] * small_count + [large_mb * 1024 * 1024] * large_count
    total = 0
    for i, size in enumerate(sizes, 1):
        data = message(i, rng.randbytes(size * 3 // 4))  # base64 grows it back to about size
        name = "%d.M%dP0.bench,S=%d,W=%d:2," % (1700000000 + i, i, len(data), len(data))
        with open(os.path.join(maildir, "cur", name), "wb") as f:
            f.write(data)
        total += len(data)
    print(total)


if __name__ == "__main__":
    main()
