// The read and decrypt stages of a large entry, run ahead in a worker thread: while the
// caller's thread inflates, checks and writes one chunk, the next is read and decrypted.
// Only buffers cross threads, and always by move under the lock: whoever holds a buffer is
// the only one touching it. Every event stays on the caller's thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "archive/zip_crypto.h"

namespace upd {

class ArchiveFile;

class ChunkReader {
public:
    struct Chunk {
        const uint8_t* data = nullptr;
        size_t size = 0;  // 0: the range is done
        bool ok = true;   // false: the file ended before the range did
        uint32_t crc = 0; // with checksums asked for: CRC-32 of the range up to this chunk's end
    };

    ChunkReader(size_t chunkSize, size_t buffers);
    ~ChunkReader();
    ChunkReader(const ChunkReader&) = delete;
    ChunkReader& operator=(const ChunkReader&) = delete;

    // Begins delivering [offset, offset + size) of `file` in chunks, decrypted with `keys`
    // when given (continuing them chunk after chunk); with `checksum`, the CRC-32 of the
    // (decrypted) bytes is computed here too, off the caller's thread.
    void start(ArchiveFile& file, uint64_t offset, uint64_t size, std::optional<zip::ZipCryptoKeys> keys,
               bool checksum);
    // The next chunk, valid until the following call to next() or stop().
    Chunk next();
    // Abandons the range; returns once the worker no longer holds any buffer of it.
    void stop();

private:
    using Buffer = std::unique_ptr<uint8_t[]>;
    // Where reading stands in the range. Handed to the worker by move for each chunk (the
    // keys and checksum run on from chunk to chunk), and back when the chunk is done.
    struct Range {
        ArchiveFile* file = nullptr;
        uint64_t next = 0;  // next offset to read
        uint64_t end = 0;
        std::optional<zip::ZipCryptoKeys> keys;
        bool checksum = false;
        uint32_t crc = 0;
    };
    struct Ready {
        Buffer buffer;
        size_t size;
        bool ok;
        uint32_t crc;
    };

    void run();

    const size_t chunkSize_;

    std::mutex m_;
    std::condition_variable cv_;
    std::thread worker_;
    bool shutdown_ = false;
    bool failed_ = false;
    std::optional<Range> range_;  // empty while the worker holds it, or with no range
    bool active_ = false;         // a range is being delivered
    bool busy_ = false;           // the worker holds the range and a buffer
    std::deque<Buffer> free_;
    std::deque<Ready> ready_;
    Buffer held_;  // the buffer of the chunk the caller is using
};

} // namespace upd
