// Decoding of stored entry names and parsing of a central header's extra fields.
#pragma once

#include <string>
#include <string_view>

#include "archive/archive_types.h"

namespace upd::zip {

struct NameDecoding {
    bool zipEndRecord = true;  // the end record found carries the ZIP signature
    bool oemFileNames = true;  // Options.OEMFileNames
};

// OEM 866 to ANSI 1251 unless the UTF-8 flag is set; then UTF-8 when the bytes hold a
// byte >= 0x80 and are valid UTF-8, else ANSI 1251. A zero byte ends the name.
std::string decodeEntryName(std::string_view stored, uint16_t genPurposeFlag, const NameDecoding& how);

// Parses `extra` into item.ExtraFields and interprets the Zip64, Unicode name and AES
// blocks. True when a Unicode name block gave `unicodeName`.
bool parseExtraFields(std::string_view extra, TDirItem& item, std::string& unicodeName);

} // namespace upd::zip
