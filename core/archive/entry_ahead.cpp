#include "archive/entry_ahead.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string_view>
#include <utility>

#include "archive/archive_file.h"
#include "archive/chunk_reader.h"
#include "archive/inflater.h"
#include "archive/whole_inflate.h"
#include "archive/zip_crypto.h"
#include "archive/zip_format.h"

namespace upd {
namespace {

// Workers, and so entries decoded at once; also the most unnamed files held.
constexpr size_t kWorkers = 2;
// Entries decoded into memory and not yet written: at most so many, of so many bytes.
constexpr size_t kMaxJobs = 64;
constexpr uint64_t kMemoryBudget = 4 << 20;
// Steps a worker may be ahead of the caller's events before it waits (memory stays small
// whatever the entry's size).
constexpr size_t kMaxQueuedSteps = 8192;
// Compressed bytes read at a time, as on the caller's thread.
constexpr size_t kChunk = 1 << 20;

// Writes all of [data, data + n) at `offset`; returns how much was written.
size_t writeAt(files::FileHandle& file, const uint8_t* data, size_t n, uint64_t offset) {
    size_t done = 0;
    file.writeAllAt(offset, std::string_view(reinterpret_cast<const char*>(data), n), &done);
    return done;
}

} // namespace

AheadDecoder::MemoryLease::MemoryLease(std::atomic<uint64_t>& held, uint64_t bytes) : held_(&held), bytes_(bytes) {
    held_->fetch_add(bytes_);
}

AheadDecoder::MemoryLease::MemoryLease(MemoryLease&& other) noexcept
    : held_(std::exchange(other.held_, nullptr)), bytes_(other.bytes_), data_(std::move(other.data_)) {}

AheadDecoder::MemoryLease& AheadDecoder::MemoryLease::operator=(MemoryLease&& other) noexcept {
    if (this != &other) {
        giveBack();
        held_ = std::exchange(other.held_, nullptr);
        bytes_ = other.bytes_;
        data_ = std::move(other.data_);
    }
    return *this;
}

void AheadDecoder::MemoryLease::allocate() {
    data_ = std::make_unique_for_overwrite<uint8_t[]>(std::max<uint64_t>(bytes_, 1));
}

void AheadDecoder::MemoryLease::giveBack() {
    data_.reset();
    if (held_) held_->fetch_sub(bytes_);
    held_ = nullptr;
}

// Everything here but `plan` and `planPos` is guarded by the decoder's lock.
struct AheadDecoder::Job {
    Plan plan;
    size_t planPos = 0;
    std::string password;
    // The unnamed file; closed only once the worker is off the job (it writes through a
    // borrowed handle until then).
    files::FileHandle file;
    MemoryLease memory;      // an entry decoded into memory, once it is finished
    bool prepared = false;   // header accepted, file made: the caller may take it
    bool unusable = false;   // the caller decodes the entry itself
    bool taken = false;
    bool abort = false;
    bool workerDone = false;
    bool finished = false;
    bool resumed = false;
    std::deque<Step> steps;
    End end;
};

// A worker's own buffers: the chunk reader (read and decrypt run ahead of inflate and
// write, as on the caller's thread), the input of an entry decoded into memory and the
// inflate state.
struct AheadDecoder::Worker {
    ChunkReader reader{kChunk, 2};
    std::unique_ptr<uint8_t[]> input = std::make_unique_for_overwrite<uint8_t[]>(AheadDecoder::kInMemoryUpTo);
    Inflater inflater;
    WholeInflater whole;
};

AheadDecoder::AheadDecoder(ArchiveFile& file, std::vector<Plan> plans, std::string password)
    : file_(file), plans_(std::move(plans)), password_(std::move(password)) {
    if (plans_.empty()) return;
    try {
        for (size_t i = 0; i < kWorkers; ++i) workers_.push_back(std::make_unique<Worker>());
        for (size_t i = 0; i < kWorkers; ++i) threads_.emplace_back([this, i] { run(*workers_[i]); });
    } catch (const std::exception&) {
        // No memory or threads to be had: every entry is decoded on the caller's thread,
        // which is what happens without plans anyway.
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
        }
        wakeWorkers();
        for (auto& t : threads_) t.join();
        threads_.clear();
        plans_.clear();
    }
}

