// Raw deflate data held whole in memory, decoded in one call (libdeflate), and the ZIP
// CRC-32 by the same library. Decoding a whole buffer at once is about twice as fast as
// inflating it piece by piece through a stream, and its checksum is several times faster
// than zlib's; the stream stays for data that arrives in pieces and for every error report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

struct libdeflate_decompressor;

namespace upd {

// CRC-32 of ZIP (zlib's convention: 0 to start, the running value to go on).
uint32_t zipCrc32(uint32_t crc, const uint8_t* data, size_t n);

class WholeInflater {
public:
    WholeInflater();
    ~WholeInflater();
    WholeInflater(const WholeInflater&) = delete;
    WholeInflater& operator=(const WholeInflater&) = delete;

    // Decodes the raw deflate data [in, in + n) into [out, out + capacity): the number of
    // bytes it holds, or nothing when the data is not one whole deflate stream that fits
    // (damaged, cut short, longer than `capacity`) or no decompressor could be had. Bytes
    // after the end of the stream are ignored, as a stream does.
    std::optional<size_t> decode(const uint8_t* in, size_t n, uint8_t* out, size_t capacity);

private:
    libdeflate_decompressor* decompressor_;
};

} // namespace upd
