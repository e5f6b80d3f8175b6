// The read and decrypt stages of a large entry, run ahead in a worker thread: while the
// caller's thread inflates, checks and writes one chunk, the next is read and decrypted.
// Only buffers cross threads; every event stays on the caller's thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

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
    // Abandons the range; returns once the worker no longer touches any buffer.
    void stop();

private:
    void run();

    const size_t chunkSize_;
    std::vector<std::unique_ptr<uint8_t[]>> buffers_;

    std::mutex m_;
    std::condition_variable cv_;
    std::thread worker_;
    bool shutdown_ = false;
    bool active_ = false;
    bool busy_ = false;  // the worker reads or decrypts outside the lock
    ArchiveFile* file_ = nullptr;
    uint64_t next_ = 0;  // next offset to read
    uint64_t end_ = 0;
    bool failed_ = false;
    std::optional<zip::ZipCryptoKeys> keys_;
    bool checksum_ = false;
    uint32_t crc_ = 0;  // the worker's while busy
    std::deque<size_t> free_;
    struct Ready {
        size_t buffer;
        size_t size;
        bool ok;
        uint32_t crc;
    };
    std::deque<Ready> ready_;
    std::optional<size_t> held_;  // the buffer the caller is using
};

} // namespace upd
