#include "install/staged_install.h"

#include "install/install_error.h"
#include "platform/durable_fs.h"
#include "platform/files.h"
#include "platform/fs_path.h"
#include "platform/replace_file.h"

#include <chrono>
#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace upd::install {

namespace {

using files::pathOf;

constexpr size_t kFolderFlushesAtMost = 8;
// Often enough that little is left for the commit's flush, seldom enough to cost nothing.
constexpr std::chrono::milliseconds kStagingFlushEvery{100};

// Shown in messages and journals with '/' on every platform.
std::string textOf(const fs::path& path) {
    const std::u8string u8 = path.generic_u8string();
    return std::string(reinterpret_cast<const char*>(u8.data()), u8.size());
}

bool present(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

[[noreturn]] void fail(const std::string& what, const fs::path& path, const std::error_code& ec) {
    throw InstallError(what + " \"" + textOf(path) + "\": " + ec.message());
}

// Removes a tree that only this updater writes to.
void removeTree(const fs::path& path) {
    if (auto ec = files::removeTree(textOf(path))) fail("Не удалось удалить", path, ec);
}

// Moves a file over another; a read-only file is replaced too, on every platform.
void move(const fs::path& from, const fs::path& to, const char* what, const fs::path& shown) {
    if (auto ec = files::renameReplacing(textOf(from), textOf(to))) fail(what, shown, ec);
}

// Removes what a write of the journal cut short left beside it: the temporary files the
// platform writes it through (named after it) and the name older versions used. True when
// there was any.
bool removeJournalLeftovers(const std::string& packageFolder) {
    const std::string prefix = std::string(kJournalFile) + ".new";
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(pathOf(packageFolder), ec), end; !ec && it != end; it.increment(ec))
        if (textOf(it->path().filename()).rfind(prefix, 0) == 0) found.push_back(it->path());
    for (const fs::path& leftover : found) removeTree(leftover);
    return !found.empty();
}

} // namespace

std::string heldFileMessage(const std::string& file) {
    return "Файл \"" + file + "\" занят другой программой. Закройте программу, которая его использует, и повторите обновление.";
}

StagedInstall::StagedInstall(std::string packageFolder)
    : package_(files::withTrailingSeparator(std::move(packageFolder))),
      staging_(package_ + kStagingFolder),
      backup_(package_ + kBackupFolder),
      journal_(package_ + kJournalFile) {}

void StagedInstall::step(std::string_view change) const {
    if (beforeChange) beforeChange(change);
}

Recovery StagedInstall::recover() {
    const std::optional<Journal> journal = readJournal(journal_);
    if (!journal) {
        // No commit was under way: staged files are worth nothing without one. A backup folder
        // cannot exist without a journal; were it there, it is left for a person to look at.
        const bool any = present(pathOf(staging_));
        removeTree(pathOf(staging_));
        const bool journalLeftovers = removeJournalLeftovers(package_);
        std::error_code ec;
        fs::remove(pathOf(backup_), ec);  // only when empty; anything else stays
        return any || journalLeftovers ? Recovery::LeftoversRemoved : Recovery::Nothing;
    }
    if (journal->phase == Journal::Phase::Committed) {
        cleanUp();
        return Recovery::Completed;
    }
    rollBack(*journal);
    return Recovery::RolledBack;
}

std::string StagedInstall::prepareStaging() {
    removeTree(pathOf(staging_));
    std::error_code ec;
    fs::create_directories(pathOf(staging_), ec);
    if (ec) fail("Не удалось создать папку", pathOf(staging_), ec);
    flushing_ = std::make_unique<BackgroundFlush>(staging_, kStagingFlushEvery);
    return staging_ + files::kSeparator;
}

void StagedInstall::discardStaging() {
    flushing_.reset();
    removeTree(pathOf(staging_));
}

