// Decoding of one entry into an output file: local header, password check, then the
// stages read -> decrypt -> inflate (or copy) -> write, each over whole buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include <zlib.h>

#include "archive/chunk_reader.h"
#include "archive/entry_ahead.h"

namespace upd {

class PendingFile;
class TBaseArchiver;
struct TDirItem;

// Buffers and inflate state kept across entries, so that many small entries cost no
// allocations; peak memory stays the same whatever the archive's size.
struct DecodeBuffers {
    static constexpr size_t kChunk = 1 << 20;      // compressed bytes read at a time
    static constexpr size_t kOutput = 1 << 20;     // inflated bytes per inflate call
    static constexpr size_t kStoredSlice = 65535;  // stored data per progress report

    DecodeBuffers();
    ~DecodeBuffers();
    DecodeBuffers(const DecodeBuffers&) = delete;
    DecodeBuffers& operator=(const DecodeBuffers&) = delete;

    // Raw inflate stream ready for a new entry; false when zlib cannot provide one.
    bool resetInflate();

    std::unique_ptr<uint8_t[]> plain;   // decrypted chunk (entries of one chunk)
    std::unique_ptr<uint8_t[]> output;  // inflated bytes
    ChunkReader reader{kChunk, 3};      // read and decrypt ahead (larger entries)
    z_stream z{};
    bool zReady = false;
};

class EntryDecoder {
public:
    explicit EntryDecoder(TBaseArchiver& archiver) : a_(archiver) {}

    // Decodes entry `index` into the pending file `out` (written from offset 0), or puts
    // the file a worker decoded it into in its place. Returns normally when the entry is
    // done, skipped at the password request or cancelled; raises EArchiveError when it
    // fails, or EReadError when its local header cannot be read.
    void decode(size_t index, PendingFile& out, const std::string& workName);

private:
    struct State;
    bool storedChunk(const TDirItem& item, State& s, const uint8_t* data, size_t n);
    bool inflateChunk(const TDirItem& item, State& s, const uint8_t* data, size_t n);
    bool emit(State& s, const uint8_t* data, size_t n);
    void follow(const TDirItem& item, State& s, AheadDecoder& ahead, const std::shared_ptr<AheadDecoder::Job>& job);

    TBaseArchiver& a_;
};

} // namespace upd
