// Where the package lies: the shell program's installation folder names it.
#pragma once

#include <string>

namespace upd {

// The shell program's own folder name, the last folder of its installation folder.
inline constexpr const char* kShellFolderName = "Веспер";

// The installation folder (ending with the separator) without its last folder when that is
// the shell's, letter case ignored: the package folder. Any other folder is the package
// folder itself. Only the last folder counts: a "Веспер" further up, or inside another
// name, stays.
std::string packageFolderOf(const std::string& installFolder);

} // namespace upd
