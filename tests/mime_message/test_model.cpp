#include "MessageTestUtil.h"
#include "tests/support/ExpectError.h"

#include <gtest/gtest.h>

using mvtest::ExpectError;

namespace {
void Apply(TIdMessage &m, std::initializer_list<const char *> lines) {
  for (const char *l : lines)
    m.HeaderLines.Add(l);
  m.ApplyHeaderLines();
}

std::vector<std::string> Names(const TIdHeaderList &h) {
  std::vector<std::string> names;
  for (int i = 0; i < h.Count(); ++i)
    if (!mv::IsContinuationLine(h[i]))
      names.push_back(h[i].substr(0, h[i].find(':')));
  return names;
}
} // namespace

TEST(ApplyHeaderLines, CharsetAndBoundaryFromContentType) {
  TIdMessage a;
  Apply(a, {"Content-Type: text/plain; charset=\"koi8-r\""});
  EXPECT_EQ(a.CharSet, "KOI8-R");
  EXPECT_EQ(a.BoundaryStack.Count(), 0);

  TIdMessage b;
  Apply(b, {"Content-Type: multipart/mixed; boundary=abc; charset=x"});
  EXPECT_EQ(b.CharSet, "X");
  EXPECT_EQ(b.BoundaryStack.Current(), "ABC");
}

TEST(ApplyHeaderLines, PriorityRules) {
  struct Case {
    const char *line;
    TIdMessagePriority expected;
  } cases[] = {{"X-Priority: 2 (High)", mpHigh},     {"Priority: urgent", mpHigh},
               {"Priority: non-urgent", mpHigh},     {"Priority: non-priority", mpLow},
               {"X-Priority: abc", mpNormal},        {"X-Priority: 1 (Highest)", mpHighest},
               {"X-Priority: 5", mpLowest},          {"Subject: none", mpNormal},
               {"X-Priority: -2147483648", mpNormal}};
  for (const Case &c : cases) {
    TIdMessage m;
    Apply(m, {c.line});
    EXPECT_EQ(m.Priority, c.expected) << c.line;
  }
  // Priority wins over X-Priority when it has a value.
  TIdMessage both;
  Apply(both, {"X-Priority: 5", "Priority: urgent"});
  EXPECT_EQ(both.Priority, mpHigh);
}

TEST(ApplyHeaderLines, PriorityOutsideTheScaleWritesBackTheSameNumber) {
  TIdMessage m;
  Apply(m, {"X-Priority: 9"});
  EXPECT_EQ(static_cast<int>(m.Priority), 8);
  auto h = m.BuildHeaderLines();
  EXPECT_EQ(h->ValueOf("X-Priority"), "9");
}

TEST(ApplyHeaderLines, ReceiptRecipientPrefersDispositionNotificationTo) {
  TIdMessage a;
  Apply(a, {"Return-Receipt-To: r@x.org", "Disposition-Notification-To: d@x.org"});
  EXPECT_EQ(a.ReceiptRecipient.Address, "d@x.org");
  TIdMessage b;
  Apply(b, {"Return-Receipt-To: r@x.org"});
  EXPECT_EQ(b.ReceiptRecipient.Address, "r@x.org");
}

TEST(ApplyHeaderLines, DecodesSubjectAndAddressesKeepsOthersInHeaderLines) {
  TIdMessage m;
  Apply(m, {"Subject: =?windows-1251?B?z/Du4uXw6uA=?=", "From: Ivan <ivan@x.org>", "To: a@x.org, b@x.org",
            "Cc: c@x.org", "Newsgroups: comp.a, comp.b", "X-Mailer: Something", "Message-Id: <1@x>",
            "Organization: =?windows-1251?Q?x?="});
  EXPECT_EQ(m.Subject, "\xCF\xF0\xEE\xE2\xE5\xF0\xEA\xE0");
  EXPECT_EQ(m.From.Name, "Ivan");
  EXPECT_EQ(m.Recipients.Count(), 2);
  EXPECT_EQ(m.CCList.Count(), 1);
  EXPECT_EQ(m.NewsGroups, (std::vector<std::string>{"comp.a", "comp.b"}));
  EXPECT_EQ(m.MessageId, "<1@x>");
  EXPECT_EQ(m.Organization, "=?windows-1251?Q?x?="); // not decoded
  EXPECT_EQ(m.HeaderLines.ValueOf("X-Mailer"), "Something");
}

TEST(BuildHeaderLines, NewMessageOrderWithoutMimeVersion) {
  TIdMessage m;
  m.From.SetText("a@x.org");
  m.Recipients.SetAddressesText("b@x.org");
  m.Subject = "Hello";
  m.ContentType = "text/plain";
  m.Body = {"Hi"};
  auto h = m.BuildHeaderLines();
  EXPECT_EQ(Names(*h), (std::vector<std::string>{"From", "Subject", "To", "Content-Type", "Date"}));
  EXPECT_EQ(h->ValueOf("From"), "a@x.org");
}

