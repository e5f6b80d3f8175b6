// The registry sections kept in one export-format file. Reads parse the file once and again
// only when its bytes change; each write takes a lock, re-reads, changes one value's lines
// and replaces the file atomically, so a crash leaves the old or the new file and two
// writers never lose each other's values. Everything else in the file stays as it was: its
// other lines byte for byte, its encoding, mode and owner; a link is written through to its
// target. A file that does not parse is reported with its name and line and never
// overwritten; a read-only file is never written.
#pragma once

#include "registry/installation_registry.h"
#include "registry/reg_file.h"

#include <chrono>
#include <optional>
#include <string>

namespace upd {

inline constexpr const char* kSoftwareKey = "HKEY_CURRENT_USER\\Software";

// How long a write waits for another program's lock before it gives up: an unattended run
// must end, not hang behind a stuck editor.
inline constexpr std::chrono::milliseconds kRegistryLockWait{30'000};

class FileRegistryBackend : public RegistryBackend {
public:
    explicit FileRegistryBackend(std::string path, std::chrono::milliseconds lockWait = kRegistryLockWait)
        : path_(std::move(path)), lockWait_(lockWait) {}

    bool sectionExists(const std::string& section) override;
    std::optional<RegistryValue> queryValue(const std::string& section, const std::string& name) override;
    void setValue(const std::string& section, const std::string& name, const RegistryValue& value) override;

    const std::string& path() const { return path_; }

private:
    RegFile& parsed(std::string bytes, const std::string& source);
    RegFile& load();

    std::string path_;
    std::chrono::milliseconds lockWait_;
    std::string parsedBytes_;  // what `parsed_` was made of
    std::optional<RegFile> parsed_;
};

// The per-user registry file: $UPDATE_REGISTRY, else $XDG_CONFIG_HOME/tarvenit/registry.reg,
// else ~/.config/tarvenit/registry.reg.
std::string defaultRegistryPath();

// An opener for the program's operations over the file at `path`.
RegistryOpener fileRegistryOpener(std::string path);

} // namespace upd
