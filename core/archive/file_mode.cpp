#include "archive/file_mode.h"

#include "archive/output_folder.h"
#include "archive/zip_format.h"

namespace upd {

unsigned fileModeFor(uint32_t externalAttr, uint16_t versionMadeBy) {
    const bool fromUnix = (versionMadeBy >> 8) == zip::kHostUnix;
    const unsigned unixMode = (externalAttr >> 16) & 0xFFFF;
    const unsigned type = unixMode & zip::kUnixTypeMask;
    // A regular file's (or a folder's) bits are taken as they are; a mode without type bits
    // is a regular file's too.
    const bool plain = type == 0 || type == zip::kUnixRegular || type == zip::kUnixDirectory;
    if (fromUnix && unixMode != 0 && plain) return unixMode & 0777;
    unsigned mode = defaultFileMode();
    // A symbolic link, a device, a FIFO or a socket is written as an ordinary file holding
    // the entry's data (a link's target text): links are not made as links, nodes never as
    // nodes, so all an update writes stays plain files inside the package folder, and an
    // entry of no use does not fail the whole update as a refusal would. Its bits (a link's
    // 0777, a device's 0666) may only take permissions away from the default: never
    // executable, never more writable than a new file. (Info-ZIP zip stores a file read
    // from standard input as a FIFO with 0600, which stays private as unzip leaves it.)
    if (fromUnix && unixMode != 0) mode &= unixMode & 0666;
    if (externalAttr & zip::kAttrReadOnly) mode &= ~0222u;
    return mode;
}

bool isReadOnlyMode(unsigned mode) { return (mode & 0200) == 0; }

} // namespace upd