AheadDecoder::~AheadDecoder() {
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
        for (auto& job : jobs_) job->abort = true;
        jobs_.clear();
    }
    wakeWorkers();
    for (auto& t : threads_) t.join();
}

void AheadDecoder::setFolder(const files::FolderHandle* folder) {
    if (!folder || plans_.empty()) return;
    std::lock_guard<std::mutex> lock(m_);
    if (folder_.isOpen()) return;
    folder->duplicate(folder_);  // without it, nothing is decoded into files
    wakeWorkers();
}

void AheadDecoder::wakeWorkers() {
    workCv_.notify_all();
    jobCv_.notify_all();
}

void AheadDecoder::dropLocked(const std::shared_ptr<Job>& job) {
    job->abort = true;
    const auto at = std::find(jobs_.begin(), jobs_.end(), job);
    if (at == jobs_.end()) return;
    jobs_.erase(at);
    job->memory = {};  // finished and never taken: its bytes go now
    if (!job->workerDone && !job->plan.inMemory) retired_.push_back(job);
}

void AheadDecoder::reach(size_t index) {
    if (plans_.empty()) return;
    std::lock_guard<std::mutex> lock(m_);
    callerAt_ = index;
    bool dropped = false;
    while (true) {
        const auto passed =
            std::find_if(jobs_.begin(), jobs_.end(), [&](const auto& job) { return job->plan.index < index; });
        if (passed == jobs_.end()) break;
        dropLocked(std::shared_ptr<Job>(*passed));
        dropped = true;
    }
    if (dropped) wakeWorkers();
}

bool AheadDecoder::claimable() {
    if (stop_) return false;
    for (; cursor_ < plans_.size(); ++cursor_) {
        const Plan& plan = plans_[cursor_];
        if (plan.index < callerAt_ || plan.index == callerOwns_ || (noMore_ && !plan.inMemory)) continue;
        const bool claimed =
            std::any_of(jobs_.begin(), jobs_.end(), [&](const auto& job) { return job->plan.index == plan.index; });
        if (claimed) continue;
        // In archive order: the next entry waits until there is room for it.
        if (plan.inMemory) return jobs_.size() < kMaxJobs && memoryHeld_.load() + plan.declared <= kMemoryBudget;
        const auto files =
            std::count_if(jobs_.begin(), jobs_.end(), [](const auto& job) { return !job->plan.inMemory; });
        return folder_.isOpen() && static_cast<size_t>(files) < kWorkers;
    }
    return false;
}

void AheadDecoder::run(Worker& w) {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
        workCv_.wait(lock, [this] { return stop_ || claimable(); });
        if (stop_) return;
        auto job = std::make_shared<Job>();
        job->plan = plans_[cursor_];
        job->planPos = cursor_++;
        job->password = password_;
        // Reserved now, in archive order; handed to the job with the bytes once decoded.
        MemoryLease memory;
        if (job->plan.inMemory) memory = MemoryLease(memoryHeld_, job->plan.declared);
        jobs_.push_back(job);
        lock.unlock();
        bool broke = false;
        try {
            decode(w, *job, std::move(memory));
        } catch (const std::exception&) {
            broke = true;  // out of memory or threads: the entry fails or the caller decodes it
        }
        lock.lock();
        if (broke && !job->finished) {
            job->end.failed = true;
            job->finished = true;
        }
        // A dropped job's file goes at once: its space may be what the caller waits for.
        if (job->abort && !job->taken) job->file = files::FileHandle();
        job->workerDone = true;
        if (!job->prepared) job->unusable = true;
        retired_.erase(std::remove(retired_.begin(), retired_.end(), job), retired_.end());
        callerCv_.notify_all();
    }
}

