// The registry sections kept in one export-format file. Reads parse the file as it stands;
// each write takes a lock, re-reads, changes one value and replaces the file atomically,
// so a crash leaves the old or the new file and two writers never lose each other's values.
// A file that does not parse is reported with its name and line and never overwritten.
#pragma once

#include "registry/installation_registry.h"
#include "registry/reg_file.h"

#include <string>

namespace upd {

inline constexpr const char* kSoftwareKey = "HKEY_CURRENT_USER\\Software";

class FileRegistryBackend : public RegistryBackend {
public:
    explicit FileRegistryBackend(std::string path) : path_(std::move(path)) {}

    bool sectionExists(const std::string& section) override;
    std::optional<RegistryValue> queryValue(const std::string& section, const std::string& name) override;
    void setValue(const std::string& section, const std::string& name, const RegistryValue& value) override;

    const std::string& path() const { return path_; }

private:
    RegFile load();

    std::string path_;
};

// The per-user registry file: $UPDATE_REGISTRY, else $XDG_CONFIG_HOME/tarvenit/registry.reg,
// else ~/.config/tarvenit/registry.reg.
std::string defaultRegistryPath();

// An opener for the program's operations over the file at `path`.
RegistryOpener fileRegistryOpener(std::string path);

} // namespace upd
