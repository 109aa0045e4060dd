// What the substitute needs from the operating system: key derivation, randomness and the path
// that the database driver understands. Everything else it does is the same on both builds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace halvora::sdk::os {

// Cryptographically random bytes; throws Error when the system source fails.
std::vector<uint8_t> random_bytes(std::size_t count);

// PBKDF2-HMAC-SHA256 of the UTF-8 password. Both builds derive the same key, so a database made
// on one opens on the other.
std::vector<uint8_t> pbkdf2_sha256(const std::string& password, const std::vector<uint8_t>& salt,
                                   uint32_t iterations, std::size_t length);

// The database file at a location (the file itself, or hotel.db inside a folder), written the way
// the driver expects it; nothing when there is no such file. `for_create` accepts a file that does
// not exist yet, as long as its folder does.
std::optional<std::u16string> database_file(const std::u16string& location, bool for_create);

}  // namespace halvora::sdk::os
