// The records of the ZIP application note that the reader uses, in one place: their
// signatures, fixed sizes and field layouts (little-endian, packed).
#pragma once

#include <cstdint>

#include "archive/le_reader.h"

namespace upd::zip {

inline constexpr uint32_t kLocalHeaderSig = 0x04034B50;       // 50 4B 03 04
inline constexpr uint32_t kCentralHeaderSig = 0x02014B50;     // 50 4B 01 02
inline constexpr uint32_t kDataDescriptorSig = 0x08074B50;    // 50 4B 07 08
inline constexpr uint32_t kEndRecordSig = 0x06054B50;         // 50 4B 05 06
inline constexpr uint32_t kZip64LocatorSig = 0x07064B50;      // 50 4B 06 07
inline constexpr uint32_t kZip64EndRecordSig = 0x06064B50;    // 50 4B 06 06

inline constexpr uint32_t kLocalHeaderSize = 30;
inline constexpr uint32_t kCentralHeaderSize = 46;
inline constexpr uint32_t kEndRecordSize = 22;
inline constexpr uint32_t kZip64LocatorSize = 20;
inline constexpr uint32_t kZip64EndRecordSize = 56;
inline constexpr uint32_t kEncryptionHeaderSize = 12;

// The end-record search reads this much from the end of the file: the record and the
// longest comment.
inline constexpr uint32_t kEndRecordWindow = 65600;

inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr uint16_t kFlagUtf8 = 0x0800;

inline constexpr uint16_t kMethodStored = 0;
inline constexpr uint16_t kMethodDeflated = 8;
inline constexpr uint16_t kMethodDeflate64 = 9;

// Entries made with this version or later carry the component's strong-encryption layout.
inline constexpr uint16_t kStrongEncryptionVersion = 0x4114;

inline constexpr uint16_t kExtraZip64 = 0x0001;
inline constexpr uint16_t kExtraUnicodeName = 0x554E;  // "NUCX" block
inline constexpr uint16_t kExtraAes = 0x9901;

inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;

inline constexpr uint8_t kHostUnix = 3;  // high byte of versionMadeBy

// The file type in a Unix mode, as Unix archivers record it in the high 16 bits of the
// external attributes (the archive's encoding, whatever the platform reading it).
inline constexpr unsigned kUnixTypeMask = 0170000;
inline constexpr unsigned kUnixRegular = 0100000;
inline constexpr unsigned kUnixDirectory = 0040000;

struct TZipCentralDirEnd {
    uint32_t signature = kEndRecordSig;
    uint16_t diskNumber = 0;
    uint16_t startDiskNumber = 0;
    uint16_t entriesOnDisk = 0;
    uint16_t entriesCentralDir = 0;
    uint32_t centralDirSize = 0;
    uint32_t offsetStartDir = 0;
    uint16_t commentLength = 0;

    static TZipCentralDirEnd parse(LeReader& r) {
        TZipCentralDirEnd e;
        e.signature = r.u32();
        e.diskNumber = r.u16();
        e.startDiskNumber = r.u16();
        e.entriesOnDisk = r.u16();
        e.entriesCentralDir = r.u16();
        e.centralDirSize = r.u32();
        e.offsetStartDir = r.u32();
        e.commentLength = r.u16();
        return e;
    }
};

struct TZip64CentralDirEndLocator {
    uint32_t signature = 0;
    uint32_t startDiskNumber = 0;
    uint64_t offsetStartDirEnd = 0;
    uint32_t totalNumberOfDisks = 0;

    static TZip64CentralDirEndLocator parse(LeReader& r) {
        TZip64CentralDirEndLocator l;
        l.signature = r.u32();
        l.startDiskNumber = r.u32();
        l.offsetStartDirEnd = r.u64();
        l.totalNumberOfDisks = r.u32();
        return l;
    }
};

struct TZip64CentralDirEnd {
    uint32_t signature = 0;
    uint64_t centralDirEndSize = 0;
    uint16_t versionMadeBy = 0;
    uint16_t versionNeededToExtract = 0;
    uint32_t diskNumber = 0;
    uint32_t startDiskNumber = 0;
    uint64_t entriesOnDisk = 0;
    uint64_t entriesCentralDir = 0;
    uint64_t centralDirSize = 0;
    uint64_t offsetStartDir = 0;

    static TZip64CentralDirEnd parse(LeReader& r) {
        TZip64CentralDirEnd e;
        e.signature = r.u32();
        e.centralDirEndSize = r.u64();
        e.versionMadeBy = r.u16();
        e.versionNeededToExtract = r.u16();
        e.diskNumber = r.u32();
        e.startDiskNumber = r.u32();
        e.entriesOnDisk = r.u64();
        e.entriesCentralDir = r.u64();
        e.centralDirSize = r.u64();
        e.offsetStartDir = r.u64();
        return e;
    }
};

struct TZipCentralDir {
    uint32_t signature = 0;
    uint16_t versionMadeBy = 0;
    uint16_t extractVersion = 0;
    uint16_t genPurposeFlag = 0;
    uint16_t compMethod = 0;
    uint16_t lastModTime = 0;
    uint16_t lastModDate = 0;
    uint32_t crc32 = 0;
    uint32_t compSize = 0;
    uint32_t unCompSize = 0;
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;
    uint16_t commentLength = 0;
    uint16_t diskNumberStart = 0;
    uint16_t internalAttr = 0;
    uint32_t externalAttr = 0;
    uint32_t relOffsetLH = 0;

    static TZipCentralDir parse(LeReader& r) {
        TZipCentralDir c;
        c.signature = r.u32();
        c.versionMadeBy = r.u16();
        c.extractVersion = r.u16();
        c.genPurposeFlag = r.u16();
        c.compMethod = r.u16();
        c.lastModTime = r.u16();
        c.lastModDate = r.u16();
        c.crc32 = r.u32();
        c.compSize = r.u32();
        c.unCompSize = r.u32();
        c.nameLength = r.u16();
        c.extraLength = r.u16();
        c.commentLength = r.u16();
        c.diskNumberStart = r.u16();
        c.internalAttr = r.u16();
        c.externalAttr = r.u32();
        c.relOffsetLH = r.u32();
        return c;
    }
};

struct TZipLocalHeader {
    uint32_t signature = 0;
    uint16_t extractVersion = 0;
    uint16_t genPurposeFlag = 0;
    uint16_t compMethod = 0;
    uint16_t lastModTime = 0;
    uint16_t lastModDate = 0;
    uint32_t crc32 = 0;
    uint32_t compSize = 0;
    uint32_t unCompSize = 0;
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;

    static TZipLocalHeader parse(LeReader& r) {
        TZipLocalHeader h;
        h.signature = r.u32();
        h.extractVersion = r.u16();
        h.genPurposeFlag = r.u16();
        h.compMethod = r.u16();
        h.lastModTime = r.u16();
        h.lastModDate = r.u16();
        h.crc32 = r.u32();
        h.compSize = r.u32();
        h.unCompSize = r.u32();
        h.nameLength = r.u16();
        h.extraLength = r.u16();
        return h;
    }
};

} // namespace upd::zip
