#!/usr/bin/env python3
"""Writes the benchmark's input: one large message and a folder of small ones."""
import base64
import os
import random
import sys


def message(name, payload, text_lines):
    b64 = base64.b64encode(payload).decode()
    lines = [b64[i:i + 76] for i in range(0, len(b64), 76)]
    head = [
        "From: Sender <sender@example.org>",
        "To: office@example.org",
        "Subject: Documents " + name,
        "Date: Mon, 5 Jan 2026 14:03:07 +0300",
        "MIME-Version: 1.0",
        'Content-Type: multipart/mixed; boundary="bench-boundary"',
        "",
        "This is a multi-part message in MIME format.",
        "--bench-boundary",
        'Content-Type: text/plain; charset="windows-1251"',
        "Content-Transfer-Encoding: 8bit",
        "",
    ]
    tail = [
        "--bench-boundary",
        'Content-Type: application/octet-stream; name="%s"' % name,
        "Content-Transfer-Encoding: base64",
        'Content-Disposition: attachment; filename="%s"' % name,
        "",
    ]
    return ("\r\n".join(head + text_lines + tail + lines + ["--bench-boundary--", ""])).encode()


def main(out_dir):
    rng = random.Random(2026)
    os.makedirs(os.path.join(out_dir, "small"), exist_ok=True)
    # 18 MB attachment, padded with text to a 25 MB message.
    payload = rng.randbytes(18 * 1000 * 1000)
    text = ["Line %d of the covering letter, kept long enough to matter." % i for i in range(16000)]
    with open(os.path.join(out_dir, "large.eml"), "wb") as f:
        f.write(message("scan.pdf", payload, text))
    for i in range(2000):
        payload = rng.randbytes(rng.randint(2000, 12000))
        with open(os.path.join(out_dir, "small", "m%04d.eml" % i), "wb") as f:
            f.write(message("doc%04d.zip" % i, payload, ["Hello,", "see the attached file.", ""]))


if __name__ == "__main__":
    main(sys.argv[1])
