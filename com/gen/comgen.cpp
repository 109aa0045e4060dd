// halvora-comgen OUTDIR: writes HALVORA.idl, com_glue.cpp and expected_typelib.txt for the
// Windows build. Runs natively because the member tables are only known to the compiled core.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "idl_writer.h"

namespace {

// Rewrites a file only when its text changed, so that the Windows build does not recompile
// the glue and relink the DLL after every native build.
bool write_file(const std::filesystem::path& path, const std::string& text) {
  {
    std::ifstream in(path, std::ios::binary);
    if (in) {
      std::string old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (old == text) return true;
    }
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: halvora-comgen OUTDIR\n");
    return 2;
  }
  std::filesystem::path dir = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  using namespace halvora::comgen;
  std::string idl, glue, listing;
  try {
    idl = idl_text();
    glue = glue_text();
    listing = expected_typelib_text();
  } catch (const std::exception& e) {
    // A member table that names a type the type library cannot declare.
    std::fprintf(stderr, "halvora-comgen: %s\n", e.what());
    return 1;
  }
  if (!write_file(dir / "HALVORA.idl", idl) || !write_file(dir / "com_glue.cpp", glue) ||
      !write_file(dir / "expected_typelib.txt", listing)) {
    std::fprintf(stderr, "halvora-comgen: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
