// CNG for the key derivation and randomness. Under Wine the SQLite driver behind odbc32 is the
// host's Unix library, which understands only Unix paths: a Windows path is translated with
// Wine's own export, looked up at run time so that the DLL still loads on Windows proper.
#include <windows.h>
// bcrypt.h needs the types of windows.h.
#include <bcrypt.h>

#include <cstdio>
#include <cstdlib>

#include "automation/error.h"
#include "automation/text.h"
#include "sdk/os.h"

namespace halvora::sdk::os {

namespace {

bool succeeded(NTSTATUS status) {
  return status >= 0;
}

using UnixNameFn = char* (*)(const wchar_t*);
using DosNameFn = wchar_t* (*)(const char*);

template <class Fn>
Fn wine_export(const char* name) {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

std::wstring wide(const std::u16string& s) {
  return std::wstring(s.begin(), s.end());
}

DWORD attributes(const std::wstring& path) {
  return GetFileAttributesW(path.c_str());
}

}  // namespace

std::vector<uint8_t> random_bytes(std::size_t count) {
  std::vector<uint8_t> out(count);
  if (!succeeded(BCryptGenRandom(nullptr, out.data(), static_cast<ULONG>(count),
                                 BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
    throw Error(err::kInvalidCall, u"The system random source failed");
  return out;
}

std::vector<uint8_t> pbkdf2_sha256(const std::string& password, const std::vector<uint8_t>& salt,
                                   uint32_t iterations, std::size_t length) {
  BCRYPT_ALG_HANDLE alg = nullptr;
  if (!succeeded(BCryptOpenAlgorithmProvider(&alg, BCRYPT_SHA256_ALGORITHM, nullptr,
                                             BCRYPT_ALG_HANDLE_HMAC_FLAG)))
    throw Error(err::kInvalidCall, u"The key derivation is not available");
  std::vector<uint8_t> out(length);
  std::string pw = password;
  std::vector<uint8_t> s = salt;
  NTSTATUS status = BCryptDeriveKeyPBKDF2(
      alg, reinterpret_cast<PUCHAR>(pw.data()), static_cast<ULONG>(pw.size()), s.data(),
      static_cast<ULONG>(s.size()), iterations, out.data(), static_cast<ULONG>(length), 0);
  BCryptCloseAlgorithmProvider(alg, 0);
  if (!succeeded(status)) throw Error(err::kInvalidCall, u"The key derivation failed");
  return out;
}

std::optional<std::u16string> database_file(const std::u16string& location, bool for_create) {
  if (location.empty()) return std::nullopt;
  auto to_unix = wine_export<UnixNameFn>("wine_get_unix_file_name");
  auto to_dos = wine_export<DosNameFn>("wine_get_dos_file_name");
  // The Windows view of the location, to look at it with the file API.
  std::wstring path = wide(location);
  if (to_dos && location.front() == u'/') {
    if (wchar_t* dos = to_dos(utf16_to_utf8(location).c_str())) {
      path = dos;
      HeapFree(GetProcessHeap(), 0, dos);
    }
  }
  DWORD attr = attributes(path);
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) {
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    path += L"hotel.db";
    attr = attributes(path);
  }
  // A folder named hotel.db goes on to the driver, whose failure to open it says more than "no
  // database" would.
  if (attr == INVALID_FILE_ATTRIBUTES) {
    if (!for_create) return std::nullopt;
    std::wstring::size_type cut = path.find_last_of(L"\\/");
    std::wstring parent = cut == std::wstring::npos ? L"." : path.substr(0, cut);
    DWORD pattr = attributes(parent.empty() ? L"\\" : parent);
    if (pattr == INVALID_FILE_ATTRIBUTES || !(pattr & FILE_ATTRIBUTE_DIRECTORY))
      return std::nullopt;
  }
  if (to_unix) {
    if (char* unix_name = to_unix(path.c_str())) {
      std::u16string out = utf8_to_utf16(unix_name);
      HeapFree(GetProcessHeap(), 0, unix_name);
      return out;
    }
  }
  return std::u16string(path.begin(), path.end());
}

std::optional<std::string> read_secret_line(const std::string& prompt) {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (in != INVALID_HANDLE_VALUE && GetConsoleMode(in, &mode)) {
    // A console: read as UTF-16, whatever its code page, with echo off.
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    SetConsoleMode(in, (mode | ENABLE_LINE_INPUT) & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    std::u16string line;
    wchar_t c = 0;
    DWORD got = 0;
    bool any = false;
    while (ReadConsoleW(in, &c, 1, &got, nullptr) && got == 1) {
      any = true;
      if (c == L'\n') break;
      if (c != L'\r') line += static_cast<char16_t>(c);
    }
    SetConsoleMode(in, mode);
    std::fputs("\n", stderr);
    if (!any) return std::nullopt;
    return utf16_to_utf8(line);
  }
  std::string line;
  int c = 0;
  while ((c = std::getchar()) != EOF && c != '\n') line += static_cast<char>(c);
  if (c == EOF && line.empty()) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace halvora::sdk::os
