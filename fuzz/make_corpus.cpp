// Writes the fuzzer's seed archives into the folder given: one small archive per feature
// the reader handles, so that mutations start from every path through it.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/update_archive.h"
#include "zip_test_writer.h"

using namespace upd::test;

namespace {

constexpr const char* kPassword = upd::kUpdateArchivePassword;

std::string text(size_t n) {
    std::string s;
    static const char* words[] = {"автошкола ", "driver ", "lesson ", "route ", "exam ", "\n"};
    unsigned x = 7;
    while (s.size() < n) {
        x = x * 1103515245u + 12345u;
        s += words[(x >> 16) % 6];
    }
    s.resize(n);
    return s;
}

struct Seed {
    const char* name;
    TestArchive archive;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    const std::string body = text(600);
    std::vector<Seed> seeds = {
        {"empty", {}},
        {"stored", {{{.name = "a.txt", .data = "stored text\n", .method = 0}}}},
        {"deflated", {{{.name = "a.txt", .data = body}}}},
        {"folders", {{{.name = "d/", .method = 0, .externalAttr = 0x10},
                      {.name = "d/e/f.txt", .data = body},
                      {.name = "d\\g.txt", .data = "back", .method = 0}}}},
        {"encrypted", {{{.name = "base/MainBase.accdb", .data = body, .password = kPassword},
                        {.name = "s.bin", .data = "secret", .method = 0, .password = kPassword}}}},
        {"wrong_password", {{{.name = "x.txt", .data = body, .password = "other"}}}},
        {"descriptor", {{{.name = "a.txt", .data = body, .dataDescriptor = true},
                         {.name = "b.txt", .data = "plain", .method = 0, .password = kPassword,
                          .dataDescriptor = true}}}},
        {"zip64", {{{.name = "big.txt", .data = body, .zip64 = true}}, "", true}},
        {"comments", {{{.name = "a.txt", .data = "x", .method = 0, .comment = "entry comment"}}, "archive comment"}},
        {"cyrillic_oem", {{{.name = "\x8f\xe0\xa8\xac\xa5\xe0.txt", .data = body}}}},
        {"cyrillic_utf8", {{{.name = "Пример.txt", .data = body, .utf8Flag = true}}}},
        {"nucx", {{{.name = "nucx.txt", .data = body, .nucxName = "Учебный план.txt"}}}},
        {"unix_modes", {{{.name = "run.sh", .data = "#!/bin/sh\n", .method = 0, .externalAttr = 0x81ED0000,
                          .versionMadeBy = 0x031E}}}},
        {"stub", {{{.name = "a.txt", .data = body}, {.name = "b.txt", .data = "b", .method = 0}},
                  "", false, std::string(300, 'M')}},
        {"stub_offsets", {{{.name = "a.txt", .data = body}}, "", false, std::string(100, 'Z'), true}},
        {"bad_crc", {{{.name = "a.txt", .data = body, .centralCrc = 0x12345678u}}}},
        {"overlong", {{{.name = "a.txt", .data = body, .centralUncompSize = 10u}}}},
    };
    for (const auto& seed : seeds) {
        writeFile((dir / seed.name).string() + ".zip", buildZip(seed.archive).bytes);
    }
    // Damaged archives, read by rebuilding the directory from the local headers.
    const TestArchive two{{{.name = "a.txt", .data = body, .dataDescriptor = true},
                           {.name = "b.txt", .data = "stored", .method = 0, .password = kPassword}}};
    const BuiltArchive built = buildZip(two);
    writeFile((dir / "no_directory.zip").string(), built.bytes.substr(0, built.centralDirOffset));
    writeFile((dir / "cut_directory.zip").string(), built.bytes.substr(0, built.centralDirOffset + 30));
    writeFile((dir / "stub_no_directory.zip").string(),
              std::string(200, 'M') + built.bytes.substr(0, built.centralDirOffset));
    return 0;
}
