// Entries whose data share bytes. Many directory entries naming one local header, or data
// running into another entry's or into the central directory, let a small archive write
// without end (a zip bomb by overlap); Info-ZIP unzip and 7-Zip refuse such archives, and
// so does the reader, at open, before anything is written.
#pragma once

#include <cstdint>

namespace upd {

class ArchiveFile;
class TDirArray;

// Places every entry that has data (folders have none that is ever decoded) by its local
// header: [header, end of its data and data descriptor). Raises EArchiveError 57 when a
// header is not where the directory places it, when two entries share a byte, or when
// data reaches `dataEnd` (where the central directory begins). A list rebuilt from local
// headers has no directory to run into: its data is only cut at `dataEnd` (the end of the
// file), as a cut archive's last entry is.
void refuseOverlappingEntries(ArchiveFile& file, const TDirArray& list, uint64_t dataEnd, bool rebuilt);

} // namespace upd
