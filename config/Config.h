#pragma once
// The two configuration files beside the executable: Mail.ini (mail servers,
// sender address, delete flag, presentation prompt) and FilePath.ini (routing
// rules, poll interval). Every function looks the file up afresh from baseDir
// (the program directory with a trailing '/'); nothing is cached here.
// A batch of keys saved together (the settings dialog's OK, the rules) is one
// write of its file.
// Texts are Windows-1251. Write failures raise EIniFileException
// ("Unable to write to <path>"); strict reads raise EConvertError.
#include "net/IdTLSOptions.h"

#include <string>
#include <vector>

// The in-memory copy of the mail server settings the main window holds.
struct MailSettings {
  std::string PopHost;
  int PopPort = 110;
  std::string PopUser;
  std::string PopPassword;
  std::string SmtpHost;
  int SmtpPort = 25;
  std::string SmtpUser;
  std::string SmtpPassword;
  int SmtpAuthType = 0; // 0 none, 1 AUTH LOGIN, 2 AUTH PLAIN
  std::string PersonalEmail;
  // [Pop3] and [Smtp] Security (0 none, 1 TLS, 2 STARTTLS; missing: 1 on
  // ports 995 and 465, else 0), CAFile and Fingerprint.
  TIdTLSOptions PopTLS;
  TIdTLSOptions SmtpTLS;
};

// One routing rule n (counted from 1): F n, A n, P n of [FilePath].
struct RoutingRule {
  std::string FileMask;    // F n; empty routes as "*"
  std::string AddressMask; // A n; empty matches every sender
  std::string Directory;   // P n
  int Number = 0;          // n; set by the readers, ignored by the writer
};

// Reads [Pop3], [Smtp], [Email] of Mail.ini in their fixed order into
// settings (defaults for what is missing). A port that is not a whole number
// keeps its default (110 / 25) and the conversion error text is returned, so
// the caller shows each problem once and the start goes on. A Mail.ini that
// cannot be read gives every default and "Unable to read <path>". Empty when
// all went well. [Check] Ch_Del is read separately (ReadDeleteRouted), because
// setting the window's check box writes it back.
std::vector<std::string> LoadSettings(const std::string &baseDir, MailSettings &settings);

namespace mv {
// Defaults of Mail.ini, also the placeholders of a fresh installation.
inline constexpr const char *kDefaultPopHost = "pop.example.org";
inline constexpr const char *kDefaultSmtpHost = "smtp.example.org";
inline constexpr const char *kDefaultPersonalEmail = "courier@example.org";
inline constexpr int kDefaultPopPort = 110;
inline constexpr int kDefaultSmtpPort = 25;
// "ваш_идентификатор" / "тайна_ключ" in Windows-1251: the user name that
// marks the settings as not yet made, and the password placeholder.
inline constexpr const char *kPlaceholderUser =
    "\xE2\xE0\xF8_\xE8\xE4\xE5\xED\xF2\xE8\xF4\xE8\xEA\xE0\xF2\xEE\xF0";
inline constexpr const char *kPlaceholderPassword = "\xF2\xE0\xE9\xED\xE0_\xEA\xEB\xFE\xF7";

std::string MailIniPath(const std::string &baseDir);     // baseDir + "Mail.ini"
std::string FilePathIniPath(const std::string &baseDir); // baseDir + "FilePath.ini"

// The settings dialog's fields as typed (ports as text, the types as the
// selected index, -1 when nothing is selected).
struct SetupTexts {
  std::string PopHost, PopPort, PopUser, PopPassword;
  std::string SmtpHost, SmtpPort, SmtpUser, SmtpPassword;
  std::string PersonalEmail;
  int AuthTypeIndex = 0;
  int PopSecurityIndex = 0, SmtpSecurityIndex = 0;
  std::string PopFingerprint, SmtpFingerprint;
};

// The settings dialog's OK: writes the ten keys of the plain servers in
// their fixed order, then [Pop3] Security and Fingerprint and [Smtp]
// Security and Fingerprint, with one write of Mail.ini, then sets the
// MailSettings fields (ports in memory by the lenient read, 110 / 25 for a
// text that is not a whole number). A failed write raises and changes
// nothing, in the file or in memory.
void SaveSetupTexts(const std::string &baseDir, const SetupTexts &texts, MailSettings &settings);
// Raises EIniFileException(kLineBreakRefused) when a typed text holds a line
// break, which the file could not store.
void RefuseLineBreaks(const SetupTexts &texts);

// [Check] Ch_Del: delete routed messages from the server.
bool ReadDeleteRouted(const std::string &baseDir);
void WriteDeleteRouted(const std::string &baseDir, bool value);

// [Demo] Show_dm: do not open the presentation at start.
bool ReadHidePresentation(const std::string &baseDir);
void WriteHidePresentation(const std::string &baseDir, bool value);
// [Demo] Cnt_dm, the start counter of the presentation prompt.
int ReadStartCount(const std::string &baseDir);
void WriteStartCount(const std::string &baseDir, int value);
// The show step's counting: n := Cnt_dm + 1, stored as 0 when above 50.
inline constexpr int kLastStartCount = 50;
struct StartCount {
  int Stored;   // the value written back
  bool Wrapped; // n was above 50
};
StartCount CountStart(const std::string &baseDir);

// FilePath.ini [Interval] INT in seconds, kept within what the interval
// dialog offers: 0 would make the timer fire at every pass of the event loop,
// a negative value would stop polling, and a value above 2147483 would
// overflow the timer's milliseconds.
inline constexpr int kMinPollSeconds = 1;
inline constexpr int kMaxPollSeconds = 100000;
// The main window: empty or missing gives 300, anything else is converted
// strictly and brought to the nearest bound of the range.
int ReadPollIntervalForStart(const std::string &baseDir);
// The interval dialog: empty or missing gives 60, else as above.
int ReadPollIntervalForDialog(const std::string &baseDir);
// Erases [Interval] and writes INT.
void WritePollInterval(const std::string &baseDir, int seconds);
} // namespace mv
