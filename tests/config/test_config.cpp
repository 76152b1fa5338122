#include "config/Config.h"
#include "config/RoutingRules.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"

#include "tests/support/ExpectError.h"
#include "tests/support/Files.h"
#include "tests/support/ScratchDir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace {
class ConfigTest : public ::testing::Test {
protected:
  void WriteFile(const std::string &name, const std::string &text) {
    mvtest::WriteBytes(dir.Utf8Path() + name, text);
  }
  std::string ReadFile(const std::string &name) { return mvtest::ReadBytes(dir.Utf8Path() + name); }
  mv::IniFile Rules() { return mv::IniFile(base + "FilePath.ini"); }

  mvtest::ScratchDir dir;
  std::string base = dir.Win1251Path();
};

RoutingRule Rule(const std::string &file, const std::string &address, const std::string &directory) {
  RoutingRule rule;
  rule.FileMask = file;
  rule.AddressMask = address;
  rule.Directory = directory;
  return rule;
}
} // namespace

TEST_F(ConfigTest, FirstStartWithoutMailIniLoadsTheDefaults) {
  MailSettings s;
  EXPECT_TRUE(LoadSettings(base, s).empty());
  EXPECT_EQ(s.PopHost, "pop.example.org");
  EXPECT_EQ(s.PopPort, 110);
  EXPECT_EQ(s.PopUser,
            "\xE2\xE0\xF8_\xE8\xE4\xE5\xED\xF2\xE8\xF4\xE8\xEA\xE0\xF2\xEE\xF0"); // ваш_идентификатор
  EXPECT_EQ(s.PopPassword, "\xF2\xE0\xE9\xED\xE0_\xEA\xEB\xFE\xF7");              // тайна_ключ
  EXPECT_EQ(s.SmtpHost, "smtp.example.org");
  EXPECT_EQ(s.SmtpPort, 25);
  EXPECT_EQ(s.SmtpUser, s.PopUser);
  EXPECT_EQ(s.SmtpPassword, s.PopPassword);
  EXPECT_EQ(s.SmtpAuthType, 0);
  EXPECT_EQ(s.PersonalEmail, "courier@example.org");
  EXPECT_FALSE(mv::ReadDeleteRouted(base));
  EXPECT_FALSE(mv::FileExists(base + "Mail.ini")); // loading writes nothing
}

TEST_F(ConfigTest, LoadsEveryKeyAndReportsEachBadPortOnce) {
  WriteFile("Mail.ini", "[pop3]\nServerName=mx.local\nServerPort=abc\nServerUser=ivan\nServerPassword=p w\n"
                        "[SMTP]\nServerName=out.local\nServerPort=2525\nServerUser=u2\nServerPassword=p2\n"
                        "SMTPAuthenticationType=1\n[Email]\nPersonalEmail=ivan@local\n");
  MailSettings s;
  const auto errors = LoadSettings(base, s);
  EXPECT_EQ(errors, (std::vector<std::string>{"'abc' is not a valid integer value"}));
  EXPECT_EQ(s.PopHost, "mx.local");
  EXPECT_EQ(s.PopPort, 110); // the bad port keeps its default, the rest still loads
  EXPECT_EQ(s.PopUser, "ivan");
  EXPECT_EQ(s.PopPassword, "p w");
  EXPECT_EQ(s.SmtpHost, "out.local");
  EXPECT_EQ(s.SmtpPort, 2525);
  EXPECT_EQ(s.SmtpUser, "u2");
  EXPECT_EQ(s.SmtpPassword, "p2");
  EXPECT_EQ(s.SmtpAuthType, 1);
  EXPECT_EQ(s.PersonalEmail, "ivan@local");

  // An empty port is no whole number either; both errors come back, in order.
  WriteFile("Mail.ini", "[Pop3]\nServerPort=\n[Smtp]\nServerPort=x\n");
  EXPECT_EQ(LoadSettings(base, s), (std::vector<std::string>{"'' is not a valid integer value",
                                                             "'x' is not a valid integer value"}));
  EXPECT_EQ(s.SmtpPort, 25);
}

