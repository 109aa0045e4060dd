// What the substitute needs from the operating system: key derivation, randomness, the path that
// the database driver understands, and a password read from a terminal without echo. Everything
// else it does is the same on both builds.
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
// the driver expects it; nothing when there is no such file. A folder named hotel.db inside the
// location is answered too, for opening it to fail with the driver's reason. `for_create` accepts
// a file that does not exist yet, as long as its folder does.
std::optional<std::u16string> database_file(const std::u16string& location, bool for_create);

// One line of standard input, without its line end (LF or CR LF), as UTF-8; nothing at the end
// of input. At a terminal the prompt goes to standard error first and what is typed is not
// echoed, as a password must not be; elsewhere (a pipe, a file) the line is read silently.
std::optional<std::string> read_secret_line(const std::string& prompt);

}  // namespace halvora::sdk::os
