#include "archive/chunk_reader.h"

#include <algorithm>

#include "archive/archive_file.h"
#include "archive/whole_inflate.h"

namespace upd {

ChunkReader::ChunkReader(size_t chunkSize, size_t buffers) : chunkSize_(chunkSize) {
    for (size_t i = 0; i < buffers; ++i) free_.push_back(std::make_unique_for_overwrite<uint8_t[]>(chunkSize));
}

ChunkReader::~ChunkReader() {
    {
        std::lock_guard<std::mutex> lock(m_);
        shutdown_ = true;
    }
    cv_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void ChunkReader::start(ArchiveFile& file, uint64_t offset, uint64_t size, std::optional<zip::ZipCryptoKeys> keys,
                        bool checksum) {
    stop();
    {
        std::lock_guard<std::mutex> lock(m_);
        range_ = Range{&file, offset, offset + size, keys, checksum, 0};
        failed_ = false;
        active_ = true;
        if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
    }
    cv_.notify_all();
}

ChunkReader::Chunk ChunkReader::next() {
    std::unique_lock<std::mutex> lock(m_);
    if (held_) {
        free_.push_back(std::move(held_));
        cv_.notify_all();
    }
    const auto rangeDone = [this] { return range_ && (range_->next >= range_->end || failed_); };
    cv_.wait(lock, [&] { return !ready_.empty() || !active_ || (!busy_ && rangeDone()); });
    if (ready_.empty()) return Chunk{nullptr, 0, !failed_};
    Ready r = std::move(ready_.front());
    ready_.pop_front();
    held_ = std::move(r.buffer);
    if (!r.ok) return Chunk{nullptr, 0, false};
    return Chunk{held_.get(), r.size, true, r.crc};
}

void ChunkReader::stop() {
    std::unique_lock<std::mutex> lock(m_);
    active_ = false;
    cv_.notify_all();
    cv_.wait(lock, [this] { return !busy_; });
    for (auto& r : ready_) free_.push_back(std::move(r.buffer));
    ready_.clear();
    if (held_) free_.push_back(std::move(held_));
    range_.reset();
}

void ChunkReader::run() {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
        cv_.wait(lock, [this] {
            return shutdown_ || (active_ && !failed_ && range_ && range_->next < range_->end && !free_.empty());
        });
        if (shutdown_) return;
        Buffer buffer = std::move(free_.front());
        free_.pop_front();
        Range range = std::move(*range_);
        range_.reset();
        busy_ = true;
        lock.unlock();

        const uint64_t at = range.next;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(chunkSize_, range.end - at));
        range.next += n;
        uint8_t* data = buffer.get();
        const bool ok = range.file->readAt(at, data, n) == n;
        if (ok && range.keys && range.checksum)
            range.keys->decrypt(data, data, n, range.crc);
        else if (ok && range.keys)
            range.keys->decrypt(data, data, n);
        else if (ok && range.checksum)
            range.crc = zipCrc32(range.crc, data, n);

        lock.lock();
        busy_ = false;
        if (!active_) {
            free_.push_back(std::move(buffer));  // stop() came meanwhile: the range is over
        } else {
            const uint32_t crc = range.crc;
            range_ = std::move(range);
            ready_.push_back({std::move(buffer), n, ok, crc});
            if (!ok) failed_ = true;
        }
        cv_.notify_all();
    }
}

} // namespace upd
