#include "archive/base_archiver.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "ui/dialogs.h"
#include "archive/archive_lock.h"
#include "archive/dos_time.h"
#include "archive/entry_ahead.h"
#include "archive/entry_decoder.h"
#include "archive/file_mode.h"
#include "archive/mask_match.h"
#include "archive/output_folder.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/text.h"

namespace upd {
namespace {

constexpr char kSep = files::kSeparator;

std::string fileNamePart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Entry names accept both separators; the program shows and uses the platform's.
std::string withPlatformSeparators(std::string name) {
    for (char& c : name)
        if (c == '\\' || c == '/') c = kSep;
    return name;
}

std::string folderPart(const std::string& name) {
    const size_t slash = name.find_last_of(kSep);
    return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

const char* const kConfirmCaption = "Confirm";

// Entries worth decoding ahead, in archive order.
std::vector<AheadDecoder::Plan> aheadPlans(const TDirManager& dm, size_t first, size_t last) {
    std::vector<AheadDecoder::Plan> plans;
    const TDirArray& list = dm.CDir;
    for (size_t i = first; i < last; ++i) {
        const TDirItem& item = list[i];
        if (!item.Tagged) continue;
        const bool large = item.compressedSize() > AheadDecoder::kLargerThan;
        const bool small = item.compressedSize() <= AheadDecoder::kInMemoryUpTo &&
                           item.uncompressedSize() <= AheadDecoder::kInMemoryUpTo;
        if (!large && !small) continue;
        const uint16_t method = item.CompressionMethod;
        if (method != zip::kMethodStored && method != zip::kMethodDeflated) continue;
        if (item.encrypted() && (item.isAes() || item.CentralDir.extractVersion >= zip::kStrongEncryptionVersion))
            continue;
        const bool isFolder = (item.CentralDir.externalAttr & zip::kAttrDirectory) != 0 ||
                              (!item.Name.empty() && (item.Name.back() == '/' || item.Name.back() == '\\'));
        if (isFolder) continue;
        AheadDecoder::Plan plan;
        plan.index = i;
        plan.headerAt = item.localHeaderOffset();
        plan.compressedSize = item.compressedSize();
        plan.declared = item.uncompressedSize();
        plan.dataLimit = dm.CentralDirOffset;
        plan.method = method;
        plan.encrypted = item.encrypted();
        plan.inMemory = !large;
        plans.push_back(plan);
    }
    // A single small entry has nothing to overlap with.
    if (plans.size() == 1 && plans.front().inMemory) plans.clear();
    return plans;
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

TDirManager& TBaseArchiver::dir() const {
    if (!DMHandle_) raise(native_error::kArchiveNotOpen);
    return *DMHandle_;
}

void TBaseArchiver::OpenArchive() {
    if (fileNamePart(FFileName).empty()) raise(native_error::kBlankFileName);
    uint16_t mode = kModeReadOnlyDenyNone;
    if (files::fileExists(FFileName)) {
        // A missing file is not made into a new archive here: opening is for reading, and
        // OpenArchive(mode) reports it as missing.
        const int fd = ::open(FFileName.c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            mode = kModeReadWriteDenyWrite;
        }
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
        FProgressCancel = true;
        closePending_ = true;
        return;
    }
    closePending_ = false;
    FActive = false;
    DMHandle_.reset();
    FCompressedStream.reset();
}

// ---- selection ------------------------------------------------------------------------

bool TBaseArchiver::FindFirst(const std::string& fileMask, TArchiveItem& f, int searchAttr,
                              const std::string& exclusionMask) {
    std::string mask = fileMask;
    const bool drive = mask.size() >= 2 && mask[1] == ':' &&
                       ((mask[0] >= 'A' && mask[0] <= 'Z') || (mask[0] >= 'a' && mask[0] <= 'z'));
    if (drive && FOptions.StorePath != TStorePath::spFullPathWithDrive) mask.erase(0, 2);
    for (char& c : mask)
        if (c == '\\') c = '/';
    f.Handle.CFindMask = mask;
    f.Handle.FWildCards = mask.find_first_of("*?") != std::string::npos;
    f.Handle.FFindAttr = searchAttr;
    f.Handle.ExclusionMask = exclusionMask;
    f.Handle.UseProperties = false;
    f.Handle.ItemNo = 0;
    return findMatching(f);
}

bool TBaseArchiver::FindNext(TArchiveItem& f) {
    f.Handle.ItemNo += 1;
    return findMatching(f);
}

bool TBaseArchiver::findMatching(TArchiveItem& f) {
    if (!FActive || !DMHandle_) return false;
    const TDirArray& list = DMHandle_->CDir;
    const auto& h = f.Handle;
    const std::string& mask = h.CFindMask;
    if (h.ItemNo < 0) return false;
    size_t found = list.ItemCount();

    if (!h.FWildCards && !FOptions.Recurse) {
        const long at = list.indexOf(mask);
        if (at < h.ItemNo) return false;
        found = static_cast<size_t>(at);
    } else {
        const std::string maskFolder = TDirArray::lowerName(folderPart(withPlatformSeparators(mask)));
        for (size_t i = static_cast<size_t>(h.ItemNo); i < list.ItemCount(); ++i) {
            const TDirItem& item = list[i];
            std::string name = withPlatformSeparators(item.Name);
            if (!FOptions.Recurse && TDirArray::lowerName(folderPart(name)) != maskFolder) continue;
            if (!name.empty() && name.back() == kSep) name.pop_back();
            bool match = matchesMask(name, mask) || matchesMask(fileNamePart(name), mask);
            if (match && matchesMask(name, h.ExclusionMask)) match = false;
            if (!match) continue;
            const uint32_t attrs = item.CentralDir.externalAttr & 0x1E;
            if ((attrs & ~static_cast<uint32_t>(h.FFindAttr)) != 0) continue;
            found = i;
            break;
        }
        if (found == list.ItemCount()) return false;
    }

    const TDirItem& item = list[found];
    f.Handle.ItemNo = static_cast<int>(found);
    std::string name = withPlatformSeparators(item.Name);
    if (!name.empty() && name.back() == kSep) name.pop_back();
    f.StoredPath = folderPart(name);
    f.FileName = name.substr(f.StoredPath.size());
    f.CompressedSize = static_cast<int64_t>(item.compressedSize());
    f.UncompressedSize = static_cast<int64_t>(item.uncompressedSize());
    if (f.UncompressedSize == 0) {
        f.CompressionRate = 100;
    } else {
        const double rate = (1.0 - static_cast<double>(f.CompressedSize) / static_cast<double>(f.UncompressedSize)) * 100;
        f.CompressionRate = rate < 0 ? 0 : rate;
    }
    f.Encrypted = item.encrypted();
    f.LastModFileDate = item.CentralDir.lastModDate;
    f.LastModFileTime = item.CentralDir.lastModTime;
    f.CRC = item.CentralDir.crc32;
    f.ExternalFileAttributes = item.CentralDir.externalAttr;
    f.Comment = item.Comment;
    return true;
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
        processTagged(f.Handle.ItemNo);
        return;
    }
    for (size_t i = 0; i < list.ItemCount(); ++i) list[i].Tagged = false;
    for (bool more = FindFirst(fileMask, f, searchAttr, exclusionMask); more; more = FindNext(f))
        list[static_cast<size_t>(f.Handle.ItemNo)].Tagged = true;
    processTagged(-1);
}

void TBaseArchiver::progressEvents(const TDirItem& item, const std::string& workName) {
    if (!FProgressEnabled) return;
    const double part = static_cast<double>(FProgress) / static_cast<double>(FProgressMax);
    if (OnFileProgress) OnFileProgress(*this, workName, part * 100, item.Operation, TProgressPhase::ppProcess, FProgressCancel);
    if (FProgressCancel) return;
    if (OnOverallProgress)
        OnOverallProgress(*this, (part + FProcessedFileNo) / FProcessedFileCount * 100, item.Operation,
                          TProgressPhase::ppProcess, FProgressCancel);
}

void TBaseArchiver::processTagged(long onlyIndex) {
    std::lock_guard<std::recursive_mutex> lock(archiveProcessLock());
    TDirArray& list = DMHandle_->CDir;
    if (!buffers_) buffers_ = std::make_unique<DecodeBuffers>();
    if (!output_) output_ = std::make_unique<OutputFolder>();

    struct Session {
        TBaseArchiver& a;
        explicit Session(TBaseArchiver& archiver) : a(archiver) { ++a.processingDepth_; }
        ~Session() {
            a.FProgressEnabled = false;
            a.output_->reset();  // folder descriptors live for one call
            if (--a.processingDepth_ == 0 && a.closePending_) a.CloseArchive();
        }
    } session{*this};

    FProcessedFileNo = 0;
    FProcessedFileCount = 0;
    if (onlyIndex >= 0) {
        FProcessedFileCount = 1;
    } else {
        for (size_t i = 0; i < list.ItemCount(); ++i)
            if (list[i].Tagged) ++FProcessedFileCount;
    }
    FProgressCancel = false;
    FProgressEnabled = true;

    const size_t first = onlyIndex >= 0 ? static_cast<size_t>(onlyIndex) : 0;
    const size_t last = onlyIndex >= 0 ? first + 1 : list.ItemCount();
    auto plans = decodeAhead_ ? aheadPlans(*DMHandle_, first, last) : std::vector<AheadDecoder::Plan>{};
    AheadDecoder ahead(*FCompressedStream, std::move(plans), FPassword);
    struct AheadScope {
        TBaseArchiver& a;
        AheadDecoder* outer;
        AheadScope(TBaseArchiver& archiver, AheadDecoder& decoder) : a(archiver), outer(archiver.ahead_) {
            a.ahead_ = &decoder;
        }
        ~AheadScope() { a.ahead_ = outer; }
    } aheadScope{*this, ahead};

    const auto op = TProcessOperation::poExtract;
    if (OnOverallProgress) OnOverallProgress(*this, 0, op, TProgressPhase::ppStart, FProgressCancel);
    if (!FProgressCancel) {
        bool stop = false;
        for (size_t i = first; i < last && !stop; ++i) {
            if (!list[i].Tagged) continue;
            ahead.reach(i);
            list[i].Operation = op;
            for (;;) {  // one attempt per pass; a retry goes round again
                TFailureAction action = TFailureAction::fxaIgnore;
                const std::string workName = withPlatformSeparators(list[i].Name);
                bool confirm = true;
                if (OnConfirmProcessFile) OnConfirmProcessFile(*this, workName, op, confirm);
                if (!confirm) break;
                if (FCurrentDir.empty()) {
                    char cwd[4096];
                    if (::getcwd(cwd, sizeof cwd)) FCurrentDir = cwd;
                }
                const std::string base = files::withTrailingSeparator(FBaseDir.empty() ? FCurrentDir : FBaseDir);
                if (OnFileProgress) OnFileProgress(*this, workName, 0, op, TProgressPhase::ppStart, FProgressCancel);
                if (FProgressCancel) {
                    stop = true;
                    break;
                }
                std::optional<EArchiveError> failure;
                try {
                    extractEntry(i, workName, base);
                } catch (const EArchiveError& e) {
                    failure = e;
                }
                if (OnFileProgress) OnFileProgress(*this, workName, 100, op, TProgressPhase::ppEnd, FProgressCancel);
                if (!failure) {
                    if (FProgressCancel)
                        stop = true;
                    else
                        ++FProcessedFileNo;
                    break;
                }
                action = failureRequest(workName, *failure);
                if (action == TFailureAction::fxaRetry) continue;
                if (action == TFailureAction::fxaAbort) stop = true;
                break;
            }
        }
    }
    if (OnOverallProgress) OnOverallProgress(*this, 100, op, TProgressPhase::ppEnd, FProgressCancel);
}

void TBaseArchiver::extractEntry(size_t index, const std::string& workName, const std::string& base) {
    const TDirItem& item = DMHandle_->CDir[index];
    uint32_t fileAttr = item.CentralDir.externalAttr;
    std::string fileName = workName;
    if (OnExtractFile) OnExtractFile(*this, fileName, fileAttr, item.Comment);

    auto path = splitEntryPath(fileName);
    if (!path)
        throw EArchiveError::withText(native_error::kCannotCreateFile,
                                      "Cannot create file \"" + fileName + "\": the name leads outside the base folder",
                                      FName);
    if (!FOptions.CreateDirs) path->folders.clear();
    std::string folderPath = base;
    for (const auto& f : path->folders) folderPath.append(f).push_back(kSep);

    FolderFailure folderFailure = FolderFailure::None;
    const int dirFd = output_->open(base, path->folders, FOptions.CreateDirs, folderFailure);
    if (dirFd < 0) {
        if (folderFailure == FolderFailure::Escapes)
            throw EArchiveError::withText(
                native_error::kCannotCreateFile,
                "Cannot create file \"" + fileName + "\": a symbolic link in its path leads outside the base folder",
                FName);
        if (FOptions.CreateDirs) raise(native_error::kCannotCreateDir, {folderPath});
        raise(native_error::kCannotCreateFile, {folderPath + path->leaf});
    }

    if (ahead_) ahead_->setFolder(output_->baseFd());

    const bool isFolder = (item.CentralDir.externalAttr & zip::kAttrDirectory) != 0 ||
                          (!item.Name.empty() && (item.Name.back() == '/' || item.Name.back() == '\\'));
    if (isFolder) return;

    std::string destination = folderPath + path->leaf;
    if (path->leaf.empty()) raise(native_error::kCannotCreateFile, {destination});

    int targetDir = dirFd;
    std::string leaf = path->leaf;
    int ownDir = -1;  // a folder the overwrite question chose
    struct DirCloser {
        int& fd;
        ~DirCloser() {
            if (fd >= 0) ::close(fd);
        }
    } closeOwn{ownDir};

    // The file is made with its final permissions; only bits the umask would drop need a
    // further change.
    const mode_t mode = FOptions.SetAttributes ? fileModeFor(fileAttr, item.CentralDir.versionMadeBy) : 0666;
    std::optional<mode_t> modeAfter;
    if (FOptions.SetAttributes && (mode & ~processUmask()) != mode) modeAfter = mode;

    PendingFile pending;
    // Nothing there yet: written under its own name, no question to ask.
    bool created = pending.createNew(dirFd, leaf, mode);
    if (!created && errno != EEXIST) raise(native_error::kCannotCreateFile, {destination});

    struct stat st {};
    if (!created && ::fstatat(dirFd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(st.st_mode)) raise(native_error::kCannotCreateFile, {destination});
        if (!FOptions.ReplaceReadOnly && S_ISREG(st.st_mode) && isReadOnlyMode(st.st_mode)) return;
        const int32_t entryTime = static_cast<int32_t>((static_cast<uint32_t>(item.CentralDir.lastModDate) << 16) |
                                                       item.CentralDir.lastModTime);
        switch (FOptions.OverwriteMode) {
        case TOverwriteMode::omAlways:
            break;
        case TOverwriteMode::omNever:
            return;
        case TOverwriteMode::omIfNewer:
            if (unixToDosDateTime(st.st_mtime) >= entryTime) return;
            break;
        case TOverwriteMode::omIfOlder:
            if (unixToDosDateTime(st.st_mtime) <= entryTime) return;
            break;
        case TOverwriteMode::omPrompt: {
            std::string chosen = destination;
            if (!overwriteQuestion(fileName, chosen)) return;
            if (chosen != destination) {
                // The handler's own choice of destination is taken as given.
                destination = chosen;
                const size_t slash = chosen.find_last_of(kSep);
                const std::string parent = slash == std::string::npos ? "." : chosen.substr(0, slash + 1);
                leaf = slash == std::string::npos ? chosen : chosen.substr(slash + 1);
                ownDir = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                if (ownDir < 0 || leaf.empty()) raise(native_error::kCannotCreateFile, {destination});
                targetDir = ownDir;
            }
            break;
        }
        }
    }
    if (!created && !pending.createBeside(targetDir, leaf, mode)) raise(native_error::kCannotCreateFile, {destination});

    EntryDecoder(*this).decode(index, pending, workName);
    if (FSkipFile || FProgressCancel) return;  // the pending file removes itself
    const auto mtime = dosDateTimeToUnix(item.CentralDir.lastModDate, item.CentralDir.lastModTime);
    if (!pending.commit(modeAfter, mtime)) raise(native_error::kCannotCreateFile, {destination});
}

// ---- requests to the user ---------------------------------------------------------------

TFailureAction TBaseArchiver::failureRequest(const std::string& fileName, const EArchiveError& error) {
    TFailureAction action = TFailureAction::fxaIgnore;
    if (OnProcessFileFailure) {
        OnProcessFileFailure(*this, fileName, TProcessOperation::poExtract, error.NativeError(), error.ErrorCode(),
                             error.Message(), action);
        return action;
    }
    if (error.NativeError() == native_error::kOpenAbortedSilently) return TFailureAction::fxaAbort;
    if (!FDialogs) return TFailureAction::fxaAbort;
    DialogResult r;
    if (error.NativeError() == native_error::kFileNameTooLong) {
        r = FDialogs->message({error.Message(), kConfirmCaption, DialogButtons::AbortIgnore, DialogIcon::Question, 0});
    } else {
        r = FDialogs->message({error.Message() + ". File processing error, possibly disk is full", kConfirmCaption,
                               DialogButtons::AbortRetryIgnore, DialogIcon::Question, 0});
    }
    if (r == DialogResult::Retry) return TFailureAction::fxaRetry;
    if (r == DialogResult::Ignore) return TFailureAction::fxaIgnore;
    return TFailureAction::fxaAbort;
}

bool TBaseArchiver::overwriteQuestion(const std::string& fileName, std::string& destination) {
    if (OnConfirmOverwrite) {
        bool confirm = true;
        OnConfirmOverwrite(*this, fileName, destination, confirm);
        return confirm;
    }
    if (!FDialogs) return false;
    const auto r = FDialogs->message({"Overwrite file \"" + destination + "\" with \"" + fileName + "\"",
                                      kConfirmCaption, DialogButtons::YesNoNoToAllYesToAll, DialogIcon::Question, 0});
    switch (r) {
    case DialogResult::Yes:
        return true;
    case DialogResult::YesToAll:
        FOptions.OverwriteMode = TOverwriteMode::omAlways;
        return true;
    case DialogResult::NoToAll:
        FOptions.OverwriteMode = TOverwriteMode::omNever;
        return false;
    default:
        return false;
    }
}

bool TBaseArchiver::passwordRequest(const TDirItem& item) {
    if (OnPassword) {
        OnPassword(*this, item.Name, FPassword, FSkipFile);
    } else if (FDialogs) {
        std::string typed;
        if (FDialogs->password("Password for \"" + item.Name + "\"", "Enter password: ", typed)) {
            auto cps = text::toU32(typed);
            if (cps.size() > 255) cps.resize(255);  // the edit field's limit
            FPassword = codepage::utf8ToAnsi(text::fromU32(cps));
            FSkipFile = false;
        } else {
            FSkipFile = true;
        }
    } else {
        FSkipFile = true;
    }
    return !FSkipFile;
}

bool TBaseArchiver::writeRequest(int fd, const uint8_t* data, size_t n, uint64_t& offset) {
    for (;;) {
        if (writeOutput(fd, data, n, offset) == n) {
            offset += n;
            return true;
        }
        // Files of entries decoded ahead may hold the space: they go first.
        if (ahead_ && ahead_->releaseSpace()) continue;
        if (!OnDiskFull) throw EArchiveError(native_error::kDiskFull);
        bool cancel = false;
        OnDiskFull(*this, 0, FFileName, cancel);
        if (cancel) {
            FProgressCancel = true;
            return false;
        }
    }
}

size_t TBaseArchiver::writeOutput(int fd, const uint8_t* data, size_t n, uint64_t offset) {
    size_t done = 0;
    while (done < n) {
        const ssize_t w = ::pwrite(fd, data + done, n - done, static_cast<off_t>(offset + done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) break;
        done += static_cast<size_t>(w);
    }
    return done;
}

} // namespace upd
