// A tiny ZIP writer for the archive tests: stored and deflated entries, ZipCrypto,
// data descriptors, Zip64 records, raw name bytes, the UTF-8 flag and the NUCX block.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace upd::test {

struct TestEntry {
    std::string name;  // bytes as stored
    std::string data;
    uint16_t method = 8;
    std::string password;  // non-empty: traditional encryption
    bool dataDescriptor = false;
    bool descriptorSignature = true;  // the descriptor's optional 50 4B 07 08
    bool descriptorWritten = true;    // false: flagged, but left out (as some writers do)
    bool utf8Flag = false;
    std::string nucxName;  // UTF-8; written as a 0x554E block in the central header
    bool zip64 = false;    // sizes and offset as 0xFFFFFFFF with a Zip64 block
    uint32_t externalAttr = 0x20;
    uint16_t versionMadeBy = 20;  // host in the high byte (3 = Unix)
    uint16_t extractVersion = 20;
    uint16_t time = 0x6000;  // 12:00:00
    uint16_t date = 0x5A21;  // 2025-01-01
    std::string comment;
    std::optional<uint32_t> centralCrc;       // a different CRC-32 in the directory
    std::optional<uint32_t> centralUncompSize;
    std::optional<uint16_t> methodOverride;   // method recorded, data still deflated/stored
    std::string centralExtra;                 // further raw extra bytes
};

struct TestArchive {
    std::vector<TestEntry> entries;
    std::string comment;
    bool zip64End = false;
    std::string prefix;            // bytes in front
    bool offsetsAfterPrefix = false;  // stored offsets count from the end of the prefix
};

struct BuiltArchive {
    std::string bytes;
    std::vector<uint64_t> localHeaderOffsets;
    std::vector<uint64_t> dataOffsets;  // after the local header (and the encryption header)
    uint64_t centralDirOffset = 0;
    uint64_t endRecordOffset = 0;
};

BuiltArchive buildZip(const TestArchive& archive);
std::string deflateRaw(const std::string& data);
uint32_t crc32Of(const std::string& data);
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

} // namespace upd::test
