#include "registry/file_registry_backend.h"

#include "platform/file_handle.h"
#include "platform/replace_file.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace upd {

namespace {

std::string sectionPath(const std::string& section) { return std::string(kSoftwareKey) + "\\" + section; }

// An exclusive lock on a companion file, held for one read-change-write.
std::error_code lockFor(const std::string& path, files::FileHandle& lock) {
    if (auto ec = lock.openForLocking(path + ".lock")) return ec;
    return lock.lockExclusive();
}

} // namespace

RegFile FileRegistryBackend::load() {
    std::string bytes;
    const std::error_code ec = files::readWholeFile(path_, bytes);
    // No file yet is an empty registry. Any other failure is raised: taken for an empty
    // registry, it would turn every read into its default and the next write would drop
    // every other value.
    if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory) return {};
    if (ec) throw RegistryError("Cannot read the registry file \"" + path_ + "\": " + ec.message());
    return parseRegFile(bytes, path_);
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
    std::error_code ec;  // a folder that cannot be made shows as the lock's failure
    const fs::path parent = fs::path(path_).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);
    files::FileHandle lock;
    if (lockFor(path_, lock)) throw RegistryError("Failed to create key " + section);
    RegFile file = load();
    RegFileKey& key = file.key(sectionPath(section));
    auto found = std::find_if(key.values.begin(), key.values.end(),
                              [&](const RegFileValue& v) { return text::equalsIgnoreCase(v.name, name); });
    if (found != key.values.end()) {
        found->value = value;
    } else {
        key.values.push_back({name, value});
    }
    // Readers never see a torn file: the new content takes the file's name in one step.
    if (files::replaceFileContent(path_, writeRegFile(file), 0600)) throw RegistryError("Failed to set data for '" + name + "'");
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
