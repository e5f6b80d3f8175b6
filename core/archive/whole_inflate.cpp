#include "archive/whole_inflate.h"

#include <libdeflate.h>

namespace upd {

uint32_t zipCrc32(uint32_t crc, const uint8_t* data, size_t n) { return libdeflate_crc32(crc, data, n); }

WholeInflater::WholeInflater() : decompressor_(libdeflate_alloc_decompressor()) {}

WholeInflater::~WholeInflater() {
    if (decompressor_) libdeflate_free_decompressor(decompressor_);
}

std::optional<size_t> WholeInflater::decode(const uint8_t* in, size_t n, uint8_t* out, size_t capacity) {
    if (!decompressor_) return std::nullopt;
    size_t used = 0;
    size_t produced = 0;
    if (libdeflate_deflate_decompress_ex(decompressor_, in, n, out, capacity, &used, &produced) != LIBDEFLATE_SUCCESS)
        return std::nullopt;
    return produced;
}

} // namespace upd
