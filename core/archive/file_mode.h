// Entry attributes as Linux permissions.
#pragma once

#include <cstdint>
#include <sys/types.h>

namespace upd {

// Made on Unix with a mode in the upper 16 bits: those permission bits (set-id bits
// dropped), so executables stay executable. Otherwise the default mode, without write
// permission when the DOS read-only bit is set.
mode_t fileModeFor(uint32_t externalAttr, uint16_t versionMadeBy);

// Whether an existing file counts as read-only (nobody may write it).
bool isReadOnlyMode(mode_t mode);

} // namespace upd
