// Everything a person could see of a folder tree: names, kinds, contents, modes and times.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

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
#ifdef _WIN32
        // The read-only attribute is all of a mode there; names are kept as UTF-8.
        NodeState node;
        node.folder = std::filesystem::is_directory(std::filesystem::symlink_status(it->path()));
        node.mode = static_cast<unsigned>(std::filesystem::status(it->path()).permissions() & std::filesystem::perms::mask) & 0666;
        if (!node.folder) {
            node.mtime = static_cast<long long>(std::filesystem::last_write_time(it->path()).time_since_epoch().count());
            std::ifstream in(it->path(), std::ios::binary);
            node.content.assign(std::istreambuf_iterator<char>(in), {});
        }
        const std::u8string name = it->path().lexically_relative(root).generic_u8string();
        snapshot[std::string(name.begin(), name.end())] = node;
        continue;
#else
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
#endif
    }
    return snapshot;
}

inline std::ostream& operator<<(std::ostream& os, const NodeState& n) {
    return os << (n.folder ? "folder" : "file \"" + n.content + "\"") << " mode " << std::oct << n.mode << std::dec
              << " time " << n.mtime;
}

} // namespace upd::testing
