// File copies of the transfer steps that never leave a torn file: the bytes go to a temporary
// file beside the target, which then takes the target's name in one step.
#pragma once

#include <string>

namespace upd {

// Copies `from` to `to`, replacing a file there. False when anything failed; `to` is then as
// it was.
bool copyFileReplacing(const std::string& from, const std::string& to);
// Copies `from` to `to` unless a file or folder is there already. False when it did not copy.
bool copyFileNoReplace(const std::string& from, const std::string& to);

} // namespace upd
