// The registry object of the program: open on HKEY_CURRENT_USER\Software, read and write
// text values of a section, release. Each operation makes its own and lets it go.
#pragma once

#include "registry/registry_backend.h"

#include <functional>
#include <memory>
#include <string>

namespace upd {

// "not set"; compared exactly.
inline constexpr const char* kRegistryFalse = "false";

class InstallationRegistry {
public:
    explicit InstallationRegistry(std::unique_ptr<RegistryBackend> backend);

    std::string Read(const std::string& section, const std::string& name, const std::string& defaultValue);
    void Write(const std::string& section, const std::string& name, const std::string& text);

private:
    std::string readValue(const std::string& section, const std::string& name);

    std::unique_ptr<RegistryBackend> backend_;
};

// Opens a fresh registry object; the operations call it once each.
using RegistryOpener = std::function<std::unique_ptr<InstallationRegistry>()>;

} // namespace upd
