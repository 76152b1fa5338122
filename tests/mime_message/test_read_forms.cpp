// Message forms met in real mail, each read whole and one byte at a time:
// what every part comes out as, byte for byte.
#include "MessageTestUtil.h"

#include "mime/IdCoderUUE.h"
#include "tests/support/ExpectError.h"

#include <gtest/gtest.h>

#include <algorithm>

using mvtest::ExpectError;

using namespace testutil;

namespace {
// Hands out its bytes one at a time, as a slow connection would.
class OneByteStream : public TIdMemoryStream {
public:
  using TIdMemoryStream::TIdMemoryStream;
  std::int64_t Read(void *buffer, std::int64_t count) override {
    return TIdMemoryStream::Read(buffer, std::min<std::int64_t>(count, 1));
  }
};

// "body: ..." for the plain body, then per part "T lines|joined" (with "/"
// when the last line had no break) or "A name bytes".
std::vector<std::string> Summary(TIdMessage &m) {
  std::vector<std::string> out;
  std::string body;
  for (std::string_view l : m.Body)
    body.append(l).append("|");
  out.push_back("body: " + body);
  for (int i = 0; i < m.Parts.Count(); ++i) {
    if (auto *t = dynamic_cast<TIdText *>(&m.Parts[i])) {
      std::string joined;
      for (size_t k = 0; k < t->Body.size(); ++k)
        joined.append(k ? "|" : "").append(t->Body[k]);
      out.push_back("T " + joined + (t->FinalLineBreak ? "" : "/"));
    } else if (auto *a = dynamic_cast<TIdAttachment *>(&m.Parts[i])) {
      out.push_back("A " + a->FileName + " " + ReadBytes(a->StoredPath));
    }
  }
  return out;
}

const std::string Mixed = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
const std::string Uue14 = TIdEncoderUUE::EncodeString("fourteen bytes"); // its length character is '.'
} // namespace

TEST(ReadForms, PartsComeOutAsSent) {
  const struct {
    const char *what;
    std::string text;
    std::vector<std::string> want;
  } cases[] = {
      {"7bit attachment: the break before the delimiter is not data",
       Mixed + Crlf({"--b", "Content-Type: text/csv; name=a.csv", "", "x,y", "1,2", "--b--"}),
       {"body: ", "A a.csv x,y\r\n1,2"}},
      {"quoted-printable attachment with a soft break",
       Mixed + Crlf({"--b", "Content-Type: text/xml; name=q.xml",
                     "Content-Transfer-Encoding: quoted-printable", "", "<a=", "b/>=3D", "", "--b--"}),
       {"body: ", "A q.xml <ab/>=\r\n"}},
      {"text with and without a final line break",
       Mixed + Crlf({"--b", "Content-Type: text/plain", "", "first line", "", "last line", "", "--b",
                     "Content-Type: text/plain", "", "no break", "--b--"}),
       {"body: ", "T first line||last line", "T no break/"}},
      {"delimiter lines with transport padding",
       Mixed + Crlf({"--b  ", "Content-Type: application/pdf; name=p.pdf", "", "%PDF", "--b--\t"}),
       {"body: ", "A p.pdf %PDF"}},
      {"no content type, or none readable, is plain text",
       Mixed + Crlf({"--b", "", "hello", "--b", "Content-Type: text plain", "", "world", "--b--"}),
       {"body: ", "T hello/", "T world/"}},
      {"x-uuencode part",
       Mixed +
           Crlf({"--b", "Content-Type: application/zip; name=z.zip", "Content-Transfer-Encoding: x-uuencode",
                 "", "begin 644 z.zip", "." + Uue14, "`", "end", "--b--"}),
       {"body: ", "A z.zip fourteen bytes"}},
      {"message ends inside the last part's header",
       Mixed + Crlf({"--b", "Content-Type: text/plain", "", "kept", "--b",
                     "Content-Type: application/pdf; name=cut.pdf"}),
       {"body: ", "T kept/", "A cut.pdf "}},
      {"message ends right after an opening delimiter",
       Mixed + Crlf({"--b", "Content-Type: text/plain", "", "kept", "--b"}),
       {"body: ", "T kept/"}},
      {"a part cut off by the message's end keeps its last line's break",
       Mixed + Crlf({"--b", "Content-Type: application/octet-stream; name=m.bin", "", "data"}),
       {"body: ", "A m.bin data\r\n"}},
      {"stuffed dots in the body, a text and an attachment",
       Mixed + Crlf({"..x", "--b", "Content-Type: text/plain", "", ".y", "..z", "--b",
                     "Content-Type: text/plain; name=d.txt", "", "..", "--b--"}),
       {"body: .x|", "T y|.z/", "A d.txt ."}},
      {"closing lines between parts are no body text",
       Mixed + Crlf({"--b", "Content-Type: multipart/alternative; boundary=i", "", "--i",
                     "Content-Type: text/plain", "", "t", "--i--", "--b--", "epilogue"}),
       {"body: epilogue|", "T ", "T t/"}},
      {"a stuffed UUE line in plain text",
       Crlf({"Subject: u", "", "begin 644 u.bin", "." + Uue14, "`", "end", "after"}),
       {"body: after|", "A u.bin fourteen bytes"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    TIdMessage whole;
    ReadMessageText(whole, c.text);
    EXPECT_EQ(Summary(whole), c.want);
    TIdMessage trickled;
    OneByteStream slow(c.text);
    trickled.ReadFromStream(slow);
    EXPECT_EQ(Summary(trickled), c.want);
  }
}

TEST(ReadForms, NestingAndPartLimits) {
  // Nesting past the limit is read as data of the innermost part kept.
  std::string deep = "Content-Type: multipart/mixed; boundary=L0\r\n\r\n";
  const int levels = 40;
  for (int i = 0; i < levels; ++i)
    deep += Crlf(
        {"--L" + std::to_string(i), "Content-Type: multipart/mixed; boundary=L" + std::to_string(i + 1), ""});
  deep += Crlf({"--L40", "Content-Type: text/plain", "", "deepest", "--L40--"});
  TIdMessage m;
  ReadMessageText(m, deep);
  ASSERT_GT(m.Parts.Count(), 0);
  auto *last = dynamic_cast<TIdText *>(&m.Parts[m.Parts.Count() - 1]);
  ASSERT_NE(last, nullptr);
  EXPECT_NE(std::find(last->Body.begin(), last->Body.end(), "deepest"), last->Body.end());
  EXPECT_LT(m.Parts.Count(), levels);

  std::string many = Mixed;
  for (int i = 0; i < 5001; ++i)
    many += Crlf({"--b", "Content-Type: text/plain", "", "t"});
  TIdMessage tooMany;
  ExpectError<EIdException>([&] { ReadMessageText(tooMany, many); }, "Too many parts in message.");
}