bool AheadDecoder::publish(Job& job, const Step& step) {
    std::unique_lock<std::mutex> lock(m_);
    jobCv_.wait(lock, [&] { return job.abort || stop_ || job.steps.size() < kMaxQueuedSteps; });
    if (job.abort || stop_) return false;
    job.steps.push_back(step);
    callerCv_.notify_all();
    if (!step.diskFull) return true;
    job.resumed = false;
    jobCv_.wait(lock, [&] { return job.abort || stop_ || job.resumed; });
    return !(job.abort || stop_);
}

void AheadDecoder::decode(Worker& w, Job& job, MemoryLease memory) {
    const Plan& pl = job.plan;
    uint8_t lhBytes[zip::kLocalHeaderSize];
    if (file_.readAt(pl.headerAt, lhBytes, sizeof lhBytes) != sizeof lhBytes) return;
    zip::LeReader lr(lhBytes, sizeof lhBytes);
    const auto lh = zip::TZipLocalHeader::parse(lr);
    uint64_t dataAt = pl.headerAt + zip::kLocalHeaderSize + lh.nameLength + lh.extraLength;
    uint64_t compSize = pl.compressedSize;
    if (dataAt >= pl.dataLimit)
        compSize = 0;
    else if (compSize > pl.dataLimit - dataAt)
        compSize = pl.dataLimit - dataAt;

    std::optional<zip::ZipCryptoKeys> keys;
    if (pl.encrypted) {
        compSize = compSize >= zip::kEncryptionHeaderSize ? compSize - zip::kEncryptionHeaderSize : 0;
        const uint8_t check = (lh.genPurposeFlag & zip::kFlagDataDescriptor) ? static_cast<uint8_t>(lh.lastModTime >> 8)
                                                                             : static_cast<uint8_t>(lh.crc32 >> 24);
        uint8_t header[zip::kEncryptionHeaderSize];
        if (job.password.empty() || file_.readAt(dataAt, header, sizeof header) != sizeof header) return;
        zip::ZipCryptoKeys k(job.password);
        if (!k.acceptsHeader(header, check)) return;
        keys = k;
        dataAt += zip::kEncryptionHeaderSize;
    }
    if (!w.inflater.reset()) return;
    if (pl.inMemory)
        decodeToMemory(w, job, std::move(memory), dataAt, compSize, keys);
    else
        decodeToFile(w, job, dataAt, compSize, keys);
}

void AheadDecoder::decodeToFile(Worker& w, Job& job, uint64_t dataAt, uint64_t compSize,
                                const std::optional<zip::ZipCryptoKeys>& keys) {
    const Plan& pl = job.plan;
    files::FileHandle made;
    if (folder_.createUnnamed(made)) return;
    files::FileHandle* out = nullptr;  // the job's from here on; it stays open while we write
    {
        std::lock_guard<std::mutex> lock(m_);
        job.file = std::move(made);
        out = &job.file;
        job.prepared = true;
        callerCv_.notify_all();
    }

    // The same stages over the same chunks as on the caller's thread, so that every
    // progress step falls where it would there.
    const bool stored = pl.method == zip::kMethodStored;
    uint64_t produced = 0;
    uint32_t crc = 0;
    bool readFailed = false;
    // Writes what a step produced; false when decoding of the entry ends here.
    auto emit = [&](int64_t progress, const uint8_t* data, size_t n, bool checksum) {
        bool stopHere = false;
        Step step;
        step.progress = progress;
        if (n > pl.declared - produced) {
            n = static_cast<size_t>(pl.declared - produced);
            step.failed = stopHere = true;
        }
        if (writeAt(*out, data, n, produced) != n) {
            step.diskFull = true;
            step.data = data;
            step.size = n;
            step.offset = produced;
        }
        if (checksum) crc = zipCrc32(crc, data, n);
        produced += n;
        step.producedAfter = produced;
        return publish(job, step) && !stopHere;
    };

    w.reader.start(file_, dataAt, compSize, keys, stored);
    struct StopReader {
        ChunkReader& r;
        ~StopReader() { r.stop(); }
    } stopReader{w.reader};
    bool going = true;
    bool streamEnded = false;
    while (going && !streamEnded) {
        const auto chunk = w.reader.next();
        if (!chunk.ok) {
            readFailed = true;
            break;
        }
        if (chunk.size == 0) break;
        if (stored) {
            going = forEachStoredSlice(chunk.data, chunk.size, [&](const uint8_t* slice, size_t n) {
                return emit(static_cast<int64_t>(produced + n), slice, n, false);
            });
            crc = chunk.crc;
            continue;
        }
        int64_t progress = 0;
        const auto end = w.inflater.chunk(
            chunk.data, chunk.size, [&] { return (progress = static_cast<int64_t>(produced)), true; },
            [&](const uint8_t* data, size_t n) { return emit(progress, data, n, true); });
        if (end == Inflater::End::BadData) {
            Step step;
            step.progress = progress;
            step.producedAfter = produced;
            step.failed = true;
            publish(job, step);
        }
        going = end == Inflater::End::ChunkDone;
        streamEnded = end == Inflater::End::StreamEnd;
    }
    std::lock_guard<std::mutex> lock(m_);
    job.end.failed = readFailed;
    job.end.crc = crc;
    job.finished = true;
    callerCv_.notify_all();
}

