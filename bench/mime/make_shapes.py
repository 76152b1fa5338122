#!/usr/bin/env python3
"""Writes the message shapes of the reader benchmark against GMime:
  attachment.eml  25 MB: one 18 MB base64 attachment and a covering letter
  text.eml        14 MB: a single text/plain part of 300,000 lines
  mixed.eml       27 MB: 1.2 MB of text in 200,000 short lines and a 19 MB attachment
  text-tiny.eml   the 300,000-line text as the text part of a multipart
                  message with a tiny attachment
"""
import os
import random
import sys

from make_messages import message


def main(out):
    rng = random.Random(2026)
    os.makedirs(out, exist_ok=True)
    letter = ["Line %d of the covering letter, kept long enough to matter." % i for i in range(16000)]
    report = ["%06d;report row with a few fields;%d;%d;end" % (i, i * 7 % 1000, i % 97) for i in range(300000)]
    short = ["r%05d" % (i % 100000) for i in range(200000)]
    single_text = [
        "From: Sender <sender@example.org>",
        "To: office@example.org",
        "Subject: Report",
        "Date: Mon, 5 Jan 2026 14:03:07 +0300",
        "MIME-Version: 1.0",
        'Content-Type: text/plain; charset="windows-1251"',
        "Content-Transfer-Encoding: 8bit",
        "",
    ] + report + [""]
    shapes = {
        "attachment.eml": message("scan.pdf", rng.randbytes(18 * 1000 * 1000), letter),
        "text.eml": "\r\n".join(single_text).encode(),
        "mixed.eml": message("tables.xls", rng.randbytes(19 * 1000 * 1000), short),
        "text-tiny.eml": message("tiny.txt", b"tiny attachment\r\n", report),
    }
    for name, data in shapes.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
