#include "registry/installation_registry.h"

#include "platform/text.h"

namespace upd {

RegistryValue textValue(const std::string& utf8) {
    RegistryValue v{RegType::Sz, {}};
    for (char16_t c : text::toU16(utf8)) {
        v.data.push_back(static_cast<uint8_t>(c & 0xFF));
        v.data.push_back(static_cast<uint8_t>(c >> 8));
    }
    v.data.push_back(0);
    v.data.push_back(0);
    return v;
}

std::string valueText(const std::vector<uint8_t>& data) {
    std::u16string units;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) break;
        units.push_back(c);
    }
    return text::fromU16(units);
}

InstallationRegistry::InstallationRegistry(std::unique_ptr<RegistryBackend> backend)
    : backend_(std::move(backend)) {}

std::string InstallationRegistry::Read(const std::string& section, const std::string& name,
                                       const std::string& defaultValue) {
    if (!backend_ || !backend_->sectionExists(section)) return defaultValue;
    if (defaultValue.empty()) return readValue(section, name);
    if (!backend_->queryValue(section, name)) return defaultValue;
    return readValue(section, name);
}

std::string InstallationRegistry::readValue(const std::string& section, const std::string& name) {
    const auto value = backend_->queryValue(section, name);
    if (!value || value->data.empty()) return {};
    if (value->type != RegType::Sz && value->type != RegType::ExpandSz)
        throw RegistryError("Invalid data type for '" + name + "'");
    return valueText(value->data);
}

void InstallationRegistry::Write(const std::string& section, const std::string& name, const std::string& text) {
    if (!backend_) throw RegistryError("Failed to create key " + section);
    backend_->setValue(section, name, textValue(text));
}

} // namespace upd
