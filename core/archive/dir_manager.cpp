#include "archive/dir_manager.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "archive/archive_error.h"
#include "archive/entry_spans.h"
#include "archive/le_reader.h"

namespace upd {

TDirManager::TDirManager(ArchiveFile* stream, const TDirSettings& settings)
    : FCompressedStream(stream), FSettings(settings) {}

void TDirManager::resetState() {
    CDir.clear();
    CentralDirEnd = zip::TZipCentralDirEnd{};
    Zip64CentralDirEndLocator = {};
    Zip64CentralDirEnd = {};
    FZip64 = false;
    StubSize = 0;
    CentralDirOffset = 0;
    EndRecordPosition = 0;
    endRecordFound_ = false;
    Rebuilt = false;
}

zip::NameDecoding TDirManager::nameDecoding() const {
    return {endRecordFound_ && CentralDirEnd.signature == zip::kEndRecordSig, FSettings.OEMFileNames};
}

std::optional<uint64_t> TDirManager::FindCentralDirEnd() {
    ArchiveComment.clear();
    const uint64_t fileSize = FCompressedStream->size();
    if (fileSize < zip::kEndRecordSize) return std::nullopt;
    const size_t windowSize = static_cast<size_t>(std::min<uint64_t>(fileSize, zip::kEndRecordWindow));
    const uint64_t windowStart = fileSize - windowSize;
    std::vector<uint8_t> window(windowSize);
    FCompressedStream->readExactAt(windowStart, window.data(), windowSize);

    for (size_t i = windowSize - 4 + 1; i-- > 0;) {
        if (zip::le32(&window[i]) != zip::kEndRecordSig) continue;
        const uint64_t pos = windowStart + i;
        if (windowSize - i < zip::kEndRecordSize) continue;
        zip::LeReader r(&window[i], zip::kEndRecordSize);
        const auto e = zip::TZipCentralDirEnd::parse(r);
        const int64_t p22 = static_cast<int64_t>(pos) + zip::kEndRecordSize;
        if (e.startDiskNumber > e.diskNumber || e.entriesOnDisk > e.entriesCentralDir) continue;
        if (e.centralDirSize != 0xFFFFFFFF && static_cast<int64_t>(e.centralDirSize) >= p22) continue;
        if (!(e.startDiskNumber < e.diskNumber || e.offsetStartDir == 0xFFFFFFFF ||
              static_cast<int64_t>(e.offsetStartDir) < p22 - static_cast<int64_t>(e.centralDirSize)))
            continue;
        if (fileSize - pos - zip::kEndRecordSize < e.commentLength) continue;
        CentralDirEnd = e;
        const size_t commentAt = i + zip::kEndRecordSize;
        ArchiveComment.assign(reinterpret_cast<const char*>(window.data() + commentAt), e.commentLength);
        return pos;
    }
    return std::nullopt;
}

void TDirManager::LoadDir() {
    loadEntries();
    refuseOverlappingEntries(*FCompressedStream, CDir, CentralDirOffset, Rebuilt);
}

void TDirManager::loadEntries() {
    resetState();
    const auto endPos = FindCentralDirEnd();
    if (!endPos) {
        RebuildDir();
        return;
    }
    endRecordFound_ = true;
    const uint64_t recordPos = *endPos;
    EndRecordPosition = recordPos;

    if (recordPos > zip::kZip64LocatorSize) {
        uint8_t buf[zip::kZip64LocatorSize];
        FCompressedStream->readExactAt(recordPos - zip::kZip64LocatorSize, buf, sizeof buf);
        zip::LeReader r(buf, sizeof buf);
        Zip64CentralDirEndLocator = zip::TZip64CentralDirEndLocator::parse(r);
        FZip64 = Zip64CentralDirEndLocator.signature == zip::kZip64LocatorSig;
    }
    if (FZip64) {
        const uint64_t working = recordPos - zip::kZip64LocatorSize;
        bool found = false;
        if (working > zip::kZip64EndRecordSize) {
            uint8_t buf[zip::kZip64EndRecordSize] = {};
            FCompressedStream->readAt(Zip64CentralDirEndLocator.offsetStartDirEnd, buf, sizeof buf);
            zip::LeReader r(buf, sizeof buf);
            Zip64CentralDirEnd = zip::TZip64CentralDirEnd::parse(r);
            found = Zip64CentralDirEnd.signature == zip::kZip64EndRecordSig;
        }
        if (!found) throw EArchiveError(native_error::kNoZip64DirEnd);
    }
    if (!FZip64 && CentralDirEnd.entriesCentralDir == 0xFFFF) {
        RebuildDir();
        return;
    }

    // The directory ends where the end record (or the Zip64 end record in front of the
    // locator) begins; the stored offset is not trusted for a single file.
    // A Zip64 size is 64 bits wide: it is compared, never subtracted past zero.
    const uint64_t dirEnd = FZip64 ? recordPos - zip::kZip64LocatorSize - zip::kZip64EndRecordSize : recordPos;
    const uint64_t dirSize = FZip64 ? Zip64CentralDirEnd.centralDirSize : CentralDirEnd.centralDirSize;
    const uint64_t count = FZip64 ? Zip64CentralDirEnd.entriesCentralDir : CentralDirEnd.entriesCentralDir;
    try {
        if (dirSize > dirEnd) throw EReadError();
        readEntries(dirEnd - dirSize, dirEnd, count);
    } catch (const EArchiveError&) {
        if (!FSettings.OpenCorruptedArchives) throw;
        RebuildDir();
        return;
    } catch (const EReadError&) {
        if (!FSettings.OpenCorruptedArchives) throw;
        RebuildDir();
        return;
    }

    if (!FSettings.OpenCorruptedArchives) {
        uint64_t sum = 0;
        for (size_t i = 0; i < CDir.ItemCount(); ++i) sum += CDir[i].CentralDir.compSize;
        if (sum > FCompressedStream->size()) throw EArchiveError(native_error::kArchiveDamagedSizes);
    }

    uint32_t lastDisk = CentralDirEnd.diskNumber;
    if (lastDisk == 0xFFFF) lastDisk = FZip64 ? Zip64CentralDirEndLocator.totalNumberOfDisks - 1 : 0;
    if (lastDisk == 0) FindStub();
    AdjustOffsets();
}

void TDirManager::readEntries(uint64_t start, uint64_t end, uint64_t count) {
    // The directory is read by its size, entry after entry until its bytes are used up, and
    // the record's count must agree. Read by the count alone, a count lower than the
    // directory would drop the entries past it without a word, and the release would be
    // unpacked incomplete; a count that disagrees marks the directory damaged instead (the
    // list is rebuilt from the local headers, and the update refuses a rebuilt list). The
    // list grows as entries are actually read, so a false count costs no memory.

    const auto how = nameDecoding();
    uint64_t pos = start;
    CentralDirOffset = start;
    auto read = [this, &pos](size_t n) -> const uint8_t* {
        const uint8_t* p = n == 0 ? nullptr : FCompressedStream->view(pos, n);
        if (n != 0 && !p) throw EReadError();
        pos += n;
        return p;
    };
    while (pos < end) {
        TDirItem& item = CDir.append();
        {
            zip::LeReader r(read(zip::kCentralHeaderSize), zip::kCentralHeaderSize);
            item.CentralDir = zip::TZipCentralDir::parse(r);
        }
        const auto& c = item.CentralDir;
        if ((c.genPurposeFlag & zip::kFlagEncrypted) && c.extractVersion < zip::kStrongEncryptionVersion)
            item.ZFEncryptionAlgorithm = TCryptoAlgorithm::caPkzipClassic;
        item.CompressionMethod = c.compMethod;
        if (c.nameLength != 0) {
            const auto* p = read(c.nameLength);
            CDir.setName(CDir.ItemCount() - 1,
                         zip::decodeEntryName({reinterpret_cast<const char*>(p), c.nameLength}, c.genPurposeFlag, how));
        }
        if (c.extraLength != 0) {
            const auto* p = read(c.extraLength);
            std::string unicodeName;
            if (zip::parseExtraFields({reinterpret_cast<const char*>(p), c.extraLength}, item, unicodeName))
                CDir.setName(CDir.ItemCount() - 1, std::move(unicodeName));
        }
        if (c.commentLength != 0) {
            const auto* p = read(c.commentLength);
            item.Comment.assign(reinterpret_cast<const char*>(p), c.commentLength);
        }
        if (pos > end) throw archiveDamaged("entry " + std::to_string(CDir.ItemCount()) + " runs past the central directory");
    }
    if (CDir.ItemCount() != count)
        throw archiveDamaged("the end record counts " + std::to_string(count) + " entries, the central directory holds " +
                      std::to_string(CDir.ItemCount()));
}

} // namespace upd
