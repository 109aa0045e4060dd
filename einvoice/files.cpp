#include "einvoice/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

namespace halvora::einvoice {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTemporary = ".partial-";

void sync_folder(const fs::path& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

void write_atomically(const std::string& path, std::string_view bytes, bool flush_folder) {
  static std::atomic<unsigned> counter{0};
  fs::path target(path);
  fs::path temp =
      target.parent_path() / (std::string(kTemporary) + std::to_string(::getpid()) + "-" +
                              std::to_string(counter++) + "-" + target.filename().string());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0640);
  if (fd < 0) throw std::runtime_error("cannot write " + temp.string());
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      ::close(fd);
      ::unlink(temp.c_str());
      throw std::runtime_error("cannot write " + temp.string());
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    ::unlink(temp.c_str());
    throw std::runtime_error("cannot flush " + temp.string());
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    throw std::runtime_error("cannot rename into " + path);
  }
  if (flush_folder) sync_folder(target.parent_path());
}

std::string read_whole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

int sweep(const std::string& root, const std::string& folder,
          const std::vector<std::string>& kept) {
  std::set<fs::path> keep;
  for (const std::string& k : kept) keep.insert(fs::path(root) / k);
  int removed = 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::path(root) / folder, ec)) {
    if (!entry.is_regular_file()) continue;
    if (keep.count(entry.path())) continue;
    fs::remove(entry.path(), ec);
    ++removed;
  }
  return removed;
}

std::string file_safe(std::string_view text) {
  std::string out;
  for (char c : text)
    out += (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                   c == '_'
               ? c
               : '_';
  return out.substr(0, 64);
}

}  // namespace halvora::einvoice
