#pragma once
// Finding the run of body lines a message reader can take in one piece.
#include <cstddef>
#include <string_view>

namespace mv {
// The length of the longest start of `input` made of whole lines each ended
// by CR LF, none of which begins with a byte of `stops` or holds more than
// `limit` bytes before its LF.
std::size_t PlainLinesPrefix(std::string_view input, std::string_view stops, std::size_t limit);
} // namespace mv
