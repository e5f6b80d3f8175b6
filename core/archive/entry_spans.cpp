#include "archive/entry_spans.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "archive/archive_error.h"
#include "archive/archive_file.h"
#include "archive/dir_array.h"
#include "archive/le_reader.h"
#include "archive/zip_format.h"

namespace upd {
namespace {

constexpr uint64_t kDescriptorWithSignature = 16;
constexpr uint64_t kDescriptorWithoutSignature = 12;

struct Span {
    uint64_t begin = 0;
    uint64_t end = 0;  // one past the last byte
    size_t index = 0;
};

// Entries are counted from 1 in directory order: their names may hold anything.
std::string entryNo(size_t index) { return "entry " + std::to_string(index + 1); }

} // namespace

void refuseOverlappingEntries(ArchiveFile& file, const TDirArray& list, uint64_t dataEnd, bool rebuilt) {
    const uint64_t fileSize = file.size();
    std::vector<Span> spans;
    spans.reserve(list.ItemCount());
    for (size_t i = 0; i < list.ItemCount(); ++i) {
        const TDirItem& item = list[i];
        if (item.isFolder()) continue;
        const uint64_t at = item.localHeaderOffset();
        const uint8_t* bytes = at <= fileSize && fileSize - at >= zip::kLocalHeaderSize
                                   ? file.view(at, zip::kLocalHeaderSize)
                                   : nullptr;
        if (!bytes || zip::le32(bytes) != zip::kLocalHeaderSig)
            throw archiveDamaged(entryNo(i) + " has no local header where the directory places it");
        zip::LeReader r(bytes, zip::kLocalHeaderSize);
        const auto h = zip::TZipLocalHeader::parse(r);
        // `at` lies inside the file, so the header's own end cannot wrap.
        uint64_t end = at + zip::kLocalHeaderSize + h.nameLength + h.extraLength;
        const uint64_t size = item.compressedSize();
        end = size > std::numeric_limits<uint64_t>::max() - end ? std::numeric_limits<uint64_t>::max() : end + size;
        // A rebuilt entry whose descriptor was never found has none to count.
        if ((h.genPurposeFlag & zip::kFlagDataDescriptor) && !item.DescriptorMissing && end <= fileSize) {
            // The shortest layout the bytes allow: a Zip64 descriptor counted short loses
            // 8 bytes of the check, one counted long would refuse a sound archive. A writer
            // that sets the flag and writes no descriptor is met too: the next header follows.
            // Through the window: with many small entries, the next header is in it already.
            const uint8_t* sig = file.view(end, 4);
            const uint32_t next = sig ? zip::le32(sig) : 0;
            if (next == zip::kDataDescriptorSig)
                end += kDescriptorWithSignature;
            else if (next != zip::kLocalHeaderSig && next != zip::kCentralHeaderSig)
                end += kDescriptorWithoutSignature;
        }
        if (end > dataEnd) {
            if (!rebuilt) throw archiveDamaged("the data of " + entryNo(i) + " runs into the central directory");
            end = dataEnd;
        }
        spans.push_back({at, end, i});
    }
    // Ties in directory order, so that the entries named are the first that clash.
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.begin != b.begin ? a.begin < b.begin : a.index < b.index; });
    const Span* reach = nullptr;  // the span reaching furthest so far
    for (const Span& s : spans) {
        if (reach && s.begin < reach->end) {
            const auto [first, second] = std::minmax(reach->index, s.index);
            throw archiveDamaged("the data of " + entryNo(first) + " and " + entryNo(second) + " overlap");
        }
        if (!reach || s.end > reach->end) reach = &s;
    }
}

} // namespace upd
