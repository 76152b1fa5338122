#pragma once
// Record signatures and sizes of the ZIP format, and the search for the end
// of the central directory, which type detection and the reader share.
#include "archive/ReadFile.h"

#include <cstdint>

namespace mv::zip {
constexpr std::uint32_t kLocalSig = 0x04034B50;
constexpr std::uint32_t kCentralSig = 0x02014B50;
constexpr std::uint32_t kEndSig = 0x06054B50;
constexpr std::uint32_t kZip64EndSig = 0x06064B50;
constexpr std::uint32_t kZip64LocatorSig = 0x07064B50;
constexpr std::uint32_t kSpanningSig = 0x08074B50;

constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kZip64LocatorSize = 20;

// How far from the end the end record is looked for, how far past a stated
// offset a moved first local header is looked for, and how much of the head
// is searched for a local header when there is no usable directory.
constexpr std::int64_t kEndSearchSpan = 32768;
constexpr std::int64_t kLocalSearchSpan = 32768;
constexpr std::int64_t kHeadSearchSpan = 4 * 32768;

// The position of the end-of-central-directory record, found by scanning the
// last kEndSearchSpan bytes backwards; -1 when there is none.
std::int64_t FindEndRecord(const ReadFile &file);
} // namespace mv::zip
