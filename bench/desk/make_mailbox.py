"""Writes the courier benchmark mailbox as a dovecot maildir.

usage: make_mailbox.py MAILDIR [COUNT]          (default 500 messages)

Every message is what an office receives: a Cyrillic note (quoted-printable
Windows-1251) and one attachment, base64 in 76-character lines, CR LF line
ends. Every tenth attachment is a ZIP of two to four documents; the others
are PDF-like files (a text part that compresses and an image-like part that
does not) or binary tables of 20 KB to 1 MB, sizes spread evenly on a log
scale. Subjects, sender names and a tenth of the file names are MIME
encoded-words in Windows-1251 or KOI8-R. All file names differ, so every file is filed under
its own name. Files go straight into MAILDIR/cur with their sizes in the names
(S=, W=) so dovecot answers STAT and LIST without reading them.

Prints "BYTES MESSAGES FILES": the mailbox size as the server counts it, the
number of messages and the number of files a courier files (ZIP entries
counted instead of their archive).
"""
import base64
import email.utils
import io
import math
import os
import quopri
import random
import sys
import zipfile

SENDERS = [
    ("Бухгалтерия", "buh@corp.example"),
    ("Отдел кадров", "hr@corp.example"),
    ("Bank statements", "reports@bank.example"),
    ("Налоговая инспекция", "ifns@tax.example"),
    ("Supplier", "orders@supplier.example"),
    ("Филиал Север", "north@corp.example"),
]
SUBJECTS = ["Отчёт за месяц", "Выписка по счёту", "Накладные", "Договор на подпись", "Invoice", "Реестр платежей"]
NOTE = ("Добрый день!\r\nВо вложении документы по вашему запросу.\r\n"
        "Просьба подтвердить получение.\r\n\r\nС уважением,\r\n%s\r\n")


def encoded_word(text, charset):
    return "=?%s?B?%s?=" % (charset, base64.b64encode(text.encode(charset)).decode())


def log_uniform_size(rng, low=20 * 1024, high=1024 * 1024):
    return int(math.exp(rng.uniform(math.log(low), math.log(high))))


def pdf_like(rng, size):
    """A PDF-shaped document: text content streams, then binary image data."""
    out = io.BytesIO()
    out.write(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    text_size = size // 4
    n = 1
    while out.tell() < text_size:
        line = "BT /F1 10 Tf 72 %d Td (Line %d of the statement: account %08d amount %d.%02d) Tj ET\n" % (
            rng.randrange(800), n, rng.randrange(10**8), rng.randrange(10**6), rng.randrange(100))
        out.write(line.encode())
        n += 1
    out.write(b"endstream\nendobj\n%d 0 obj\n<< /Type /XObject /Subtype /Image /Filter /DCTDecode >>\nstream\n" % n)
    out.write(rng.randbytes(max(0, size - out.tell() - 32)))
    out.write(b"\nendstream\nendobj\n%%EOF\n")
    return out.getvalue()


def table_like(rng, size):
    """A binary spreadsheet: a block structure with repeated records."""
    header = b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + bytes(504)
    record = bytearray()
    while len(header) + len(record) < size:
        record += rng.randrange(2**32).to_bytes(4, "little") + b"\x00\x00\x02\x01" + rng.randbytes(8)
    return (header + bytes(record))[:size]


def csv_like(rng, size):
    lines = []
    total = 0
    while total < size:
        line = "%d;%08d;%d.%02d;Payment for order %d\r\n" % (
            len(lines) + 1, rng.randrange(10**8), rng.randrange(10**5), rng.randrange(100), rng.randrange(10**6))
        lines.append(line)
        total += len(line)
    return "".join(lines).encode()


def zip_of_documents(rng, number):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        entries = rng.randint(2, 4)
        for k in range(entries):
            size = log_uniform_size(rng, 20 * 1024, 512 * 1024)
            if k % 2 == 0:
                archive.writestr("scan%04d_%d.pdf" % (number, k), pdf_like(rng, size))
            else:
                archive.writestr("reestr%04d_%d.csv" % (number, k), csv_like(rng, size))
    return buffer.getvalue(), entries


def attachment(rng, number):
    """(file name, bytes, files it files)."""
    if number % 10 == 0:
        data, entries = zip_of_documents(rng, number)
        return "docs%04d.zip" % number, data, entries
    size = log_uniform_size(rng)
    if number % 3 == 0:
        return "table%04d.xls" % number, table_like(rng, size), 1
    return "statement%04d.pdf" % number, pdf_like(rng, size), 1


def message(rng, number):
    name, data, files = attachment(rng, number)
    shown_name = name
    if number % 10 == 5:  # a Cyrillic name, as mail programs send it
        shown_name = encoded_word("Документ_" + name, "windows-1251")
    sender_name, sender_address = SENDERS[number % len(SENDERS)]
    subject = "%s N %d" % (SUBJECTS[number % len(SUBJECTS)], number)
    charset = "koi8-r" if number % 4 == 1 else "windows-1251"
    date = email.utils.formatdate(1796000000 + number * 97, localtime=False)
    note = quopri.encodestring((NOTE % sender_name).encode("windows-1251")).decode()
    body = base64.encodebytes(data).decode().replace("\n", "\r\n")
    boundary = "----=_NextPart_%06d_%08X" % (number, rng.randrange(2**32))
    content_type = "application/zip" if name.endswith(".zip") else (
        "application/pdf" if name.endswith(".pdf") else "application/vnd.ms-excel")
    text = ("Return-Path: <%s>\r\n"
            "Received: from mx.corp.example by pop.corp.example; %s\r\n"
            "From: %s <%s>\r\n"
            "To: desk@corp.example\r\n"
            "Subject: %s\r\n"
            "Date: %s\r\n"
            "Message-ID: <%d.%d@corp.example>\r\n"
            "MIME-Version: 1.0\r\n"
            "Content-Type: multipart/mixed; boundary=\"%s\"\r\n"
            "\r\n"
            "This is a multi-part message in MIME format.\r\n"
            "\r\n"
            "--%s\r\n"
            "Content-Type: text/plain; charset=\"windows-1251\"\r\n"
            "Content-Transfer-Encoding: quoted-printable\r\n"
            "\r\n"
            "%s\r\n"
            "--%s\r\n"
            "Content-Type: %s; name=\"%s\"\r\n"
            "Content-Transfer-Encoding: base64\r\n"
            "Content-Disposition: attachment; filename=\"%s\"\r\n"
            "\r\n"
            "%s\r\n"
            "--%s--\r\n") % (
        sender_address, date, encoded_word(sender_name, charset), sender_address, encoded_word(subject, charset),
        date, number, rng.randrange(10**9), boundary, boundary, note, boundary, content_type,
        shown_name, shown_name, body, boundary)
    return text.encode("ascii"), files


def main():
    maildir = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 500
    rng = random.Random(20261209)
    for sub in ("cur", "new", "tmp"):
        os.makedirs(os.path.join(maildir, sub), exist_ok=True)
    total_bytes = total_files = 0
    for number in range(1, count + 1):
        data, files = message(rng, number)
        name = "%d.M%dP0.bench,S=%d,W=%d:2," % (1700000000 + number, number, len(data), len(data))
        with open(os.path.join(maildir, "cur", name), "wb") as f:
            f.write(data)
        total_bytes += len(data)
        total_files += files
    print(total_bytes, count, total_files)


if __name__ == "__main__":
    main()
