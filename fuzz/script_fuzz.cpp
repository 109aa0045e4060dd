// The script host's lexer, parser and interpreter with any script, kept inside the process: the
// interpreter runs contained (no library classes, no application object, Sleep returns at once),
// CreateObject makes only collections, and a step limit ends scripts that loop.
//
// Allocation: under AddressSanitizer operator new reports an out-of-memory and stops rather than
// throw std::bad_alloc, and libFuzzer stops on any allocation past its limit; a script that asks
// for a gigabyte string would end the run instead of getting the out-of-memory error a host
// gets. So while a script runs, this target's operator new throws std::bad_alloc past a modest
// size or total, as a machine with less memory would. Allocation still goes through malloc, which
// AddressSanitizer watches.
#include <sanitizer/allocator_interface.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

#include "automation/collection.h"
#include "automation/error.h"
#include "automation/text.h"
#include "host/interpreter.h"
#include "library/wiring.h"

namespace {

constexpr uint64_t kMaxSteps = 5000;
// Room for the tokens of a script far longer than libFuzzer writes, and for strings no script
// that tests anything needs; past it, the out-of-memory paths run instead.
constexpr std::size_t kMaxAllocation = 4u << 20;
constexpr std::size_t kMaxGrowth = 64u << 20;

// Set while a script runs: the limits apply to the interpreter, not to libFuzzer's own
// bookkeeping.
bool limited = false;
std::size_t allocated_at_start = 0;

void* allocate(std::size_t size) {
  if (limited && (size > kMaxAllocation ||
                  __sanitizer_get_current_allocated_bytes() > allocated_at_start + kMaxGrowth))
    throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

halvora::ObjectRef create_contained(std::u16string_view progid) {
  if (halvora::iequals(progid, u"Collection")) return halvora::Collection::create();
  throw halvora::Error::standard(halvora::err::kCannotCreate);
}

}  // namespace

void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  halvora::wire_library();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::u16string source =
      halvora::host::decode_script(std::string_view(reinterpret_cast<const char*>(data), size));
  (void)halvora::host::needs_more_lines(source);

  halvora::host::Interpreter::Options options;
  options.script_name = u"fuzz.vbs";
  options.arguments = {u"uno", u"2"};
  options.out = [](std::string_view) {};
  options.err = [](std::string_view) {};
  options.max_steps = kMaxSteps;
  options.contained = true;
  options.create_object = &create_contained;
  halvora::host::Interpreter interpreter(std::move(options));
  allocated_at_start = __sanitizer_get_current_allocated_bytes();
  limited = true;
  interpreter.run(source, "fuzz.vbs");
  limited = false;
  return 0;
}
