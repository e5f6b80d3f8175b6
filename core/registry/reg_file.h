// The registry export format ("Windows Registry Editor Version 5.00"): parsing and writing
// keys with typed values, so that every value survives a rewrite unchanged.
#pragma once

#include "registry/registry_backend.h"

#include <string>
#include <string_view>
#include <vector>

namespace upd {

struct RegFileValue {
    std::string name;  // empty for the key's default value ("@")
    RegistryValue value;
};

struct RegFileKey {
    std::string path;  // e.g. HKEY_CURRENT_USER\Software\mirela
    std::vector<RegFileValue> values;
};

struct RegFile {
    std::vector<RegFileKey> keys;

    RegFileKey* findKey(std::string_view path);  // key paths compare without letter case
    RegFileKey& key(std::string_view path);      // found or appended
};

// Raised for text that is not in the export format; names the source and the line.
class RegFileParseError : public RegistryError {
public:
    using RegistryError::RegistryError;
};

// Bytes as regedit writes them (UTF-16LE with a byte-order mark) or UTF-8.
RegFile parseRegFile(std::string_view bytes, const std::string& sourceName);
// UTF-16LE with a byte-order mark and CRLF line ends, as regedit exports and imports.
std::string writeRegFile(const RegFile& file);

} // namespace upd
