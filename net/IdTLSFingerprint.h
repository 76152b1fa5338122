#pragma once
// The SHA-256 fingerprint of a certificate as people write it: 32 bytes
// shown as upper-case hex pairs joined by colons.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

using TIdSha256 = std::array<unsigned char, 32>;

// Reads a fingerprint typed or pasted by the user: 64 hex digits in any
// letter case, with colons or blanks anywhere between them. A label ending in
// '=' before the digits (as `openssl x509 -fingerprint` prints one) is
// skipped. False when the text is anything else.
bool ParseFingerprint(std::string_view text, TIdSha256 &digest);

// "AB:CD:...": upper-case hex pairs joined by colons.
std::string FormatFingerprint(const unsigned char *digest, std::size_t length);
