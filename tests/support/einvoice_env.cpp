#include "support/einvoice_env.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace halvora::test {

namespace fs = std::filesystem;

namespace {

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int* out,
            const std::string& input, bool with_input) {
  int pipe_out[2], pipe_in[2] = {-1, -1};
  if (::pipe(pipe_out) != 0) throw std::runtime_error("pipe");
  if (with_input && ::pipe(pipe_in) != 0) throw std::runtime_error("pipe");
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipe_out[1], 1);
    int null = ::open("/dev/null", O_RDWR);
    ::dup2(with_input ? pipe_in[0] : null, 0);
    ::dup2(null, 2);  // the PDF tools and the servers talk on standard error
    for (int fd = 3; fd < 1024; ++fd) ::close(fd);
    for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(pipe_out[1]);
  if (with_input) {
    ::close(pipe_in[0]);
    std::size_t done = 0;
    while (done < input.size()) {
      ssize_t n = ::write(pipe_in[1], input.data() + done, input.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::close(pipe_in[1]);
  }
  *out = pipe_out[0];
  return pid;
}

}  // namespace

Child::Child(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  pid_ = spawn(argv, env, &out_, "", false);
}

Child::~Child() {
  if (!done_) stop(SIGKILL);
  if (out_ >= 0) ::close(out_);
}

std::string Child::wait_for_line(const std::string& prefix) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    std::size_t newline;
    while ((newline = buffered_.find('\n')) != std::string::npos) {
      std::string line = buffered_.substr(0, newline);
      buffered_.erase(0, newline + 1);
      if (line.starts_with(prefix)) return line;
    }
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, 200) > 0) {
      char chunk[4096];
      ssize_t n = ::read(out_, chunk, sizeof chunk);
      if (n <= 0) break;
      buffered_.append(chunk, static_cast<std::size_t>(n));
    }
  }
  throw std::runtime_error("no line starting with \"" + prefix + "\"");
}

int Child::stop(int signal) {
  if (done_) return status_;
  ::kill(pid_, signal);
  return wait();
}

int Child::wait() {
  if (done_) return status_;
  int status = 0;
  ::waitpid(pid_, &status, 0);
  done_ = true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  return status_;
}

std::string program(const std::string& name) {
  return (fs::read_symlink("/proc/self/exe").parent_path() / name).string();
}

std::pair<int, std::string> run_program(const std::vector<std::string>& argv,
                                        const std::string& input) {
  int out = -1;
  pid_t pid = spawn(argv, {}, &out, input, true);
  std::string text;
  char chunk[4096];
  ssize_t n;
  while ((n = ::read(out, chunk, sizeof chunk)) > 0)
    text.append(chunk, static_cast<std::size_t>(n));
  ::close(out);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
}

int free_port() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t size = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
  ::close(fd);
  return ntohs(a.sin_port);
}

std::string temp_folder(const std::string& prefix) {
  std::string pattern = "/tmp/" + prefix + "-XXXXXX";
  return ::mkdtemp(pattern.data());
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string pdf_text(const std::string& path) {
  return run_program({"/usr/bin/pdftotext", "-layout", path, "-"}).second;
}

EinvoiceServer::EinvoiceServer() : folder_(temp_folder("halvora-einvoice")) {
  auto [code, out] = run_program({program("halvora-einvoice"), "init", folder_, "--user", kUser},
                                 std::string(kPassword) + "\n");
  if (code != 0) throw std::runtime_error("init failed: " + out);
  start();
}

EinvoiceServer::~EinvoiceServer() {
  delete server_;
  fs::remove_all(folder_);
}

void EinvoiceServer::start(const std::vector<std::string>& env) {
  delete server_;
  server_ = new Child({program("halvora-einvoice"), "serve", folder_, "--listen", listen_}, env);
  std::string line = server_->wait_for_line("halvora-einvoice: listening on ");
  url_ = line.substr(line.find("http://"));
  // The same port on a restart: the workstations keep the address they connected to.
  listen_ = url_.substr(7);
}

int EinvoiceServer::kill(int signal) {
  return server_->stop(signal);
}

void EinvoiceServer::config(const std::string& key, const std::string& value) {
  run_program({program("halvora-einvoice"), "config", folder_, key, value});
}

std::string EinvoiceServer::tool(const std::vector<std::string>& args) {
  std::vector<std::string> argv{program("halvora-einvoice"), args.at(0), folder_};
  argv.insert(argv.end(), args.begin() + 1, args.end());
  return run_program(argv).second;
}

WalletSimulator::WalletSimulator() {
  sim_ = new Child({program("halvora-sim")});
  std::string line = sim_->wait_for_line("HALVORA_WALLET_HOST=");
  url_ = "http://" + line.substr(line.find('=') + 1) + "/PlutoNETservice/MonederoService.asmx";
  sim_->wait_for_line("HALVORA_CHANNEL_URL=");
}

WalletSimulator::~WalletSimulator() {
  delete sim_;
}

SmtpSink::SmtpSink() : port_(free_port()), maildir_(temp_folder("halvora-maildir")) {
  fs::remove(maildir_);
  server_ = new Child({"/usr/bin/python3", "-m", "aiosmtpd", "-n", "-l",
                       "127.0.0.1:" + std::to_string(port_), "-c", "aiosmtpd.handlers.Mailbox",
                       maildir_});
  // Ready once it accepts a connection.
  for (int i = 0; i < 100; ++i) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port_));
    bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    if (up) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  throw std::runtime_error("the SMTP server did not start");
}

SmtpSink::~SmtpSink() {
  delete server_;
  fs::remove_all(maildir_);
}

nlohmann::json SmtpSink::messages() const {
  static const char* script = R"(
import json, mailbox, sys
from email.header import decode_header, make_header
out = []
for key, m in sorted(mailbox.Maildir(sys.argv[1], create=False).items()):
    msg = mailbox.MaildirMessage(m)
    body, parts = '', []
    for part in msg.walk():
        if part.is_multipart(): continue
        data = part.get_payload(decode=True) or b''
        if part.get_filename():
            parts.append({'name': part.get_filename(), 'type': part.get_content_type(),
                          'size': len(data), 'head': data[:8].decode('latin-1')})
        elif part.get_content_type() == 'text/plain':
            body = data.decode(part.get_content_charset() or 'utf-8')
    out.append({'from': str(make_header(decode_header(msg['From']))),
                'to': str(make_header(decode_header(msg['To']))),
                'subject': str(make_header(decode_header(msg['Subject']))),
                'body': body, 'attachments': parts})
print(json.dumps(out))
)";
  auto [code, out] = run_program({"/usr/bin/python3", "-c", script, maildir_});
  if (code != 0) return nlohmann::json::array();
  return nlohmann::json::parse(out);
}

}  // namespace halvora::test
