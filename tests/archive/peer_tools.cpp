#include "peer_tools.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include <iconv.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace upd::peer {

namespace {

// Trees of many small files cost far less in memory than on the work disk, whose cost per
// file also drifts widely: prefer /dev/shm unless TMPDIR names a place.
fs::path scratchRoot() {
    if (!std::getenv("TMPDIR") && access("/dev/shm", W_OK | X_OK) == 0 && fs::is_directory("/dev/shm")) return "/dev/shm";
    return fs::temp_directory_path();
}

} // namespace

ScratchFolder::ScratchFolder(const std::string& tag) {
    std::string pattern = (scratchRoot() / ("peer_" + tag + "_XXXXXX")).string();
    if (!mkdtemp(pattern.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp");
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    if (keep_) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

CommandResult runShell(const std::string& script, const std::string& folder,
                       const std::map<std::string, std::string>& env) {
    std::string full = "cd " + shellQuote(folder) + " || exit 99\n";
    for (const auto& [name, value] : env) full += "export " + name + "=" + shellQuote(value) + "\n";
    full += script;
    const std::string command = "bash -c " + shellQuote(full) + " 2>&1";
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool toolAvailable(const std::string& program) {
    return runShell("command -v " + shellQuote(program) + " >/dev/null", "/").exitCode == 0;
}

namespace {

// Small deterministic generator so that every run packs the same bytes.
struct XorShift {
    uint64_t state;
    explicit XorShift(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
};

std::string textLike(size_t size, uint64_t seed) {
    static const char* const words[] = {
        "update", "archive", "folder", "student", "gruppa", "category", "plan", "driving",
        "school", "teacher", "vehicle", "exam", "hours", "grafik", "spravka", "base",
        "release", "version", "the", "and", "of", "to", "in", "is", "2021", "3.2", "Kordeval"};
    XorShift rng(seed);
    std::string out;
    out.reserve(size + 16);
    size_t lineLength = 0;
    while (out.size() < size) {
        const char* w = words[rng.next() % (sizeof words / sizeof *words)];
        out += w;
        lineLength += std::char_traits<char>::length(w) + 1;
        if (lineLength > 60 + rng.next() % 20) {
            out += '\n';
            lineLength = 0;
        } else {
            out += ' ';
        }
    }
    out.resize(size);
    return out;
}

// Half the entropy of random bytes: deflated, it still spans several megabyte chunks.
std::string randomLetters(size_t size, uint64_t seed) {
    XorShift rng(seed);
    std::string out(size, '\0');
    for (size_t i = 0; i < size; ++i) out[i] = i % 64 == 63 ? '\n' : "abcdefghijklmnop"[rng.next() >> 60];
    return out;
}

std::string randomBytes(size_t size, uint64_t seed) {
    XorShift rng(seed);
    std::string out(size, '\0');
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<char>(rng.next() >> 56);
    return out;
}

void writeFile(const fs::path& path, const std::string& content, mode_t mode, int64_t mtime) {
    fs::create_directories(path.parent_path());
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        if (!out) throw std::runtime_error("cannot write " + path.string());
    }
    struct timeval times[2] = {{static_cast<time_t>(mtime), 0}, {static_cast<time_t>(mtime), 0}};
    if (utimes(path.c_str(), times) != 0 || chmod(path.c_str(), mode) != 0)
        throw std::system_error(errno, std::generic_category(), path.string());
}

std::string iconvConvert(const std::string& bytes, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::system_error(errno, std::generic_category(), "iconv_open");
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) throw std::runtime_error("iconv cannot convert " + bytes);
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace

std::string cp866ToUtf8(const std::string& bytes) { return iconvConvert(bytes, "UTF-8", "CP866"); }
std::string utf8ToCp866(const std::string& text) { return iconvConvert(text, "CP866", "UTF-8"); }

size_t writeSourceTree(const std::string& rootText, NameSet names) {
    const fs::path root(rootText);
    const int64_t base = 1614834367;  // 2021-03-04 05:06:07 UTC, an odd second
    int64_t step = 0;
    auto nextTime = [&] { return base + 7919 * step++; };  // odd and even seconds alternate
    size_t files = 0;
    auto put = [&](const std::string& name, const std::string& content, mode_t mode = 0644) {
        writeFile(root / name, content, mode, nextTime());
        ++files;
    };

    put("readme.txt", textLike(1200, 1));
    put("noext", "no extension\n");
    put("name with blanks (1).txt", textLike(300, 2));
    put("docs/manual.txt", textLike(3 * 1024 * 1024 + 17, 3));   // several output buffers
    put("data/random.bin", randomBytes(1536 * 1024 + 5, 4));     // several input chunks
    put("data/letters.txt", randomLetters(3 * 1024 * 1024 + 3, 6));  // deflated over several chunks
    put("data/ones.bin", std::string(2 * 1024 * 1024, '\x01'));  // tiny input, large output
    put("data/empty.dat", "");
    put("bin/run.sh", "#!/bin/sh\necho run\n", 0755);
    put("locked.txt", "read only\n", 0444);

    std::string deep = "deep";
    for (int level = 1; level <= 24; ++level) deep += "/level" + std::string(level < 10 ? "0" : "") + std::to_string(level);
    put(deep + "/leaf.txt", textLike(5000, 5));
    fs::create_directories(root / "empty");

    if (names != NameSet::Ascii) {
        const std::vector<std::string> cyrillic = {"Документы/Отчёт за 2021.txt", "Привет.txt", "ЮЯ/ёЁ.txt"};
        uint64_t seed = 10;
        for (const std::string& name : cyrillic)
            put(names == NameSet::Cp866 ? utf8ToCp866(name) : name, textLike(700, seed++));
    }
    return files;
}

size_t writeManyEntriesTree(const std::string& rootText) {
    const fs::path root(rootText);
    size_t files = 0;
    for (int folder = 0; folder < 70; ++folder) {
        const fs::path dir = root / ("d" + std::to_string(folder));
        fs::create_directories(dir);
        for (int file = 0; file < 1000; ++file) {
            const std::string name = "f" + std::to_string(file) + ".txt";
            std::ofstream(dir / name, std::ios::binary) << folder << ' ' << file << '\n';
            ++files;
        }
    }
    return files;
}

std::map<std::string, Node> snapshot(const std::string& rootText) {
    const fs::path root(rootText);
    std::map<std::string, Node> nodes;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path& path = it->path();
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) throw std::system_error(errno, std::generic_category(), path.string());
        Node node;
        node.isDirectory = S_ISDIR(st.st_mode);
        node.mode = st.st_mode & 07777;
        node.mtime = st.st_mtim.tv_sec;
        if (S_ISREG(st.st_mode)) {
            std::ifstream in(path, std::ios::binary);
            std::ostringstream content;
            content << in.rdbuf();
            node.content = content.str();
        } else if (!node.isDirectory) {
            node.content = "<not a regular file>";
        }
        nodes.emplace(path.lexically_relative(root).generic_string(), std::move(node));
    }
    return nodes;
}

} // namespace upd::peer
