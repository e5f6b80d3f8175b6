// Traditional PKWARE encryption of the ZIP application note (decryption side).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace upd::zip {

class ZipCryptoKeys {
public:
    // Keys set to the note's initial values and updated with every password byte.
    explicit ZipCryptoKeys(std::string_view password);

    // Decrypts `n` bytes from `in` to `out` (they may be the same buffer).
    void decrypt(const uint8_t* in, uint8_t* out, size_t n);
    // The same, continuing the ZIP CRC-32 `crc` (zlib's convention) over the plain bytes:
    // the checksum's short chain runs beside the keys' long one at no extra cost.
    void decrypt(const uint8_t* in, uint8_t* out, size_t n, uint32_t& crc);

    // Decrypts a copy of the 12-byte encryption header; true when its last byte is `checkByte`.
    bool acceptsHeader(const uint8_t* header12, uint8_t checkByte);

private:
    uint32_t k0_ = 0x12345678;
    uint32_t k1_ = 0x23456789;
    uint32_t k2_ = 0x34567890;
};

// Encryption, for writing test archives.
void zipCryptoEncrypt(uint32_t keys[3], const uint8_t* in, uint8_t* out, size_t n);
void zipCryptoInitKeys(uint32_t keys[3], std::string_view password);

} // namespace upd::zip
