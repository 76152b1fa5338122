// The legacy decoders on their own: raw streams from the corpus, output that
// does not depend on how the input is chunked, and broken input that must end
// cleanly with a bounded output.
#include "ZipTestKit.h"
#include "archive/ZipDecoders.h"

#include <gtest/gtest.h>

using namespace ziptest;
using mv::zip::DecodeOutcome;

namespace {
const std::string kRaw = MV_SOURCE_DIR "/../shared/corpus/zip/zip-rs/raw/";

class Collect : public mv::zip::ByteSink {
public:
  void Write(const unsigned char *data, std::size_t size) override {
    EXPECT_LE(size, 32768u); // output moves in blocks of at most 32 KiB
    bytes.append(reinterpret_cast<const char *>(data), size);
  }
  std::string bytes;
};

using Decoder = std::function<DecodeOutcome(mv::zip::ByteSource &, mv::zip::ByteSink &)>;

std::string Decode(const Decoder &decoder, const std::string &input, std::size_t step,
                   DecodeOutcome *outcome = nullptr) {
  ChunkedSource in(input, step);
  Collect out;
  const DecodeOutcome result = decoder(in, out);
  if (outcome)
    *outcome = result;
  return out.bytes;
}

// A deflate64 stream from 7-Zip, cut out of its archive.
std::string Deflate64Stream(const std::string &data) {
  ScratchDir work;
  WriteBytes(work.Utf8Path() + "f.bin", data);
  if (!Shell("cd " + work.Utf8Path() + " && 7z a -tzip -mm=Deflate64 a.zip f.bin"))
    return {};
  const std::string zip = ReadBytes(work.Utf8Path() + "a.zip");
  const auto le = [&](std::size_t p, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i)
      v = v << 8 | static_cast<unsigned char>(zip[p + i]);
    return v;
  };
  if (zip.size() < 30 || le(8, 2) != 9)
    return {};
  return zip.substr(30 + le(26, 2) + le(28, 2), le(18, 4));
}
} // namespace

TEST(ZipDecoders, RawCorpusStreams) {
  if (!fs::is_directory(kRaw))
    GTEST_SKIP() << "no corpus";
  // The reference outputs lost their carriage returns in the corpus.
  auto withoutCr = [](std::string s) {
    std::erase(s, '\r');
    return s;
  };
  const std::string hamlet = ReadBytes(kRaw + "implode_hamlet_2048.out");
  for (std::size_t step : {std::size_t(1), std::size_t(7), std::size_t(65536)}) {
    SCOPED_TRACE(step);
    const std::string imploded = Decode([](auto &in, auto &out) { return mv::zip::Explode(in, out, 0, 256); },
                                        ReadBytes(kRaw + "implode_hamlet_256.bin"), step);
    EXPECT_EQ(imploded.size(), 256u);
    EXPECT_EQ(withoutCr(imploded),
              ReadBytes(kRaw + "implode_hamlet_256.out").substr(0, withoutCr(imploded).size()));

    const std::string reduced =
        Decode([](auto &in, auto &out) { return mv::zip::Unreduce(in, out, 4, 2048); },
               ReadBytes(kRaw + "reduce_hamlet_2048.bin"), step);
    EXPECT_EQ(reduced.size(), 2048u);
    EXPECT_EQ(withoutCr(reduced), hamlet.substr(0, withoutCr(reduced).size()));

    // Distances before the start of the output read zeros.
    const std::string zeroFilled =
        Decode([](auto &in, auto &out) { return mv::zip::Unreduce(in, out, 4, 3072); },
               ReadBytes(kRaw + "reduce_zero_reduced.bin"), step);
    ASSERT_EQ(zeroFilled.size(), 3072u);
    EXPECT_EQ(zeroFilled.substr(0, 2048), reduced);
    EXPECT_EQ(zeroFilled.substr(2048), std::string(1024, '\0'));
  }
}

