#include "config/Config.h"

#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <memory>

namespace {
// Mail.ini holds the passwords in plain text: only its owner may read it.
constexpr int kMailIniMode = 0600;

mv::IniFile MailIni(const std::string &baseDir) {
  return mv::IniFile(mv::MailIniPath(baseDir), kMailIniMode);
}
mv::IniFile FilePathIni(const std::string &baseDir) {
  return mv::IniFile(mv::FilePathIniPath(baseDir));
}

// A port is read as text and converted strictly; a failure keeps the default
// and is collected for the caller to show.
int ReadPort(const mv::IniText &ini, const char *section, int def, std::vector<std::string> &errors) {
  try {
    return ini.ReadStrictInteger(section, "ServerPort", std::to_string(def));
  } catch (const EConvertError &e) {
    errors.push_back(e.Message());
    return def;
  }
}

// Security, CAFile and Fingerprint of a server section; a file from before
// TLS has none of them and keeps working as it did.
TIdTLSOptions ReadTLSOptions(const mv::IniText &ini, const char *section, int port) {
  TIdTLSOptions tls;
  tls.Mode = TLSModeFromNumber(ini.ReadInteger(section, "Security", -1), port);
  tls.CAFile = ini.ReadString(section, "CAFile", "");
  tls.Fingerprint = ini.ReadString(section, "Fingerprint", "");
  return tls;
}

// The interval's text: empty or missing gives def, anything else strictly,
// brought into the range the timer can run.
int ReadInterval(const std::string &baseDir, int def) {
  const std::string text = FilePathIni(baseDir).ReadString("Interval", "INT", "");
  return text.empty() ? def : std::clamp(mv::StrToInt(text), mv::kMinPollSeconds, mv::kMaxPollSeconds);
}
} // namespace

std::vector<std::string> LoadSettings(const std::string &baseDir, MailSettings &settings) {
  std::vector<std::string> errors;
  // A file that cannot be read leaves every default in place; its writes
  // are refused later, so the file itself is kept.
  std::shared_ptr<const mv::IniText> text;
  try {
    text = MailIni(baseDir).Snapshot();
  } catch (const EIniFileException &e) {
    errors.push_back(e.Message());
    text = std::make_shared<const mv::IniText>();
  }
  const mv::IniText &ini = *text;
  settings.PopHost = ini.ReadString("Pop3", "ServerName", mv::kDefaultPopHost);
  settings.PopPort = ReadPort(ini, "Pop3", mv::kDefaultPopPort, errors);
  settings.PopUser = ini.ReadString("Pop3", "ServerUser", mv::kPlaceholderUser);
  settings.PopPassword = ini.ReadString("Pop3", "ServerPassword", mv::kPlaceholderPassword);
  settings.SmtpHost = ini.ReadString("Smtp", "ServerName", mv::kDefaultSmtpHost);
  settings.SmtpPort = ReadPort(ini, "Smtp", mv::kDefaultSmtpPort, errors);
  settings.SmtpUser = ini.ReadString("Smtp", "ServerUser", mv::kPlaceholderUser);
  settings.SmtpPassword = ini.ReadString("Smtp", "ServerPassword", mv::kPlaceholderPassword);
  settings.SmtpAuthType = ini.ReadInteger("Smtp", "SMTPAuthenticationType", 0);
  settings.PersonalEmail = ini.ReadString("Email", "PersonalEmail", mv::kDefaultPersonalEmail);
  settings.PopTLS = ReadTLSOptions(ini, "Pop3", settings.PopPort);
  settings.SmtpTLS = ReadTLSOptions(ini, "Smtp", settings.SmtpPort);
  return errors;
}

