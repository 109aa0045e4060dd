// The e-invoicing tests' world, on loopback: the real halvora-einvoice serving a fresh folder, the
// wallet simulator, and an SMTP server whose mailbox the tests read. Each runs as the program it
// is, from beside the tests (the SMTP server is Python's aiosmtpd).
#pragma once

#include <sys/types.h>

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace halvora::test {

// A program run in the background with its standard output on a pipe.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // The first line of standard output that starts with `prefix`; throws after 20 s without one.
  std::string wait_for_line(const std::string& prefix);
  // SIGKILL or SIGTERM, then waits; answers the exit status (-signal when killed).
  int stop(int signal);
  // Waits for the program to end by itself.
  int wait();
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffered_;
  bool done_ = false;
  int status_ = 0;
};

// A program of the build, beside the test program.
std::string program(const std::string& name);

// Runs a program to its end: exit code and standard output.
std::pair<int, std::string> run_program(const std::vector<std::string>& argv,
                                        const std::string& input = "");

inline constexpr char kUser[] = "cajero";
inline constexpr char kPassword[] = "secreto";

class EinvoiceServer {
 public:
  // A folder made by `init` with the user above, served on a free loopback port.
  EinvoiceServer();
  ~EinvoiceServer();

  const std::string& url() const { return url_; }
  const std::string& folder() const { return folder_; }
  std::string file(const std::string& relative) const { return folder_ + "/" + relative; }
  // `halvora-einvoice config DIR KEY VALUE`, for the next start (settings are read per request).
  void config(const std::string& key, const std::string& value);
  // Starts the server again on the same folder and port, with extra environment entries.
  void start(const std::vector<std::string>& env = {});
  int kill(int signal);
  Child& child() { return *server_; }
  // `halvora-einvoice ARGS...` on this folder: its output.
  std::string tool(const std::vector<std::string>& args);

 private:
  std::string folder_, url_, listen_ = "127.0.0.1:0";
  Child* server_ = nullptr;
};

// The wallet simulator; cards 5001 (1000.00), 5002 (250.50), 5003 (0).
class WalletSimulator {
 public:
  WalletSimulator();
  ~WalletSimulator();
  const std::string& url() const { return url_; }

 private:
  Child* sim_ = nullptr;
  std::string url_;
};

// An SMTP server that keeps what it accepts in a maildir.
class SmtpSink {
 public:
  SmtpSink();
  ~SmtpSink();
  std::string url() const { return "smtp://127.0.0.1:" + std::to_string(port_); }
  // Every message received, parsed by Python's email package: from, to, subject (decoded),
  // body (decoded text), attachments [{name, type, size, head}] where head is the first bytes.
  nlohmann::json messages() const;

 private:
  int port_ = 0;
  std::string maildir_;
  Child* server_ = nullptr;
};

// A free loopback port, found by binding to port 0.
int free_port();
// A fresh temporary folder.
std::string temp_folder(const std::string& prefix);
std::string read_file(const std::string& path);
// The text of a PDF, by pdftotext.
std::string pdf_text(const std::string& path);

}  // namespace halvora::test
