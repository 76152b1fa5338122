#!/usr/bin/env python3
"""Named attachments of every message in a mail folder, as mailvornex-cli
msg-info reads them beside Python's email package.

    bench/mime/attachments_vs_python.py CLI FOLDER [--list]

A message agrees when both readings hold the same multiset of
(file name, SHA-256 of the bytes) over the named leaf parts, nested
forwarded messages included. Parts that are themselves messages are left out
on both sides: Python gives no bytes for them. Prints the count of messages
that agree; --list also names the ones that do not.
"""
import email
import email.policy
import hashlib
import json
import os
import subprocess
import sys

SKIP_DIRS = {"files", "encoders"}
SKIP_EXT = {".md", ".png", ".doc", ".jpg", ".txt-license"}


def python_reading(path):
    with open(path, "rb") as f:
        msg = email.message_from_bytes(f.read(), policy=email.policy.default)
    found = []
    for part in msg.walk():
        if part.is_multipart() or part.get_content_maintype() == "message":
            continue
        try:
            name = part.get_filename()
        except Exception:
            name = None
        if not name:
            continue
        data = part.get_payload(decode=True) or b""
        found.append((name, hashlib.sha256(data).hexdigest()))
    return sorted(found)


def our_parts(parts):
    for p in parts:
        yield p
        yield from our_parts(p.get("inner", []))


def our_reading(cli, path):
    run = subprocess.run([cli, "msg-info", path], capture_output=True, timeout=60)
    if run.returncode != 0:
        return None
    info = json.loads(run.stdout)
    found = []
    for p in our_parts(info["parts"]):
        if p["kind"] != "attachment" or not p["file_name"]:
            continue
        if p["content_type"].lower().startswith("message/"):
            continue
        found.append((p["file_name"], p["sha256"]))
    return sorted(found)


def messages(folder):
    for root, dirs, files in os.walk(folder):
        dirs[:] = sorted(d for d in dirs if d not in SKIP_DIRS)
        for name in sorted(files):
            if os.path.splitext(name)[1].lower() in SKIP_EXT or name.startswith("ARTISTIC"):
                continue
            yield os.path.join(root, name)


def main():
    cli, folder = sys.argv[1], sys.argv[2]
    listing = "--list" in sys.argv
    total = agree = 0
    for path in messages(folder):
        total += 1
        try:
            theirs = python_reading(path)
        except Exception as e:  # a message Python cannot read is no reference
            theirs = ("python failed", str(e))
        ours = our_reading(cli, path)
        if ours == theirs:
            agree += 1
        elif listing:
            print(os.path.relpath(path, folder), "ours:", ours, "python:", theirs)
    print(f"{agree} of {total} messages agree on their named attachments")


if __name__ == "__main__":
    main()
