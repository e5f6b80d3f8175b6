// Flushes a file system every so often while a tree of new files is written to it, so that
// the flush the commit has to wait for finds little left to do: the disk writes while the
// archive is still being decoded, instead of after it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace upd::install {

class BackgroundFlush {
public:
    BackgroundFlush(std::string path, std::chrono::milliseconds every);
    ~BackgroundFlush();
    BackgroundFlush(const BackgroundFlush&) = delete;
    BackgroundFlush& operator=(const BackgroundFlush&) = delete;

    // Waits for a flush under way to end; no flush starts afterwards.
    void stop();

private:
    void run();

    std::string path_;
    std::chrono::milliseconds every_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace upd::install
