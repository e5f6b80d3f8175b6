#include "registry/scratch_registry.h"

#include "registry/win32_registry_backend.h"

#include <windows.h>

namespace upd::testing {

// All sections of one scratch registry live below HKCU\Software\<key>, which goes at the end.
struct ScratchRegistry::Store {
    std::string key = "update_3_2 test " + std::to_string(GetCurrentProcessId()) + " " +
                      std::to_string(reinterpret_cast<uintptr_t>(this));
};

ScratchRegistry::ScratchRegistry() : store_(std::make_unique<Store>()) {}

ScratchRegistry::~ScratchRegistry() {
    const std::wstring key(store_->key.begin(), store_->key.end());  // ASCII
    HKEY software = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_ALL_ACCESS, &software) == ERROR_SUCCESS) {
        RegDeleteTreeW(software, key.c_str());
        RegDeleteKeyW(software, key.c_str());
        RegCloseKey(software);
    }
}

std::unique_ptr<RegistryBackend> ScratchRegistry::backend() const {
    return win32RegistryBackend("Software\\" + store_->key);
}

} // namespace upd::testing
