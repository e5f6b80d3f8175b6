#include "archive/zip_crypto.h"

#include <array>

namespace upd::zip {
namespace {

constexpr std::array<uint32_t, 256> makeCrcTable() {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[i] = c;
    }
    return t;
}

constexpr std::array<uint32_t, 256> kCrc = makeCrcTable();

inline void update(uint32_t& k0, uint32_t& k1, uint32_t& k2, uint8_t plain) {
    k0 = kCrc[(k0 ^ plain) & 0xFF] ^ (k0 >> 8);
    k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
    k2 = kCrc[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8);
}

inline uint8_t keyStream(uint32_t k2) {
    const uint32_t t = k2 | 2;
    return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

// Keeps the compiler from folding a value back into the serial chain: the chain from one
// key byte to the next is what limits decryption, so everything that can be computed
// beside it is.
template <class T>
inline T offChain(T v) {
#if defined(__GNUC__)
    asm("" : "+r"(v));
#endif
    return v;
}

// One byte of decryption with the same result as update() after keyStream(), ordered so
// that the chain k2 -> key stream -> k0 -> k1 -> k2 is as short as it can be: k0 ^ cipher,
// k1 * C + 1 and the low byte of k2 are ready before the chain reaches them.
inline uint8_t decryptByte(uint32_t& k0, uint32_t& k1, uint32_t& k2, uint8_t cipher) {
    const uint32_t t = k2 | 2;
    const uint32_t ks = (t * (t ^ 1)) >> 8;  // bits 8-15 of the product need the low 16 bits only
    const uint32_t c = cipher;
    const uint32_t x = k0 ^ c;
    k0 = kCrc[(x ^ ks) & 0xFF] ^ (k0 >> 8);
    const uint32_t k1Part = offChain(k1 * 134775813u + 1);
    k1 = k1Part + (k0 & 0xFF) * 134775813u;
    const uint32_t k2Low = offChain(k2 & 0xFF);
    k2 = kCrc[k2Low ^ (k1 >> 24)] ^ (k2 >> 8);
    return static_cast<uint8_t>(c ^ ks);
}

} // namespace

ZipCryptoKeys::ZipCryptoKeys(std::string_view password) {
    for (char c : password) update(k0_, k1_, k2_, static_cast<uint8_t>(c));
}

void ZipCryptoKeys::decrypt(const uint8_t* in, uint8_t* out, size_t n) {
    // Keys in registers for the whole buffer.
    uint32_t k0 = k0_, k1 = k1_, k2 = k2_;
    for (size_t i = 0; i < n; ++i) out[i] = decryptByte(k0, k1, k2, in[i]);
    k0_ = k0;
    k1_ = k1;
    k2_ = k2;
}

void ZipCryptoKeys::decrypt(const uint8_t* in, uint8_t* out, size_t n, uint32_t& crc) {
    uint32_t k0 = k0_, k1 = k1_, k2 = k2_;
    uint32_t c = ~crc;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t plain = decryptByte(k0, k1, k2, in[i]);
        out[i] = plain;
        c = kCrc[(c ^ plain) & 0xFF] ^ (c >> 8);
    }
    crc = ~c;
    k0_ = k0;
    k1_ = k1;
    k2_ = k2;
}

bool ZipCryptoKeys::acceptsHeader(const uint8_t* header12, uint8_t checkByte) {
    uint8_t plain[12];
    decrypt(header12, plain, sizeof plain);
    return plain[11] == checkByte;
}

void zipCryptoInitKeys(uint32_t keys[3], std::string_view password) {
    keys[0] = 0x12345678;
    keys[1] = 0x23456789;
    keys[2] = 0x34567890;
    for (char c : password) update(keys[0], keys[1], keys[2], static_cast<uint8_t>(c));
}

void zipCryptoEncrypt(uint32_t keys[3], const uint8_t* in, uint8_t* out, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const uint8_t plain = in[i];
        out[i] = plain ^ keyStream(keys[2]);
        update(keys[0], keys[1], keys[2], plain);
    }
}

} // namespace upd::zip
