// Recovery of damaged and prefixed archives: the directory rebuild from local headers,
// the search for a stub in front of the archive data and the shift of entry offsets.
#include "archive/dir_manager.h"

#include <vector>

#include "archive/archive_error.h"
#include "archive/le_reader.h"

namespace upd {

std::optional<uint64_t> TDirManager::findSignature(uint64_t from, uint32_t signature, size_t windowSize,
                                                   size_t needAfter) {
    const uint64_t fileSize = FCompressedStream->size();
    std::vector<uint8_t> window(windowSize);
    uint64_t at = from;
    while (at < fileSize) {
        const size_t got = FCompressedStream->readAt(at, window.data(), windowSize);
        if (got < 4) return std::nullopt;
        for (size_t i = 0; i + 4 <= got; ++i) {
            if (zip::le32(&window[i]) != signature) continue;
            const uint64_t pos = at + i;
            if (fileSize - pos >= needAfter) return pos;
        }
        if (at + got >= fileSize) return std::nullopt;
        at += got - 3;  // windows overlap so that a signature across their border is seen
    }
    return std::nullopt;
}

void TDirManager::RebuildDir() {
    // Rebuilding the list from local headers is not done yet: an archive whose directory
    // cannot be used is refused.
    CDir.setCount(0);
    if (FSettings.SpanningMode != TSpanningMode::smNone) throw EArchiveError(native_error::kOpenAborted);
    throw EArchiveError(native_error::kInvalidArchive);
}

void TDirManager::FindStub() {
    if (CDir.ItemCount() == 0) {
        StubSize = EndRecordPosition;
        return;
    }
    const auto& first = CDir[0].CentralDir;
    const uint64_t fileSize = FCompressedStream->size();
    uint64_t at = CDir[0].localHeaderOffset();
    while (at < fileSize) {
        const auto q = findSignature(at, zip::kLocalHeaderSig, 10000, 4);
        if (!q) return;
        uint8_t buf[zip::kLocalHeaderSize];
        if (fileSize - *q >= zip::kLocalHeaderSize) {
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
