// The store behind the installation registry: the sections below HKEY_CURRENT_USER\Software.
// On Linux it is a file in the registry export format; a Win32 build fills the same interface
// with the real registry.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace upd {

// Value types with the platform's numbers. Not named REG_* because <windows.h> defines
// those as macros.
namespace RegType {
enum : uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    DwordBigEndian = 5,
    Link = 6,
    MultiSz = 7,
    Qword = 11,
};
} // namespace RegType

struct RegistryValue {
    uint32_t type = RegType::None;
    std::vector<uint8_t> data;
    bool operator==(const RegistryValue&) const = default;
};

// Errors of the registry, with the platform's message texts.
class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;
    // True when the section's key exists and may be opened with full rights.
    virtual bool sectionExists(const std::string& section) = 0;
    // The value, or nothing when it is missing; a failure to fetch raises RegistryError.
    virtual std::optional<RegistryValue> queryValue(const std::string& section, const std::string& name) = 0;
    // Stores the value, creating the section where it is missing, as one change.
    virtual void setValue(const std::string& section, const std::string& name, const RegistryValue& value) = 0;
};

// REG_SZ data of a text: its UTF-16LE characters and one NUL.
RegistryValue textValue(const std::string& utf8);
// The text of REG_SZ / REG_EXPAND_SZ data up to its first NUL.
std::string valueText(const std::vector<uint8_t>& data);

} // namespace upd
