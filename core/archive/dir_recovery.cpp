// Recovery of damaged and prefixed archives: the directory rebuild from local headers,
// the search for a stub in front of the archive data and the shift of entry offsets.
#include "archive/dir_manager.h"

#include <algorithm>

#include "archive/archive_error.h"
#include "archive/le_reader.h"
#include "archive/signature_scanner.h"

namespace upd {
namespace {

constexpr size_t kRebuildWindow = 65535;
constexpr size_t kStubWindow = 10000;
constexpr size_t kDescriptorSize = 16;  // signature, CRC-32, compressed and uncompressed size
constexpr uint16_t kLongestLocalExtra = 260;

} // namespace

void TDirManager::RebuildDir() {
    CDir.clear();
    Rebuilt = true;
    if (FSettings.SpanningMode != TSpanningMode::smNone) throw EArchiveError(native_error::kOpenAborted);
    ArchiveFile& file = *FCompressedStream;
    const uint64_t fileSize = file.size();
    SignatureScanner headers(file, zip::kLocalHeaderSig, kRebuildWindow, zip::kLocalHeaderSize);
    SignatureScanner descriptors(file, zip::kDataDescriptorSig, kRebuildWindow, kDescriptorSize);
    // Headers come in rising order, so one descriptor found (or none) answers every header
    // up to it: the file is searched for descriptors once, not once per header.
    bool descriptorSearched = false;
    std::optional<uint64_t> descriptor;

    auto at = headers.find(0);
    if (!at) throw EArchiveError(native_error::kInvalidArchive);
    // Names decode as the directory's would (the UTF-8 flag, else the OEM code page), end
    // record or not: the same archive must not give other names once it is cut.
    const zip::NameDecoding how{true, FSettings.OEMFileNames};
    for (; at; at = headers.find(*at + 4)) {
        const uint64_t p = *at;
        zip::TZipLocalHeader h;
        {
            const uint8_t* bytes = file.view(p, zip::kLocalHeaderSize);
            if (!bytes) break;  // the scanner only reports headers the file holds
            zip::LeReader r(bytes, zip::kLocalHeaderSize);
            h = zip::TZipLocalHeader::parse(r);
        }
        if (h.compSize >= fileSize || h.extraLength > kLongestLocalExtra) continue;

        TDirItem& item = CDir.append();
        const size_t index = CDir.ItemCount() - 1;
        auto& c = item.CentralDir;
        c.signature = h.signature;
        c.versionMadeBy = h.extractVersion;
        c.extractVersion = h.extractVersion;
        c.genPurposeFlag = h.genPurposeFlag;
        c.compMethod = h.compMethod;
        c.lastModTime = h.lastModTime;
        c.lastModDate = h.lastModDate;
        c.crc32 = h.crc32;
        c.compSize = h.compSize;
        c.unCompSize = h.unCompSize;
        c.nameLength = h.nameLength;
        c.extraLength = h.extraLength;
        const bool descriptorFollows = (h.genPurposeFlag & zip::kFlagDataDescriptor) != 0;
        // An offset past 4 GiB is set after the extra fields: a local Zip64 block holds sizes only.
        c.relOffsetLH = p < 0xFFFFFFFF ? static_cast<uint32_t>(p) : 0;
        item.CompressionMethod = h.compMethod;
        if (item.encrypted() && h.extractVersion < zip::kStrongEncryptionVersion)
            item.ZFEncryptionAlgorithm = TCryptoAlgorithm::caPkzipClassic;

        const uint64_t nameAt = p + zip::kLocalHeaderSize;
        if (h.nameLength != 0 && fileSize - nameAt >= h.nameLength) {
            const uint8_t* name = file.view(nameAt, h.nameLength);
            if (name)
                CDir.setName(index, zip::decodeEntryName({reinterpret_cast<const char*>(name), h.nameLength},
                                                         h.genPurposeFlag, how));
        }
        const uint64_t extraAt = nameAt + h.nameLength;
        if (h.extraLength != 0 && extraAt < fileSize) {
            // A header cut short by the end of the file keeps the extra bytes it has.
            const size_t present = static_cast<size_t>(std::min<uint64_t>(h.extraLength, fileSize - extraAt));
            const uint8_t* extra = file.view(extraAt, present);
            std::string unicodeName;
            if (extra && zip::parseExtraFields({reinterpret_cast<const char*>(extra), present}, item, unicodeName))
                CDir.setName(index, std::move(unicodeName));
        }
        // A local header has no attributes: a folder is told by its name, as archivers write
        // folders ("docs/"). An empty file is a file: taken for a folder, it would not be made.
        c.externalAttr = item.isFolder() ? zip::kAttrDirectory : zip::kAttrArchive;
        if (p >= 0xFFFFFFFF) {
            c.relOffsetLH = 0xFFFFFFFF;
            item.bHugeFile = true;
            item.Zip64ExtInfo.relOffsetLH = p;
        }

        if (descriptorFollows) {
            if (!descriptorSearched || (descriptor && *descriptor < p)) {
                descriptor = descriptors.find(p);
                descriptorSearched = true;
            }
            if (descriptor) {
                uint8_t d[kDescriptorSize];
                file.readExactAt(*descriptor, d, sizeof d);
                zip::LeReader r(d, sizeof d);
                r.skip(4);
                c.crc32 = r.u32();
                c.compSize = r.u32();
                c.unCompSize = r.u32();
            } else {
                item.DescriptorMissing = true;
            }
        }
    }
    CentralDirOffset = fileSize;
}

void TDirManager::FindStub() {
    if (CDir.ItemCount() == 0) {
        StubSize = EndRecordPosition;
        return;
    }
    const auto& first = CDir[0].CentralDir;
    const uint64_t fileSize = FCompressedStream->size();
    // Candidates are taken one after another from the same windows: a file full of stray
    // signatures costs one pass, not a window read per candidate.
    SignatureScanner scanner(*FCompressedStream, zip::kLocalHeaderSig, kStubWindow, 4);
    uint64_t at = CDir[0].localHeaderOffset();
    while (at < fileSize) {
        const auto q = scanner.find(at);
        if (!q) return;
        if (fileSize - *q >= zip::kLocalHeaderSize) {
            uint8_t buf[zip::kLocalHeaderSize];
            FCompressedStream->readExactAt(*q, buf, sizeof buf);
            zip::LeReader r(buf, sizeof buf);
            const auto h = zip::TZipLocalHeader::parse(r);
            const bool nameFits = fileSize - *q - zip::kLocalHeaderSize >= h.nameLength;
            const bool same = h.extractVersion == first.extractVersion && h.compMethod == first.compMethod &&
                              h.lastModTime == first.lastModTime && h.lastModDate == first.lastModDate &&
                              h.crc32 == first.crc32 && h.compSize == first.compSize &&
                              h.unCompSize == first.unCompSize;
            if (nameFits && (*q == 0 || same)) {
                StubSize = *q;
                return;
            }
        }
        at = *q + 1;
    }
}

void TDirManager::AdjustOffsets() {
    for (size_t i = 0; i < CDir.ItemCount(); ++i) {
        if (CDir[i].CentralDir.compSize == 0) continue;
        if (CDir[i].localHeaderOffset() < StubSize) ApplyStubOffset();
        return;
    }
}

void TDirManager::ApplyStubOffset() {
    for (size_t i = 0; i < CDir.ItemCount(); ++i) {
        auto& item = CDir[i];
        auto& c = item.CentralDir;
        if (c.externalAttr & zip::kAttrDirectory) continue;
        if (c.relOffsetLH == 0xFFFFFFFF && item.bHugeFile)
            item.Zip64ExtInfo.relOffsetLH += StubSize;
        else
            c.relOffsetLH = static_cast<uint32_t>(c.relOffsetLH + StubSize);
    }
}

} // namespace upd