namespace mv {
std::string MailIniPath(const std::string &baseDir) {
  return baseDir + "Mail.ini";
}
std::string FilePathIniPath(const std::string &baseDir) {
  return baseDir + "FilePath.ini";
}

void SaveSetupTexts(const std::string &baseDir, const SetupTexts &texts, MailSettings &settings) {
  MailIni(baseDir).Edit([&texts](IniText &ini) {
    ini.WriteString("Pop3", "ServerName", texts.PopHost);
    ini.WriteString("Pop3", "ServerPort", texts.PopPort);
    ini.WriteString("Pop3", "ServerUser", texts.PopUser);
    ini.WriteString("Pop3", "ServerPassword", texts.PopPassword);
    ini.WriteString("Smtp", "ServerName", texts.SmtpHost);
    ini.WriteString("Smtp", "ServerPort", texts.SmtpPort);
    ini.WriteString("Smtp", "ServerUser", texts.SmtpUser);
    ini.WriteString("Smtp", "ServerPassword", texts.SmtpPassword);
    ini.WriteString("Email", "PersonalEmail", texts.PersonalEmail);
    ini.WriteInteger("Smtp", "SMTPAuthenticationType", texts.AuthTypeIndex);
    ini.WriteInteger("Pop3", "Security", texts.PopSecurityIndex);
    ini.WriteString("Pop3", "Fingerprint", texts.PopFingerprint);
    ini.WriteInteger("Smtp", "Security", texts.SmtpSecurityIndex);
    ini.WriteString("Smtp", "Fingerprint", texts.SmtpFingerprint);
  });
  settings.PopHost = texts.PopHost;
  settings.PopPort = StrToIntDef(texts.PopPort, kDefaultPopPort);
  settings.PopUser = texts.PopUser;
  settings.PopPassword = texts.PopPassword;
  settings.SmtpHost = texts.SmtpHost;
  settings.SmtpPort = StrToIntDef(texts.SmtpPort, kDefaultSmtpPort);
  settings.SmtpUser = texts.SmtpUser;
  settings.SmtpPassword = texts.SmtpPassword;
  settings.PersonalEmail = texts.PersonalEmail;
  settings.SmtpAuthType = texts.AuthTypeIndex;
  // A security index the list could not show is stored as is and taken in
  // memory as the port's default. CAFile is not the dialog's and stays.
  settings.PopTLS.Mode = TLSModeFromNumber(texts.PopSecurityIndex, settings.PopPort);
  settings.PopTLS.Fingerprint = texts.PopFingerprint;
  settings.SmtpTLS.Mode = TLSModeFromNumber(texts.SmtpSecurityIndex, settings.SmtpPort);
  settings.SmtpTLS.Fingerprint = texts.SmtpFingerprint;
}

void RefuseLineBreaks(const SetupTexts &texts) {
  for (const std::string *text :
       {&texts.PopHost, &texts.PopPort, &texts.PopUser, &texts.PopPassword, &texts.SmtpHost, &texts.SmtpPort,
        &texts.SmtpUser, &texts.SmtpPassword, &texts.PersonalEmail, &texts.PopFingerprint, &texts.SmtpFingerprint})
    RefuseLineBreak(*text);
}

bool ReadDeleteRouted(const std::string &baseDir) {
  return MailIni(baseDir).ReadBool("Check", "Ch_Del", false);
}
void WriteDeleteRouted(const std::string &baseDir, bool value) {
  MailIni(baseDir).WriteBool("Check", "Ch_Del", value);
}

bool ReadHidePresentation(const std::string &baseDir) {
  return MailIni(baseDir).ReadBool("Demo", "Show_dm", false);
}
void WriteHidePresentation(const std::string &baseDir, bool value) {
  MailIni(baseDir).WriteBool("Demo", "Show_dm", value);
}

int ReadStartCount(const std::string &baseDir) {
  return MailIni(baseDir).ReadInteger("Demo", "Cnt_dm", 0);
}
void WriteStartCount(const std::string &baseDir, int value) {
  MailIni(baseDir).WriteInteger("Demo", "Cnt_dm", value);
}

StartCount CountStart(const std::string &baseDir) {
  const int current = ReadStartCount(baseDir);
  // n := Cnt_dm + 1 is above the last count exactly when Cnt_dm is at least
  // the last count; put so, a hand-edited 2147483647 cannot overflow.
  const bool wrapped = current >= kLastStartCount;
  const StartCount count{wrapped ? 0 : current + 1, wrapped};
  WriteStartCount(baseDir, count.Stored);
  return count;
}

int ReadPollIntervalForStart(const std::string &baseDir) {
  return ReadInterval(baseDir, 300);
}
int ReadPollIntervalForDialog(const std::string &baseDir) {
  return ReadInterval(baseDir, 60);
}

void WritePollInterval(const std::string &baseDir, int seconds) {
  FilePathIni(baseDir).Edit([seconds](IniText &ini) {
    ini.EraseSection("Interval");
    ini.WriteInteger("Interval", "INT", seconds);
  });
}
} // namespace mv
