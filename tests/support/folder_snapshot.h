// Everything a person could see of a folder tree: names, kinds, contents, modes and times.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>

#include <sys/stat.h>

namespace upd::testing {

struct NodeState {
    bool folder = false;
    std::string content;
    unsigned mode = 0;
    long long mtime = 0;
    bool operator==(const NodeState&) const = default;
};
using FolderSnapshot = std::map<std::string, NodeState>;

inline FolderSnapshot snapshotOf(const std::filesystem::path& root) {
    FolderSnapshot snapshot;
    for (auto it = std::filesystem::recursive_directory_iterator(root); it != decltype(it){}; ++it) {
        struct stat st {};
        ::lstat(it->path().c_str(), &st);
        NodeState node;
        node.folder = S_ISDIR(st.st_mode);
        node.mode = st.st_mode & 07777;
        node.mtime = node.folder ? 0 : static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
        if (!node.folder) {
            std::ifstream in(it->path(), std::ios::binary);
            node.content.assign(std::istreambuf_iterator<char>(in), {});
        }
        snapshot[it->path().lexically_relative(root).generic_string()] = node;
    }
    return snapshot;
}

inline std::ostream& operator<<(std::ostream& os, const NodeState& n) {
    return os << (n.folder ? "folder" : "file \"" + n.content + "\"") << " mode " << std::oct << n.mode << std::dec;
}

} // namespace upd::testing
