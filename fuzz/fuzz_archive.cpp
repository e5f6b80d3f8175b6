// libFuzzer target: any byte string opened as an archive and extracted into a fresh
// folder, with the update password offered once and failures ignored a few times before
// an abort. Only the component's own errors may come out, and nothing may appear beside
// the base folder. An archive that opens lists every record of its central directory (as
// many as the end record counts, filling the directory's size exactly), and no two of its
// entries share a byte of data.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>
#include <unistd.h>

#include "app/update_archive.h"
#include "ui/dialogs.h"
#include "archive/archive_file.h"
#include "archive/dir_manager.h"
#include "archive/zip_archiver.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUpdatePassword = upd::kUpdateArchivePassword;
constexpr int kIgnoredFailures = 16;

// The password once, then a cancel; Ignore for the first failures, then Abort.
class ScriptedAnswers : public upd::Dialogs {
public:
    upd::DialogResult message(const upd::MessageRequest& request) override {
        if (request.buttons == upd::DialogButtons::YesNoNoToAllYesToAll) return upd::DialogResult::Yes;
        return ignored_++ < kIgnoredFailures ? upd::DialogResult::Ignore : upd::DialogResult::Abort;
    }
    bool password(const std::string&, const std::string&, std::string& value) override {
        if (passwords_++ > 0) return false;
        value = kUpdatePassword;
        return true;
    }
    std::optional<std::string> openFile(const upd::OpenFileRequest&) override { return std::nullopt; }

private:
    int ignored_ = 0;
    int passwords_ = 0;
};

// <tmp>/fuzz_archive.<pid>/ holds the archive file and the folder "parent" with "base"
// inside; "parent" must hold nothing else after a run.
struct Scratch {
    fs::path root, archive, parent, base;
    Scratch() {
        const char* tmp = std::getenv("FUZZ_TMPDIR");
        root = fs::path(tmp ? tmp : fs::temp_directory_path().string()) / ("fuzz_archive." + std::to_string(::getpid()));
        archive = root / "input.zip";
        parent = root / "parent";
        base = parent / "base";
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

void removeTree(const fs::path& p) {
    std::error_code ec;
    // Folders the archive made read-only must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(p, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(p, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(p, ec);
}

[[noreturn]] void escaped(const std::string& what) {
    std::fprintf(stderr, "written outside the base folder: %s\n", what.c_str());
    std::abort();
}

void checkNothingOutside(const Scratch& s) {
    for (auto& e : fs::directory_iterator(s.parent))
        if (e.path().filename() != "base") escaped(e.path().string());
    for (auto& e : fs::directory_iterator(s.root))
        if (e.path() != s.parent && e.path() != s.archive) escaped(e.path().string());
    // Everything inside is a plain file or folder: nothing links out of the base.
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(s.base, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_symlink()) escaped(it->path().string() + " (symbolic link)");
}

[[noreturn]] void broken(const std::string& what) {
    std::fprintf(stderr, "property broken: %s\n", what.c_str());
    std::abort();
}

uint64_t le(const uint8_t* p, int n) {
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
    return v;
}

// Read here from the input's bytes, not through the reader: the records of the directory
// an opened archive was read from are all listed.
void checkCounts(const upd::TDirManager& dm, const uint8_t* data, size_t size) {
    if (dm.Rebuilt) return;
    const uint64_t count = dm.FZip64 ? dm.Zip64CentralDirEnd.entriesCentralDir : dm.CentralDirEnd.entriesCentralDir;
    const uint64_t dirSize = dm.FZip64 ? dm.Zip64CentralDirEnd.centralDirSize : dm.CentralDirEnd.centralDirSize;
    if (dm.CDir.ItemCount() != count)
        broken("listed " + std::to_string(dm.CDir.ItemCount()) + " entries, the end record counts " + std::to_string(count));
    uint64_t pos = dm.CentralDirOffset;
    for (uint64_t i = 0; i < count; ++i) {
        if (pos > size || size - pos < upd::zip::kCentralHeaderSize) broken("a listed record lies past the file");
        pos += upd::zip::kCentralHeaderSize + le(data + pos + 28, 2) + le(data + pos + 30, 2) + le(data + pos + 32, 2);
    }
    if (pos - dm.CentralDirOffset != dirSize)
        broken("the listed records take " + std::to_string(pos - dm.CentralDirOffset) + " bytes, the directory " +
               std::to_string(dirSize));
}

// Every entry with data starts at a local header; its header, name, extra field and data
// overlap no other entry's, nor the central directory of a read (not rebuilt) list.
void checkNoSharedData(const upd::TDirManager& dm, const uint8_t* data, size_t size) {
    struct Span {
        uint64_t begin, end;
    };
    std::vector<Span> spans;
    for (size_t i = 0; i < dm.CDir.ItemCount(); ++i) {
        const upd::TDirItem& item = dm.CDir[i];
        if (item.isFolder()) continue;
        const uint64_t at = item.localHeaderOffset();
        if (at > size || size - at < upd::zip::kLocalHeaderSize || le(data + at, 4) != upd::zip::kLocalHeaderSig)
            broken("entry " + std::to_string(i + 1) + " has no local header");
        uint64_t end = at + upd::zip::kLocalHeaderSize + le(data + at + 26, 2) + le(data + at + 28, 2);
        const uint64_t compressed = item.compressedSize();
        end = compressed > UINT64_MAX - end ? UINT64_MAX : end + compressed;
        if (end > dm.CentralDirOffset) {
            if (!dm.Rebuilt) broken("entry " + std::to_string(i + 1) + " runs into the central directory");
            end = dm.CentralDirOffset;
        }
        spans.push_back({at, end});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
    uint64_t reach = 0;
    for (const Span& span : spans) {
        if (span.begin < reach) broken("two entries share data");
        reach = std::max(reach, span.end);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Scratch& s = scratch();
    removeTree(s.parent);
    fs::create_directories(s.base);
    {
        std::ofstream f(s.archive, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    {
        // One component for every input, as the main window keeps one: its decoding
        // buffers are made once, and what an input leaves behind is reset here.
        static upd::TZipArchiver arc;
        ScriptedAnswers answers;
        arc.setPassword({});
        arc.Options() = upd::TArchiveOptions{};
        arc.setFileName(s.archive.string());
        arc.setBaseDir(s.base.string());
        arc.setDialogs(&answers);
        try {
            arc.OpenArchive();
            checkCounts(*arc.DMHandle(), data, size);
            checkNoSharedData(*arc.DMHandle(), data, size);
            arc.ExtractFiles("*.*", upd::kAnyFileAttr, "");
        } catch (const upd::EArchiveError&) {
        } catch (const upd::EReadError&) {
        }
        arc.CloseArchive();
        arc.setDialogs(nullptr);
    }
    checkNothingOutside(s);
    removeTree(s.parent);
    return 0;
}
