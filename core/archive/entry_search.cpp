// Selection of entries by name mask and attributes: FindFirst and FindNext.
#include "archive/base_archiver.h"

#include "archive/mask_match.h"
#include "platform/files.h"

namespace upd {
namespace {

constexpr char kSep = files::kSeparator;

// Of a name in the platform's separators.
std::string fileNamePart(const std::string& path) {
    const size_t slash = path.find_last_of(kSep);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A mask as the names it is matched against: '/' becomes the platform's separator.
std::string maskInPlatformSeparators(std::string mask) {
    for (char& c : mask)
        if (c == '/') c = kSep;
    return mask;
}

// Entry names accept both separators; the program shows and uses the platform's.
std::string withPlatformSeparators(std::string name) {
    for (char& c : name)
        if (c == '\\' || c == '/') c = kSep;
    return name;
}

std::string folderPart(const std::string& name) {
    const size_t slash = name.find_last_of(kSep);
    return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

} // namespace

bool TBaseArchiver::FindFirst(const std::string& fileMask, TArchiveItem& f, int searchAttr,
                              const std::string& exclusionMask) {
    std::string mask = fileMask;
    const bool drive = mask.size() >= 2 && mask[1] == ':' &&
                       ((mask[0] >= 'A' && mask[0] <= 'Z') || (mask[0] >= 'a' && mask[0] <= 'z'));
    if (drive && FOptions.StorePath != TStorePath::spFullPathWithDrive) mask.erase(0, 2);
    for (char& c : mask)
        if (c == '\\') c = '/';
    f.Handle.CFindMask = mask;
    f.Handle.FWildCards = mask.find_first_of("*?") != std::string::npos;
    f.Handle.FFindAttr = searchAttr;
    f.Handle.ExclusionMask = exclusionMask;
    f.Handle.UseProperties = false;
    f.Handle.ItemNo = 0;
    return findMatching(f);
}

bool TBaseArchiver::FindNext(TArchiveItem& f) {
    f.Handle.ItemNo += 1;
    return findMatching(f);
}

bool TBaseArchiver::findMatching(TArchiveItem& f) {
    if (!FActive || !DMHandle_) return false;
    const TDirArray& list = DMHandle_->CDir;
    const auto& h = f.Handle;
    const std::string& mask = h.CFindMask;
    const std::string platformMask = maskInPlatformSeparators(mask);
    const std::string exclusionMask = maskInPlatformSeparators(h.ExclusionMask);
    if (h.ItemNo < 0) return false;
    size_t found = list.ItemCount();

    if (!h.FWildCards && !FOptions.Recurse) {
        const long at = list.indexOf(mask);
        if (at < h.ItemNo) return false;
        found = static_cast<size_t>(at);
    } else {
        const std::string maskFolder = TDirArray::lowerName(folderPart(withPlatformSeparators(mask)));
        for (size_t i = static_cast<size_t>(h.ItemNo); i < list.ItemCount(); ++i) {
            const TDirItem& item = list[i];
            std::string name = withPlatformSeparators(item.Name);
            if (!FOptions.Recurse && TDirArray::lowerName(folderPart(name)) != maskFolder) continue;
            if (!name.empty() && name.back() == kSep) name.pop_back();
            bool match = matchesMask(name, platformMask) || matchesMask(fileNamePart(name), platformMask);
            if (match && matchesMask(name, exclusionMask)) match = false;
            if (!match) continue;
            const uint32_t attrs = item.CentralDir.externalAttr & 0x1E;
            if ((attrs & ~static_cast<uint32_t>(h.FFindAttr)) != 0) continue;
            found = i;
            break;
        }
        if (found == list.ItemCount()) return false;
    }

    const TDirItem& item = list[found];
    f.Handle.ItemNo = static_cast<int>(found);
    std::string name = withPlatformSeparators(item.Name);
    if (!name.empty() && name.back() == kSep) name.pop_back();
    f.StoredPath = folderPart(name);
    f.FileName = name.substr(f.StoredPath.size());
    f.CompressedSize = static_cast<int64_t>(item.compressedSize());
    f.UncompressedSize = static_cast<int64_t>(item.uncompressedSize());
    if (f.UncompressedSize == 0) {
        f.CompressionRate = 100;
    } else {
        const double rate = (1.0 - static_cast<double>(f.CompressedSize) / static_cast<double>(f.UncompressedSize)) * 100;
        f.CompressionRate = rate < 0 ? 0 : rate;
    }
    f.Encrypted = item.encrypted();
    f.LastModFileDate = item.CentralDir.lastModDate;
    f.LastModFileTime = item.CentralDir.lastModTime;
    f.CRC = item.CentralDir.crc32;
    f.ExternalFileAttributes = item.CentralDir.externalAttr;
    f.Comment = item.Comment;
    return true;
}

} // namespace upd
