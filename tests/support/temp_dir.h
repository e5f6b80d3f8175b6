// A fresh folder below the system's temporary folder, removed with its contents at the end.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace upd::testing {

class TempDir {
public:
    // create_directory reports whether it made the folder, so a name another process took
    // is never shared: the next random name is tried.
    TempDir() {
        std::random_device seed;
        std::mt19937_64 random(seed());
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            auto candidate = base / ("upd-test-" + std::to_string(random() % 1000000000000ull));
            if (std::filesystem::create_directory(candidate)) {
                std::filesystem::permissions(candidate, std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::replace);
                path_ = std::move(candidate);
                return;
            }
        }
    }
    ~TempDir() {
        std::error_code ec;
        // An update leaves the process in its package folder: step out before it goes, so
        // that later tests do not run in a deleted folder.
        const std::string cwd = std::filesystem::current_path(ec).string();
        const std::string inside = path_.string() + "/";
        if (!ec && (cwd == path_.string() || cwd.rfind(inside, 0) == 0))
            std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as the program's folder values carry it: with a trailing separator.
    std::string folder() const { return path_.string() + "/"; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace upd::testing
