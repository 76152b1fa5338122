#pragma once
// The lines of a text (a text part's or a message's body), stored compactly:
// the bytes of many lines share one block of characters and each line costs
// one end offset, instead of a string allocation per line. A long text grows
// block by block, so it is never copied into a larger buffer as it grows.
#include "platform/LargeBlocks.h"

#include <compare>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

class TIdLines {
public:
  class const_iterator {
  public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::string_view;

    const_iterator() = default;
    const_iterator(const TIdLines *lines, std::size_t index) : FLines(lines), FIndex(index) {}
    std::string_view operator*() const { return (*FLines)[FIndex]; }
    std::string_view operator[](difference_type n) const { return (*FLines)[FIndex + n]; }
    const_iterator &operator++() { return ++FIndex, *this; }
    const_iterator operator++(int) { return {FLines, FIndex++}; }
    const_iterator &operator--() { return --FIndex, *this; }
    const_iterator operator--(int) { return {FLines, FIndex--}; }
    const_iterator &operator+=(difference_type n) { return FIndex += n, *this; }
    const_iterator &operator-=(difference_type n) { return FIndex -= n, *this; }
    friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
    friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
    friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const const_iterator &a, const const_iterator &b) {
      return static_cast<difference_type>(a.FIndex) - static_cast<difference_type>(b.FIndex);
    }
    friend bool operator==(const const_iterator &a, const const_iterator &b) { return a.FIndex == b.FIndex; }
    friend auto operator<=>(const const_iterator &a, const const_iterator &b) {
      return a.FIndex <=> b.FIndex;
    }

  private:
    const TIdLines *FLines = nullptr;
    std::size_t FIndex = 0;
  };
  using iterator = const_iterator;
  using value_type = std::string_view;
  using size_type = std::size_t;

  TIdLines() = default;
  TIdLines(std::initializer_list<std::string_view> lines);
  TIdLines(const std::vector<std::string> &lines);

  std::size_t size() const {
    Index();
    return FCount;
  }
  bool empty() const { return size() == 0; }
  std::string_view operator[](std::size_t index) const;
  std::string_view front() const { return (*this)[0]; }
  std::string_view back() const { return (*this)[size() - 1]; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  void push_back(std::string_view line) {
    Extend(line);
    EndLine();
  }
  // Adds the lines of `text` as they stand in a file, each ended by LF or
  // CR LF (a line's content is what comes before its LF, less one CR right
  // before it); `text` ends with a break. Its first line continues an open
  // line, if any. The bytes go in at one copy.
  void AppendLines(std::string_view text);
  void clear();
  // Building a line in pieces: Extend adds bytes to the line after the last
  // one, EndLine completes it (an empty line when nothing was added).
  void Extend(std::string_view bytes) {
    // Most lines fit the open block: only the first of a block, and one that
    // does not fit, take the long way.
    if (!FBlocks.empty() && FBlocks.back().Text.size() + bytes.size() <= FBlockLimit)
      FBlocks.back().Text.append(bytes);
    else
      ExtendIntoNewBlock(bytes);
  }
  void EndLine();

  friend bool operator==(const TIdLines &a, const TIdLines &b);

private:
  // Lines never cross blocks; a block holds lines from FirstLine on. Each
  // line is stored with a break after it, as in a file: LF, or CR LF (always
  // so when the content ends in CR), so that runs of lines read from a
  // message go in at one copy. Ends holds the offset after each break; the
  // bytes from the last of them up to Complete are further whole lines not
  // yet counted, none with an LF of its own, so that their ends are found
  // by their LFs when the lines are first read (many texts never are: the
  // courier files a message's attachments without reading its text). What
  // follows Complete is the open line.
  struct Block {
    std::size_t FirstLine = 0;
    std::basic_string<char, std::char_traits<char>, mv::LargeBlockAllocator<char>> Text;
    std::vector<std::uint32_t> Ends;
    std::size_t Complete = 0;
    std::string_view OpenLine() const { return std::string_view(Text).substr(Complete); }
    void FindEnds();
  };
  // A block is closed for new lines once it holds this many bytes (one
  // longer line gets a block of its own size). The first block grows with
  // the text, so a short text holds no more than it needs; a long one goes
  // on in large blocks (one allocation of 2 MiB each, see LargeBlocks.h)
  // that keep room for the break EndLine adds.
  static constexpr std::size_t FirstBlockSize = 256 * 1024;
  static constexpr std::size_t BlockSize = 2 * 1024 * 1024 - 1;
  static constexpr std::size_t BreakRoom = 2;
  void ExtendIntoNewBlock(std::string_view bytes);
  // Brings the line ends, FirstLine and FCount up to date: reading lines
  // does, so the lists are mutable (one list is not read from two threads).
  void Index() const {
    if (!FIndexed)
      IndexAll();
  }
  void IndexAll() const;
  mutable std::vector<Block> FBlocks;
  std::size_t FBlockLimit = FirstBlockSize; // of the last block
  mutable std::size_t FCount = 0;
  mutable bool FIndexed = true;
};
