#include "mime/IdLines.h"

#include "platform/ByteScan.h"

#include <algorithm>

TIdLines::TIdLines(std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines)
    push_back(line);
}

TIdLines::TIdLines(const std::vector<std::string> &lines) {
  for (const std::string &line : lines)
    push_back(line);
}

std::string_view TIdLines::operator[](std::size_t index) const {
  Index();
  const auto after = std::upper_bound(FBlocks.begin(), FBlocks.end(), index,
                                      [](std::size_t i, const Block &b) { return i < b.FirstLine; });
  const Block &block = *(after - 1);
  const std::size_t local = index - block.FirstLine;
  const std::size_t start = local == 0 ? 0 : block.Ends[local - 1];
  std::string_view line(block.Text.data() + start, block.Ends[local] - start - 1);
  if (!line.empty() && line.back() == '\r')
    line.remove_suffix(1);
  return line;
}

void TIdLines::EndLine() {
  if (FBlocks.empty())
    FBlocks.emplace_back();
  Block &block = FBlocks.back();
  const std::string_view open = block.OpenLine();
  const bool lfInside = open.find('\n') != std::string_view::npos;
  // Content ending in CR keeps it only when CR LF follows.
  if (!open.empty() && open.back() == '\r')
    block.Text.push_back('\r');
  block.Text.push_back('\n');
  if (lfInside) {
    // Its LF would not tell where it ends: its end is kept now.
    block.FindEnds();
    block.Ends.push_back(static_cast<std::uint32_t>(block.Text.size()));
  }
  block.Complete = block.Text.size();
  FIndexed = false;
}

void TIdLines::AppendLines(std::string_view text) {
  if (!FBlocks.empty() && FBlocks.back().OpenLine().find('\n') != std::string_view::npos) {
    // The first line ends an open line with an LF inside: the long way.
    const std::size_t lf = text.find('\n');
    std::string_view rest = text.substr(0, lf);
    if (!rest.empty() && rest.back() == '\r')
      rest.remove_suffix(1);
    Extend(rest);
    EndLine();
    text.remove_prefix(lf + 1);
  }
  while (!text.empty()) {
    const std::size_t used = FBlocks.empty() ? 0 : FBlocks.back().Text.size();
    const std::size_t room = FBlockLimit > used ? FBlockLimit - used : 0;
    std::size_t take = text.size();
    if (take > room) {
      // As many whole lines as fit; a first line that does not fit goes on
      // alone, to a block of its own if need be.
      const std::size_t lastFitting = room > 0 ? text.rfind('\n', room - 1) : std::string_view::npos;
      take = (lastFitting != std::string_view::npos ? lastFitting : text.find('\n')) + 1;
    }
    Extend(text.substr(0, take));
    FBlocks.back().Complete = FBlocks.back().Text.size();
    FIndexed = false;
    text.remove_prefix(take);
  }
}

void TIdLines::clear() {
  FBlocks.clear();
  FBlockLimit = FirstBlockSize;
  FCount = 0;
  FIndexed = true;
}

void TIdLines::ExtendIntoNewBlock(std::string_view bytes) {
  if (FBlocks.empty()) {
    FBlocks.emplace_back();
    FBlockLimit = FirstBlockSize;
  }
  Block *block = &FBlocks.back();
  const std::size_t openStart = block->Complete;
  if (openStart > 0 && block->Text.size() + bytes.size() > FBlockLimit) {
    // The open line moves on to a fresh block with what it has so far.
    Block next;
    next.Text.reserve(std::max(BlockSize, block->Text.size() - openStart + bytes.size() + BreakRoom));
    next.Text.assign(block->Text, openStart);
    // Room for the ends of lines of 32 bytes on average, so that the list
    // rarely grows by copying; pages of it left unused are never touched.
    next.Ends.reserve(BlockSize / 32);
    block->Text.resize(openStart);
    FBlocks.push_back(std::move(next));
    block = &FBlocks.back();
    FBlockLimit = BlockSize - BreakRoom;
  }
  block->Text.append(bytes);
}

void TIdLines::Block::FindEnds() {
  const std::size_t found = Ends.empty() ? 0 : Ends.back();
  if (found == Complete)
    return;
  mv::ForEachByte(std::string_view(Text).substr(found, Complete - found), '\n', [&](std::size_t at) {
    Ends.push_back(static_cast<std::uint32_t>(found + at + 1));
    return true;
  });
}

void TIdLines::IndexAll() const {
  std::size_t count = 0;
  for (Block &block : FBlocks) {
    block.FindEnds();
    block.FirstLine = count;
    count += block.Ends.size();
  }
  FCount = count;
  FIndexed = true;
}

bool operator==(const TIdLines &a, const TIdLines &b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}
