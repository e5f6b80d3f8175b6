#include "archive/file_mode.h"

#include "archive/output_folder.h"
#include "archive/zip_format.h"

namespace upd {

unsigned fileModeFor(uint32_t externalAttr, uint16_t versionMadeBy) {
    const unsigned unixMode = (externalAttr >> 16) & 0xFFFF;
    if ((versionMadeBy >> 8) == zip::kHostUnix && unixMode != 0) return unixMode & 0777;
    unsigned mode = defaultFileMode();
    if (externalAttr & zip::kAttrReadOnly) mode &= ~0222u;
    return mode;
}

bool isReadOnlyMode(unsigned mode) { return (mode & 0200) == 0; }

} // namespace upd
