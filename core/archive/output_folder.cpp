#include "archive/output_folder.h"

#include <atomic>
#include <cstdio>
#include <filesystem>

#include "platform/files.h"
#include "platform/fs_path.h"

namespace upd {

std::optional<EntryPath> splitEntryPath(std::string_view name) {
    if (!name.empty() && (name.front() == '/' || name.front() == '\\')) return std::nullopt;
    // A zero byte would end the name early for the system and hide a ".." behind it.
    if (name.find('\0') != std::string_view::npos) return std::nullopt;
    EntryPath path;
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != '/' && name[i] != '\\') continue;
        parts.emplace_back(name.substr(start, i - start));
        start = i + 1;
    }
    if (!parts.empty()) {
        const std::string& first = parts.front();
        const bool drive = first.size() >= 2 && first[1] == ':' &&
                           ((first[0] >= 'A' && first[0] <= 'Z') || (first[0] >= 'a' && first[0] <= 'z'));
        if (drive) return std::nullopt;
    }
    path.leaf = parts.back();
    parts.pop_back();
    for (auto& part : parts) {
        if (part == "..") return std::nullopt;
        if (part.empty() || part == ".") continue;
        path.folders.push_back(std::move(part));
    }
    if (path.leaf == "..") return std::nullopt;
    if (path.leaf == ".") path.leaf.clear();
    return path;
}

unsigned defaultFileMode() { return 0666 & ~files::creationMask(); }

void OutputFolder::reset() {
    last_.close();
    base_.close();
    lastKey_.clear();
    basePath_.clear();
}

void OutputFolder::setBase(const std::string& base) {
    if (base_.isOpen() && base == basePath_) return;
    reset();
    basePath_ = base;
}

const files::FolderHandle* OutputFolder::open(const std::string& base, const std::vector<std::string>& folders,
                                              bool create, FolderFailure& failure) {
    failure = FolderFailure::None;
    setBase(base);
    if (!base_.isOpen()) {
        // The base folder is the caller's choice: it is made and followed as given. A
        // failure to make it shows when it cannot be opened next.
        const std::string path = basePath_.empty() ? "." : basePath_;
        std::error_code ec;
        if (create) std::filesystem::create_directories(files::pathOf(path), ec);
        if (base_.open(path)) {
            failure = FolderFailure::CannotCreate;
            return nullptr;
        }
    }
    std::string key;
    for (const auto& f : folders) key.append(f).push_back('/');
    if (key.empty()) return &base_;
    if (last_.isOpen() && key == lastKey_) return &last_;
    last_.close();
    lastKey_.clear();

    files::FolderHandle dir;  // closed: the base itself
    for (const auto& name : folders) {
        files::FolderHandle next;
        if (const auto ec = (dir.isOpen() ? dir : base_).openFolder(name, create, next)) {
            failure = ec == std::errc::too_many_symbolic_link_levels ? FolderFailure::Escapes
                                                                      : FolderFailure::CannotCreate;
            return nullptr;
        }
        dir = std::move(next);
    }
    last_ = std::move(dir);
    lastKey_ = key;
    return &last_;
}

std::error_code PendingFile::createNew(const files::FolderHandle& folder, const std::string& leaf, unsigned mode) {
    folder_ = &folder;
    leaf_ = leaf;
    tempName_.clear();
    const std::error_code ec = folder.createFile(leaf_, mode, file_);
    made_ = !ec;
    return ec;
}

bool PendingFile::createBeside(const files::FolderHandle& folder, const std::string& leaf, unsigned mode) {
    static std::atomic<unsigned> counter{0};
    static const unsigned pid = files::processId();
    folder_ = &folder;
    leaf_ = leaf;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, ".upd~%u.%u.tmp", pid, counter++);
        const std::error_code ec = folder.createFile(name, mode, file_);
        if (!ec) {
            tempName_ = name;
            made_ = true;
            return true;
        }
        if (ec != std::errc::file_exists) return false;
    }
    return false;
}

bool PendingFile::adopt(const files::FileHandle& unnamed) {
    if (!file_.isOpen() || !made_) return false;
    files::FileHandle copy;
    if (unnamed.duplicate(copy)) return false;
    if (folder_->placeUnnamed(unnamed, file_, tempName_.empty() ? leaf_ : tempName_)) return false;
    file_ = std::move(copy);
    return true;
}

bool PendingFile::commit(std::optional<unsigned> mode, std::optional<int64_t> mtime) {
    bool ok = true;
    if (mode) file_.setPermissions(*mode);  // a failure leaves the mode the file was made with
    // A failure leaves the time of writing: attributes and times are applied as far as the
    // file system allows, never a reason to lose the content.
    if (mtime) file_.setModifiedTime(*mtime);
    // Only close() can report that written data did not reach the file.
    if (file_.close()) ok = false;
    if (ok && !tempName_.empty() && folder_->rename(tempName_, leaf_)) ok = false;
    if (!ok) {
        discard();
        return false;
    }
    made_ = false;
    return true;
}

void PendingFile::discard() {
    file_ = files::FileHandle();  // the content is dropped, so a late write error is of no interest
    // The name is ours (made exclusively); should it refuse to go, nothing else can be done
    // about it here, and it never stands in for the destination.
    if (made_) folder_->remove(tempName_.empty() ? leaf_ : tempName_);
    made_ = false;
}

PendingFile::~PendingFile() { discard(); }

} // namespace upd
