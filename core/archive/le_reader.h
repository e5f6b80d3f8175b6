// Bounds-checked little-endian reading of ZIP records from a byte range: a read past the
// end yields zeros and marks the reader failed instead of touching foreign memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace upd::zip {

class LeReader {
public:
    LeReader(const void* data, size_t size) : p_(static_cast<const uint8_t*>(data)), size_(size) {}

    uint8_t u8() { return static_cast<uint8_t>(take(1)); }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    uint32_t u32() { return static_cast<uint32_t>(take(4)); }
    uint64_t u64() { return take(8); }

    // The next `n` bytes, or an empty view (and failure) when fewer remain.
    std::string_view bytes(size_t n) {
        if (n > remaining()) {
            ok_ = false;
            pos_ = size_;
            return {};
        }
        std::string_view v(reinterpret_cast<const char*>(p_ + pos_), n);
        pos_ += n;
        return v;
    }
    void skip(size_t n) { bytes(n); }

    size_t position() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    bool ok() const { return ok_; }

private:
    uint64_t take(size_t n) {
        if (n > remaining()) {
            ok_ = false;
            pos_ = size_;
            return 0;
        }
        uint64_t v = 0;
        for (size_t i = 0; i < n; ++i) v |= static_cast<uint64_t>(p_[pos_ + i]) << (8 * i);
        pos_ += n;
        return v;
    }

    const uint8_t* p_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

inline uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

} // namespace upd::zip
