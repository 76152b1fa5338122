#include "RealServers.h"
#include "ScriptedPeer.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <pwd.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace fs = std::filesystem;

namespace {
constexpr const char *kDovecot = "/usr/sbin/dovecot";
constexpr const char *kPython = "/usr/bin/python3"; // Debian's, with python3-aiosmtpd
constexpr const char *kOpenSSL = "/usr/bin/openssl";
// Start-up takes about a second; a loaded sanitizer run gets much more.
constexpr auto kStartLimit = std::chrono::seconds(60);

// The scratch directory as the servers' configurations name it: no trailing '/'.
std::string WorkDir(const mvtest::ScratchDir &scratch) {
  return fs::path(scratch.Utf8Path()).parent_path().string();
}

pid_t Spawn(const std::vector<std::string> &argv, int stdoutFd = -1, int stderrFd = -1) {
  std::vector<char *> args;
  for (const std::string &arg : argv)
    args.push_back(const_cast<char *>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdoutFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
  if (stderrFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, stderrFd, STDERR_FILENO);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0)
    throw std::runtime_error("cannot start " + argv[0]);
  return pid;
}

void Stop(pid_t pid) {
  if (pid <= 0)
    return;
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
}

void WriteFile(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Maildir files need CR LF line ends for the sizes in their names to be the
// sizes dovecot reports.
std::string WithCrLf(const std::string &text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
      out += '\r';
    out += text[i];
  }
  return out;
}
// Starts a server script that prints "ready PORT" once it accepts
// connections; returns its process and sets port.
pid_t SpawnServer(const std::vector<std::string> &argv, int &port) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0)
    throw std::runtime_error("pipe failed");
  const pid_t pid = Spawn(argv, pipeFds[1]);
  close(pipeFds[1]);
  std::string line;
  pollfd entry{pipeFds[0], POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  char c;
  while (std::chrono::steady_clock::now() < deadline && poll(&entry, 1, 1000) >= 0) {
    if (!(entry.revents & (POLLIN | POLLHUP)))
      continue;
    if (read(pipeFds[0], &c, 1) != 1 || c == '\n')
      break;
    line += c;
  }
  close(pipeFds[0]);
  if (line.rfind("ready ", 0) != 0) {
    Stop(pid);
    throw std::runtime_error(argv[1] + " did not start: " + line);
  }
  port = std::atoi(line.c_str() + 6);
  return pid;
}

// Runs a tool to its end; its output goes to outputPath when one is given,
// its chatter on stderr nowhere.
void RunTool(const std::vector<std::string> &argv, const std::string &outputPath = "/dev/null") {
  const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int quiet = open("/dev/null", O_WRONLY);
  const pid_t pid = Spawn(argv, out, quiet);
  close(out);
  close(quiet);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error(argv[0] + " " + argv[1] + " failed");
}

// The extensions a CA and a server certificate need to pass a strict check.
constexpr const char *kCertificateConfig = R"(
[req]
distinguished_name = dn
prompt = no
[dn]
CN = MailVornex Test CA
[ca]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[server]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
)";
} // namespace

bool TestCertificates::Available() {
  return access(kOpenSSL, X_OK) == 0;
}

TestCertificates::TestCertificates() {
  FWorkDir = WorkDir(FScratch);
  const std::string &w = FWorkDir;
  const std::string config = w + "/openssl.cnf";
  WriteFile(config, kCertificateConfig);
  CAFile = w + "/ca.crt";
  CertFile = w + "/server.crt";
  KeyFile = w + "/server.key";
  const std::vector<std::string> newKey = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                           "-nodes"};
  std::vector<std::string> ca = {kOpenSSL,
                                 "req",
                                 "-x509",
                                 "-config",
                                 config,
                                 "-extensions",
                                 "ca",
                                 "-days",
                                 "2",
                                 "-subj",
                                 "/CN=MailVornex Test CA",
                                 "-keyout",
                                 w + "/ca.key",
                                 "-out",
                                 CAFile};
  ca.insert(ca.begin() + 3, newKey.begin(), newKey.end());
  RunTool(ca);
  std::vector<std::string> request = {kOpenSSL,        "req",     "-config", config, "-subj",
                                      "/CN=localhost", "-keyout", KeyFile,   "-out", w + "/server.csr"};
  request.insert(request.begin() + 2, newKey.begin(), newKey.end());
  RunTool(request);
  RunTool({kOpenSSL, "x509", "-req", "-in", w + "/server.csr", "-CA", CAFile, "-CAkey", w + "/ca.key",
           "-CAcreateserial", "-days", "2", "-extfile", config, "-extensions", "server", "-out", CertFile});
  RunTool({kOpenSSL, "x509", "-in", CertFile, "-noout", "-fingerprint", "-sha256"}, w + "/fingerprint");
  // "sha256 Fingerprint=AB:CD:..."
  const std::string printed = ReadFile(w + "/fingerprint");
  const std::size_t equals = printed.find('=');
  if (equals == std::string::npos)
    throw std::runtime_error("no fingerprint: " + printed);
  Fingerprint = printed.substr(equals + 1, printed.find_first_of("\r\n", equals) - equals - 1);
  fs::permissions(w, fs::perms(0755));
  for (const std::string &file : {CAFile, CertFile, KeyFile})
    fs::permissions(file, fs::perms(0644));
}