TEST(ZipDecoders, Deflate64FromSevenZipInAnyChunking) {
  const std::string data = MixedData(300000, 11);
  const std::string stream = Deflate64Stream(data);
  if (stream.empty())
    GTEST_SKIP() << "7z is needed";
  const Decoder inflate64 = [](auto &in, auto &out) { return mv::zip::Inflate64(in, out); };
  for (std::size_t step : {std::size_t(1), std::size_t(1000), std::size_t(1 << 20)}) {
    DecodeOutcome outcome;
    EXPECT_TRUE(Decode(inflate64, stream, step, &outcome) == data) << step;
    EXPECT_EQ(outcome, DecodeOutcome::Done);
  }
  DecodeOutcome outcome;
  const std::string cut = Decode(inflate64, stream.substr(0, stream.size() / 2), 512, &outcome);
  EXPECT_EQ(outcome, DecodeOutcome::DataBroken);
  EXPECT_LT(cut.size(), data.size());
  EXPECT_EQ(cut, data.substr(0, cut.size()));
}

TEST(ZipDecoders, BrokenInputEndsCleanlyWithBoundedOutput) {
  const std::uint64_t size = 100000;
  const std::vector<std::pair<const char *, Decoder>> decoders = {
      {"inflate64", [](auto &in, auto &out) { return mv::zip::Inflate64(in, out); }},
      {"explode-4k-2", [&](auto &in, auto &out) { return mv::zip::Explode(in, out, 0, size); }},
      {"explode-8k-3", [&](auto &in, auto &out) { return mv::zip::Explode(in, out, 6, size); }},
      {"unshrink", [&](auto &in, auto &out) { return mv::zip::Unshrink(in, out, size); }},
      {"unreduce-1", [&](auto &in, auto &out) { return mv::zip::Unreduce(in, out, 1, size); }},
      {"unreduce-4", [&](auto &in, auto &out) { return mv::zip::Unreduce(in, out, 4, size); }},
  };
  std::vector<std::string> inputs = {"", std::string(1, '\xFF'), std::string(5000, '\0'),
                                     std::string(5000, '\xFF')};
  std::uint32_t x = 99;
  for (int n = 0; n < 20; ++n) {
    std::string noise;
    for (int i = 0; i < 3000; ++i) {
      x = x * 1664525u + 1013904223u;
      noise += static_cast<char>(x >> 24);
    }
    inputs.push_back(noise);
  }
  for (const auto &[name, decoder] : decoders) {
    for (const std::string &input : inputs) {
      SCOPED_TRACE(name);
      DecodeOutcome outcome;
      const std::string out = Decode(decoder, input, 333, &outcome);
      // Deflate64 has no stated size; a match can produce at most 64 KiB of
      // output per input bit, so the bound is generous but finite.
      EXPECT_LE(out.size(), std::string(name) == "inflate64" ? input.size() * 8 * 65536 + 65536 : size);
      if (input.empty()) {
        EXPECT_NE(outcome, DecodeOutcome::Done);
      }
    }
  }
}

TEST(ZipDecoders, ShrinkControlCodesAreChecked) {
  // 9-bit codes, least significant bit first: 'A', then control 256 with an
  // undefined sub-code 7.
  auto pack = [](std::vector<int> codes) {
    std::string out;
    std::uint32_t hold = 0;
    int bits = 0;
    for (int c : codes) {
      hold |= static_cast<std::uint32_t>(c) << bits;
      bits += 9;
      while (bits >= 8) {
        out += static_cast<char>(hold & 0xFF);
        hold >>= 8;
        bits -= 8;
      }
    }
    if (bits > 0)
      out += static_cast<char>(hold);
    return out;
  };
  const Decoder unshrink = [](auto &in, auto &out) { return mv::zip::Unshrink(in, out, 10); };
  DecodeOutcome outcome;
  // "A", "B" (257 = "AB"), 257 (258 = "BA"), 258 (259 = "ABB"), then C D E.
  EXPECT_EQ(Decode(unshrink, pack({'A', 'B', 257, 258, 'C', 'D', 'E'}), 1, &outcome), "ABABBACDE");
  EXPECT_EQ(outcome, DecodeOutcome::DataBroken); // one byte short of the stated 10
  // The code about to be defined stands for the previous string plus its own
  // first byte: after "A", "B", "AB" comes 259 = "AB" + "A".
  EXPECT_EQ(Decode(unshrink, pack({'A', 'B', 257, 259, 'C', 'D'}), 1, &outcome), "ABABABACD");
  Decode(unshrink, pack({'A', 256, 7, 'B'}), 1, &outcome);
  EXPECT_EQ(outcome, DecodeOutcome::BadBlock);
  Decode(unshrink, pack({'A', 300}), 1, &outcome); // a code never defined
  EXPECT_EQ(outcome, DecodeOutcome::BadBlock);
}
