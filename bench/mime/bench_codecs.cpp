// Decoding speed of base64 and quoted-printable bodies in 76-character lines,
// line by line as the message reader feeds them, beside the system's
// `base64 -d` on the same base64 text. Throughput counts encoded bytes read
// per second of wall-clock time (the system decoder runs in a child process,
// so CPU time of this process would not see its work).
#include "mime/IdCoderMIME.h"
#include "mime/IdCoderQuotedPrintable.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {
constexpr std::size_t DecodedSize = 8 << 20; // 8 MiB of data per body

struct Body {
  std::vector<std::string> lines; // without line breaks
  std::size_t encodedBytes = 0;   // with CR LF, as on the wire
};

Body Base64Body() {
  std::mt19937 random(76);
  std::string bytes(DecodedSize, '\0');
  for (char &c : bytes)
    c = static_cast<char>(random());
  Body body;
  TIdMemoryStream source(bytes);
  TIdEncoderMIME encoder;
  for (std::string line; !(line = encoder.Encode(source, 57)).empty();) {
    body.encodedBytes += line.size() + 2;
    body.lines.push_back(std::move(line));
  }
  return body;
}

// Russian text in Windows-1251 with punctuation: most bytes become escapes.
Body QuotedPrintableBody() {
  std::mt19937 random(1251);
  std::string text;
  while (text.size() < DecodedSize) {
    std::string line;
    const std::size_t length = 40 + random() % 60;
    while (line.size() < length)
      line += random() % 6 == 0
                  ? ' '
                  : static_cast<char>(random() % 3 == 0 ? 'a' + random() % 26 : 0xC0 + random() % 64);
    text += line + "\r\n";
  }
  Body body;
  const std::string encoded = TIdEncoderQuotedPrintable::EncodeString(text);
  std::size_t start = 0;
  for (std::size_t end; (end = encoded.find("\r\n", start)) != std::string::npos; start = end + 2) {
    body.lines.push_back(encoded.substr(start, end - start));
    body.encodedBytes += end - start + 2;
  }
  return body;
}

const Body &Base64() {
  static const Body body = Base64Body();
  return body;
}

void DecodeBase64Lines(benchmark::State &state) {
  const Body &body = Base64();
  for (auto _ : state) {
    TIdMemoryStream destination;
    for (const std::string &line : body.lines)
      TIdDecoderMIME().DecodeToStream(line, destination);
    benchmark::DoNotOptimize(destination.Size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.encodedBytes));
}

void DecodeQuotedPrintableLines(benchmark::State &state) {
  static const Body body = QuotedPrintableBody();
  for (auto _ : state) {
    TIdMemoryStream destination;
    for (const std::string &line : body.lines)
      TIdDecoderQuotedPrintable().DecodeToStream(line + "\r\n", destination);
    benchmark::DoNotOptimize(destination.Size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.encodedBytes));
}

// The same base64 text, CR LF lines, decoded by coreutils' base64 -d.
void SystemBase64Decode(benchmark::State &state) {
  const Body &body = Base64();
  const std::string path = "/tmp/mv-bench-base64-" + std::to_string(getpid()) + ".txt";
  {
    std::ofstream file(path, std::ios::binary);
    for (const std::string &line : body.lines)
      file << line << "\r\n";
  }
  const std::string command = "base64 -d -i " + path + " > /dev/null";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0)
      state.SkipWithError("base64 -d failed");
  std::remove(path.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.encodedBytes));
}
} // namespace

BENCHMARK(DecodeBase64Lines)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(SystemBase64Decode)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(DecodeQuotedPrintableLines)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK_MAIN();
