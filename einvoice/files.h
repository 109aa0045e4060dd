// Files of the server folder. A document is written whole or not at all: into a temporary file
// beside its place, flushed to disk, then renamed over it, and the folder flushed too.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace halvora::einvoice {

// Throws std::runtime_error naming the file. `sync_folder` false leaves the folder's flush to the
// caller's next write there, for files that are kept together.
void write_atomically(const std::string& path, std::string_view bytes, bool sync_folder = true);
std::string read_whole(const std::string& path);

// After a crash: removes the temporary files left in `folder` and every file there that
// `kept` (paths relative to `root`) does not name. Answers how many it removed.
int sweep(const std::string& root, const std::string& folder, const std::vector<std::string>& kept);

// A name for a file that holds text chosen by people: letters, digits, "-" and "_" only.
std::string file_safe(std::string_view text);

}  // namespace halvora::einvoice
