// The pure pieces of secure connections and reply handling: the pinned
// fingerprint's text, the certificate error texts, the POP3 status word and
// the EHLO capabilities. (The ports and default modes are tested where they
// are used: the settings dialog and Mail.ini.)
#include "net/IdIOHandlerTLS.h"
#include "net/IdPOP3.h"
#include "net/IdSMTPCapabilities.h"
#include "net/IdTLSFingerprint.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>
#include <openssl/x509_vfy.h>

namespace {
const std::string kHex64 = "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF";
const std::string kColons =
    "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF";

std::string Lower(std::string text) {
  for (char &c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}
} // namespace

TEST(TLSFingerprint, ParsesWhatUsersPasteAndRejectsTheRest) {
  const struct {
    std::string text;
    bool ok;
  } cases[] = {
      {kHex64, true},
      {kColons, true},
      {Lower(kColons), true},
      {"sha256 Fingerprint=" + kColons, true}, // as openssl x509 -fingerprint prints it
      {" " + kHex64.substr(0, 32) + " " + kHex64.substr(32) + " ", true},
      {kHex64.substr(1), false}, // 63 digits
      {kHex64 + "0", false},     // 65 digits
      {kHex64.substr(0, 63) + "G", false},
      {"", false},
      {"::::", false},
      {kColons + "=", false}, // the label swallowed everything
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    TIdSha256 digest{};
    ASSERT_EQ(ParseFingerprint(c.text, digest), c.ok);
    if (c.ok) {
      EXPECT_EQ(FormatFingerprint(digest.data(), digest.size()), kColons);
    }
  }
}

TEST(TLSFingerprint, CertificateTextsSayWhatFailedAndShowTheFingerprint) {
  const struct {
    int result;
    const char *what; // UTF-8
  } cases[] = {
      {X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY, "сертификат выдан неизвестным издателем"},
      {X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT, "сертификат выдан неизвестным издателем"},
      {X509_V_ERR_CERT_HAS_EXPIRED, "срок действия сертификата истёк"},
      {X509_V_ERR_CERT_NOT_YET_VALID, "срок действия сертификата ещё не начался"},
      {X509_V_ERR_HOSTNAME_MISMATCH, "сертификат выдан не на имя mail.example.org"},
      {X509_V_ERR_CERT_REVOKED, "ошибка проверки сертификата (certificate revoked)"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(TLSCertificateErrorText(c.result, "mail.example.org", kColons),
              mv::Utf8ToWin1251(std::string("Сертификат сервера mail.example.org не принят: ") + c.what +
                                ". Отпечаток SHA-256 сертификата сервера: ") +
                  kColons);
  }
  const std::string mismatch = TLSFingerprintMismatchText("mail.example.org", kColons);
  EXPECT_NE(mismatch.find(mv::Utf8ToWin1251("не совпадает с заданным")), std::string::npos);
  EXPECT_EQ(mismatch.substr(mismatch.size() - kColons.size()), kColons);
}

TEST(Pop3Status, ClassifiesStatusWords) {
  const struct {
    const char *code;
    TIdPop3Status want;
  } cases[] = {{"+OK", TIdPop3Status::Ok},
               {"+ok", TIdPop3Status::Ok},
               {"-ERR", TIdPop3Status::Err},
               {"-err", TIdPop3Status::Err},
               {"+OK2", TIdPop3Status::Unrecognized},
               {"", TIdPop3Status::Unrecognized},
               {"OK", TIdPop3Status::Unrecognized},
               {"-ER", TIdPop3Status::Unrecognized},
               {"250", TIdPop3Status::Unrecognized}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(ClassifyPop3Status(c.code), c.want);
  }
}

TEST(EhloCapabilities, ReadsMechanismsAndStartTLS) {
  using Lines = std::vector<std::string>;
  const struct {
    Lines reply;
    Lines schemes;
    bool startTLS;
  } cases[] = {
      {{"mx.example.org", "PIPELINING", "AUTH PLAIN LOGIN", "STARTTLS"}, {"PLAIN", "LOGIN"}, true},
      {{"mx", "auth=login", "Auth Plain login cram-md5"}, {"LOGIN", "PLAIN", "CRAM-MD5"}, false},
      {{"mx", "starttls"}, {}, true},
      {{"mx", "STARTTLSX", "AUTHX PLAIN", "AUTH"}, {}, false}, // look-alikes announce nothing
      {{"mx", "SIZE 1000", "8BITMIME"}, {}, false},
      {{}, {}, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.reply.empty() ? std::string("(empty)") : c.reply.back());
    const TIdEhloCapabilities got = ParseEhloCapabilities(c.reply);
    EXPECT_EQ(got.AuthSchemes, c.schemes);
    EXPECT_EQ(got.StartTLS, c.startTLS);
  }
}
