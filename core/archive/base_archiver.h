// The archive component's base: settings, open and close, selection and extraction of
// entries with their events. TZipArchiver (zip_archiver.h) is the ZIP reader on top.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "archive/archive_error.h"
#include "archive/archive_file.h"
#include "archive/archive_types.h"
#include "archive/dir_manager.h"

namespace upd {

class Dialogs;
class ExtractionSession;
struct DecodeBuffers;

class TBaseArchiver {
public:
    using TFileProgressEvent = std::function<void(TBaseArchiver& sender, const std::string& fileName, double progress,
                                                  TProcessOperation op, TProgressPhase phase, bool& cancel)>;
    using TOverallProgressEvent = std::function<void(TBaseArchiver& sender, double progress, TProcessOperation op,
                                                     TProgressPhase phase, bool& cancel)>;
    using TExtractFileEvent =
        std::function<void(TBaseArchiver& sender, std::string& fileName, uint32_t& fileAttr, const std::string& comment)>;
    using TPasswordEvent = std::function<void(TBaseArchiver& sender, const std::string& fileName,
                                              std::string& newPassword, bool& skipFile)>;
    using TProcessFileFailureEvent =
        std::function<void(TBaseArchiver& sender, const std::string& fileName, TProcessOperation op, int nativeError,
                           int errorCode, const std::string& errorMessage, TFailureAction& action)>;
    using TConfirmOverwriteEvent = std::function<void(TBaseArchiver& sender, const std::string& sourceFileName,
                                                      std::string& destFileName, bool& confirm)>;
    using TConfirmProcessFileEvent =
        std::function<void(TBaseArchiver& sender, const std::string& fileName, TProcessOperation op, bool& confirm)>;
    using TDiskFullEvent =
        std::function<void(TBaseArchiver& sender, int volumeNumber, const std::string& volumeFileName, bool& cancel)>;
    using TNotifyEvent = std::function<void(TBaseArchiver& sender)>;

    TBaseArchiver();
    virtual ~TBaseArchiver();
    TBaseArchiver(const TBaseArchiver&) = delete;
    TBaseArchiver& operator=(const TBaseArchiver&) = delete;

    // Component name, put in front of error messages ("Archiver" as the main window names it).
    const std::string& Name() const { return FName; }
    void setName(std::string name) { FName = std::move(name); }

    const std::string& FileName() const { return FFileName; }
    void setFileName(std::string fileName) { FFileName = std::move(fileName); }
    // 8-bit (ANSI 1251) text; first used when an encrypted entry is decoded.
    const std::string& Password() const { return FPassword; }
    void setPassword(std::string password) { FPassword = std::move(password); }
    const std::string& BaseDir() const { return FBaseDir; }
    void setBaseDir(std::string baseDir) { FBaseDir = std::move(baseDir); }
    const std::string& CurrentDir() const { return FCurrentDir; }

    bool Active() const { return FActive; }
    void setActive(bool active);
    TArchiveOptions& Options() { return FOptions; }
    const TArchiveOptions& Options() const { return FOptions; }
    bool OpenCorruptedArchives() const { return FOpenCorruptedArchives; }
    void setOpenCorruptedArchives(bool v) { FOpenCorruptedArchives = v; }
    bool ExtractCorruptedFiles() const { return FExtractCorruptedFiles; }
    void setExtractCorruptedFiles(bool v) { FExtractCorruptedFiles = v; }
    TSpanningMode SpanningMode() const { return FSpanningMode; }
    uint16_t FileOpenMode() const { return FFileOpenMode; }

    // The archive comment while open, else empty.
    std::string Comment() const;
    // Whether FileName names an existing file.
    bool Exists() const;

    // Prompts and boxes of the defaults go here; none means every question is refused.
    void setDialogs(Dialogs* dialogs) { FDialogs = dialogs; }
    Dialogs* dialogs() const { return FDialogs; }

    void OpenArchive();
    void OpenArchive(uint16_t mode);
    // From an event handler during ExtractFiles: cancels it; the archive closes when it ends.
    void CloseArchive();

    void ExtractFiles(const std::string& fileMask, int searchAttr = kAnyFileAttr, const std::string& exclusionMask = {});
    bool FindFirst(const std::string& fileMask, TArchiveItem& f, int searchAttr = kAnyFileAttr,
                   const std::string& exclusionMask = {});
    bool FindNext(TArchiveItem& f);

    // The entry list of the open archive (empty when closed).
    size_t FileCount() const;
    const TDirItem& Entry(size_t index) const;
    TDirManager* DMHandle() const { return DMHandle_.get(); }

    // Processing state, readable from the event handlers (and after ExtractFiles, the
    // last call's).
    int ProcessedFileNo() const;
    int ProcessedFileCount() const;

    // Events, called on the caller's thread inside the process-wide archive lock.
    TFileProgressEvent OnFileProgress;
    TOverallProgressEvent OnOverallProgress;
    TExtractFileEvent OnExtractFile;
    TPasswordEvent OnPassword;
    TProcessFileFailureEvent OnProcessFileFailure;
    TConfirmOverwriteEvent OnConfirmOverwrite;
    TConfirmProcessFileEvent OnConfirmProcessFile;
    TDiskFullEvent OnDiskFull;
    TNotifyEvent AfterOpen;

protected:
    // Writes to an output file at `offset`; returns how many bytes were written (fewer
    // means the device is full). Overridden by tests to simulate a full disk. Called on the
    // caller's thread only; large entries decoded ahead are written by their worker, which
    // comes here only for a write that fell short.
    virtual size_t writeOutput(files::FileHandle& file, const uint8_t* data, size_t n, uint64_t offset);

    // Large entries are decoded ahead by workers unless this is off; off, every entry is
    // decoded on the caller's thread alone (the reference the tests compare with).
    void setDecodeAhead(bool on) { decodeAhead_ = on; }

    bool isZIPFormat = false;

private:
    bool findMatching(TArchiveItem& f);
    void extract(long onlyIndex);
    [[noreturn]] void raise(int nativeError, const std::vector<std::string>& args = {}) const;

    std::string FName = "Archiver";
    std::string FFileName;
    std::string FPassword;
    std::string FBaseDir;
    std::string FCurrentDir;
    bool FActive = false;
    uint16_t FFileOpenMode = kModeReadOnlyDenyNone;
    std::unique_ptr<ArchiveFile> FCompressedStream;
    std::unique_ptr<TDirManager> DMHandle_;
    TArchiveOptions FOptions;
    TSpanningMode FSpanningMode = TSpanningMode::smNone;
    bool FOpenCorruptedArchives = true;
    bool FExtractCorruptedFiles = false;
    Dialogs* FDialogs = nullptr;

    // The extraction running (innermost, when a handler started another), and what the
    // last one counted.
    ExtractionSession* running_ = nullptr;
    int processingDepth_ = 0;
    bool closePending_ = false;
    int lastProcessedNo_ = 0;
    int lastProcessedCount_ = 0;

    std::unique_ptr<DecodeBuffers> buffers_;  // made by the first extraction, kept
    bool decodeAhead_ = true;
};

} // namespace upd
