// Writing a whole file so that readers see the old content or the new, never a torn one.
#pragma once

#include <string>
#include <string_view>

namespace upd {

// Writes `bytes` to a new file beside `path` and renames it over `path`. Any failure throws
// std::system_error and leaves an existing `path` as it was.
void replaceFileContent(const std::string& path, std::string_view bytes);

} // namespace upd
