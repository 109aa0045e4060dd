// halvora-comgen OUTDIR: writes HALVORA.idl, com_glue.cpp and expected_typelib.txt for the
// Windows build. Runs natively because the member tables are only known to the compiled core.
#include <cstdio>
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
  if (!write_file(dir / "HALVORA.idl", idl_text()) ||
      !write_file(dir / "com_glue.cpp", glue_text()) ||
      !write_file(dir / "expected_typelib.txt", expected_typelib_text())) {
    std::fprintf(stderr, "halvora-comgen: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
