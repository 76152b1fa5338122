#pragma once
// A tiny TCP server on 127.0.0.1 for connection and protocol tests. It listens
// on a free port, accepts one client and plays a script: send bytes, read a
// client line, close, reset. Every line the client sent is kept in the
// transcript; after the script (unless it closed) the peer keeps reading until
// the client closes, so a farewell such as QUIT shows up too.
#include <string>
#include <thread>
#include <vector>

class ScriptedPeer {
public:
  ScriptedPeer();
  ~ScriptedPeer();
  ScriptedPeer(const ScriptedPeer &) = delete;
  ScriptedPeer &operator=(const ScriptedPeer &) = delete;

  int Port() const { return FPort; }

  ScriptedPeer &Send(const std::string &bytes);
  // Sends the text with CR LF appended.
  ScriptedPeer &Line(const std::string &text) { return Send(text + "\r\n"); }
  // Reads one line from the client into the transcript.
  ScriptedPeer &Read();
  // Reads client lines up to and including a line ".", as after DATA.
  ScriptedPeer &ReadData();
  // Waits until the client has sent something, line or not (a TLS hello);
  // the bytes stay unread for the steps after it.
  ScriptedPeer &Await();
  // Reads one line, then sends the reply (with CR LF).
  ScriptedPeer &Reply(const std::string &text) { return Read().Line(text); }
  // Orderly close (FIN) of the peer's side.
  ScriptedPeer &Close();
  // Abortive close (RST).
  ScriptedPeer &Reset();

  // Starts playing the script in a thread of its own.
  void Start();
  // Waits for the script to end; returns the lines the client sent.
  std::vector<std::string> Transcript();

private:
  struct Step {
    enum Kind { SendBytes, ReadLine, ReadDataLines, AwaitBytes, CloseFin, CloseRst } kind;
    std::string bytes;
  };
  void Run();
  bool ReadClientLine(int fd, std::string &pending, std::string &line);
  static bool ReceiveMore(int fd, std::string &pending);

  int FListener = -1;
  int FPort = 0;
  std::vector<Step> FSteps;
  std::vector<std::string> FTranscript;
  std::thread FThread;
};

// A port on 127.0.0.1 on which nothing listens (bound then released).
int UnusedPort();