LegacyTLSServer::LegacyTLSServer(const TestCertificates &tls) {
  FPid = SpawnServer(
      {kPython, std::string(MV_SOURCE_DIR) + "/tests/net/legacy_tls_server.py", tls.CertFile, tls.KeyFile},
      FPort);
}

LegacyTLSServer::~LegacyTLSServer() {
  Stop(FPid);
}

std::string ReadGreeting(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  std::string line;
  if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
    pollfd entry{fd, POLLIN, 0};
    char c;
    while (poll(&entry, 1, 2000) > 0 && recv(fd, &c, 1, 0) == 1 && c != '\n')
      line += c;
  }
  close(fd);
  return line;
}

bool DovecotServer::Available() {
  return access(kDovecot, X_OK) == 0;
}

DovecotServer::DovecotServer(const std::vector<std::string> &messages) {
  Start(messages);
}

DovecotServer::DovecotServer(const std::vector<std::string> &messages, const TestCertificates &tls)
    : FTLS(&tls) {
  Start(messages);
}

void DovecotServer::Start(const std::vector<std::string> &messages) {
  FWorkDir = WorkDir(FScratch);
  FPort = UnusedPort();
  if (FTLS)
    FTLSPort = UnusedPort();
  const std::string maildir = FWorkDir + "/mail/test";
  for (const char *sub : {"cur", "new", "tmp"})
    fs::create_directories(maildir + "/" + sub);
  // Names carry the sizes (S= and W=) so STAT and LIST need not read the
  // files; the rising time part keeps the mailbox in the given order.
  for (std::size_t i = 0; i < messages.size(); ++i) {
    const std::string bytes = WithCrLf(messages[i]);
    const std::string name = std::to_string(1700000000 + i) + ".M" + std::to_string(i) +
                             "P0.mvtest,S=" + std::to_string(bytes.size()) +
                             ",W=" + std::to_string(bytes.size()) + ":2,";
    WriteFile(maildir + "/cur/" + name, bytes);
  }
  WriteConfiguration();
  FPid = Spawn({kDovecot, "-F", "-c", FWorkDir + "/dovecot.conf"});
  try {
    WaitForGreeting();
  } catch (...) {
    Stop(FPid);
    throw;
  }
}