Journal StagedInstall::plan() const {
    Journal journal;
    const fs::path staging = pathOf(staging_);
    const fs::path package = pathOf(package_);
    std::set<std::string> writableChecked;
    // Entries go into a folder that exists now.
    const auto checkParent = [&](const fs::path& target) {
        const std::string key = textOf(target.parent_path());
        if (writableChecked.count(key)) return;
        if (!files::folderWritable(key))
            throw InstallError("Нет прав на изменение папки \"" + key +
                               "\". Запустите программу обновления от имени администратора.");
        writableChecked.insert(key);
    };

    std::error_code ec;
    fs::recursive_directory_iterator it(staging, fs::directory_options::none, ec), end;
    if (ec) fail("Не удалось прочитать папку", staging, ec);
    // Below a folder the package does not have yet, nothing can be in the way: the folder is
    // moved in whole, and its entries are only looked at for what the staging must not hold.
    int newFolderDepth = -1;
    for (; it != end; it.increment(ec)) {
        if (ec) fail("Не удалось прочитать папку", staging, ec);
        if (newFolderDepth >= 0 && it.depth() <= newFolderDepth) newFolderDepth = -1;
        // The type the folder listing gives: no look at each staged file of its own.
        const bool link = it->is_symlink(ec);
        const bool folder = !ec && !link && it->is_directory(ec);
        const bool file = !ec && !link && !folder && it->is_regular_file(ec);
        if (ec) fail("Не удалось прочитать", it->path(), ec);
        if (!folder && !file)
            throw InstallError("Неожиданный объект в папке обновления: \"" + textOf(it->path()) + "\"");
        if (newFolderDepth >= 0) continue;

        const fs::path relative = it->path().lexically_relative(staging);
        const fs::path target = package / relative;
        const fs::file_status current = fs::symlink_status(target, ec);
        const bool present = fs::exists(current);
        if (folder) {
            if (present && !fs::is_directory(current))
                throw InstallError("На месте папки \"" + textOf(target) + "\" стоит файл");
            if (!present) {
                checkParent(target);
                journal.newFolders.push_back(textOf(relative));
                newFolderDepth = it.depth();
            }
        } else {
            if (fs::is_directory(current))
                throw InstallError("На месте файла \"" + textOf(target) + "\" стоит папка");
            checkParent(target);
            journal.files.push_back({textOf(relative), present});
        }
    }
    return journal;
}

// Every old file must be movable before the first one moves: a file another program holds
// would otherwise stop the commit half-way and cost a rollback, or fail it for good.
void StagedInstall::checkHeldFiles(const Journal& journal) const {
    const fs::path package = pathOf(package_);
    for (const Journal::File& file : journal.files) {
        if (!file.hadOld) continue;
        const fs::path target = package / pathOf(file.path);
        // Named as the user's file manager shows it: the user is to find the file's program.
        const std::string shown = files::textOf(fs::path(target).make_preferred());
        for (;;) {
            const std::error_code ec = checkMovable(shown);
            if (!ec) break;
            if (ec != std::errc::device_or_resource_busy) fail("Не удалось заменить файл", target, ec);
            if (retryHeldFile && retryHeldFile(shown)) continue;
            throw InstallError(heldFileMessage(shown));
        }
    }
}

void StagedInstall::commit() {
    flushing_.reset();
    Journal journal;
    try {
        journal = plan();
        checkHeldFiles(journal);
        if (auto ec = files::syncFileSystem(staging_)) fail("Не удалось сохранить на диск", pathOf(staging_), ec);
        step("journal");
        writeJournal(journal_, journal);
    } catch (const std::exception&) {
        // Nothing in the package folder has changed; the staged files are worthless.
        files::removeTree(staging_);
        throw;
    }
    try {
        apply(journal);
    } catch (const std::exception& e) {
        try {
            rollBack(journal);
        } catch (const std::exception& again) {
            // The journal stays: the next run finishes the rollback before anything else.
            throw InstallError(std::string(e.what()) + "; " + again.what());
        }
        throw;
    }
    try {
        cleanUp();
    } catch (const std::exception&) {
        // Every new file is in place and the journal says so: the next run removes what is
        // left of the old files. The update itself has succeeded.
    }
}

