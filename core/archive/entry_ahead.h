// Entries decoded ahead, on the other core, by two workers in archive order. A large entry
// is decoded whole (read -> decrypt -> inflate or copy -> write) into an unnamed file on
// the output's file system, at most two at a time; the caller's thread, when it comes to
// it, puts the unnamed file in place of the entry's pending file. A small entry is decoded
// into memory (a few megabytes in all at most) and written by the caller's thread. Either
// way the caller raises the entry's progress events step by step as the worker passes
// them, so the events, their order and values are those of decoding the entry on the
// caller's thread; a worker never raises an event or asks the user anything. Whatever
// cannot be used as it is (another password, a rejected header, a file that cannot be put
// in place) is dropped, and the caller decodes that entry itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "archive/zip_crypto.h"
#include "platform/file_handle.h"
#include "platform/folder_handle.h"

namespace upd {

class ArchiveFile;

class AheadDecoder {
public:
    // What a worker needs of an entry, copied on the caller's thread.
    struct Plan {
        size_t index = 0;
        uint64_t headerAt = 0;        // local header offset
        uint64_t compressedSize = 0;  // from the directory
        uint64_t declared = 0;        // uncompressed size from the directory
        uint64_t dataLimit = 0;       // the central directory's offset: entry data ends before it
        uint16_t method = 0;          // stored or deflated
        bool encrypted = false;       // traditional encryption
        bool inMemory = false;        // small: decoded into memory, written by the caller
    };

    // One progress event of the entry and what followed it.
    struct Step {
        int64_t progress = 0;        // the progress position the event reports
        uint64_t producedAfter = 0;  // bytes of the entry written once the step is done
        bool failed = false;         // the data is bad here (the entry fails)
        // The write fell short: the caller writes `size` bytes of `data` at `offset` itself
        // (asking about the full disk as usual), then resume() lets the worker go on. `data`
        // is the worker's buffer, lent while the worker waits for resume().
        bool diskFull = false;
        const uint8_t* data = nullptr;
        size_t size = 0;
        uint64_t offset = 0;
    };

    struct End {
        bool failed = false;  // the archive ended inside the entry's data
        uint32_t crc = 0;     // CRC-32 of what was written
    };

    struct Job;

    // The bytes of an entry decoded into memory together with their share of the memory
    // budget: the share is given back when the bytes are freed, never while anyone may
    // still fill or read them.
    class MemoryLease {
    public:
        MemoryLease() = default;
        // Reserves `bytes` of the budget whose total in use is `held`.
        MemoryLease(std::atomic<uint64_t>& held, uint64_t bytes);
        ~MemoryLease() { giveBack(); }
        MemoryLease(MemoryLease&& other) noexcept;
        MemoryLease& operator=(MemoryLease&& other) noexcept;
        MemoryLease(const MemoryLease&) = delete;
        MemoryLease& operator=(const MemoryLease&) = delete;

        // Allocates the bytes reserved (outside the decoder's lock: it may take a while).
        void allocate();
        uint8_t* data() const { return data_.get(); }

    private:
        void giveBack();

        std::atomic<uint64_t>* held_ = nullptr;
        uint64_t bytes_ = 0;
        std::unique_ptr<uint8_t[]> data_;
    };

    // A job the caller took. What it needs of the job is handed over here, under the lock,
    // so that nothing the worker wrote is read unguarded afterwards.
    struct Taken {
        std::shared_ptr<Job> job;
        // The unnamed file the entry is decoded into; null for an entry decoded into memory.
        // Borrowed: the job keeps it open until release().
        const files::FileHandle* file = nullptr;
        // An entry decoded into memory: its bytes, valid up to the last step's producedAfter.
        MemoryLease memory;
    };

    // Entries decoded into an unnamed file: compressed data larger than one chunk.
    static constexpr uint64_t kLargerThan = 1 << 20;
    // Entries decoded into memory: at most this much, compressed and uncompressed.
    static constexpr uint64_t kInMemoryUpTo = 1 << 20;

    AheadDecoder(ArchiveFile& file, std::vector<Plan> plans, std::string password);
    ~AheadDecoder();
    AheadDecoder(const AheadDecoder&) = delete;
    AheadDecoder& operator=(const AheadDecoder&) = delete;

    // The output's base folder; unnamed files are made there (a duplicate is kept).
    // Workers start once it is known.
    void setFolder(const files::FolderHandle* folder);
    // The caller has come to entry `index`: work on entries before it is dropped.
    void reach(size_t index);
    // The job of entry `index` when it can be used with `password` (the one its encryption
    // header was accepted with); none when the caller decodes the entry itself.
    std::optional<Taken> take(size_t index, const std::string& password);
    // Waits for the job's next step; false when it has no more.
    bool nextStep(Taken& taken, Step& step);
    // After a diskFull step, once the caller wrote its bytes.
    void resume(Taken& taken);
    // After nextStep() returned false.
    End endOf(Taken& taken);
    // The caller is done with the job: the worker stops if it has not finished, and the
    // job's file and memory are freed.
    void release(Taken& taken);
    // The job is not used after all (its file could not be put in place): the caller
    // decodes the entry itself.
    void giveUp(Taken& taken);
    // Space is short: unnamed files of entries the caller has not come to yet are dropped
    // and freed, and no more are made. True when some were dropped.
    bool releaseSpace();

private:
    struct Worker;
    void run(Worker& w);
    bool claimable();
    void decode(Worker& w, Job& job, MemoryLease memory);
    void decodeToFile(Worker& w, Job& job, uint64_t dataAt, uint64_t compSize,
                      const std::optional<zip::ZipCryptoKeys>& keys);
    void decodeToMemory(Worker& w, Job& job, MemoryLease memory, uint64_t dataAt, uint64_t compSize,
                        std::optional<zip::ZipCryptoKeys>& keys);
    bool publish(Job& job, const Step& step);
    void wakeWorkers();
    void dropLocked(const std::shared_ptr<Job>& job);
    void waitWorkersOff(const std::vector<std::shared_ptr<Job>>& jobs, std::unique_lock<std::mutex>& lock);

    ArchiveFile& file_;
    std::vector<Plan> plans_;  // empty: nothing is decoded ahead

    std::mutex m_;
    std::condition_variable workCv_;    // workers wait for an entry to take on
    std::condition_variable jobCv_;     // workers wait inside a job (room for steps, resume)
    std::condition_variable callerCv_;  // the caller waits for a job
    std::string password_;       // for entries claimed from now on
    files::FolderHandle folder_;
    bool stop_ = false;
    bool noMore_ = false;        // space ran short: no more unnamed files
    size_t cursor_ = 0;          // next plan to consider
    size_t callerAt_ = 0;        // the entry the caller has come to
    size_t callerOwns_ = SIZE_MAX;  // an entry the caller decodes itself
    // Bytes of entries decoded into memory not yet freed. Reserved under m_ (so that claims
    // follow archive order); given back by MemoryLease from whichever thread frees them.
    std::atomic<uint64_t> memoryHeld_{0};
    std::vector<std::shared_ptr<Job>> jobs_;  // claimed and not yet released
    std::vector<std::shared_ptr<Job>> retired_;  // dropped while their worker was at them
    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<std::thread> threads_;
};

} // namespace upd