void AheadDecoder::decodeToMemory(Worker& w, Job& job, MemoryLease memory, uint64_t dataAt, uint64_t compSize,
                                  std::optional<zip::ZipCryptoKeys>& keys) {
    const Plan& pl = job.plan;
    memory.allocate();
    // A small entry is handed over whole: one lock for all its steps.
    std::deque<Step> steps;
    // One piece, as on the caller's thread for an entry of one chunk.
    const bool stored = pl.method == zip::kMethodStored;
    uint64_t produced = 0;
    uint32_t crc = 0;
    bool readFailed = false;
    auto emit = [&](int64_t progress, const uint8_t* data, size_t n, bool checksum) {
        Step step;
        step.progress = progress;
        bool stopHere = false;
        if (n > pl.declared - produced) {
            n = static_cast<size_t>(pl.declared - produced);
            step.failed = stopHere = true;
        }
        std::copy(data, data + n, memory.data() + produced);
        if (checksum) crc = zipCrc32(crc, data, n);
        produced += n;
        step.producedAfter = produced;
        steps.push_back(step);
        return !stopHere;
    };
    const size_t n = static_cast<size_t>(compSize);
    uint8_t* in = w.input.get();
    if (n > 0 && file_.readAt(dataAt, in, n) != n) {
        readFailed = true;
    } else if (n > 0) {
        bool crcDone = false;
        if (keys && stored) {
            keys->decrypt(in, in, n, crc);
            crcDone = true;
        } else if (keys) {
            keys->decrypt(in, in, n);
        }
        if (stored) {
            forEachStoredSlice(in, n, [&](const uint8_t* slice, size_t size) {
                return emit(static_cast<int64_t>(produced + size), slice, size, !crcDone);
            });
        } else if (const auto whole = pl.declared < Inflater::kOutput
                                          ? w.whole.decode(in, n, memory.data(), static_cast<size_t>(pl.declared))
                                          : std::nullopt) {
            // Decoded straight into the entry's bytes, and the same one step as a single
            // inflate call gives. Data that does not decode whole goes the stream's way
            // below, which tells where it fails.
            produced = *whole;
            crc = zipCrc32(0, memory.data(), produced);
            Step step;
            step.producedAfter = produced;
            steps.push_back(step);
        } else {
            int64_t progress = 0;
            const auto end = w.inflater.chunk(
                in, n, [&] { return (progress = static_cast<int64_t>(produced)), true; },
                [&](const uint8_t* data, size_t size) { return emit(progress, data, size, true); });
            if (end == Inflater::End::BadData) {
                Step step;
                step.progress = progress;
                step.producedAfter = produced;
                step.failed = true;
                steps.push_back(step);
            }
        }
    }
    std::lock_guard<std::mutex> lock(m_);
    job.steps = std::move(steps);
    job.end.failed = readFailed;
    job.end.crc = crc;
    job.finished = true;
    job.prepared = true;
    // A job dropped meanwhile never gets the bytes: they (and their share of the budget)
    // go when `memory` does.
    if (!job.abort) job.memory = std::move(memory);
    callerCv_.notify_all();
}

