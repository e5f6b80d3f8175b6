#include "registry/win32_registry_backend.h"

#include "platform/text.h"

#include <windows.h>


namespace upd {

namespace {

std::wstring wide(const std::string& utf8) {
    const std::u16string units = text::toU16(utf8);
    return std::wstring(units.begin(), units.end());
}

// One open registry key, closed when it goes.
class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    ~RegKey() { reset(); }
    RegKey(RegKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
    RegKey& operator=(RegKey&& other) noexcept {
        if (this != &other) {
            reset();
            key_ = other.key_;
            other.key_ = nullptr;
        }
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

    static RegKey open(HKEY parent, const std::string& name) {
        HKEY key = nullptr;
        if (!parent || RegOpenKeyExW(parent, wide(name).c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            return {};
        return RegKey(key);
    }

    static RegKey create(HKEY parent, const std::string& name) {
        HKEY key = nullptr;
        if (!parent || RegCreateKeyExW(parent, wide(name).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return {};
        return RegKey(key);
    }

private:
    void reset() {
        if (key_) RegCloseKey(key_);
        key_ = nullptr;
    }

    HKEY key_ = nullptr;
};

static_assert(RegType::Sz == REG_SZ && RegType::ExpandSz == REG_EXPAND_SZ && RegType::Dword == REG_DWORD &&
              RegType::Binary == REG_BINARY && RegType::MultiSz == REG_MULTI_SZ && RegType::Qword == REG_QWORD);

class Win32RegistryBackend : public RegistryBackend {
public:
    explicit Win32RegistryBackend(const std::string& parent) : parent_(RegKey::create(HKEY_CURRENT_USER, parent)) {}

    bool sectionExists(const std::string& section) override {
        return static_cast<bool>(RegKey::open(parent_.get(), section));
    }

    std::optional<RegistryValue> queryValue(const std::string& section, const std::string& name) override {
        const RegKey key = RegKey::open(parent_.get(), section);
        if (!key) return std::nullopt;
        const std::wstring wname = wide(name);
        DWORD type = 0;
        DWORD size = 0;
        LSTATUS rc = RegQueryValueExW(key.get(), wname.c_str(), nullptr, &type, nullptr, &size);
        if (rc == ERROR_FILE_NOT_FOUND) return std::nullopt;
        RegistryValue value;
        // Another writer may grow the value between the two calls: ask again with its new size.
        while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
            value.data.resize(size);
            rc = RegQueryValueExW(key.get(), wname.c_str(), nullptr, &type, value.data.data(), &size);
            if (rc == ERROR_SUCCESS) {
                value.data.resize(size);
                value.type = type;
                return value;
            }
        }
        if (rc == ERROR_FILE_NOT_FOUND) return std::nullopt;
        throw RegistryError("Failed to get data for '" + name + "'");
    }

    void setValue(const std::string& section, const std::string& name, const RegistryValue& value) override {
        if (!RegKey::create(parent_.get(), section)) throw RegistryError("Failed to create key " + section);
        // Opened again as a separate step: a key that was created but cannot be opened with
        // full rights gets nothing written, and that is not an error.
        const RegKey key = RegKey::open(parent_.get(), section);
        if (!key) return;
        if (value.data.size() > MAXDWORD ||
            RegSetValueExW(key.get(), wide(name).c_str(), 0, value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size())) != ERROR_SUCCESS)
            throw RegistryError("Failed to set data for '" + name + "'");
    }

private:
    RegKey parent_;
};

} // namespace

std::unique_ptr<RegistryBackend> win32RegistryBackend(const std::string& parent) {
    return std::make_unique<Win32RegistryBackend>(parent);
}

RegistryOpener win32RegistryOpener() {
    return [] { return std::make_unique<InstallationRegistry>(win32RegistryBackend()); };
}

} // namespace upd
