#include "platform/files.h"

namespace upd::files {

std::string withTrailingSeparator(std::string folder) {
    // '/' ends a folder on Windows too (the system takes both).
    if (!folder.empty() && folder.back() != kSeparator && folder.back() != '/') folder.push_back(kSeparator);
    return folder;
}

} // namespace upd::files
