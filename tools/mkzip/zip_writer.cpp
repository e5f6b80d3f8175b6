#include "zip_writer.h"

#include "archive/zip_crypto.h"

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace upd::tools {

namespace {

void put16(std::string& s, uint32_t v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

std::string rawDeflate(const std::string& data) {
    z_stream z{};
    if (deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, data.size()) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(z.total_out);
    return out;
}

void dosTime(std::time_t t, uint16_t& time, uint16_t& date) {
    std::tm tm{};
    if (t == 0) t = std::time(nullptr);
    localtime_r(&t, &tm);
    if (tm.tm_year < 80) tm = std::tm{0, 0, 0, 1, 0, 80, 0, 0, 0, 0, nullptr};
    time = static_cast<uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    date = static_cast<uint16_t>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
}

bool isAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

void ZipWriter::add(const ZipEntryInput& e) {
    const bool folder = !e.name.empty() && e.name.back() == '/';
    Central c{};
    c.name = e.name;
    dosTime(e.modified, c.time, c.date);
    c.crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
    c.size = static_cast<uint32_t>(e.data.size());
    c.method = (!folder && e.deflate) ? 8 : 0;
    std::string body = c.method == 8 ? rawDeflate(e.data) : e.data;
    const bool encrypt = !password_.empty() && !folder;
    c.flags = static_cast<uint16_t>((encrypt ? 1 : 0) | (isAscii(e.name) ? 0 : 0x800));
    if (encrypt) {
        static std::mt19937 random(12345);
        std::string sealed(12, '\0');
        for (int i = 0; i < 11; ++i) sealed[i] = static_cast<char>(random() & 0xFF);
        sealed[11] = static_cast<char>(c.crc >> 24);  // the check byte
        sealed += body;
        uint32_t keys[3];
        zip::zipCryptoInitKeys(keys, password_);
        auto* bytes = reinterpret_cast<uint8_t*>(sealed.data());
        zip::zipCryptoEncrypt(keys, bytes, bytes, sealed.size());
        body = std::move(sealed);
    }
    c.compressed = static_cast<uint32_t>(body.size());
    c.offset = static_cast<uint32_t>(out_.size());
    c.external = ((folder ? (040000u | 0755u) : (0100000u | e.unixMode)) << 16) | (folder ? 0x10u : 0x20u);

    put32(out_, 0x04034b50);
    put16(out_, c.method == 8 ? 20 : 10);
    put16(out_, c.flags);
    put16(out_, c.method);
    put16(out_, c.time);
    put16(out_, c.date);
    put32(out_, c.crc);
    put32(out_, c.compressed);
    put32(out_, c.size);
    put16(out_, static_cast<uint32_t>(c.name.size()));
    put16(out_, 0);
    out_ += c.name;
    out_ += body;
    central_.push_back(c);
}

std::string ZipWriter::finish(const std::string& comment) {
    const uint32_t start = static_cast<uint32_t>(out_.size());
    for (const auto& c : central_) {
        put32(out_, 0x02014b50);
        put16(out_, (3 << 8) | 20);  // made on Unix
        put16(out_, c.method == 8 ? 20 : 10);
        put16(out_, c.flags);
        put16(out_, c.method);
        put16(out_, c.time);
        put16(out_, c.date);
        put32(out_, c.crc);
        put32(out_, c.compressed);
        put32(out_, c.size);
        put16(out_, static_cast<uint32_t>(c.name.size()));
        put16(out_, 0);
        put16(out_, 0);
        put16(out_, 0);
        put16(out_, 0);
        put32(out_, c.external);
        put32(out_, c.offset);
        out_ += c.name;
    }
    const uint32_t size = static_cast<uint32_t>(out_.size()) - start;
    put32(out_, 0x06054b50);
    put16(out_, 0);
    put16(out_, 0);
    put16(out_, static_cast<uint32_t>(central_.size()));
    put16(out_, static_cast<uint32_t>(central_.size()));
    put32(out_, size);
    put32(out_, start);
    put16(out_, static_cast<uint32_t>(comment.size()));
    out_ += comment;
    return std::move(out_);
}

void addFolder(ZipWriter& writer, const std::string& folder, const std::vector<std::string>& storedExtensions) {
    namespace fs = std::filesystem;
    std::vector<fs::path> paths;
    for (const auto& e : fs::recursive_directory_iterator(folder)) paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    for (const auto& p : paths) {
        ZipEntryInput in;
        in.name = fs::relative(p, folder).generic_string();
        const auto status = fs::status(p);
        in.modified = std::chrono::system_clock::to_time_t(
            std::chrono::file_clock::to_sys(fs::last_write_time(p)));
        if (fs::is_directory(status)) {
            in.name += '/';
        } else {
            std::ifstream f(p, std::ios::binary);
            in.data.assign(std::istreambuf_iterator<char>(f), {});
            in.unixMode = static_cast<uint32_t>(status.permissions()) & 0777;
            const std::string ext = p.extension().string();
            in.deflate = std::find(storedExtensions.begin(), storedExtensions.end(), ext) == storedExtensions.end();
        }
        writer.add(in);
    }
}

} // namespace upd::tools