TEST_F(ConfigTest, AMailIniThatCannotBeReadGivesTheDefaultsAndOneProblem) {
  ASSERT_TRUE(std::filesystem::create_directory(dir.Utf8Path() + "Mail.ini"));
  MailSettings s;
  s.PopUser = "memory";
  EXPECT_EQ(LoadSettings(base, s), std::vector<std::string>{"Unable to read " + base + "Mail.ini"});
  EXPECT_EQ(s.PopUser, mv::kPlaceholderUser);
  EXPECT_EQ(s.SmtpPort, mv::kDefaultSmtpPort);
}

TEST_F(ConfigTest, SettingsDialogWritesItsKeysInOrderAndUpdatesMemory) {
  mv::SetupTexts t{"pop.local", "abc", "user", "secret", "smtp.local", "587", "suser", "spass",
                   "me@local",  2,     1,      2,        "ab:CD",      ""};
  MailSettings s;
  s.SmtpTLS.CAFile = "/etc/office-ca.pem"; // not the dialog's: kept
  mv::SaveSetupTexts(base, t, s);
  // The ten keys of the plain servers first, in their old order; the
  // security keys of each section after them.
  EXPECT_EQ(ReadFile("Mail.ini"), "[Pop3]\r\nServerName=pop.local\r\nServerPort=abc\r\nServerUser=user\r\n"
                                  "ServerPassword=secret\r\nSecurity=1\r\nFingerprint=ab:CD\r\n"
                                  "[Smtp]\r\nServerName=smtp.local\r\nServerPort=587\r\n"
                                  "ServerUser=suser\r\nServerPassword=spass\r\nSMTPAuthenticationType=2\r\n"
                                  "Security=2\r\nFingerprint=\r\n"
                                  "[Email]\r\nPersonalEmail=me@local\r\n");
  EXPECT_EQ(s.PopPort, 110); // the typed text is stored, memory falls back
  EXPECT_EQ(s.SmtpPort, 587);
  EXPECT_EQ(s.SmtpAuthType, 2);
  EXPECT_EQ(s.PopTLS.Mode, TIdTLSOptions::tlsImplicit);
  EXPECT_EQ(s.PopTLS.Fingerprint, "ab:CD");
  EXPECT_EQ(s.SmtpTLS.Mode, TIdTLSOptions::tlsStartTLS);
  EXPECT_EQ(s.SmtpTLS.CAFile, "/etc/office-ca.pem");
  EXPECT_EQ(s.PersonalEmail, "me@local");
  // The passwords are in this file: only the owner may read it.
  struct stat st {};
  ASSERT_EQ(stat((dir.Utf8Path() + "Mail.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  // "abc" fails the strict read at the next start.
  MailSettings next;
  EXPECT_EQ(LoadSettings(base, next).size(), 1u);
  EXPECT_EQ(next.PopUser, "user");
}

TEST_F(ConfigTest, SecurityDefaultsByPortAndReadsWhatIsStored) {
  const struct {
    const char *section; // the server's section as written to Mail.ini
    int port;
    const char *security; // nullptr: no Security key
    TIdTLSOptions::TMode want;
  } cases[] = {
      {"Pop3", 995, nullptr, TIdTLSOptions::tlsImplicit}, {"Pop3", 110, nullptr, TIdTLSOptions::tlsNone},
      {"Smtp", 465, nullptr, TIdTLSOptions::tlsImplicit}, {"Smtp", 587, nullptr, TIdTLSOptions::tlsNone},
      {"Pop3", 995, "0", TIdTLSOptions::tlsNone},         {"Pop3", 110, "2", TIdTLSOptions::tlsStartTLS},
      {"Smtp", 25, "1", TIdTLSOptions::tlsImplicit},      {"Smtp", 465, "7", TIdTLSOptions::tlsImplicit},
      {"Smtp", 25, "-1", TIdTLSOptions::tlsNone},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.section) + ":" + std::to_string(c.port) + " " +
                 (c.security ? c.security : "(none)"));
    std::string ini = std::string("[") + c.section + "]\nServerPort=" + std::to_string(c.port) + "\n";
    if (c.security)
      ini += std::string("Security=") + c.security + "\nCAFile=/ca.pem\nFingerprint=AA:BB\n";
    WriteFile("Mail.ini", ini);
    MailSettings s;
    LoadSettings(base, s);
    const TIdTLSOptions &tls = std::string(c.section) == "Pop3" ? s.PopTLS : s.SmtpTLS;
    EXPECT_EQ(tls.Mode, c.want);
    EXPECT_EQ(tls.CAFile, c.security ? "/ca.pem" : "");
    EXPECT_EQ(tls.Fingerprint, c.security ? "AA:BB" : "");
  }
}

TEST_F(ConfigTest, SettingsDialogStopsAtTheFailingWrite) {
  WriteFile("Mail.ini", "[Pop3]\nServerName=old\n");
  chmod((dir.Utf8Path() + "Mail.ini").c_str(), 0400);
  MailSettings s;
  s.PopHost = "memory";
  mv::SetupTexts t{"new", "110", "u", "p", "h", "25", "u", "p", "e", 0, 0, 0, "", ""};
  mvtest::ExpectError<EIniFileException>([&] { mv::SaveSetupTexts(base, t, s); },
                                         "Unable to write to " + base + "Mail.ini");
  EXPECT_EQ(s.PopHost, "memory");
}

TEST_F(ConfigTest, TypedLineBreaksAreRefusedBeforeAnythingIsStored) {
  WriteFile("Mail.ini", "[Pop3]\nServerName=old\n");
  MailSettings s;
  s.PopHost = "memory";
  mv::SetupTexts t{"new", "110", "u", "p", "h", "25", "u", "p", "me@local\n[Check]\nCh_Del=1", 0, 0, 0, "", ""};
  mvtest::ExpectError([&] { mv::RefuseLineBreaks(t); }, mv::kLineBreakRefused);
  mvtest::ExpectError([&] { mv::SaveSetupTexts(base, t, s); }, mv::kLineBreakRefused);
  EXPECT_EQ(ReadFile("Mail.ini"), "[Pop3]\nServerName=old\n");
  EXPECT_EQ(s.PopHost, "memory");
  mvtest::ExpectError([&] { mv::WriteRoutingRules(base, {Rule("*", "", "/data/\r\nP1=/etc/")}); },
                      mv::kLineBreakRefused);
  EXPECT_EQ(ReadFile("FilePath.ini"), "");
}

TEST_F(ConfigTest, DeleteFlagPresentationFlagAndStartCounter) {
  mv::WriteDeleteRouted(base, true);
  EXPECT_EQ(mv::IniFile(base + "Mail.ini").ReadString("Check", "Ch_Del", ""), "1");
  EXPECT_TRUE(mv::ReadDeleteRouted(base));
  WriteFile("Mail.ini", "[Check]\nCh_Del=2\n");
  EXPECT_TRUE(mv::ReadDeleteRouted(base));
  WriteFile("Mail.ini", "[Check]\nCh_Del=x\n");
  EXPECT_FALSE(mv::ReadDeleteRouted(base));

  mv::WriteHidePresentation(base, true);
  EXPECT_TRUE(mv::ReadHidePresentation(base));
  mv::WriteStartCount(base, 49);
  EXPECT_EQ(mv::CountStart(base).Stored, 50);
  EXPECT_EQ(mv::CountStart(base).Stored, 0); // 51 wraps to 0
  EXPECT_EQ(mv::ReadStartCount(base), 0);
  EXPECT_EQ(mv::CountStart(base).Stored, 1);
  // Hand-edited counters at the ends of the integer range.
  const struct {
    int stored, next;
    bool wrapped;
  } counts[] = {{50, 0, true}, {2147483647, 0, true}, {-2147483647 - 1, -2147483647, false}, {-1, 0, false}};
  for (const auto &c : counts) {
    mv::WriteStartCount(base, c.stored);
    const mv::StartCount count = mv::CountStart(base);
    EXPECT_EQ(count.Stored, c.next) << c.stored;
    EXPECT_EQ(count.Wrapped, c.wrapped) << c.stored;
    EXPECT_EQ(mv::ReadStartCount(base), c.next);
  }
  EXPECT_FALSE(mv::ReadDeleteRouted(base)); // the other sections are untouched
}

TEST_F(ConfigTest, RulesWriterReplacesTheWholeListInOrder) {
  mv::WriteRoutingRules(base, {Rule("a", "", "/d1"), Rule("b", "", "/d2"), Rule("c", "", "/d3"),
                               Rule("d", "", "/d4"), Rule("e", "", "/d5")});
  WriteFile("FilePath.ini", ReadFile("FilePath.ini") + "[Interval]\r\nINT=90\r\n");
  mv::WriteRoutingRules(base,
                        {Rule("", "*@example.org", "/x"), Rule("*.pdf", "", ""), Rule("c", "a@b", "/z")});
  EXPECT_EQ(ReadFile("FilePath.ini"),
            "[Interval]\r\nINT=90\r\n[FilePath]\r\nF1=\r\nA1=*@example.org\r\nP1=/x\r\n"
            "F2=*.pdf\r\nA2=\r\nP2=\r\nF3=c\r\nA3=a@b\r\nP3=/z\r\n[Count]\r\nCNT=3\r\n");
  for (const char *gone : {"F4", "A4", "P4", "F5", "A5", "P5"})
    EXPECT_EQ(Rules().ReadString("FilePath", gone, "missing"), "missing") << gone;

  const auto rules = mv::ReadRoutingRules(base);
  ASSERT_EQ(rules.size(), 3u);
  EXPECT_EQ(rules[0].FileMask, "");
  EXPECT_EQ(rules[0].AddressMask, "*@example.org");
  EXPECT_EQ(rules[2].Directory, "/z");
  EXPECT_EQ(rules[2].Number, 3);

  mv::WriteRoutingRules(base, {});
  EXPECT_FALSE(Rules().SectionExists("FilePath"));
  EXPECT_EQ(Rules().ReadString("Count", "CNT", ""), "0");
  EXPECT_EQ(mv::ReadRuleCount(base), 0);
  EXPECT_TRUE(mv::ReadRoutingRules(base).empty());
  EXPECT_EQ(mv::ReadPollIntervalForStart(base), 90);
}

TEST_F(ConfigTest, RuleCountAbsentOrBad) {
  EXPECT_FALSE(mv::ReadRuleCount(base).has_value()); // no file: no rules
  WriteFile("FilePath.ini", "[FilePath]\nF1=*\n[Count]\n");
  EXPECT_FALSE(mv::ReadRuleCount(base).has_value()); // a header without keys is no section
  WriteFile("FilePath.ini", "[Count]\nCNT=two\n");
  mvtest::ExpectError<EConvertError>([&] { mv::ReadRoutingRules(base); },
                                     "'two' is not a valid integer value");
  WriteFile("FilePath.ini", "[Count]\nOther=1\n");
  EXPECT_THROW(mv::ReadRuleCount(base), EConvertError); // the section exists, CNT reads empty
}

TEST_F(ConfigTest, RuleCountsAboveTheLimitAreRefused) {
  const std::string limit = std::to_string(mv::kMaxRoutingRules);
  const struct {
    std::string count, error;
  } cases[] = {
      {limit, ""},
      {"-3", ""},
      {std::to_string(mv::kMaxRoutingRules + 1), "The rule count " +
                                                     std::to_string(mv::kMaxRoutingRules + 1) +
                                                     " is above the limit of " + limit + " rules"},
      {"2000000000", "The rule count 2000000000 is above the limit of " + limit + " rules"},
  };
  for (const auto &c : cases) {
    WriteFile("FilePath.ini", "[FilePath]\nA1=x\n[Count]\nCNT=" + c.count + "\n");
    if (c.error.empty()) {
      EXPECT_EQ(mv::ReadRuleCount(base), std::stoi(c.count));
      EXPECT_EQ(mv::ReadRoutingRules(base).size(), static_cast<std::size_t>(std::max(0, std::stoi(c.count))));
    } else {
      mvtest::ExpectError([&] { mv::ReadRuleCount(base); }, c.error);
      mvtest::ExpectError([&] { mv::ReadRulesForSender(base, "a@b"); }, c.error);
    }
  }
  // The writer refuses a list the reader would refuse, before writing.
  mvtest::ExpectError(
      [&] { mv::WriteRoutingRules(base, std::vector<RoutingRule>(mv::kMaxRoutingRules + 1)); },
      "The rule count " + std::to_string(mv::kMaxRoutingRules + 1) + " is above the limit of " + limit +
          " rules");
  EXPECT_EQ(ReadFile("FilePath.ini"), "[FilePath]\nA1=x\n[Count]\nCNT=2000000000\n");
}

TEST_F(ConfigTest, RoutingReadsFileMaskAndDirectoryOnlyForMatchingSenders) {
  mv::WriteRoutingRules(base, {Rule("*.doc", "*@example.org", "/docs"),
                               Rule("*.pdf", "boss@other.org", "/boss"), Rule("", "", "/all")});
  const auto forSender = mv::ReadRulesForSender(base, "clerk@example.org");
  ASSERT_EQ(forSender.size(), 2u);
  EXPECT_EQ(forSender[0].Number, 1);
  EXPECT_EQ(forSender[0].Directory, "/docs");
  EXPECT_EQ(forSender[1].Number, 3);
  EXPECT_EQ(forSender[1].FileMask, ""); // routing uses "*" for it
  // Letter case counts in address masks.
  EXPECT_EQ(mv::ReadRulesForSender(base, "CLERK@EXAMPLE.ORG").size(), 1u);

  std::vector<std::string> seen;
  const auto none = mv::ReadRulesForSender(base, [&seen](const std::string &mask) {
    seen.push_back(mask);
    return false;
  });
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(seen, (std::vector<std::string>{"*@example.org", "boss@other.org", ""}));
  EXPECT_TRUE(mv::SenderMatches("", "anyone"));
  EXPECT_FALSE(mv::SenderMatches("a?c", "abbc"));
}

TEST_F(ConfigTest, PollInterval) {
  EXPECT_EQ(mv::ReadPollIntervalForStart(base), 300);
  EXPECT_EQ(mv::ReadPollIntervalForDialog(base), 60);
  WriteFile("FilePath.ini", "[Interval]\nINT=\n");
  EXPECT_EQ(mv::ReadPollIntervalForStart(base), 300);
  EXPECT_EQ(mv::ReadPollIntervalForDialog(base), 60);
  WriteFile("FilePath.ini", "[Count]\nCNT=0\n[Interval]\nINT=90\nOld=1\n");
  EXPECT_EQ(mv::ReadPollIntervalForStart(base), 90);
  mv::WritePollInterval(base, 100000);
  EXPECT_EQ(ReadFile("FilePath.ini"), "[Count]\r\nCNT=0\r\n[Interval]\r\nINT=100000\r\n");
  WriteFile("FilePath.ini", "[Interval]\nINT=1m\n");
  mvtest::ExpectError<EConvertError>([&] { mv::ReadPollIntervalForStart(base); },
                                     "'1m' is not a valid integer value");
  EXPECT_THROW(mv::ReadPollIntervalForDialog(base), EConvertError);
  // Stored values the timer cannot run are brought to the nearest bound.
  const struct {
    const char *stored;
    int seconds;
  } clamped[] = {{"0", 1},           {"-5", 1},           {"1", 1},
                 {"100000", 100000}, {"2147484", 100000}, {"$7FFFFFFF", 100000}};
  for (const auto &c : clamped) {
    WriteFile("FilePath.ini", std::string("[Interval]\nINT=") + c.stored + "\n");
    EXPECT_EQ(mv::ReadPollIntervalForStart(base), c.seconds) << c.stored;
    EXPECT_EQ(mv::ReadPollIntervalForDialog(base), c.seconds) << c.stored;
  }
}
