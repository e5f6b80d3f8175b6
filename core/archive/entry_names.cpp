#include "archive/entry_names.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/text.h"

namespace upd::zip {
namespace {

std::string oemStep(std::string_view stored, uint16_t flag, const NameDecoding& how) {
    std::string bytes(stored.substr(0, std::min(stored.find('\0'), stored.size())));
    if (how.zipEndRecord && how.oemFileNames && (flag & kFlagUtf8) == 0)
        codepage::oemToAnsiInPlace(bytes.data(), bytes.size());
    return bytes;
}

} // namespace

std::string decodeEntryName(std::string_view stored, uint16_t genPurposeFlag, const NameDecoding& how) {
    std::string bytes = oemStep(stored, genPurposeFlag, how);
    const bool high = std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (!high) return bytes;
    if (codepage::isValidUtf8(bytes)) return bytes;
    return codepage::ansiToUtf8(bytes);
}

bool parseExtraFields(std::string_view extra, TDirItem& item, std::string& unicodeName) {
    bool hasUnicodeName = false;
    const size_t length = extra.size();
    size_t consumed = 0;
    LeReader r(extra.data(), extra.size());
    while (length >= 4 && consumed <= length - 4) {
        TExtraFieldDataBlock& block = item.ExtraFields.emplace_back();
        block.headerID = r.u16();
        block.dataSize = r.u16();
        consumed += 4;
        if (block.dataSize > length - consumed) block.dataSize = static_cast<uint16_t>(length - consumed);
        auto data = r.bytes(block.dataSize);
        block.pData.assign(data.begin(), data.end());
        consumed += block.dataSize;

        const auto& c = item.CentralDir;
        if (block.headerID == kExtraZip64) {
            LeReader z(block.pData.data(), block.pData.size());
            auto take64 = [&z](uint64_t& out) {
                if (z.remaining() >= 8) out = z.u64();
            };
            if (c.unCompSize == 0xFFFFFFFF) take64(item.Zip64ExtInfo.uncompSize);
            if (c.compSize == 0xFFFFFFFF) take64(item.Zip64ExtInfo.compSize);
            if (c.relOffsetLH == 0xFFFFFFFF) take64(item.Zip64ExtInfo.relOffsetLH);
            if (c.diskNumberStart == 0xFFFF && z.remaining() >= 2) item.Zip64ExtInfo.diskNumberStart = z.u16();
            item.bHugeFile = true;
        } else if (block.headerID == kExtraUnicodeName) {
            LeReader u(block.pData.data(), block.pData.size());
            if (u.bytes(4) == "NUCX") {
                const uint32_t units = u.u32();
                const size_t available = u.remaining() / 2;
                std::u16string name;
                name.reserve(std::min<size_t>(units, available));
                for (size_t i = 0; i < units && i < available; ++i) name.push_back(static_cast<char16_t>(u.u16()));
                unicodeName = text::fromU16(name);
                hasUnicodeName = true;
            }
        } else if (block.headerID == kExtraAes && c.extractVersion < kStrongEncryptionVersion) {
            LeReader a(block.pData.data(), block.pData.size());
            a.skip(4);  // vendor version and vendor id
            const uint8_t strength = a.u8();
            const uint16_t method = a.u16();
            if (a.ok()) {
                if (strength == 1) item.ZFEncryptionAlgorithm = TCryptoAlgorithm::caAES_128;
                if (strength == 2) item.ZFEncryptionAlgorithm = TCryptoAlgorithm::caAES_192;
                if (strength == 3) item.ZFEncryptionAlgorithm = TCryptoAlgorithm::caAES_256;
                item.CompressionMethod = method;
            }
        }
    }
    return hasUnicodeName;
}

} // namespace upd::zip
