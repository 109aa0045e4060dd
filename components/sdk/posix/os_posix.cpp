// OpenSSL for the key derivation and randomness; paths are the driver's own.
#include <openssl/evp.h>
#include <openssl/rand.h>

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
  if (std::filesystem::is_regular_file(path, ec)) return utf8_to_utf16(path.string());
  if (!for_create) return std::nullopt;
  std::filesystem::path parent = path.has_parent_path() ? path.parent_path() : ".";
  if (!std::filesystem::is_directory(parent, ec)) return std::nullopt;
  return utf8_to_utf16(path.string());
}

}  // namespace halvora::sdk::os
