#include "archive/base_archiver.h"

#include <string_view>

#include "archive/entry_decoder.h"
#include "archive/extraction_session.h"
#include "platform/files.h"

namespace upd {
namespace {

std::string fileNamePart(const std::string& path) {
    // Windows takes both separators in a path.
    const size_t slash = path.find_last_of(files::kSeparator == '/' ? "/" : "/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

TBaseArchiver::TBaseArchiver() = default;

TBaseArchiver::~TBaseArchiver() { CloseArchive(); }

void TBaseArchiver::setActive(bool active) {
    if (active == FActive) return;
    if (active)
        OpenArchive();
    else
        CloseArchive();
}

std::string TBaseArchiver::Comment() const {
    return FActive && DMHandle_ ? DMHandle_->ArchiveComment : std::string();
}

bool TBaseArchiver::Exists() const { return files::fileExists(FFileName); }

size_t TBaseArchiver::FileCount() const { return FActive && DMHandle_ ? DMHandle_->CDir.ItemCount() : 0; }

const TDirItem& TBaseArchiver::Entry(size_t index) const {
    if (!DMHandle_ || index >= DMHandle_->CDir.ItemCount()) raise(native_error::kIndexOutOfBounds);
    return DMHandle_->CDir[index];
}

void TBaseArchiver::raise(int nativeError, const std::vector<std::string>& args) const {
    throw EArchiveError(nativeError, args, FName);
}

void TBaseArchiver::OpenArchive() {
    if (fileNamePart(FFileName).empty()) raise(native_error::kBlankFileName);
    uint16_t mode = kModeReadOnlyDenyNone;
    if (files::fileExists(FFileName)) {
        // A missing file is not made into a new archive here: opening is for reading, and
        // OpenArchive(mode) reports it as missing.
        files::FileHandle probe;
        if (!probe.openForUpdate(FFileName)) mode = kModeReadWriteDenyWrite;
    }
    OpenArchive(mode);
}

void TBaseArchiver::OpenArchive(uint16_t mode) {
    // Not from an event handler while entries are decoded from the open archive.
    if (processingDepth_ > 0) raise(native_error::kArchiveIsOpen);
    if (fileNamePart(FFileName).empty()) raise(native_error::kBlankFileNameMode);
    if (!files::fileExists(FFileName) && FSpanningMode != TSpanningMode::smSpanning)
        raise(native_error::kFileNotFound, {FFileName});
    CloseArchive();
    FFileOpenMode = mode;
    FSpanningMode = TSpanningMode::smNone;
    const TDirSettings settings{FOpenCorruptedArchives, FOptions.OEMFileNames, FSpanningMode};
    FCompressedStream = std::make_unique<ArchiveFile>(FFileName, mode);
    DMHandle_ = std::make_unique<TDirManager>(FCompressedStream.get(), settings);
    const bool found = DMHandle_->FindCentralDirEnd().has_value();
    if (!found && !FOpenCorruptedArchives) {
        DMHandle_.reset();
        FCompressedStream.reset();
        raise(native_error::kArchiveDamaged);
    }
    DMHandle_->LoadDir();
    FActive = true;
    if (AfterOpen) AfterOpen(*this);
}

void TBaseArchiver::CloseArchive() {
    if (processingDepth_ > 0) {
        // Called from an event handler (the window let pending events run): the entry
        // being decoded still reads the archive, so the operation is cancelled and the
        // archive closes once it has ended.
        if (running_) running_->cancel();
        closePending_ = true;
        return;
    }
    closePending_ = false;
    FActive = false;
    DMHandle_.reset();
    FCompressedStream.reset();
}

// ---- processing -----------------------------------------------------------------------

void TBaseArchiver::ExtractFiles(const std::string& fileMask, int searchAttr, const std::string& exclusionMask) {
    if (!FActive || !DMHandle_) raise(native_error::kArchiveNotOpen);
    TDirArray& list = DMHandle_->CDir;
    TArchiveItem f;
    const bool wildcards = fileMask.find_first_of("*?") != std::string::npos;
    if (!FOptions.Recurse && !wildcards && exclusionMask.empty() && searchAttr == kAnyFileAttr) {
        if (!FindFirst(fileMask, f, searchAttr, exclusionMask)) return;
        list[static_cast<size_t>(f.Handle.ItemNo)].Tagged = true;
        extract(f.Handle.ItemNo);
        return;
    }
    for (size_t i = 0; i < list.ItemCount(); ++i) list[i].Tagged = false;
    for (bool more = FindFirst(fileMask, f, searchAttr, exclusionMask); more; more = FindNext(f))
        list[static_cast<size_t>(f.Handle.ItemNo)].Tagged = true;
    extract(-1);
}

void TBaseArchiver::extract(long onlyIndex) {
    if (!buffers_) buffers_ = std::make_unique<DecodeBuffers>();
    ExtractionSession session({*this, *FCompressedStream, *DMHandle_, *buffers_, FCurrentDir,
                               [this](files::FileHandle& file, const uint8_t* data, size_t n, uint64_t offset) {
                                   return writeOutput(file, data, n, offset);
                               },
                               decodeAhead_});
    // While it runs, a handler may close the archive (which cancels) or read the counts.
    struct Running {
        TBaseArchiver& a;
        ExtractionSession& session;
        ExtractionSession* outer;
        Running(TBaseArchiver& archiver, ExtractionSession& s) : a(archiver), session(s), outer(archiver.running_) {
            a.running_ = &session;
            ++a.processingDepth_;
        }
        ~Running() {
            a.lastProcessedNo_ = session.processedFileNo();
            a.lastProcessedCount_ = session.processedFileCount();
            a.running_ = outer;
            // A close asked for from a handler of a nested call ends the outer call too.
            if (outer && a.closePending_) outer->cancel();
            if (--a.processingDepth_ == 0 && a.closePending_) a.CloseArchive();
        }
    } running{*this, session};
    session.run(onlyIndex);
}

int TBaseArchiver::ProcessedFileNo() const { return running_ ? running_->processedFileNo() : lastProcessedNo_; }

int TBaseArchiver::ProcessedFileCount() const {
    return running_ ? running_->processedFileCount() : lastProcessedCount_;
}

size_t TBaseArchiver::writeOutput(files::FileHandle& file, const uint8_t* data, size_t n, uint64_t offset) {
    size_t done = 0;
    file.writeAllAt(offset, std::string_view(reinterpret_cast<const char*>(data), n), &done);
    return done;
}

} // namespace upd
