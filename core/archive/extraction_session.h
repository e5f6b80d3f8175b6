// One ExtractFiles call: the processing lock, the counts and the cancel flag that the
// events report, the workers decoding ahead, the output folder and, for each entry, its
// own run with the output file and the sink its decoder writes and reports through. None
// of this lives in the component's fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "archive/output_folder.h"

namespace upd {

class AheadDecoder;
class ArchiveFile;
class TBaseArchiver;
class TDirManager;
struct DecodeBuffers;
struct TDirItem;

class ExtractionSession {
public:
    // The component's output write (overridable, so that tests can fill the disk).
    using WriteOutput = std::function<size_t(files::FileHandle& file, const uint8_t* data, size_t n, uint64_t offset)>;

    struct Setup {
        TBaseArchiver& archiver;  // events, options, password, name
        ArchiveFile& file;
        TDirManager& dir;
        DecodeBuffers& buffers;
        std::string& currentDir;  // taken at the first entry, kept for the component's life
        WriteOutput writeOutput;
        bool decodeAhead = true;
    };

    explicit ExtractionSession(Setup setup);
    ~ExtractionSession();
    ExtractionSession(const ExtractionSession&) = delete;
    ExtractionSession& operator=(const ExtractionSession&) = delete;

    // Processes the tagged entries (only `onlyIndex` when it is not negative) inside the
    // process-wide archive lock.
    void run(long onlyIndex);
    // From an event handler: no further entry is started and the running one stops.
    void cancel() { cancel_ = true; }

    int processedFileNo() const { return processedNo_; }
    int processedFileCount() const { return processedCount_; }

private:
    class EntryRun;
    void extractEntry(size_t index, const std::string& workName, const std::string& base);
    bool progressEvents(const TDirItem& item, const std::string& workName, int64_t done, int64_t total);
    bool writeRequest(files::FileHandle& file, const uint8_t* data, size_t n, uint64_t offset);

    Setup s_;
    OutputFolder output_;  // folder handles live for one call
    AheadDecoder* ahead_ = nullptr;  // while run() is at the entries
    int processedNo_ = 0;
    int processedCount_ = 0;
    bool cancel_ = false;
};

} // namespace upd
