#include "maintenance/folder_ops.h"

#include "platform/files.h"
#include "platform/replace_file.h"

#include <string_view>

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

// Windows drops the trailing dots and spaces of a name, so ".. " and "..." step up as ".."
// does; elsewhere those are names like any other.
bool isParentStep(std::string_view segment) {
#ifdef _WIN32
    return segment.size() >= 2 && segment.find_first_not_of(". ") == std::string_view::npos;
#else
    return segment == "..";
#endif
}

bool hasParentStep(const std::string& line) {
    size_t start = 0;
    while (start <= line.size()) {
        size_t end = line.find(files::kSeparator, start);
        if (end == std::string::npos) end = line.size();
        if (isParentStep(std::string_view(line).substr(start, end - start))) return true;
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
    // Both separate folders: a list may have either, and Windows takes either.
    std::string relative = line;
    for (char& c : relative)
        if (c == '\\' || c == '/') c = files::kSeparator;
    if (relative.empty() || isAbsoluteLine(relative) || hasParentStep(relative)) return std::nullopt;

    const size_t slash = relative.rfind(files::kSeparator);
    const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
    if (name.empty() || name == "." || isParentStep(name)) return std::nullopt;

    const auto root = realPath(folder);
    const auto parent = realPath(slash == std::string::npos ? folder : folder + relative.substr(0, slash));
    if (!root || !parent) return std::nullopt;
    const std::string rootWithSep = files::withTrailingSeparator(*root);
    if (*parent != *root && parent->compare(0, rootWithSep.size(), rootWithSep) != 0) return std::nullopt;
    return files::withTrailingSeparator(*parent) + name;
}

} // namespace upd::maintenance
