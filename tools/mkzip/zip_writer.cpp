#include "zip_writer.h"

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

class ZipCrypto {
public:
    explicit ZipCrypto(const std::string& password) {
        for (unsigned char c : password) update(c);
    }
    unsigned char encrypt(unsigned char plain) {
        const uint16_t t = static_cast<uint16_t>(keys_[2] | 2);
        const unsigned char cipher = plain ^ static_cast<unsigned char>((uint32_t{t} * (t ^ 1u)) >> 8);
        update(plain);
        return cipher;
    }

private:
    static uint32_t crcByte(uint32_t crc, unsigned char b) {
        return static_cast<uint32_t>(get_crc_table()[(crc ^ b) & 0xFF] ^ (crc >> 8));
    }
    void update(unsigned char c) {
        keys_[0] = crcByte(keys_[0], c);
        keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
        keys_[2] = crcByte(keys_[2], static_cast<unsigned char>(keys_[1] >> 24));
    }
    uint32_t keys_[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

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
        ZipCrypto crypto(password_);
        static std::mt19937 random(12345);
        std::string header(12, '\0');
        for (int i = 0; i < 11; ++i) header[i] = static_cast<char>(random() & 0xFF);
        header[11] = static_cast<char>(c.crc >> 24);  // the check byte
        std::string sealed;
        sealed.reserve(12 + body.size());
        for (char b : header) sealed.push_back(static_cast<char>(crypto.encrypt(static_cast<unsigned char>(b))));
        for (char b : body) sealed.push_back(static_cast<char>(crypto.encrypt(static_cast<unsigned char>(b))));
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
