#include "archive/file_mode.h"

#include <sys/stat.h>

#include "archive/output_folder.h"
#include "archive/zip_format.h"

namespace upd {

mode_t fileModeFor(uint32_t externalAttr, uint16_t versionMadeBy) {
    const mode_t unixMode = static_cast<mode_t>(externalAttr >> 16);
    if ((versionMadeBy >> 8) == zip::kHostUnix && unixMode != 0) return unixMode & 0777;
    mode_t mode = defaultFileMode();
    if (externalAttr & zip::kAttrReadOnly) mode &= ~static_cast<mode_t>(0222);
    return mode;
}

bool isReadOnlyMode(mode_t mode) { return (mode & S_IWUSR) == 0; }

} // namespace upd
