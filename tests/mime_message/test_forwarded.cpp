// Forwarded messages: their attachments reach routing after the forward itself.
#include "MessageTestUtil.h"

#include "mime/ForwardedMessages.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {
// A message with one attachment named `file` and, when `inner` is given, a
// forwarded message holding it; each level has its own boundary.
std::string Forwarding(int level, const std::string &file, const std::string &inner) {
  const std::string b = "lvl" + std::to_string(level);
  std::string text =
      Crlf({"From: f" + std::to_string(level) + "@x.org", "Content-Type: multipart/mixed; boundary=" + b, "",
            "--" + b, "Content-Type: application/pdf; name=" + file, "", "bytes of " + file});
  if (!inner.empty())
    text += Crlf({"--" + b, "Content-Type: message/rfc822; name=fwd" + std::to_string(level) + ".eml",
                  "Content-Disposition: attachment", ""}) +
            inner;
  return text + Crlf({"--" + b + "--"});
}

std::vector<std::string> RoutedNames(const TIdMessage &m) {
  std::vector<std::string> names;
  for (const TIdAttachment *a : mv::AttachmentsForRouting(m))
    names.push_back(a->FileName);
  return names;
}
} // namespace

TEST(Forwarded, AttachmentsOfInnerMessagesFollowTheirForwardToANamedDepth) {
  // Five levels: the top message and four forwards, each inside the last.
  std::string text;
  for (int level = 4; level >= 0; --level)
    text = Forwarding(level, "doc" + std::to_string(level) + ".pdf", text);
  TIdMessage m;
  ReadMessageText(m, text);
  // The fourth forward lies deeper than the named depth: it stays a plain
  // attachment and its document is not routed.
  EXPECT_EQ(RoutedNames(m), (std::vector<std::string>{"doc0.pdf", "fwd0.eml", "doc1.pdf", "fwd1.eml",
                                                      "doc2.pdf", "fwd2.eml", "doc3.pdf", "fwd3.eml"}));
  const TIdAttachment *forward = AttachmentAt(m, 1);
  ASSERT_NE(forward->InnerMessage, nullptr);
  EXPECT_EQ(forward->InnerMessage->From.Address, "f1@x.org");
  EXPECT_EQ(ReadBytes(mv::AttachmentsForRouting(m)[2]->StoredPath), "bytes of doc1.pdf");
  EXPECT_EQ(mv::AttachmentsForRouting(m)[7]->InnerMessage, nullptr);
  // A copy keeps the forwards as messages (never encoded, as mail readers
  // require), and they read back the same.
  const std::string copy = WriteMessageText(m);
  EXPECT_NE(copy.find("Content-Transfer-Encoding: 8bit\r\nContent-Disposition: attachment;\r\n        "
                      "filename=\"fwd0.eml\"\r\n\r\nFrom: f1@x.org\r\n"),
            std::string::npos);
  TIdMessage back;
  ReadMessageText(back, copy);
  EXPECT_EQ(RoutedNames(back), RoutedNames(m));
  // A forward cut short is read without failing.
  TIdMessage odd;
  ReadMessageText(odd,
                  Forwarding(0, "a.pdf", Crlf({"Content-Type: multipart/mixed; boundary=q", "", "--q"})));
  EXPECT_EQ(RoutedNames(odd), (std::vector<std::string>{"a.pdf", "fwd0.eml"}));
}
