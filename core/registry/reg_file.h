// The registry export format ("Windows Registry Editor Version 5.00", and "REGEDIT4"):
// parsing keys with typed values, and changing one value so that everything else in the
// file (other values, comments, blank lines, the encoding, bytes we would write otherwise)
// stays exactly as it was.
#pragma once

#include "registry/registry_backend.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace upd {

struct RegFileValue {
    std::string name;  // empty for the key's default value ("@")
    RegistryValue value;
    size_t firstLine = 0;  // the lines that hold it (more than one for a continued hex list)
    size_t lineCount = 0;
};

struct RegFileKey {
    std::string path;  // e.g. HKEY_CURRENT_USER\Software\mirela
    std::vector<RegFileValue> values;
    size_t endLine = 0;  // after the last line of the key's last section in the file
    std::unordered_map<std::string, size_t> valueIndex;  // folded name -> position in values

    RegFileValue* findValue(std::string_view name);  // names compare without letter case
};

// How the file's text is stored; a change is written the same way.
enum class RegEncoding { Utf16Le, Utf8, Utf8WithMark, Ansi };

struct RegFile {
    std::vector<RegFileKey> keys;
    RegEncoding encoding = RegEncoding::Utf16Le;
    bool crlf = true;                // line ends as the file has them
    std::vector<std::string> lines;  // the file's bytes, a line each, line end included

    RegFileKey* findKey(std::string_view path);  // key paths compare without letter case
    // Sets one value, creating its key where missing; only the lines of that value change
    // (or new lines are added at the end of its key, or of the file).
    void set(std::string_view keyPath, const std::string& name, const RegistryValue& value);
    // The file's bytes.
    std::string bytes() const;

    std::unordered_map<std::string, size_t> keyIndex;  // folded path -> position in keys
};

// Raised for text that is not in the export format; names the source and the line.
class RegFileParseError : public RegistryError {
public:
    using RegistryError::RegistryError;
};

// Bytes as regedit writes them: UTF-16LE with a byte-order mark, or a REGEDIT4 file in the
// ANSI code page (1251); other files with a version 5 header may be UTF-8, with or without
// a mark. Empty bytes are an
// empty registry, written as regedit writes a new file.
RegFile parseRegFile(std::string_view bytes, const std::string& sourceName);

} // namespace upd
