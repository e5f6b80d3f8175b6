// The removal list "res/files.txt": one path per line, relative to the folder it is
// applied to, in UTF-8 or UTF-16 with a byte-order mark, else in code page 1251.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace upd::maintenance {

// The lines of a list file's bytes. Lines end at CR LF, LF or CR; a break at the very end
// adds no line; empty lines and blanks are kept; a NUL character ends the text.
std::vector<std::string> removalListLines(std::string_view bytes);

// Reads the whole list file. A file that cannot be read throws std::runtime_error
// ("Cannot open file "<path>". <reason>").
std::vector<std::string> readRemovalList(const std::string& path);

} // namespace upd::maintenance
