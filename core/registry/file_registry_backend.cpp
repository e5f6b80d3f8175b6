#include "registry/file_registry_backend.h"

#include "platform/file_handle.h"
#include "platform/files.h"
#include "platform/fs_path.h"
#include "platform/replace_file.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace upd {

namespace {

std::string sectionPath(const std::string& section) { return std::string(kSoftwareKey) + "\\" + section; }

bool missing(const std::error_code& ec) {
    return ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory;
}

std::error_code readAll(files::FileHandle& file, std::string& bytes) {
    bytes.clear();
    char buffer[65536];
    for (;;) {
        size_t got = 0;
        if (auto ec = file.readSome(buffer, sizeof buffer, got)) return ec;
        if (got == 0) return {};
        bytes.append(buffer, got);
    }
}

// An exclusive lock on a companion file, held for one read-change-write. Another program
// holding it longer than `wait` gets an error, not an endless wait.
void lockFor(const std::string& path, const std::string& section, std::chrono::milliseconds wait,
             files::FileHandle& lock) {
    if (lock.openForLocking(path + ".lock")) throw RegistryError("Failed to create key " + section);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        bool locked = false;
        if (lock.tryLockExclusive(locked)) throw RegistryError("Failed to create key " + section);
        if (locked) return;
        if (std::chrono::steady_clock::now() >= deadline)
            throw RegistryError("The registry file \"" + path + "\" is locked by another program; gave up after " +
                                std::to_string(wait.count() / 1000) + " s");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace

RegFile& FileRegistryBackend::parsed(std::string bytes, const std::string& source) {
    // The same bytes parse to the same keys: a registry object asked many times reads the
    // file each time (another program may have changed it) but parses it only when it did.
    if (!parsed_ || bytes != parsedBytes_) {
        parsed_.reset();
        parsed_ = parseRegFile(bytes, source);
        parsedBytes_ = std::move(bytes);
    }
    return *parsed_;
}

RegFile& FileRegistryBackend::load() {
    std::string bytes;
    const std::error_code ec = files::readWholeFile(path_, bytes);
    // No file yet is an empty registry. Any other failure is raised: taken for an empty
    // registry, it would turn every read into its default and the next write would drop
    // every other value.
    if (missing(ec)) bytes.clear();
    else if (ec) throw RegistryError("Cannot read the registry file \"" + path_ + "\": " + ec.message());
    return parsed(std::move(bytes), path_);
}

bool FileRegistryBackend::sectionExists(const std::string& section) {
    return load().findKey(sectionPath(section)) != nullptr;
}

std::optional<RegistryValue> FileRegistryBackend::queryValue(const std::string& section, const std::string& name) {
    RegFileKey* key = load().findKey(sectionPath(section));
    if (!key) return std::nullopt;
    if (const RegFileValue* v = key->findValue(name)) return v->value;
    return std::nullopt;
}

void FileRegistryBackend::setValue(const std::string& section, const std::string& name, const RegistryValue& value) {
    // A link is written through: the file it leads to is the registry other programs read.
    std::string target = path_;
    if (std::string resolved; !files::resolvePath(path_, resolved)) target = resolved;
    std::error_code ec;  // a folder that cannot be made shows as the lock's failure
    const fs::path parent = files::pathOf(target).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);
    files::FileHandle lock;
    lockFor(target, section, lockWait_, lock);

    files::FileHandle old;
    std::string bytes;
    unsigned mode = 0600;
    ec = old.openForReading(target);
    if (!ec) {
        if (auto rc = readAll(old, bytes)) throw RegistryError("Cannot read the registry file \"" + target + "\": " + rc.message());
        if (auto rc = old.permissions(mode)) throw RegistryError("Cannot read the registry file \"" + target + "\": " + rc.message());
        // Read-only is the owner's word that nothing is to change there.
        if ((mode & 0200) == 0) throw RegistryError("The registry file \"" + target + "\" is read-only");
    } else if (!missing(ec)) {
        throw RegistryError("Cannot read the registry file \"" + target + "\": " + ec.message());
    }
    RegFile& file = parsed(std::move(bytes), target);
    file.set(sectionPath(section), name, value);

    // Readers never see a torn file: the new content takes the file's name in one step, with
    // the old file's mode and owner.
    files::TemporaryFile next;
    auto failed = [&] {
        parsed_.reset();  // what is cached is no longer what the file holds
        return RegistryError("Failed to set data for '" + name + "'");
    };
    if (next.create(target, mode) || next.handle().writeAll(file.bytes()) || next.handle().setPermissions(mode))
        throw failed();
    if (old.isOpen() && next.handle().takeOwnerOf(old)) throw failed();
    // Windows replaces no file that is open, whatever the sharing; the lock still keeps
    // other writers out.
    old = files::FileHandle();
    if (next.commitReplacing()) throw failed();
    parsedBytes_ = file.bytes();
}

std::string defaultRegistryPath() {
    if (const char* env = std::getenv("UPDATE_REGISTRY"); env && *env) return env;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.config";
    } else {
        base = ".";
    }
    return base + "/tarvenit/registry.reg";
}

RegistryOpener fileRegistryOpener(std::string path) {
    return [path = std::move(path)] {
        return std::make_unique<InstallationRegistry>(std::make_unique<FileRegistryBackend>(path));
    };
}

} // namespace upd