TEST(BuildHeaderLines, AttachmentMakesMultipartMixedAndMimeVersion) {
  TIdMessage m;
  m.From.SetText("a@x.org");
  m.Parts.AddAttachment("/nonexistent/rep.pdf");
  m.Priority = mpLowest;
  m.ExtraHeaders.Add("X-Mailer: Test");
  auto h = m.BuildHeaderLines();
  EXPECT_EQ(m.ContentType, "multipart/mixed; boundary=\"=_MoreStuf_2zzz1234sadvnqw3nerasdf\"");
  EXPECT_EQ(h->ValueOf("MIME-Version"), "1.0");
  EXPECT_EQ(h->ValueOf("X-Priority"), "5");
  EXPECT_EQ(Names(*h), (std::vector<std::string>{"From", "Content-Type", "MIME-Version", "Date", "X-Priority",
                                                 "X-Mailer"}));
  m.Parts[0].SetContentID("<id1>");
  m.BuildHeaderLines();
  EXPECT_EQ(m.ContentType, "multipart/related; type=\"multipart/alternative\"; "
                           "boundary=\"=_MoreStuf_2relzzzsadvnq1234w3nerasdf\"");
}

TEST(BuildHeaderLines, CharsetParameterIsAddedOnlyOnce) {
  TIdMessage m;
  m.CharSet = "koi8-r";
  m.ContentType = "text/plain";
  m.BuildHeaderLines();
  auto h = m.BuildHeaderLines();
  EXPECT_EQ(m.ContentType, "text/plain;\r\n\tcharset=\"koi8-r\"");
  EXPECT_EQ(h->ValueOf("Content-Type"), "text/plain; charset=\"koi8-r\"");
}

TEST(BuildHeaderLines, ReadHeadersAreKeptAndReplacedInPlace) {
  TIdMessage m;
  Apply(m, {"Received: from x", "Subject: old", "X-Mailer: Other", "To: a@x.org",
            "Date: Mon, 5 Jan 2026 14:03:07 +0300"});
  m.Subject = "new";
  m.Recipients.Clear();
  auto h = m.BuildHeaderLines();
  EXPECT_EQ(Names(*h), (std::vector<std::string>{"Received", "Subject", "X-Mailer", "Date"}));
  EXPECT_EQ(h->ValueOf("Subject"), "new");
}

TEST(BuildHeaderLines, UUEncodingRejectsTextParts) {
  TIdMessage m;
  m.SetEncoding(meUU);
  EXPECT_EQ(m.AttachmentEncoding(), "UUE");
  m.Parts.AddText({"x"});
  ExpectError<EIdMessageException>([&] { m.BuildHeaderLines(); },
                                   "Invalid Encoding. UU only allows Body and Attachments");
}

TEST(MessageModel, EncoderLookupAndPartCreationFailures) {
  TIdMessage m;
  m.SetAttachmentEncoding("xxe");
  EXPECT_EQ(m.AttachmentEncoding(), "xxe");
  ExpectError<EIdException>([&] { m.SetAttachmentEncoding("BinHex"); }, "Message encoder not found: BinHex");
  EXPECT_EQ(m.AttachmentEncoding(), "xxe");
  ExpectError<EIdCanNotCreateMessagePart>([&] { TIdMessagePart part(&m.Parts); },
                                          "TIdMessagePart can not be created.  Use descendant classes. ");
}

TEST(MessageModel, UseNowForDateFollowsDate) {
  TIdMessage m;
  EXPECT_TRUE(m.UseNowForDate());
  m.SetUseNowForDate(false);
  EXPECT_NE(m.Date, 0);
  const TDateTime fixed = m.Date;
  m.SetUseNowForDate(false);
  EXPECT_EQ(m.Date, fixed);
  auto h = m.BuildHeaderLines();
  EXPECT_EQ(h->ValueOf("Date"), FormatMessageDate(fixed));
  m.SetUseNowForDate(true);
  EXPECT_EQ(m.Date, 0);
}

TEST(MessageModel, ResetHeaderFieldsKeepsContentAndSettings) {
  TIdMessage m;
  Apply(m, {"Subject: s", "To: a@x.org", "Content-Type: multipart/mixed; boundary=q"});
  m.Body = {"b"};
  m.NoDecode = true;
  m.ResetHeaderFields();
  EXPECT_EQ(m.Subject, "");
  EXPECT_EQ(m.Recipients.Count(), 0);
  EXPECT_EQ(m.BoundaryStack.Count(), 0);
  EXPECT_EQ(m.HeaderLines.Count(), 0);
  EXPECT_EQ(m.Body, (TIdLines{"b"}));
  EXPECT_TRUE(m.NoDecode);
}
