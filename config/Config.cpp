#include "config/Config.h"

#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/Numbers.h"

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
int ReadPort(const mv::IniFile &ini, const char *section, int def, std::vector<std::string> &errors) {
  try {
    return ini.ReadStrictInteger(section, "ServerPort", std::to_string(def));
  } catch (const EConvertError &e) {
    errors.push_back(e.Message());
    return def;
  }
}

// Security, CAFile and Fingerprint of a server section; a file from before
// TLS has none of them and keeps working as it did.
TIdTLSOptions ReadTLSOptions(const mv::IniFile &ini, const char *section, int port) {
  TIdTLSOptions tls;
  tls.Mode = TLSModeFromNumber(ini.ReadInteger(section, "Security", -1), port);
  tls.CAFile = ini.ReadString(section, "CAFile", "");
  tls.Fingerprint = ini.ReadString(section, "Fingerprint", "");
  return tls;
}

void SaveTLSTexts(mv::IniFile &ini, const char *section, int securityIndex, const std::string &fingerprint,
                  int port, TIdTLSOptions &tls) {
  ini.WriteInteger(section, "Security", securityIndex);
  tls.Mode = TLSModeFromNumber(securityIndex, port);
  ini.WriteString(section, "Fingerprint", fingerprint);
  tls.Fingerprint = fingerprint;
}

// The interval's text: empty or missing gives def, anything else strictly.
int ReadInterval(const std::string &baseDir, int def) {
  const std::string text = FilePathIni(baseDir).ReadString("Interval", "INT", "");
  return text.empty() ? def : mv::StrToInt(text);
}
} // namespace

std::vector<std::string> LoadSettings(const std::string &baseDir, MailSettings &settings) {
  std::vector<std::string> errors;
  const mv::IniFile ini = MailIni(baseDir);
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
  IniFile ini = MailIni(baseDir);
  ini.WriteString("Pop3", "ServerName", texts.PopHost);
  settings.PopHost = texts.PopHost;
  ini.WriteString("Pop3", "ServerPort", texts.PopPort);
  settings.PopPort = StrToIntDef(texts.PopPort, kDefaultPopPort);
  ini.WriteString("Pop3", "ServerUser", texts.PopUser);
  settings.PopUser = texts.PopUser;
  ini.WriteString("Pop3", "ServerPassword", texts.PopPassword);
  settings.PopPassword = texts.PopPassword;
  ini.WriteString("Smtp", "ServerName", texts.SmtpHost);
  settings.SmtpHost = texts.SmtpHost;
  ini.WriteString("Smtp", "ServerPort", texts.SmtpPort);
  settings.SmtpPort = StrToIntDef(texts.SmtpPort, kDefaultSmtpPort);
  ini.WriteString("Smtp", "ServerUser", texts.SmtpUser);
  settings.SmtpUser = texts.SmtpUser;
  ini.WriteString("Smtp", "ServerPassword", texts.SmtpPassword);
  settings.SmtpPassword = texts.SmtpPassword;
  ini.WriteString("Email", "PersonalEmail", texts.PersonalEmail);
  settings.PersonalEmail = texts.PersonalEmail;
  ini.WriteInteger("Smtp", "SMTPAuthenticationType", texts.AuthTypeIndex);
  settings.SmtpAuthType = texts.AuthTypeIndex;
  SaveTLSTexts(ini, "Pop3", texts.PopSecurityIndex, texts.PopFingerprint, settings.PopPort, settings.PopTLS);
  SaveTLSTexts(ini, "Smtp", texts.SmtpSecurityIndex, texts.SmtpFingerprint, settings.SmtpPort,
               settings.SmtpTLS);
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

int CountStart(const std::string &baseDir) {
  // The counter runs 0..50 and wraps to 0, the start at which the prompt
  // shows the presentation even when the user asked not to see it.
  constexpr int kLastCount = 50;
  const int n = ReadStartCount(baseDir) + 1;
  const int stored = n > kLastCount ? 0 : n;
  WriteStartCount(baseDir, stored);
  return stored;
}

int ReadPollIntervalForStart(const std::string &baseDir) {
  return ReadInterval(baseDir, 300);
}
int ReadPollIntervalForDialog(const std::string &baseDir) {
  return ReadInterval(baseDir, 60);
}

void WritePollInterval(const std::string &baseDir, int seconds) {
  IniFile ini = FilePathIni(baseDir);
  ini.EraseSection("Interval");
  ini.WriteInteger("Interval", "INT", seconds);
}
} // namespace mv
