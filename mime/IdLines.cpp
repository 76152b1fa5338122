#include "mime/IdLines.h"

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
  const auto after = std::upper_bound(FBlocks.begin(), FBlocks.end(), index,
                                      [](std::size_t i, const Block &b) { return i < b.FirstLine; });
  const Block &block = *(after - 1);
  const std::size_t local = index - block.FirstLine;
  const std::size_t start = local == 0 ? 0 : block.Ends[local - 1];
  return std::string_view(block.Text).substr(start, block.Ends[local] - start);
}

void TIdLines::AppendLines(std::string_view text) {
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    push_back(line);
    text.remove_prefix(lf + 1);
  }
}

void TIdLines::clear() {
  FBlocks.clear();
  FBlockLimit = FirstBlockSize;
  FCount = 0;
}

void TIdLines::ExtendIntoNewBlock(std::string_view bytes) {
  if (FBlocks.empty()) {
    FBlocks.emplace_back();
    FBlockLimit = FirstBlockSize;
  }
  Block *block = &FBlocks.back();
  const std::size_t openStart = block->Ends.empty() ? 0 : block->Ends.back();
  if (openStart > 0 && block->Text.size() + bytes.size() > FBlockLimit) {
    // The open line moves on to a fresh block with what it has so far.
    Block next;
    next.FirstLine = FCount;
    next.Text.reserve(std::max(BlockSize, block->Text.size() - openStart + bytes.size()));
    next.Text.assign(block->Text, openStart);
    block->Text.resize(openStart);
    FBlocks.push_back(std::move(next));
    block = &FBlocks.back();
    FBlockLimit = BlockSize;
  }
  block->Text.append(bytes);
}

bool operator==(const TIdLines &a, const TIdLines &b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}
