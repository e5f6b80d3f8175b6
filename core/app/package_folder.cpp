#include "app/package_folder.h"

#include "platform/files.h"
#include "platform/text.h"

namespace upd {

std::string packageFolderOf(const std::string& installFolder) {
    if (installFolder.empty() || installFolder.back() != files::kSeparator) return installFolder;
    const size_t lastStart = installFolder.find_last_of(files::kSeparator, installFolder.size() - 2);
    const size_t nameStart = lastStart == std::string::npos ? 0 : lastStart + 1;
    const std::string_view last(installFolder.data() + nameStart, installFolder.size() - 1 - nameStart);
    if (!text::equalsIgnoreCase(last, kShellFolderName)) return installFolder;
    return installFolder.substr(0, nameStart);
}

} // namespace upd
