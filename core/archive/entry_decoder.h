// Decoding of one entry into its output: local header, password check, then the stages
// read -> decrypt -> inflate (or copy) -> write, each over whole buffers. What the entry
// needs from the component comes through its DecodeSink; nothing else of it is seen here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "archive/chunk_reader.h"
#include "archive/decode_sink.h"
#include "archive/entry_ahead.h"
#include "archive/inflater.h"

namespace upd {

class ArchiveFile;
struct TDirItem;

// Buffers and inflate state kept across entries and calls, so that many small entries
// cost no allocations; peak memory stays the same whatever the archive's size.
struct DecodeBuffers {
    static constexpr size_t kChunk = 1 << 20;  // compressed bytes read at a time

    std::unique_ptr<uint8_t[]> plain = std::make_unique_for_overwrite<uint8_t[]>(kChunk);  // decrypted chunk
    Inflater inflater;
    ChunkReader reader{kChunk, 3};  // read and decrypt ahead (larger entries)
};

// How decoding an entry ended when it raised nothing.
struct DecodeOutcome {
    bool failed = false;   // bad data, size or checksum (or a method not decoded here)
    bool skipped = false;  // the user refused to give a password: nothing was written
};

class EntryDecoder {
public:
    // `ahead`, when given, may hold the entry decoded already by a worker.
    EntryDecoder(ArchiveFile& file, DecodeBuffers& buffers, AheadDecoder* ahead, DecodeSink& sink)
        : file_(file), b_(buffers), ahead_(ahead), sink_(sink) {}

    // Decodes entry `index` (`item`) into the sink's output, written from offset 0; the
    // entry's data ends before `dataLimit` (the central directory). A cancel through the
    // sink ends it early and normally. Raises EArchiveError for a Deflate64 entry and
    // EReadError when the local header cannot be read.
    DecodeOutcome decode(size_t index, const TDirItem& item, uint64_t dataLimit);

private:
    struct State;
    void stored(State& s, const uint8_t* data, size_t n);
    void inflated(State& s, const uint8_t* data, size_t n);
    bool emit(State& s, const uint8_t* data, size_t n);
    void follow(State& s, AheadDecoder::Taken& taken);

    ArchiveFile& file_;
    DecodeBuffers& b_;
    AheadDecoder* ahead_;
    DecodeSink& sink_;
};

} // namespace upd
