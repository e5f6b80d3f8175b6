#include "registry/file_registry_backend.h"

#include "platform/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace upd {

namespace {

std::string sectionPath(const std::string& section) { return std::string(kSoftwareKey) + "\\" + section; }

// An exclusive lock on a companion file, held for one read-change-write.
class FileLock {
public:
    explicit FileLock(const std::string& path) {
        fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {}
        }
    }
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

bool writeWhole(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Temporary file beside the target, flushed, then renamed over it.
bool replaceFile(const std::string& path, const std::string& bytes) {
    std::string tmp = path + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) return false;
    const bool ok = writeWhole(fd, bytes) && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

} // namespace

RegFile FileRegistryBackend::load() {
    std::ifstream in(path_, std::ios::binary);
    if (!in) return {};
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return parseRegFile(bytes.str(), path_);
}

bool FileRegistryBackend::sectionExists(const std::string& section) {
    return load().findKey(sectionPath(section)) != nullptr;
}

std::optional<RegistryValue> FileRegistryBackend::queryValue(const std::string& section, const std::string& name) {
    RegFile file = load();
    const RegFileKey* key = file.findKey(sectionPath(section));
    if (!key) return std::nullopt;
    for (const auto& v : key->values)
        if (text::equalsIgnoreCase(v.name, name)) return v.value;
    return std::nullopt;
}

void FileRegistryBackend::setValue(const std::string& section, const std::string& name, const RegistryValue& value) {
    std::error_code ec;
    const fs::path parent = fs::path(path_).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);
    FileLock lock(path_);
    if (!lock.held()) throw RegistryError("Failed to create key " + section);
    RegFile file = load();
    RegFileKey& key = file.key(sectionPath(section));
    auto found = std::find_if(key.values.begin(), key.values.end(),
                              [&](const RegFileValue& v) { return text::equalsIgnoreCase(v.name, name); });
    if (found != key.values.end()) {
        found->value = value;
    } else {
        key.values.push_back({name, value});
    }
    if (!replaceFile(path_, writeRegFile(file))) throw RegistryError("Failed to set data for '" + name + "'");
}

std::string defaultRegistryPath() {
    if (const char* env = std::getenv("UPDATE_REGISTRY"); env && *env) return env;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.config";
    } else {
        base = ".";
    }
    return base + "/tarvenit/registry.reg";
}

RegistryOpener fileRegistryOpener(std::string path) {
    return [path = std::move(path)] {
        return std::make_unique<InstallationRegistry>(std::make_unique<FileRegistryBackend>(path));
    };
}

} // namespace upd
