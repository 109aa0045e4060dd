// OpenSSL for the key derivation and randomness; paths are the driver's own; termios for the
// password prompt.
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "automation/error.h"
#include "automation/text.h"
#include "sdk/os.h"

namespace halvora::sdk::os {

std::vector<uint8_t> random_bytes(std::size_t count) {
  std::vector<uint8_t> out(count);
  if (RAND_bytes(out.data(), static_cast<int>(count)) != 1)
    throw Error(err::kInvalidCall, u"The system random source failed");
  return out;
}

std::vector<uint8_t> pbkdf2_sha256(const std::string& password, const std::vector<uint8_t>& salt,
                                   uint32_t iterations, std::size_t length) {
  std::vector<uint8_t> out(length);
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                        static_cast<int>(salt.size()), static_cast<int>(iterations), EVP_sha256(),
                        static_cast<int>(length), out.data()) != 1)
    throw Error(err::kInvalidCall, u"The key derivation failed");
  return out;
}

std::optional<std::u16string> database_file(const std::u16string& location, bool for_create) {
  if (location.empty()) return std::nullopt;
  std::error_code ec;
  std::filesystem::path path(utf16_to_utf8(location));
  if (std::filesystem::is_directory(path, ec)) path /= "hotel.db";
  // A folder where the file should be is handed on too: opening it fails with the driver's
  // "unable to open database file", which tells the staff more than "no database" would.
  if (std::filesystem::is_regular_file(path, ec) || std::filesystem::is_directory(path, ec))
    return utf8_to_utf16(path.string());
  if (!for_create) return std::nullopt;
  std::filesystem::path parent = path.has_parent_path() ? path.parent_path() : ".";
  if (!std::filesystem::is_directory(parent, ec)) return std::nullopt;
  return utf8_to_utf16(path.string());
}

namespace {

// The terminal's settings while echo is off, put back however the program ends.
termios saved_terminal;
volatile std::sig_atomic_t echo_is_off = 0;

void restore_terminal() {
  if (echo_is_off) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_terminal);
  echo_is_off = 0;
}

// Ctrl-C at the prompt must not leave the terminal without echo.
void on_signal(int number) {
  restore_terminal();
  std::signal(number, SIG_DFL);
  std::raise(number);
}

}  // namespace

std::optional<std::string> read_secret_line(const std::string& prompt) {
  bool terminal = isatty(STDIN_FILENO) != 0;
  if (terminal && tcgetattr(STDIN_FILENO, &saved_terminal) == 0) {
    termios quiet = saved_terminal;
    // Echo off, line editing kept.
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    std::signal(SIGHUP, on_signal);
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0) echo_is_off = 1;
  }
  if (terminal) {
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
  }
  std::string line;
  int c = 0;
  while ((c = std::getchar()) != EOF && c != '\n') line += static_cast<char>(c);
  bool read = c == '\n' || !line.empty();
  if (terminal) {
    restore_terminal();
    std::fputs("\n", stderr);  // the Enter that was not echoed
  }
  if (!read) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace halvora::sdk::os
