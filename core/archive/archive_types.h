// Enumerations, options and records shared by the archive component's parts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/zip_format.h"

namespace upd {

enum class TProcessOperation {
    poAdd, poMove, poDelete, poUpdate, poExtract, poTest, poRename, poChangeAttr, poChangeComment, poMakeSFX, poMerge
};
enum class TProgressPhase { ppStart, ppProcess, ppEnd };
enum class TFailureAction { fxaRetry, fxaIgnore, fxaAbort };
enum class TOverwriteMode { omPrompt, omAlways, omNever, omIfNewer, omIfOlder };
enum class TStorePath { spNoPath, spRelativePath, spFullPath, spFullPathWithDrive };
enum class TSpanningMode { smNone, smSpanning, smSplitting };
enum class TCryptoAlgorithm { caPkzipClassic, caAES_128, caAES_192, caAES_256 };

// Any file: read-only, hidden, system, volume, folder, archive, normal, compressed, not indexed.
inline constexpr int kAnyFileAttr = 10431;

// Values of FileOpenMode: the archive is only ever read, so there is no mode that creates one.
inline constexpr uint16_t kModeReadWriteDenyWrite = 0x0022;
inline constexpr uint16_t kModeReadOnlyDenyNone = 0x0040;

struct TArchiveOptions {
    bool Recurse = true;
    TStorePath StorePath = TStorePath::spRelativePath;
    TOverwriteMode OverwriteMode = TOverwriteMode::omAlways;
    bool CreateDirs = true;
    bool ReplaceReadOnly = true;
    bool SetAttributes = true;
    int SearchAttr = kAnyFileAttr;
    bool FlushBuffers = true;
    bool OEMFileNames = true;
};

struct TExtraFieldDataBlock {
    uint16_t headerID = 0;
    uint16_t dataSize = 0;
    std::vector<uint8_t> pData;
};

struct TZip64ExtendedInfo {
    uint64_t uncompSize = 0;
    uint64_t compSize = 0;
    uint64_t relOffsetLH = 0;
    uint32_t diskNumberStart = 0;
};

struct TDirItem {
    zip::TZipCentralDir CentralDir;
    std::string Name;     // decoded (UTF-8), separators as stored
    std::string Comment;  // 8-bit, as stored
    std::vector<TExtraFieldDataBlock> ExtraFields;
    TCryptoAlgorithm ZFEncryptionAlgorithm = TCryptoAlgorithm::caPkzipClassic;
    bool bHugeFile = false;
    TZip64ExtendedInfo Zip64ExtInfo;
    bool Tagged = false;
    uint16_t CompressionMethod = 0;
    TProcessOperation Operation = TProcessOperation::poAdd;
    // Rebuilt from a local header that defers its sizes to a data descriptor the file does
    // not hold: the sizes and CRC-32 are unknown, so the entry cannot be extracted.
    bool DescriptorMissing = false;

    bool encrypted() const { return (CentralDir.genPurposeFlag & zip::kFlagEncrypted) != 0; }
    // A folder: the folder attribute or a name ending with a separator. Its data, if any,
    // is never decoded.
    bool isFolder() const {
        return (CentralDir.externalAttr & zip::kAttrDirectory) != 0 ||
               (!Name.empty() && (Name.back() == '/' || Name.back() == '\\'));
    }
    bool isAes() const { return ZFEncryptionAlgorithm != TCryptoAlgorithm::caPkzipClassic; }
    // 64-bit values: the Zip64 block's where the central field holds 0xFFFFFFFF.
    uint64_t compressedSize() const {
        return CentralDir.compSize == 0xFFFFFFFF && bHugeFile ? Zip64ExtInfo.compSize : CentralDir.compSize;
    }
    uint64_t uncompressedSize() const {
        return CentralDir.unCompSize == 0xFFFFFFFF && bHugeFile ? Zip64ExtInfo.uncompSize : CentralDir.unCompSize;
    }
    uint64_t localHeaderOffset() const {
        return CentralDir.relOffsetLH == 0xFFFFFFFF && bHugeFile ? Zip64ExtInfo.relOffsetLH : CentralDir.relOffsetLH;
    }
};

struct TInternalSearchRec {
    int ItemNo = 0;
    std::string CFindMask;  // normalised mask
    bool FWildCards = false;
    int FFindAttr = kAnyFileAttr;
    std::string ExclusionMask;
    bool UseProperties = false;
};

struct TArchiveItem {
    std::string FileName;    // file-name part
    std::string StoredPath;  // folder part, ending with a separator (or empty)
    int64_t CompressedSize = 0;
    int64_t UncompressedSize = 0;
    double CompressionRate = 0;
    bool Encrypted = false;
    uint16_t LastModFileDate = 0;
    uint16_t LastModFileTime = 0;
    uint32_t CRC = 0;
    uint32_t ExternalFileAttributes = 0;
    std::string Comment;
    TInternalSearchRec Handle;
};

} // namespace upd
