#!/usr/bin/env python3
"""Writes the message shapes of the reader benchmark against GMime:
  attachment.eml  24 MB: one 18 MB base64 attachment and a covering letter
  text.eml        15 MB: a single text/plain part of 300,000 lines
  mixed.eml       27 MB: 1.2 MB of text in 200,000 short lines and 19 MB of attachments
  text-tiny.eml   the 300,000-line text as the text part of a multipart
                  message with a tiny attachment
"""
import base64
import os
import random
import sys

HEAD = [
    "From: Sender <sender@example.org>",
    "To: office@example.org",
    "Date: Mon, 5 Jan 2026 14:03:07 +0300",
    "MIME-Version: 1.0",
]


def attachment(name, payload):
    b64 = base64.b64encode(payload).decode()
    return [
        "--bench-boundary",
        'Content-Type: application/octet-stream; name="%s"' % name,
        "Content-Transfer-Encoding: base64",
        'Content-Disposition: attachment; filename="%s"' % name,
        "",
    ] + [b64[i:i + 76] for i in range(0, len(b64), 76)]


def multipart(subject, text, files):
    lines = HEAD + [
        "Subject: " + subject,
        'Content-Type: multipart/mixed; boundary="bench-boundary"',
        "",
        "This is a multi-part message in MIME format.",
        "--bench-boundary",
        'Content-Type: text/plain; charset="windows-1251"',
        "Content-Transfer-Encoding: 8bit",
        "",
    ] + text
    for name, payload in files:
        lines += attachment(name, payload)
    return "\r\n".join(lines + ["--bench-boundary--", ""]).encode()


def main(out):
    rng = random.Random(2026)
    os.makedirs(out, exist_ok=True)
    letter = ["Line %d of the covering letter, kept long enough to matter." % i for i in range(16000)]
    report = ["%06d;report row with a few fields;%d;%d;end" % (i, i * 7 % 1000, i % 97) for i in range(300000)]
    short = ["r%05d" % (i % 100000) for i in range(200000)]
    shapes = {
        "attachment.eml": multipart("Scan", letter, [("scan.pdf", rng.randbytes(18 * 1000 * 1000))]),
        "text.eml": "\r\n".join(HEAD + ["Subject: Report", 'Content-Type: text/plain; charset="windows-1251"',
                                         "Content-Transfer-Encoding: 8bit", ""] + report + [""]).encode(),
        "mixed.eml": multipart("Tables", short, [("a.xls", rng.randbytes(12 * 1000 * 1000)),
                                                 ("b.zip", rng.randbytes(7 * 1000 * 1000))]),
        "text-tiny.eml": multipart("Report", report, [("tiny.txt", b"tiny attachment\r\n")]),
    }
    for name, data in shapes.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
