// halvora-comgen OUTDIR [LIBRARY]: writes LIBRARY.idl, com_glue.cpp and expected_typelib.txt for
// one of the Windows build's servers: HALVORA (the default), the library's own; LobixSdkCore, the
// database SDK substitute's; or HalvoraFacturacion, the e-invoicing component's. Runs natively
// because the member tables are only known to the compiled core.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "automation/text.h"
#include "einvoice/type_library.h"
#include "idl_writer.h"
#include "library/registry.h"
#include "sdk/type_library.h"

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

// The descriptions a server is generated from, by type library name.
const halvora::LibraryDescription* description_named(const std::string& name) {
  for (const halvora::LibraryDescription* d :
       {&halvora::published_library(), &halvora::sdk::published_library(),
        &halvora::einvoice::published_library()})
    if (halvora::utf16_to_utf8(d->library.name) == name) return d;
  return nullptr;
}

int main(int argc, char** argv) {
  const halvora::LibraryDescription* lib =
      argc == 2 || argc == 3 ? description_named(argc == 3 ? argv[2] : "HALVORA") : nullptr;
  if (!lib) {
    std::fprintf(stderr,
                 "usage: halvora-comgen OUTDIR [HALVORA|LobixSdkCore|HalvoraFacturacion]\n");
    return 2;
  }
  std::filesystem::path dir = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  using namespace halvora::comgen;
  std::string idl, glue, listing;
  try {
    idl = idl_text(*lib);
    glue = glue_text(*lib);
    listing = expected_typelib_text(*lib);
  } catch (const std::exception& e) {
    // A member table that names a type the type library cannot declare.
    std::fprintf(stderr, "halvora-comgen: %s\n", e.what());
    return 1;
  }
  std::string idl_name = halvora::utf16_to_utf8(lib->library.name) + ".idl";
  if (!write_file(dir / idl_name, idl) || !write_file(dir / "com_glue.cpp", glue) ||
      !write_file(dir / "expected_typelib.txt", listing)) {
    std::fprintf(stderr, "halvora-comgen: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
