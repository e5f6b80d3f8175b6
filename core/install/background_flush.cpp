#include "install/background_flush.h"

#include "platform/durable_fs.h"

namespace upd::install {

BackgroundFlush::BackgroundFlush(std::string path, std::chrono::milliseconds every)
    : path_(std::move(path)), every_(every), thread_([this] { run(); }) {}

BackgroundFlush::~BackgroundFlush() { stop(); }

void BackgroundFlush::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void BackgroundFlush::run() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, every_, [this] { return stopping_; })) {
        lock.unlock();
        // A failure here is found again, and reported, by the commit's own flush.
        (void)files::syncFileSystem(path_);
        lock.lock();
    }
}

} // namespace upd::install
