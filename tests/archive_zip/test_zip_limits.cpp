// What one archive may unpack, what a run tells its caller about the entries
// it could not write, and the two inflate paths agreeing byte for byte.
#include "ZipTestKit.h"
#include "archive/EntryWriter.h"
#include "archive/Inflate.h"

#include <gtest/gtest.h>

#include <map>

using namespace ziptest;

namespace {
Entry Make(const std::string &name, const std::string &data, std::uint16_t method = 8) {
  Entry e;
  e.name = name;
  e.data = data;
  e.method = method;
  return e;
}

std::string Failures(const TUnZip &zip) {
  std::string out;
  for (const TFailedEntry &f : zip.FailedEntries())
    out += f.fileName.substr(f.fileName.find_last_of('/') + 1) + "=" + std::to_string(int(f.reason)) + ";";
  return out;
}

std::string Tag(const std::string &name, TEntryFailure reason) {
  return name + "=" + std::to_string(int(reason)) + ";";
}
} // namespace

TEST(ZipLimits, BudgetAndEntryCapSkipWhatIsPastThem) {
  const std::string zeros(200000, '\0'); // deflates about 1000 to 1
  const std::string text = MixedData(30000, 3);
  const std::string note = MixedData(3000, 4);
  struct Case {
    const char *what;
    TUnpackLimits limits;
    std::vector<Entry> entries;
    std::vector<std::string> written;
    std::string failures;
  };
  const Case cases[] = {
      {"a bomb past the floor and the ratio",
       {100, 100000, 10},
       {Make("zeros", zeros), Make("t", note)},
       {"t"},
       Tag("zeros", TEntryFailure::UnpackLimit)},
      {"the floor lets a small bomb through", {100, 300000, 10}, {Make("zeros", zeros)}, {"zeros"}, ""},
      {"the budget is spent entry by entry",
       {1, 70000, 10},
       {Make("a", text), Make("b", text), Make("c", text)},
       {"a", "b"},
       Tag("c", TEntryFailure::UnpackLimit)},
      {"entries past the cap",
       {100, 1 << 30, 2},
       {Make("a", "1", 0), Make("b", "2", 0), Make("c", "3", 0), Make("d", "4", 0)},
       {"a", "b"},
       Tag("c", TEntryFailure::UnpackLimit) + Tag("d", TEntryFailure::UnpackLimit)},
      // Ordinary data packs a few times: with no floor at all the ratio
      // alone lets it through.
      {"real data within the ratio", {100, 0, 10}, {Make("t", text)}, {"t"}, ""},
  };
  for (const Case &c : cases) {
    ScratchDir work;
    WriteBytes(work.Utf8Path() + "a.zip", BuildZip(c.entries));
    TUnZip zip;
    Heard heard;
    heard.Attach(zip);
    zip.SetUnpackLimits(c.limits);
    EXPECT_EQ(ExtractAll(zip, work.Utf8Path() + "a.zip", work.Win1251Path() + "out/"), int(c.written.size()))
        << c.what;
    for (const Entry &e : c.entries) {
      const bool wanted = std::find(c.written.begin(), c.written.end(), e.name) != c.written.end();
      EXPECT_EQ(Exists(work.Utf8Path() + "out/" + e.name), wanted) << c.what << ": " << e.name;
      if (wanted) {
        EXPECT_EQ(ReadBytes(work.Utf8Path() + "out/" + e.name), e.data) << c.what;
      }
    }
    EXPECT_EQ(Failures(zip), c.failures) << c.what;
    EXPECT_EQ(heard.Has("Unpack limit exceeded"), !c.failures.empty()) << c.what;
  }
}

TEST(ZipLimits, EveryEntryNotWrittenIsListedWithItsReason) {
  Entry encrypted = Make("locked", "secret", 0);
  encrypted.flags = 1;
  Entry badCrc = Make("bent", "payload");
  badCrc.crc = 12345;
  Entry tokenized = Make("odd", "data", 7);
  tokenized.compressed = "data";
  Entry moved = Make("moved", "x", 0);
  struct Case {
    const char *what;
    std::string archive;
    std::string failures;
    bool notAnArchive;
  };
  std::string misplaced = BuildZip({Make("first", "1", 0), moved});
  misplaced[misplaced.rfind("PK\x03\x04", misplaced.find("PK\x01\x02"))] = 'X'; // the second local header
  const Case cases[] = {
      {"encrypted, damaged and unsupported beside a good entry",
       BuildZip({encrypted, Make("fine", "ok"), badCrc, tokenized}),
       Tag("locked", TEntryFailure::Encrypted) + Tag("bent", TEntryFailure::Damaged) +
           Tag("odd", TEntryFailure::UnsupportedMethod),
       false},
      {"a local header that is not where the directory says", misplaced, Tag("moved", TEntryFailure::Damaged),
       false},
      {"no archive at all", std::string(4000, 'x'), "", true},
      {"nothing wrong", BuildZip({Make("fine", "ok")}), "", false},
  };
  for (const Case &c : cases) {
    ScratchDir work;
    WriteBytes(work.Utf8Path() + "a.zip", c.archive);
    TUnZip zip;
    ExtractAll(zip, work.Utf8Path() + "a.zip", work.Win1251Path() + "out/");
    EXPECT_EQ(Failures(zip), c.failures) << c.what;
    EXPECT_EQ(zip.NotAnArchive(), c.notAnArchive) << c.what;
  }
}