void StagedInstall::apply(Journal& journal) {
    const fs::path package = pathOf(package_);
    const fs::path staging = pathOf(staging_);
    const fs::path backup = pathOf(backup_);
    std::set<fs::path> touched{package};
    std::error_code ec;
    // A folder the package does not have comes in whole, with everything in it, in one step.
    for (const std::string& folder : journal.newFolders) {
        const fs::path target = package / pathOf(folder);
        step("folder");
        if (auto moved = files::renameWithoutReplacing(textOf(staging / pathOf(folder)), textOf(target)))
            fail("Не удалось создать папку", target, moved);
        touched.insert(target.parent_path());
    }
    for (const Journal::File& file : journal.files) {
        const fs::path target = package / pathOf(file.path);
        if (file.hadOld) {
            const fs::path aside = backup / pathOf(file.path);
            fs::create_directories(aside.parent_path(), ec);
            if (ec) fail("Не удалось создать папку", aside.parent_path(), ec);
            step("aside");
            move(target, aside, "Не удалось заменить файл", target);
        }
        step("in");
        move(staging / pathOf(file.path), target, "Не удалось записать файл", target);
        touched.insert(target.parent_path());
    }
    // The renames must be on the disk before the journal says "committed". Each folder's flush
    // waits for a commit of the file system's own journal: past a few folders, one flush of
    // the whole file system costs less than one per folder.
    if (touched.size() > kFolderFlushesAtMost) {
        if (auto sync = files::syncFileSystem(package_)) fail("Не удалось сохранить на диск", package, sync);
    } else {
        for (const fs::path& folder : touched)
            if (auto sync = files::syncFolder(textOf(folder))) fail("Не удалось сохранить на диск", folder, sync);
    }
    step("committed");
    journal.phase = Journal::Phase::Committed;
    writeJournal(journal_, journal);
}

void StagedInstall::rollBack(const Journal& journal) {
    const fs::path package = pathOf(package_);
    const fs::path staging = pathOf(staging_);
    const fs::path backup = pathOf(backup_);
    // Each file is brought back on its own and a second pass changes nothing, so a crash in
    // the middle of a rollback is mended by the next one.
    for (auto file = journal.files.rbegin(); file != journal.files.rend(); ++file) {
        const fs::path target = package / pathOf(file->path);
        if (file->hadOld) {
            const fs::path aside = backup / pathOf(file->path);
            if (!present(aside)) continue;  // never moved, or already back
            step("back");
            move(aside, target, "Не удалось вернуть файл", target);  // replaces the new file in one step
        } else if (present(target) && !present(staging / pathOf(file->path))) {
            step("back");
            if (auto removed = files::removeFileOrLink(textOf(target))) fail("Не удалось удалить", target, removed);
        }
    }
    for (auto folder = journal.newFolders.rbegin(); folder != journal.newFolders.rend(); ++folder) {
        const fs::path target = package / pathOf(*folder);
        const fs::path staged = staging / pathOf(*folder);
        if (!present(target) || present(staged)) continue;  // never moved in, or already back
        step("back");
        if (auto moved = files::renameWithoutReplacing(textOf(target), textOf(staged)))
            fail("Не удалось вернуть папку", target, moved);
    }
    if (auto sync = files::syncFolder(package_)) fail("Не удалось сохранить на диск", package, sync);
    cleanUp();
}

void StagedInstall::cleanUp() {
    removeTree(pathOf(backup_));
    removeTree(pathOf(staging_));
    removeJournalLeftovers(package_);  // a rewrite of the journal cut short
    step("journal removed");
    std::error_code ec;
    fs::remove(pathOf(journal_), ec);
    if (ec) fail("Не удалось удалить", pathOf(journal_), ec);
    if (auto sync = files::syncFolder(package_)) fail("Не удалось сохранить на диск", pathOf(package_), sync);
}

} // namespace upd::install