std::optional<AheadDecoder::Taken> AheadDecoder::take(size_t index, const std::string& password) {
    if (plans_.empty()) return std::nullopt;
    std::unique_lock<std::mutex> lock(m_);
    if (password != password_) {
        // Work done with the former password is of no use: it is done again with this one.
        password_ = password;
        const auto jobs = jobs_;
        for (const auto& job : jobs) {
            if (job->password == password) continue;
            cursor_ = std::min(cursor_, job->planPos);
            dropLocked(job);
        }
        wakeWorkers();
    }
    std::shared_ptr<Job> job;
    for (const auto& j : jobs_)
        if (j->plan.index == index) job = j;
    if (job) callerCv_.wait(lock, [&] { return job->prepared || job->unusable; });
    if (!job || !job->prepared) {
        if (job) dropLocked(job);
        callerOwns_ = index;
        wakeWorkers();
        return std::nullopt;
    }
    job->taken = true;
    Taken taken;
    taken.file = job->file.isOpen() ? &job->file : nullptr;
    taken.memory = std::move(job->memory);
    taken.job = std::move(job);
    return taken;
}

bool AheadDecoder::nextStep(Taken& taken, Step& step) {
    Job& job = *taken.job;
    std::unique_lock<std::mutex> lock(m_);
    callerCv_.wait(lock, [&] { return !job.steps.empty() || job.finished || job.workerDone; });
    if (job.steps.empty()) return false;
    step = job.steps.front();
    job.steps.pop_front();
    jobCv_.notify_all();
    return true;
}

void AheadDecoder::resume(Taken& taken) {
    std::lock_guard<std::mutex> lock(m_);
    taken.job->resumed = true;
    wakeWorkers();
}

AheadDecoder::End AheadDecoder::endOf(Taken& taken) {
    std::lock_guard<std::mutex> lock(m_);
    return taken.job->end;
}

void AheadDecoder::release(Taken& taken) {
    const std::shared_ptr<Job>& job = taken.job;
    std::unique_lock<std::mutex> lock(m_);
    dropLocked(job);
    if (job->plan.inMemory) {
        // The bytes are written: they and their share of the budget go now. Workers
        // waiting for room are woken when half of it is free, not for every entry.
        taken.memory = {};
        if (jobs_.size() <= kMaxJobs / 2 && memoryHeld_.load() <= kMemoryBudget / 2) workCv_.notify_all();
        return;
    }
    wakeWorkers();
    // Once the worker is off it, nothing but the pending file holds the entry's file: a
    // discarded entry gives its space back at once.
    callerCv_.wait(lock, [&] { return job->workerDone; });
    job->file = files::FileHandle();
    taken.file = nullptr;
}

void AheadDecoder::giveUp(Taken& taken) {
    release(taken);
    std::lock_guard<std::mutex> lock(m_);
    callerOwns_ = taken.job->plan.index;
    wakeWorkers();
}

void AheadDecoder::waitWorkersOff(const std::vector<std::shared_ptr<Job>>& jobs,
                                  std::unique_lock<std::mutex>& lock) {
    callerCv_.wait(lock, [&] {
        return std::all_of(jobs.begin(), jobs.end(), [](const auto& job) { return job->workerDone; });
    });
}

bool AheadDecoder::releaseSpace() {
    if (plans_.empty()) return false;
    std::unique_lock<std::mutex> lock(m_);
    noMore_ = true;
    std::vector<std::shared_ptr<Job>> dropped;
    for (const auto& job : jobs_)
        if (!job->taken && !job->plan.inMemory) dropped.push_back(job);
    for (const auto& job : dropped) dropLocked(job);
    // Jobs dropped earlier whose worker had not yet let go hold space too.
    dropped.insert(dropped.end(), retired_.begin(), retired_.end());
    retired_.clear();
    wakeWorkers();
    waitWorkersOff(dropped, lock);
    bool freed = false;
    for (const auto& job : dropped)
        if (job->file.isOpen() && !job->taken) {
            job->file = files::FileHandle();
            freed = true;
        }
    return freed || !dropped.empty();
}

} // namespace upd
