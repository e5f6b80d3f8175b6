#include "archive/extraction_session.h"

#include <mutex>
#include <optional>
#include <vector>

#include "archive/archive_lock.h"
#include "archive/base_archiver.h"
#include "archive/dos_time.h"
#include "archive/entry_ahead.h"
#include "archive/entry_decoder.h"
#include "archive/file_mode.h"
#include "archive/portable_name.h"
#include "archive/user_requests.h"
#include "platform/files.h"

namespace upd {
namespace {

constexpr char kSep = files::kSeparator;

// Entry names accept both separators; the program shows and uses the platform's.
std::string withPlatformSeparators(std::string name) {
    for (char& c : name)
        if (c == '\\' || c == '/') c = kSep;
    return name;
}

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
        if (item.isFolder()) continue;
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

// One entry's way through the decoder: what it reports and writes goes to the session's
// events and this entry's output file.
class ExtractionSession::EntryRun : public DecodeSink {
public:
    EntryRun(ExtractionSession& session, const TDirItem& item, const std::string& workName, PendingFile& out)
        : session_(session), item_(item), workName_(workName), out_(out) {}

    bool progress(int64_t done, int64_t total) override {
        return session_.progressEvents(item_, workName_, done, total);
    }
    bool write(const uint8_t* data, size_t n, uint64_t offset) override {
        return session_.writeRequest(out_.file(), data, n, offset);
    }
    const std::string& password() const override { return session_.s_.archiver.Password(); }
    bool requestPassword() override { return passwordRequest(session_.s_.archiver, item_.Name); }
    bool adoptOutput(const files::FileHandle& unnamed) override { return out_.adopt(unnamed); }

private:
    ExtractionSession& session_;
    const TDirItem& item_;
    const std::string& workName_;
    PendingFile& out_;
};

ExtractionSession::ExtractionSession(Setup setup) : s_(std::move(setup)) {}

ExtractionSession::~ExtractionSession() = default;

void ExtractionSession::run(long onlyIndex) {
    std::lock_guard<std::recursive_mutex> lock(archiveProcessLock());
    TBaseArchiver& a = s_.archiver;
    TDirArray& list = s_.dir.CDir;

    processedNo_ = 0;
    processedCount_ = 0;
    if (onlyIndex >= 0) {
        processedCount_ = 1;
    } else {
        for (size_t i = 0; i < list.ItemCount(); ++i)
            if (list[i].Tagged) ++processedCount_;
    }
    cancel_ = false;

    const size_t first = onlyIndex >= 0 ? static_cast<size_t>(onlyIndex) : 0;
    const size_t last = onlyIndex >= 0 ? first + 1 : list.ItemCount();
    auto plans = s_.decodeAhead ? aheadPlans(s_.dir, first, last) : std::vector<AheadDecoder::Plan>{};
    AheadDecoder ahead(s_.file, std::move(plans), a.Password());
    ahead_ = &ahead;
    struct Detach {
        AheadDecoder*& ahead;
        ~Detach() { ahead = nullptr; }
    } detach{ahead_};

    const auto op = TProcessOperation::poExtract;
    if (a.OnOverallProgress) a.OnOverallProgress(a, 0, op, TProgressPhase::ppStart, cancel_);
    if (!cancel_) {
        bool stop = false;
        for (size_t i = first; i < last && !stop; ++i) {
            if (!list[i].Tagged) continue;
            ahead.reach(i);
            list[i].Operation = op;
            for (;;) {  // one attempt per pass; a retry goes round again
                const std::string workName = withPlatformSeparators(list[i].Name);
                bool confirm = true;
                if (a.OnConfirmProcessFile) a.OnConfirmProcessFile(a, workName, op, confirm);
                if (!confirm) break;
                if (s_.currentDir.empty()) s_.currentDir = files::currentFolder();
                const std::string base =
                    files::withTrailingSeparator(a.BaseDir().empty() ? s_.currentDir : a.BaseDir());
                if (a.OnFileProgress) a.OnFileProgress(a, workName, 0, op, TProgressPhase::ppStart, cancel_);
                if (cancel_) {
                    stop = true;
                    break;
                }
                std::optional<EArchiveError> failure;
                try {
                    extractEntry(i, workName, base);
                } catch (const EArchiveError& e) {
                    failure = e;
                }
                if (a.OnFileProgress) a.OnFileProgress(a, workName, 100, op, TProgressPhase::ppEnd, cancel_);
                if (!failure) {
                    if (cancel_)
                        stop = true;
                    else
                        ++processedNo_;
                    break;
                }
                const TFailureAction action = failureRequest(a, workName, *failure);
                if (action == TFailureAction::fxaRetry) continue;
                if (action == TFailureAction::fxaAbort) stop = true;
                break;
            }
        }
    }
    if (a.OnOverallProgress) a.OnOverallProgress(a, 100, op, TProgressPhase::ppEnd, cancel_);
}

bool ExtractionSession::progressEvents(const TDirItem& item, const std::string& workName, int64_t done,
                                       int64_t total) {
    TBaseArchiver& a = s_.archiver;
    const double part = static_cast<double>(done) / static_cast<double>(total);
    if (a.OnFileProgress) a.OnFileProgress(a, workName, part * 100, item.Operation, TProgressPhase::ppProcess, cancel_);
    if (cancel_) return false;
    if (a.OnOverallProgress)
        a.OnOverallProgress(a, (part + processedNo_) / processedCount_ * 100, item.Operation,
                            TProgressPhase::ppProcess, cancel_);
    return !cancel_;
}

bool ExtractionSession::writeRequest(files::FileHandle& file, const uint8_t* data, size_t n, uint64_t offset) {
    TBaseArchiver& a = s_.archiver;
    for (;;) {
        if (s_.writeOutput(file, data, n, offset) == n) return true;
        // Files of entries decoded ahead may hold the space: they go first.
        if (ahead_ && ahead_->releaseSpace()) continue;
        if (!a.OnDiskFull) throw EArchiveError(native_error::kDiskFull);
        bool cancel = false;
        a.OnDiskFull(a, 0, a.FileName(), cancel);
        if (cancel) {
            cancel_ = true;
            return false;
        }
    }
}

void ExtractionSession::extractEntry(size_t index, const std::string& workName, const std::string& base) {
    TBaseArchiver& a = s_.archiver;
    const TArchiveOptions& options = a.Options();
    const TDirItem& item = s_.dir.CDir[index];
    uint32_t fileAttr = item.CentralDir.externalAttr;
    std::string fileName = workName;
    if (a.OnExtractFile) a.OnExtractFile(a, fileName, fileAttr, item.Comment);

    auto path = splitEntryPath(fileName);
    if (!path)
        throw EArchiveError::withText(native_error::kCannotCreateFile,
                                      "Cannot create file \"" + fileName + "\": the name leads outside the base folder",
                                      a.Name());
    std::string_view why = unportableNamePart(path->leaf);
    for (size_t i = 0; why.empty() && i < path->folders.size(); ++i) why = unportableNamePart(path->folders[i]);
    if (!why.empty())
        throw EArchiveError::withText(native_error::kCannotCreateFile,
                                      "Cannot create file \"" + fileName + "\": Windows cannot hold the name: " +
                                          std::string(why),
                                      a.Name());
    if (!options.CreateDirs) path->folders.clear();
    // A folder entry names the folder itself, with or without a separator at its end.
    if (item.isFolder() && options.CreateDirs && !path->leaf.empty()) path->folders.push_back(std::move(path->leaf));
    std::string folderPath = base;
    for (const auto& f : path->folders) folderPath.append(f).push_back(kSep);

    FolderFailure folderFailure = FolderFailure::None;
    const files::FolderHandle* folder = output_.open(base, path->folders, options.CreateDirs, folderFailure);
    if (!folder) {
        if (folderFailure == FolderFailure::Escapes)
            throw EArchiveError::withText(
                native_error::kCannotCreateFile,
                "Cannot create file \"" + fileName + "\": a symbolic link in its path leads outside the base folder",
                a.Name());
        if (options.CreateDirs) throw EArchiveError(native_error::kCannotCreateDir, {folderPath}, a.Name());
        throw EArchiveError(native_error::kCannotCreateFile, {folderPath + path->leaf}, a.Name());
    }

    if (ahead_) ahead_->setFolder(output_.base());

    if (item.isFolder()) return;

    std::string destination = folderPath + path->leaf;
    auto cannotCreate = [&] { return EArchiveError(native_error::kCannotCreateFile, {destination}, a.Name()); };
    if (path->leaf.empty()) throw cannotCreate();

    const files::FolderHandle* targetDir = folder;
    std::string leaf = path->leaf;
    files::FolderHandle chosenDir;  // a folder the overwrite question chose

    // The file is made with its final permissions; only bits the creation mask would drop
    // need a further change.
    const unsigned mode = options.SetAttributes ? fileModeFor(fileAttr, item.CentralDir.versionMadeBy) : 0666;
    std::optional<unsigned> modeAfter;
    if (options.SetAttributes && (mode & ~files::creationMask()) != mode) modeAfter = mode;

    PendingFile pending;
    // Nothing there yet: written under its own name, no question to ask.
    const std::error_code createError = pending.createNew(*folder, leaf, mode);
    const bool created = !createError;
    if (!created && createError != std::errc::file_exists) throw cannotCreate();

    files::FolderHandle::Entry st;
    if (!created && !folder->entry(leaf, st)) {
        using Kind = files::FolderHandle::Entry::Kind;
        if (st.kind == Kind::Folder) throw cannotCreate();
        if (!options.ReplaceReadOnly && st.kind == Kind::File && isReadOnlyMode(st.permissions)) return;
        const int32_t entryTime = static_cast<int32_t>((static_cast<uint32_t>(item.CentralDir.lastModDate) << 16) |
                                                       item.CentralDir.lastModTime);
        switch (options.OverwriteMode) {
        case TOverwriteMode::omAlways:
            break;
        case TOverwriteMode::omNever:
            return;
        case TOverwriteMode::omIfNewer:
            if (unixToDosDateTime(st.modified) >= entryTime) return;
            break;
        case TOverwriteMode::omIfOlder:
            if (unixToDosDateTime(st.modified) <= entryTime) return;
            break;
        case TOverwriteMode::omPrompt: {
            std::string chosen = destination;
            if (!overwriteQuestion(a, fileName, chosen)) return;
            if (chosen != destination) {
                // The handler's own choice of destination is taken as given.
                destination = chosen;
                const size_t slash = chosen.find_last_of(kSep);
                const std::string parent = slash == std::string::npos ? "." : chosen.substr(0, slash + 1);
                leaf = slash == std::string::npos ? chosen : chosen.substr(slash + 1);
                if (chosenDir.open(parent) || leaf.empty()) throw cannotCreate();
                targetDir = &chosenDir;
            }
            break;
        }
        }
    }
    if (!created && !pending.createBeside(*targetDir, leaf, mode)) throw cannotCreate();

    EntryRun run(*this, item, workName, pending);
    const DecodeOutcome outcome = EntryDecoder(s_.file, s_.buffers, ahead_, run).decode(index, item,
                                                                                        s_.dir.CentralDirOffset);
    if (outcome.failed && !cancel_ && !a.ExtractCorruptedFiles() && !outcome.skipped)
        throw EArchiveError(native_error::kCompressionFailed, a.Name());
    if (outcome.skipped || cancel_) return;  // the pending file removes itself
    const auto mtime = dosDateTimeToUnix(item.CentralDir.lastModDate, item.CentralDir.lastModTime);
    if (!pending.commit(modeAfter, mtime)) throw cannotCreate();
}

} // namespace upd
