// The directory manager of one open archive: finds the end record, reads the central
// directory into the entry list and hands damaged or prefixed archives to the recovery.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "archive/archive_file.h"
#include "archive/archive_types.h"
#include "archive/dir_array.h"
#include "archive/entry_names.h"
#include "archive/zip_format.h"

namespace upd {

// What the directory manager takes from its archiver.
struct TDirSettings {
    bool OpenCorruptedArchives = true;
    bool OEMFileNames = true;
    TSpanningMode SpanningMode = TSpanningMode::smNone;
};

class TDirManager {
public:
    TDirManager(ArchiveFile* stream, const TDirSettings& settings);

    ArchiveFile* FCompressedStream;  // not owned
    TDirSettings FSettings;

    TDirArray CDir;
    std::string ArchiveComment;
    zip::TZipCentralDirEnd CentralDirEnd;
    zip::TZip64CentralDirEndLocator Zip64CentralDirEndLocator;
    zip::TZip64CentralDirEnd Zip64CentralDirEnd;
    bool FZip64 = false;
    uint64_t StubSize = 0;
    uint64_t CentralDirOffset = 0;
    uint64_t EndRecordPosition = 0;  // where the end record used was found
    // The entry list came from the local headers because the directory could not be used: a
    // damaged or cut archive, whose entries past the damage may be missing from the list.
    bool Rebuilt = false;

    // Reads the directory and refuses entries that share data; raises EArchiveError (35,
    // 40, 44, 57) or a read error.
    void LoadDir();
    // End-record search over the last 65,600 bytes; the record's file position when found.
    std::optional<uint64_t> FindCentralDirEnd();

    // Recovery, in dir_recovery.cpp.
    void RebuildDir();       // entry list from the local headers
    void FindStub();         // sets StubSize
    void AdjustOffsets();    // shifts offsets that count from the end of a stub
    void ApplyStubOffset();

private:
    void resetState();
    void loadEntries();
    void readEntries(uint64_t start, uint64_t end, uint64_t count);
    zip::NameDecoding nameDecoding() const;

    bool endRecordFound_ = false;
};

} // namespace upd
