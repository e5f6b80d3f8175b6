#include "archive/chunk_reader.h"

#include <algorithm>

#include <zlib.h>

#include "archive/archive_file.h"

namespace upd {

ChunkReader::ChunkReader(size_t chunkSize, size_t buffers) : chunkSize_(chunkSize) {
    for (size_t i = 0; i < buffers; ++i) buffers_.push_back(std::make_unique_for_overwrite<uint8_t[]>(chunkSize));
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
        file_ = &file;
        next_ = offset;
        end_ = offset + size;
        failed_ = false;
        keys_ = keys;
        checksum_ = checksum;
        crc_ = 0;
        active_ = true;
        if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
    }
    cv_.notify_all();
}

ChunkReader::Chunk ChunkReader::next() {
    std::unique_lock<std::mutex> lock(m_);
    if (held_) {
        free_.push_back(*held_);
        held_.reset();
        cv_.notify_all();
    }
    cv_.wait(lock, [this] { return !ready_.empty() || !active_ || ((next_ >= end_ || failed_) && !busy_); });
    if (ready_.empty()) return Chunk{nullptr, 0, !failed_};
    const Ready r = ready_.front();
    ready_.pop_front();
    held_ = r.buffer;
    if (!r.ok) return Chunk{nullptr, 0, false};
    return Chunk{buffers_[r.buffer].get(), r.size, true, r.crc};
}

void ChunkReader::stop() {
    std::unique_lock<std::mutex> lock(m_);
    active_ = false;
    cv_.notify_all();
    cv_.wait(lock, [this] { return !busy_; });
    free_.clear();
    ready_.clear();
    held_.reset();
    for (size_t i = 0; i < buffers_.size(); ++i) free_.push_back(i);
    keys_.reset();
}

void ChunkReader::run() {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
        cv_.wait(lock, [this] { return shutdown_ || (active_ && !failed_ && next_ < end_ && !free_.empty()); });
        if (shutdown_) return;
        const size_t buffer = free_.front();
        free_.pop_front();
        const uint64_t at = next_;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(chunkSize_, end_ - at));
        next_ += n;
        busy_ = true;
        ArchiveFile* file = file_;
        lock.unlock();
        uint8_t* data = buffers_[buffer].get();
        const bool ok = file->readAt(at, data, n) == n;
        // keys_ and crc_ are the worker's while busy.
        if (ok && keys_ && checksum_)
            keys_->decrypt(data, data, n, crc_);
        else if (ok && keys_)
            keys_->decrypt(data, data, n);
        else if (ok && checksum_)
            crc_ = static_cast<uint32_t>(crc32_z(crc_, data, n));
        const uint32_t crc = crc_;
        lock.lock();
        busy_ = false;
        if (!active_) {
            free_.push_back(buffer);
        } else {
            ready_.push_back({buffer, n, ok, crc});
            if (!ok) failed_ = true;
        }
        cv_.notify_all();
    }
}

} // namespace upd