namespace {
class StringSource : public mv::zip::ByteSource {
public:
  explicit StringSource(const std::string &s) : s_(s) {}
  std::size_t Read(unsigned char *buffer, std::size_t size) override {
    const std::size_t n = std::min(size, s_.size() - pos_);
    std::copy(s_.begin() + long(pos_), s_.begin() + long(pos_ + n), buffer);
    pos_ += n;
    return n;
  }

private:
  const std::string &s_;
  std::size_t pos_ = 0;
};

class StringSink : public mv::zip::ByteSink {
public:
  void Write(const unsigned char *data, std::size_t size) override {
    out.append(reinterpret_cast<const char *>(data), size);
  }
  std::string out;
};
} // namespace

// The whole-buffer path must give what the stream gives, damaged data
// included, so no check downstream can tell them apart.
TEST(ZipInflate, WholeBufferAndStreamAgree) {
  const std::string data = MixedData(300000, 7);
  const std::string packed = RawDeflate(data);
  std::string flipped = packed;
  flipped[packed.size() / 2] = char(flipped[packed.size() / 2] ^ 0x5A);
  struct Case {
    const char *what;
    std::string packed;
    std::uint64_t declared;
  };
  const Case cases[] = {
      {"intact", packed, data.size()},
      {"cut short", packed.substr(0, packed.size() / 3), data.size()},
      {"a flipped byte", flipped, data.size()},
      {"more data than declared", packed, data.size() - 1000},
      {"less data than declared", packed, data.size() + 1000},
      {"not deflate at all", std::string(5000, '\xFF'), data.size()},
  };
  mv::zip::Inflater inflater;
  for (const Case &c : cases) {
    StringSource streamIn(c.packed), wholeIn(c.packed);
    StringSink stream, whole;
    mv::zip::InflateStream(streamIn, stream);
    inflater.Inflate(wholeIn, whole, c.packed.size(), c.declared);
    EXPECT_EQ(whole.out, stream.out) << c.what;
    if (c.declared == data.size() && c.packed == packed) {
      EXPECT_EQ(whole.out, data);
    }
  }
}

// The writer stops at the declared size or the run's budget, whichever comes
// first, and never puts more than that on disk.
TEST(ZipLimits, WriterStopsAtTheFirstCap) {
  struct Case {
    const char *what;
    std::uint64_t declared, budget;
    std::size_t blocks; // of 1000 bytes each
    mv::zip::WriteFailure failure;
    std::uint64_t written;
  };
  const Case cases[] = {
      {"within both", 5000, 5000, 5, mv::zip::WriteFailure::None, 5000},
      {"past the declared size", 3500, 10000, 5, mv::zip::WriteFailure::TooLong, 3500},
      {"past the budget", 10000, 2500, 5, mv::zip::WriteFailure::OverLimit, 2500},
      {"no budget at all", 10000, 0, 1, mv::zip::WriteFailure::OverLimit, 0},
  };
  for (const Case &c : cases) {
    ScratchDir work;
    mv::zip::EntryWriter writer(c.declared, {});
    writer.SetBudget(c.budget);
    ASSERT_TRUE(writer.Create(work.Win1251Path() + "f"));
    const std::string block(1000, 'z');
    try {
      for (std::size_t i = 0; i < c.blocks; ++i)
        writer.Write(reinterpret_cast<const unsigned char *>(block.data()), block.size());
    } catch (const mv::zip::WriteStopped &) {
    }
    EXPECT_EQ(writer.Failure(), c.failure) << c.what;
    EXPECT_EQ(writer.Written(), c.written) << c.what;
    writer.Close(0);
    EXPECT_EQ(ReadBytes(work.Utf8Path() + "f").size(), c.written) << c.what;
  }
}
