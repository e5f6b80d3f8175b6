#include "maintenance/folder_ops.h"

#include "platform/files.h"
#include "platform/replace_file.h"

namespace upd::maintenance {

namespace {

std::optional<std::string> realPath(const std::string& path) {
    std::string resolved;
    if (files::resolvePath(path, resolved)) return std::nullopt;  // a folder not there leads nowhere
    return resolved;
}

bool isAbsoluteLine(const std::string& line) {
    if (!line.empty() && line.front() == files::kSeparator) return true;
    // A drive ("c:..."), as a list written on Windows may carry.
    const auto c = static_cast<unsigned char>(line.size() > 1 ? line[0] : 0);
    return line.size() > 1 && line[1] == ':' && ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}

bool hasParentStep(const std::string& line) {
    size_t start = 0;
    while (start <= line.size()) {
        size_t end = line.find(files::kSeparator, start);
        if (end == std::string::npos) end = line.size();
        if (line.compare(start, end - start, "..") == 0) return true;
        start = end + 1;
    }
    return false;
}

} // namespace

bool moveWithoutReplace(const std::string& from, const std::string& to) {
    return !files::renameWithoutReplacing(from, to);
}

bool deleteFileOrLink(const std::string& path) { return !files::removeFileOrLink(path); }

bool removeFolder(const std::string& path) { return !files::removeEmptyFolder(path); }

std::optional<std::string> removalTarget(const std::string& folder, const std::string& line) {
    std::string relative = line;
    for (char& c : relative)
        if (c == '\\') c = files::kSeparator;
    if (relative.empty() || isAbsoluteLine(relative) || hasParentStep(relative)) return std::nullopt;

    const size_t slash = relative.rfind(files::kSeparator);
    const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
    if (name.empty() || name == ".") return std::nullopt;

    const auto root = realPath(folder);
    const auto parent = realPath(slash == std::string::npos ? folder : folder + relative.substr(0, slash));
    if (!root || !parent) return std::nullopt;
    const std::string rootWithSep = files::withTrailingSeparator(*root);
    if (*parent != *root && parent->compare(0, rootWithSep.size(), rootWithSep) != 0) return std::nullopt;
    return files::withTrailingSeparator(*parent) + name;
}

} // namespace upd::maintenance