void DovecotServer::WriteConfiguration() {
  const bool root = geteuid() == 0;
  // As root the mailbox belongs to "mail" and the servers run as dovecot's
  // own users; as an ordinary user everything runs as that user.
  uid_t mailUid = geteuid();
  gid_t mailGid = getegid();
  std::string loginUser, internalUser, internalGroup, authUser;
  if (root) {
    const passwd *mail = getpwnam("mail");
    if (!mail)
      throw std::runtime_error("no user 'mail'");
    mailUid = mail->pw_uid;
    mailGid = mail->pw_gid;
    loginUser = "dovenull";
    internalUser = internalGroup = "dovecot";
    authUser = "root";
  } else {
    const passwd *self = getpwuid(geteuid());
    const group *own = getgrgid(getegid());
    if (!self || !own)
      throw std::runtime_error("unknown user or group");
    loginUser = internalUser = authUser = self->pw_name;
    internalGroup = own->gr_name;
  }
  const std::string &w = FWorkDir;
  WriteFile(w + "/users", std::string(User) + ":{PLAIN}" + Password + ":" + std::to_string(mailUid) + ":" +
                              std::to_string(mailGid) + "::" + w + "/mail/test::\n");
  std::ostringstream conf;
  conf << "base_dir = " << w << "/run\n"
       << "state_dir = " << w << "/state\n"
       << "log_path = " << w << "/dovecot.log\n"
       << "instance_name = mvtest-" << FPort << "\n"
       << "protocols = pop3\n"
       << "listen = 127.0.0.1\n"
       << (FTLS ? "ssl = yes\nssl_cert = <" + FTLS->CertFile + "\nssl_key = <" + FTLS->KeyFile + "\n"
                : std::string("ssl = no\n"))
       << "disable_plaintext_auth = no\n"
       << "auth_mechanisms = plain login\n"
       << "default_login_user = " << loginUser << "\n"
       << "default_internal_user = " << internalUser << "\n"
       << "default_internal_group = " << internalGroup << "\n"
       << "first_valid_uid = " << mailUid << "\n"
       << "last_valid_uid = " << mailUid << "\n"
       << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u " << w << "/users\n}\n"
       << "userdb {\n  driver = passwd-file\n  args = username_format=%u " << w << "/users\n}\n"
       << "mail_location = maildir:" << w << "/mail/%u\n"
       << "service pop3-login {\n  chroot =\n"
       << "  inet_listener pop3 {\n    address = 127.0.0.1\n    port = " << FPort << "\n  }\n"
       << "  inet_listener pop3s {\n    address = 127.0.0.1\n    port = " << FTLSPort << "\n"
       << (FTLS ? "    ssl = yes\n" : "") << "  }\n}\n"
       << "service anvil {\n  chroot =\n}\n"
       << "service auth {\n  user = " << authUser << "\n}\n";
  WriteFile(w + "/dovecot.conf", conf.str());
  if (root) {
    fs::permissions(w, fs::perms(0711));
    for (const auto &entry : fs::recursive_directory_iterator(w + "/mail"))
      chown(entry.path().c_str(), mailUid, mailGid);
    chown((w + "/mail").c_str(), mailUid, mailGid);
  }
}

// The port accepts before a login process can answer: wait for "+OK".
void DovecotServer::WaitForGreeting() {
  const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (ReadGreeting(FPort).rfind("+OK", 0) == 0)
      return;
    int status = 0;
    if (waitpid(FPid, &status, WNOHANG) == FPid) {
      FPid = -1;
      throw std::runtime_error("dovecot ended at start: " + ReadFile(FWorkDir + "/dovecot.log"));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  throw std::runtime_error("dovecot did not greet: " + ReadFile(FWorkDir + "/dovecot.log"));
}

DovecotServer::~DovecotServer() {
  Stop(FPid);
}

int DovecotServer::StoredMessageCount() const {
  int count = 0;
  for (const char *sub : {"/cur", "/new"})
    for (const auto &entry : fs::directory_iterator(FWorkDir + "/mail/test" + sub))
      count += entry.is_regular_file();
  return count;
}

bool SmtpServer::Available() {
  if (access(kPython, X_OK) != 0)
    return false;
  const pid_t pid = Spawn({kPython, "-c", "import aiosmtpd"});
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

SmtpServer::SmtpServer(bool authRequired) {
  Start(authRequired ? std::vector<std::string>{"--auth-required"} : std::vector<std::string>{});
}

SmtpServer::SmtpServer(bool authRequired, const TestCertificates &tls, TLSMode mode) {
  std::vector<std::string> args = {"--tls-cert", tls.CertFile, "--tls-key", tls.KeyFile};
  if (mode == ImplicitTLS)
    args.push_back("--implicit-tls");
  if (authRequired)
    args.push_back("--auth-required");
  Start(args);
}

void SmtpServer::Start(std::vector<std::string> extraArgs) {
  FWorkDir = WorkDir(FScratch);
  std::vector<std::string> argv = {kPython, std::string(MV_SOURCE_DIR) + "/tests/net/smtp_server.py",
                                   FWorkDir};
  argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
  FPid = SpawnServer(argv, FPort);
}

SmtpServer::~SmtpServer() {
  Stop(FPid);
}

std::vector<SmtpServer::Received> SmtpServer::Messages() const {
  std::vector<Received> messages;
  for (int n = 1;; ++n) {
    char base[16];
    std::snprintf(base, sizeof base, "/%06d", n);
    const std::string eml = FWorkDir + base + ".eml";
    if (!fs::exists(eml))
      break;
    const nlohmann::json meta = nlohmann::json::parse(ReadFile(FWorkDir + base + ".json"));
    Received received;
    received.MailFrom = meta["mail_from"].get<std::string>();
    received.RcptTos = meta["rcpt_tos"].get<std::vector<std::string>>();
    if (!meta["auth_user"].is_null())
      received.AuthUser = meta["auth_user"].get<std::string>();
    received.Content = ReadFile(eml);
    messages.push_back(std::move(received));
  }
  return messages;
}
