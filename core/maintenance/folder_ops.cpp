#include "maintenance/folder_ops.h"

#include "platform/files.h"
#include "platform/fs_path.h"
#include "platform/replace_file.h"
#include "platform/text.h"

#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace upd::maintenance {

namespace fs = std::filesystem;

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

enum class CaseMatch { Found, Ambiguous };

// `relative` with each segment spelt as the folder holds it: the exact name when it is there,
// else the one entry equal to it without regard to case (a segment nothing matches stays as
// written, and names nothing).
CaseMatch matchLetterCase(const std::string& folder, std::string& relative) {
    std::string matched;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find(files::kSeparator, start);
        if (end == std::string::npos) end = relative.size();
        std::string segment = relative.substr(start, end - start);
        const std::string parent = folder + matched;
        std::error_code ec;
        if (!segment.empty() && !fs::exists(fs::symlink_status(files::pathOf(parent + segment), ec))) {
            const std::string wanted = text::foldCase(segment);
            std::vector<std::string> found;
            for (fs::directory_iterator it(files::pathOf(parent), ec), stop; !ec && it != stop; it.increment(ec)) {
                const std::string name = files::textOf(it->path().filename());
                if (text::foldCase(name) == wanted) found.push_back(name);
            }
            if (found.size() > 1) return CaseMatch::Ambiguous;
            if (found.size() == 1) segment = found.front();
        }
        matched += segment;
        if (end < relative.size()) matched += files::kSeparator;
        start = end + 1;
    }
    relative = matched;
    return CaseMatch::Found;
}

} // namespace

bool moveWithoutReplace(const std::string& from, const std::string& to) {
    return !files::renameWithoutReplacing(from, to);
}

bool deleteFileOrLink(const std::string& path) { return !files::removeFileOrLink(path); }

bool removeFolder(const std::string& path) { return !files::removeEmptyFolder(path); }

std::optional<std::string> removalTarget(const std::string& folder, const std::string& line, bool* ambiguous) {
    if (ambiguous) *ambiguous = false;
    // Both separate folders: a list may have either, and Windows takes either.
    std::string relative = line;
    for (char& c : relative)
        if (c == '\\' || c == '/') c = files::kSeparator;
    if (relative.empty() || isAbsoluteLine(relative) || hasParentStep(relative)) return std::nullopt;

    size_t slash = relative.rfind(files::kSeparator);
    std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
    if (name.empty() || name == "." || isParentStep(name)) return std::nullopt;
    if (matchLetterCase(folder, relative) == CaseMatch::Ambiguous) {
        if (ambiguous) *ambiguous = true;
        return std::nullopt;
    }
    slash = relative.rfind(files::kSeparator);
    name = slash == std::string::npos ? relative : relative.substr(slash + 1);

    const auto root = realPath(folder);
    const auto parent = realPath(slash == std::string::npos ? folder : folder + relative.substr(0, slash));
    if (!root || !parent) return std::nullopt;
    const std::string rootWithSep = files::withTrailingSeparator(*root);
    if (*parent != *root && parent->compare(0, rootWithSep.size(), rootWithSep) != 0) return std::nullopt;
    return files::withTrailingSeparator(*parent) + name;
}

} // namespace upd::maintenance
