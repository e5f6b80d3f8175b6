#include "zip_test_writer.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include <zlib.h>

#include "archive/zip_crypto.h"
#include "platform/fs_path.h"
#include "platform/text.h"

namespace upd::test {
namespace {

void put16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
void put64(std::string& s, uint64_t v) {
    put32(s, static_cast<uint32_t>(v));
    put32(s, static_cast<uint32_t>(v >> 32));
}

} // namespace

std::string deflateRaw(const std::string& data) {
    z_stream z{};
    if (deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, data.size()) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

uint32_t crc32Of(const std::string& data) {
    return static_cast<uint32_t>(crc32_z(0, reinterpret_cast<const Bytef*>(data.data()), data.size()));
}

BuiltArchive buildZip(const TestArchive& archive) {
    BuiltArchive out;
    std::string& s = out.bytes;
    s = archive.prefix;
    std::string central;
    for (const auto& e : archive.entries) {
        const uint32_t crc = crc32Of(e.data);
        std::string payload = e.method == 8 ? deflateRaw(e.data) : e.data;
        uint16_t flags = 0;
        if (!e.password.empty()) flags |= 0x0001;
        if (e.dataDescriptor) flags |= 0x0008;
        if (e.utf8Flag) flags |= 0x0800;
        if (!e.password.empty()) {
            uint32_t keys[3];
            zip::zipCryptoInitKeys(keys, e.password);
            std::string header(12, '\0');
            for (int i = 0; i < 11; ++i) header[static_cast<size_t>(i)] = static_cast<char>(0x31 * i + 7);
            header[11] = static_cast<char>(e.dataDescriptor ? (e.time >> 8) : (crc >> 24));
            std::string plain = header + payload;
            std::string enc(plain.size(), '\0');
            zip::zipCryptoEncrypt(keys, reinterpret_cast<const uint8_t*>(plain.data()),
                                  reinterpret_cast<uint8_t*>(enc.data()), plain.size());
            payload = enc;
        }
        const uint16_t method = e.methodOverride.value_or(e.method);
        const uint64_t offset = s.size();
        out.localHeaderOffsets.push_back(offset);
        // Local header.
        put32(s, 0x04034B50);
        put16(s, e.extractVersion);
        put16(s, flags);
        put16(s, method);
        put16(s, e.time);
        put16(s, e.date);
        put32(s, e.dataDescriptor ? 0 : crc);
        put32(s, e.dataDescriptor ? 0 : static_cast<uint32_t>(payload.size()));
        put32(s, e.dataDescriptor ? 0 : static_cast<uint32_t>(e.data.size()));
        put16(s, static_cast<uint32_t>(e.name.size()));
        put16(s, 0);
        s += e.name;
        out.dataOffsets.push_back(s.size() + (e.password.empty() ? 0 : 12));
        s += payload;
        if (e.dataDescriptor && e.descriptorWritten) {
            if (e.descriptorSignature) put32(s, 0x08074B50);
            put32(s, crc);
            put32(s, static_cast<uint32_t>(payload.size()));
            put32(s, static_cast<uint32_t>(e.data.size()));
        }
        // Central header.
        std::string extra;
        if (e.zip64) {
            std::string z;
            put64(z, e.data.size());
            put64(z, payload.size());
            put64(z, archive.offsetsAfterPrefix ? offset - archive.prefix.size() : offset);
            put16(extra, 0x0001);
            put16(extra, static_cast<uint32_t>(z.size()));
            extra += z;
        }
        if (!e.nucxName.empty()) {
            const std::u16string u = text::toU16(e.nucxName);
            std::string z = "NUCX";
            put32(z, static_cast<uint32_t>(u.size()));
            for (char16_t c : u) put16(z, c);
            put16(extra, 0x554E);
            put16(extra, static_cast<uint32_t>(z.size()));
            extra += z;
        }
        extra += e.centralExtra;
        put32(central, 0x02014B50);
        put16(central, e.versionMadeBy);
        put16(central, e.extractVersion);
        put16(central, flags);
        put16(central, method);
        put16(central, e.time);
        put16(central, e.date);
        put32(central, e.centralCrc.value_or(crc));
        put32(central, e.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(payload.size()));
        put32(central, e.zip64 ? 0xFFFFFFFF : e.centralUncompSize.value_or(static_cast<uint32_t>(e.data.size())));
        put16(central, static_cast<uint32_t>(e.name.size()));
        put16(central, static_cast<uint32_t>(extra.size()));
        put16(central, static_cast<uint32_t>(e.comment.size()));
        put16(central, 0);
        put16(central, 0);
        put32(central, e.externalAttr);
        const uint64_t stored = archive.offsetsAfterPrefix ? offset - archive.prefix.size() : offset;
        put32(central, e.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(stored));
        central += e.name;
        central += extra;
        central += e.comment;
    }
    out.centralDirOffset = s.size();
    s += central;
    const uint64_t count = archive.entries.size();
    if (archive.zip64End) {
        const uint64_t zip64At = s.size();
        put32(s, 0x06064B50);
        put64(s, 44);
        put16(s, 45);
        put16(s, 45);
        put32(s, 0);
        put32(s, 0);
        put64(s, count);
        put64(s, count);
        put64(s, central.size());
        put64(s, out.centralDirOffset);
        put32(s, 0x07064B50);
        put32(s, 0);
        put64(s, zip64At);
        put32(s, 1);
    }
    out.endRecordOffset = s.size();
    put32(s, 0x06054B50);
    put16(s, 0);
    put16(s, 0);
    put16(s, archive.zip64End ? 0xFFFF : static_cast<uint32_t>(count));
    put16(s, archive.zip64End ? 0xFFFF : static_cast<uint32_t>(count));
    put32(s, archive.zip64End ? 0xFFFFFFFF : static_cast<uint32_t>(central.size()));
    put32(s, archive.zip64End ? 0xFFFFFFFF : static_cast<uint32_t>(out.centralDirOffset));
    put16(s, static_cast<uint32_t>(archive.comment.size()));
    s += archive.comment;
    return out;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(files::pathOf(path), std::ios::binary | std::ios::trunc);  // UTF-8 on every platform
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
    std::ifstream f(files::pathOf(path), std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

} // namespace upd::test
