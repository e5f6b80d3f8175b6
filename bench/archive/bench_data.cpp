// Writes the benchmark's input trees, byte for byte the same on every run:
//   bench_data text   <folder>   4 files of 100,000,000 bytes of text-like lines
//   bench_data small  <folder>   20,000 files of 1-8 KB text in 200 folders
//   bench_data stored <folder>   2 files of 200,000,000 bytes of incompressible data
// Every file and folder gets the same fixed modification time.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <sys/time.h>

namespace fs = std::filesystem;

namespace {

constexpr time_t kFixedTime = 1705314030;  // 2024-01-15 10:20:30 UTC

struct XorShift {
    uint64_t state;
    explicit XorShift(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
};

// Lines of words, numbers and dates, compressing about as well as documents and listings do.
class TextSource {
public:
    explicit TextSource(uint64_t seed) : rng_(seed) {}

    void fill(std::string& out, size_t size) {
        static const char* const words[] = {
            "update", "archive", "folder", "student", "gruppa", "category", "plan", "driving",
            "school", "teacher", "vehicle", "exam", "hours", "grafik", "spravka", "base",
            "release", "version", "the", "and", "of", "to", "in", "is", "for", "with", "on",
            "Kordeval", "Mirela", "Tarvenit", "lesson", "theory", "practice", "instructor",
            "certificate", "diploma", "address", "region", "street", "building", "photo",
            "table", "column", "record", "value", "index", "total", "result", "passed", "failed"};
        constexpr size_t wordCount = sizeof words / sizeof *words;
        out.clear();
        out.reserve(size + 64);
        char number[32];
        while (out.size() < size) {
            const uint64_t r = rng_.next();
            switch (r % 11) {
            case 0:
                std::snprintf(number, sizeof number, "%u", static_cast<unsigned>((r >> 8) % 100000));
                out += number;
                break;
            case 1:
                std::snprintf(number, sizeof number, "%02u.%02u.20%02u", static_cast<unsigned>((r >> 8) % 28 + 1),
                              static_cast<unsigned>((r >> 16) % 12 + 1), static_cast<unsigned>((r >> 24) % 25));
                out += number;
                break;
            default:
                out += words[(r >> 8) % wordCount];
            }
            if ((r >> 40) % 12 == 0) {
                out += '\n';
            } else {
                out += (r >> 48) % 7 == 0 ? "; " : " ";
            }
        }
        out.resize(size);
    }

private:
    XorShift rng_;
};

void setTime(const fs::path& path) {
    struct timeval times[2] = {{kFixedTime, 0}, {kFixedTime, 0}};
    utimes(path.c_str(), times);
}

bool writeFile(const fs::path& path, const std::string& content) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
    if (std::fclose(f) != 0 || !ok) return false;
    setTime(path);
    return true;
}

// Large files are written in pieces so that the generator's memory stays small.
bool writeLarge(const fs::path& path, uint64_t size, const std::function<void(std::string&, size_t)>& produce) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::string piece;
    bool ok = true;
    for (uint64_t done = 0; done < size && ok;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(size - done, 8u << 20));
        produce(piece, n);
        ok = std::fwrite(piece.data(), 1, piece.size(), f) == piece.size();
        done += n;
    }
    if (std::fclose(f) != 0 || !ok) return false;
    setTime(path);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s text|small|stored <folder>\n", argv[0]);
        return 2;
    }
    const std::string kind = argv[1];
    const fs::path root = argv[2];
    fs::create_directories(root);
    bool ok = true;
    if (kind == "text") {
        for (int i = 1; i <= 4 && ok; ++i) {
            TextSource text(100 + i);
            ok = writeLarge(root / ("document" + std::to_string(i) + ".txt"), 100000000,
                            [&](std::string& out, size_t n) { text.fill(out, n); });
        }
    } else if (kind == "small") {
        XorShift sizes(7);
        TextSource text(8);
        std::string content;
        for (int folder = 0; folder < 200 && ok; ++folder) {
            char name[32];
            std::snprintf(name, sizeof name, "folder%03d", folder);
            const fs::path dir = root / name;
            fs::create_directories(dir);
            for (int file = 0; file < 100 && ok; ++file) {
                std::snprintf(name, sizeof name, "file%03d.txt", file);
                text.fill(content, 1024 + sizes.next() % (7 * 1024 + 1));
                ok = writeFile(dir / name, content);
            }
            setTime(dir);
        }
    } else if (kind == "stored") {
        for (int i = 1; i <= 2 && ok; ++i) {
            XorShift rng(200 + i);
            ok = writeLarge(root / ("media" + std::to_string(i) + ".bin"), 200000000, [&](std::string& out, size_t n) {
                out.resize(n);
                size_t k = 0;
                for (; k + 8 <= n; k += 8) {
                    const uint64_t v = rng.next();
                    std::memcpy(out.data() + k, &v, 8);
                }
                for (; k < n; ++k) out[k] = static_cast<char>(rng.next());
            });
        }
    } else {
        std::fprintf(stderr, "unknown kind %s\n", kind.c_str());
        return 2;
    }
    if (!ok) {
        std::perror("bench_data");
        return 1;
    }
    return 0;
}
