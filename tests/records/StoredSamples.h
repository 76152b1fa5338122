#pragma once
// Kept message copies for the viewers' tests, as the mail check and the
// editor write them: one with its attachment standing first under a KOI8-R
// encoded name and two text parts, a plain one, and a damaged one.
#include <string>

namespace samples {
inline const std::string kAttachmentBytes("attachment bytes\x00\x01\xff", 19);
// "отчет.txt" in Windows-1251
inline const std::string kAttachmentName = "\xee\xf2\xf7\xe5\xf2.txt";

inline const std::string kWithAttachment =
    "From: sender@example.org\r\n"
    "To: r1@example.org, r2@example.org\r\n"
    "Subject: with attachment\r\n"
    "Date: Sat, 10 Jan 2026 12:00:00 +0000\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: multipart/mixed; boundary=\"b1\"\r\n"
    "\r\n"
    "--b1\r\n"
    "Content-Type: application/octet-stream; name=\"=?koi8-r?B?z9TexdQudHh0?=\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment; filename=\"=?koi8-r?B?z9TexdQudHh0?=\"\r\n"
    "\r\n"
    "YXR0YWNobWVudCBieXRlcwAB/w==\r\n"
    "--b1\r\n"
    "Content-Type: text/plain; charset=us-ascii\r\n"
    "\r\n"
    "first text\r\n"
    "--b1\r\n"
    "Content-Type: text/plain; charset=us-ascii\r\n"
    "\r\n"
    "second text\r\n"
    "--b1--\r\n";

inline const std::string kPlain = "From: other@example.org\r\n"
                                  "To: r3@example.org\r\n"
                                  "Subject: plain\r\n"
                                  "Date: Sun, 11 Jan 2026 12:00:00 +0000\r\n"
                                  "\r\n"
                                  "plain line 1\r\n"
                                  "plain line 2\r\n";

// A UUE block whose data line is no UUE or XXE: the reader refuses the file.
inline const std::string kDamaged = "From: a@example.org\r\n"
                                    "Subject: damaged\r\n"
                                    "\r\n"
                                    "begin 644 x.txt\r\n"
                                    "!!!! not data\r\n"
                                    "end\r\n";
} // namespace samples
