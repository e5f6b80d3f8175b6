// Entry attributes as Unix permission bits (on Windows only the owner's write bit tells,
// as the read-only attribute).
#pragma once

#include <cstdint>

namespace upd {

// Made on Unix with a regular file's mode in the upper 16 bits: those permission bits
// (set-id bits dropped), so executables stay executable. Otherwise the default mode (for a
// link or a device node no more than that, whatever it records), without write
// permission when the DOS read-only bit is set.
unsigned fileModeFor(uint32_t externalAttr, uint16_t versionMadeBy);

// Whether an existing file counts as read-only (nobody may write it).
bool isReadOnlyMode(unsigned mode);

} // namespace upd
