#include "migration/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace upd {
namespace {

// Writes a copy of `from` under a fresh temporary name in the folder of `to`; empty on failure.
std::string copyToTemporary(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return {};
    struct stat st{};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return {};
    }
    std::string temp = to + ".copy-XXXXXX";
    const int out = ::mkstemp(temp.data());
    if (out < 0) {
        ::close(in);
        return {};
    }
    bool ok = true;
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(out, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) ok = false;
            else done += w;
        }
        if (!ok) break;
    }
    // The copy is a working file: writable by its owner whatever the source's mode.
    ok = ok && ::fchmod(out, (st.st_mode & 0777) | S_IRUSR | S_IWUSR) == 0 && ::fsync(out) == 0;
    ok = ::close(out) == 0 && ok;
    ::close(in);
    if (!ok) {
        ::unlink(temp.c_str());
        return {};
    }
    return temp;
}

} // namespace

bool copyFileReplacing(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (std::filesystem::equivalent(from, to, ec)) return false;  // the file itself
    const std::string temp = copyToTemporary(from, to);
    if (temp.empty()) return false;
    if (std::rename(temp.c_str(), to.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

bool copyFileNoReplace(const std::string& from, const std::string& to) {
    struct stat st{};
    if (::lstat(to.c_str(), &st) == 0) return false;
    const std::string temp = copyToTemporary(from, to);
    if (temp.empty()) return false;
    // link() refuses an existing name, so a file that appeared meanwhile stays untouched.
    bool ok = ::link(temp.c_str(), to.c_str()) == 0;
    if (!ok && (errno == EPERM || errno == ENOTSUP || errno == ENOSYS)) {
        // A file system without hard links: the narrow check-then-rename is the best there is.
        ok = ::lstat(to.c_str(), &st) != 0 && std::rename(temp.c_str(), to.c_str()) == 0;
        if (ok) return true;
    }
    ::unlink(temp.c_str());
    return ok;
}

} // namespace upd
