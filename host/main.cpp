// halvora: runs a script file, or reads statements interactively.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>

#include "automation/text.h"
#include "interpreter.h"
#include "library/wiring.h"
#include "script_error.h"

namespace {

void write_to(std::FILE* f, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), f);
  std::fflush(f);
}

halvora::host::Interpreter::Options options(std::u16string name, std::vector<std::u16string> args) {
  halvora::host::Interpreter::Options o;
  o.script_name = std::move(name);
  o.arguments = std::move(args);
  o.out = [](std::string_view t) { write_to(stdout, t); };
  o.err = [](std::string_view t) { write_to(stderr, t); };
  return o;
}

int usage() {
  std::fprintf(stderr, "usage: halvora run FILE.vbs [ARG...]\n       halvora [-i]\n");
  return 2;
}

int interactive() {
  halvora::host::Interpreter interpreter(options(u"", {}));
  std::u16string pending;
  std::string line;
  for (;;) {
    std::fputs(pending.empty() ? "> " : ". ", stdout);
    std::fflush(stdout);
    if (!std::getline(std::cin, line)) return 0;
    if (pending.empty() && line == "exit") return 0;
    pending += halvora::utf8_to_utf16(line) + u"\n";
    if (halvora::host::needs_more_lines(pending)) continue;
    std::optional<int> code = interpreter.run_line(pending);
    pending.clear();
    if (code) return *code;
  }
}

// A bound below the platform's on the texts a script builds, for machines that must not give a
// runaway script gigabytes; ignored unless it is a positive number.
void read_text_limit() {
  const char* value = std::getenv("HALVORA_SCRIPT_MAX_TEXT");
  if (!value || !*value) return;
  char* end = nullptr;
  unsigned long long chars = std::strtoull(value, &end, 10);
  if (*end == '\0' && chars > 0 && value[0] != '-') halvora::host::set_max_text_length(chars);
}

}  // namespace

int main(int argc, char** argv) {
  halvora::wire_library();
  read_text_limit();
  if (argc < 2 || std::string(argv[1]) == "-i") return argc <= 2 ? interactive() : usage();
  if (std::string(argv[1]) != "run" || argc < 3) return usage();
  std::string path = argv[2];
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "halvora: cannot read %s\n", path.c_str());
    return 1;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::u16string> args;
  for (int i = 3; i < argc; ++i) args.push_back(halvora::utf8_to_utf16(argv[i]));
  std::string name = path.substr(path.find_last_of('/') + 1);
  halvora::host::Interpreter interpreter(options(halvora::utf8_to_utf16(name), std::move(args)));
  return interpreter.run(halvora::host::decode_script(bytes), path);
}
