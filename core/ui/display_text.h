// Names from outside (archive entries, files) as the log shows them: control characters
// written out, so that one name cannot start a line of its own or steer a terminal.
#pragma once

#include <string>
#include <string_view>

namespace upd {

// "\n", "\r", "\t" and "\xNN" for every other byte below 0x20 and DEL; the rest as it is.
// Backslashes stay single: they separate folders in Windows names.
std::string shownName(std::string_view name);

} // namespace upd
