// The script host's interpreter: parses a whole script, then runs it against the library's
// classes by name, as an automation host does.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/object.h"
#include "automation/variant.h"

namespace halvora::host {

struct Runtime;

class Interpreter {
 public:
  struct Options {
    std::u16string script_name;  // WScript.ScriptName
    std::vector<std::u16string> arguments;
    // Where WScript.Echo lines (UTF-8, each ending in "\n") and error reports go.
    std::function<void(std::string_view)> out;
    std::function<void(std::string_view)> err;

    // How many steps (statements run and turns of a loop) one run may take; 0 for no limit. A run
    // past it stops with "FILE(line, column) halvora: The script ran past its limit of N steps"
    // and exit code 1, whatever On Error says: for scripts nobody has read, such as the fuzzer's.
    uint64_t max_steps = 0;
    // Keeps a script inside the process, away from the network, the disk and the clock:
    // CreateObject makes only what create_object makes (nothing, 429, without it), the
    // application object's members are no names, and WScript.Sleep returns at once.
    bool contained = false;
    // What CreateObject makes of a programmatic identifier; empty: the library's published
    // classes (or, contained, none).
    std::function<ObjectRef(std::u16string_view progid)> create_object;
  };

  explicit Interpreter(Options options);
  ~Interpreter();
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  // Parses, then runs. The exit code: WScript.Quit's, 0 at the end, 1 after a compilation error
  // or an uncaught runtime error (reported as "FILE(line, column) Source: Description").
  int run(std::u16string_view source, const std::string& file_name);

  // One interactive entry in the persistent global scope. Errors are reported and the session
  // goes on; a value means the script asked to quit with that code.
  std::optional<int> run_line(std::u16string_view line);

  // A global variable the embedding program hands to the script (an object it created, say).
  void set_global(std::u16string_view name, Variant value);

 private:
  std::unique_ptr<Runtime> rt_;
};

// True when the text is an unfinished block (an If, loop or procedure still open at its end):
// the interactive prompt reads more lines before running it.
bool needs_more_lines(std::u16string_view source);

// Script file bytes to text: UTF-16 with a byte-order mark, else UTF-8 (a mark is optional).
std::u16string decode_script(std::string_view bytes);

}  // namespace halvora::host
