// Archives whose directory cannot be used are read from their local headers; archives
// with bytes in front are found where they begin.
#include <gtest/gtest.h>

#include "archive/archive_error.h"
#include "archive/archive_file.h"
#include "archive/dir_manager.h"
#include "archive_test_support.h"

namespace upd::test {
namespace {

namespace fs = std::filesystem;
using ArchiveRebuildTest = ArchiveTest;

// A bare 30-byte local header followed by its name.
std::string localHeader(const std::string& name, uint16_t flags, uint32_t compSize, uint32_t unCompSize,
                        uint16_t extraLength = 0) {
    std::string h("PK\x03\x04", 4);
    h.resize(30, '\0');
    put16(h, 4, 20);
    put16(h, 6, flags);
    put32(h, 14, 0x12345678);
    put32(h, 18, compSize);
    put32(h, 22, unCompSize);
    put16(h, 26, static_cast<uint16_t>(name.size()));
    put16(h, 28, extraLength);
    return h + name;
}

const std::vector<TestEntry>& sampleEntries() {
    static const std::vector<TestEntry> entries = {
        {.name = "docs/", .method = 0, .externalAttr = 0x10},
        {.name = "docs/deflated.txt", .data = textOf(4000, 2)},
        {.name = "empty.txt", .data = "", .method = 0},
        {.name = "stored.bin", .data = "stored bytes", .method = 0},
        {.name = "secret.txt", .data = textOf(900, 3), .password = "pw"},
        {.name = "streamed.txt", .data = textOf(1500, 4), .dataDescriptor = true},
        {.name = "streamed-empty.txt", .data = "", .method = 0, .dataDescriptor = true},
    };
    return entries;
}

// The ways a directory can become unusable; each leaves every local header in place.
TEST_F(ArchiveRebuildTest, UnusableDirectoryIsRebuiltFromLocalHeaders) {
    const auto built = buildZip({sampleEntries(), "comment"});
    struct Case {
        std::string label;
        std::function<void(std::string&)> damage;
    };
    const std::vector<Case> cases = {
        {"cut after the last entry's data", [&](std::string& b) { b.resize(built.centralDirOffset); }},
        {"end record gone", [&](std::string& b) { b.resize(built.endRecordOffset); }},
        {"end record counts 0xFFFF entries", [&](std::string& b) {
             put16(b, built.endRecordOffset + 8, 0xFFFF);
             put16(b, built.endRecordOffset + 10, 0xFFFF);
         }},
        {"directory name runs past the end", [&](std::string& b) {
             put16(b, built.centralDirOffset + 28, 0xFFFF);
         }},
        {"directory larger than the file", [&](std::string& b) {
             put32(b, built.endRecordOffset + 12, static_cast<uint32_t>(built.endRecordOffset));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        std::string bytes = built.bytes;
        c.damage(bytes);
        writeFile((root / "a.zip").string(), bytes);
        TZipArchiver arc;
        arc.setPassword("pw");
        openOn(arc, (root / "a.zip").string());
        ASSERT_EQ(arc.FileCount(), sampleEntries().size());
        EXPECT_EQ(arc.DMHandle()->CentralDirOffset, bytes.size());
        for (size_t i = 0; i < sampleEntries().size(); ++i) {
            const auto& e = sampleEntries()[i];
            const auto& item = arc.Entry(i);
            SCOPED_TRACE(e.name);
            EXPECT_EQ(item.Name, e.name);
            EXPECT_EQ(item.localHeaderOffset(), built.localHeaderOffsets[i]);
            // Sizes and CRC-32 of streamed entries come from their data descriptors.
            EXPECT_EQ(item.CentralDir.unCompSize, e.data.size());
            EXPECT_EQ(item.CentralDir.crc32, crc32Of(e.data));
            EXPECT_EQ(item.CentralDir.versionMadeBy, item.CentralDir.extractVersion);
            EXPECT_EQ(item.encrypted(), !e.password.empty());
            // A folder by its name; an empty file stays a file.
            const bool folder = e.name.back() == '/';
            EXPECT_EQ(item.CentralDir.externalAttr, folder ? 0x10u : 0x20u);
        }
        EXPECT_EQ(extractAll(arc), std::vector<int>{});
        for (const auto& e : sampleEntries()) {
            if (e.name.back() == '/') {
                EXPECT_TRUE(fs::is_directory(out / e.name)) << e.name;
            } else {
                EXPECT_TRUE(fs::is_regular_file(out / e.name)) << e.name;
                EXPECT_EQ(outFile(e.name), e.data) << e.name;
            }
        }
    }
}

// Folders and empty files of a rebuilt list come out as a read directory gives them: a
// folder by its name (with either separator), an empty file as an empty file, whatever
// its size fields and flags say.
TEST_F(ArchiveRebuildTest, RebuiltFoldersAndEmptyFilesKeepTheirKind) {
    struct Case {
        std::string label;
        TestEntry entry;
        bool folder;
    };
    const std::vector<Case> cases = {
        {"empty file", {.name = "empty.txt", .method = 0}, false},
        {"empty file without an extension", {.name = "Makefile", .method = 0}, false},
        {"empty deflated file", {.name = "empty.def", .method = 8}, false},
        {"folder", {.name = "sub/", .method = 0, .externalAttr = 0x10}, true},
        {"folder with a backslash", {.name = "back\\", .method = 0, .externalAttr = 0x10}, true},
        {"nested folder", {.name = "a/b/c/", .method = 0, .externalAttr = 0x10}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        auto built = buildZip({{c.entry, {.name = "last.txt", .data = "last"}}});
        writeFile((root / "a.zip").string(), built.bytes.substr(0, built.centralDirOffset));
        TZipArchiver arc;
        openOn(arc, (root / "a.zip").string());
        ASSERT_TRUE(arc.DMHandle()->Rebuilt);
        ASSERT_EQ(arc.FileCount(), 2u);
        EXPECT_EQ(arc.Entry(0).isFolder(), c.folder);
        EXPECT_EQ(extractAll(arc), std::vector<int>{});
        std::string path = c.entry.name;
        for (char& ch : path)
            if (ch == '\\') ch = '/';
        if (c.folder) {
            EXPECT_TRUE(fs::is_directory(out / path));
        } else {
            EXPECT_TRUE(fs::is_regular_file(out / path));
            EXPECT_EQ(outFile(path), "");
        }
        EXPECT_EQ(outFile("last.txt"), "last");
    }
}

// Signatures inside entry data look like headers: the size checks decide, and a header
// that passes them lies inside another entry's data, which refuses the archive (entries
// never share data).
TEST_F(ArchiveRebuildTest, SignaturesInsideDataPassTheSizeChecks) {
    struct Case {
        std::string label;
        std::string fake;  // a stored entry's data
        std::vector<std::string> names;  // empty: refused
    };
    const std::string tail(40, '.');
    const std::vector<Case> cases = {
        {"plausible header", localHeader("ghost", 0, 3, 3) + tail, {}},
        {"extra field of 260 bytes", localHeader("ghost", 0, 3, 3, 260) + tail, {}},
        {"extra field of 261 bytes", localHeader("ghost", 0, 3, 3, 261) + tail, {"outer.bin"}},
        {"compressed size of the whole file", localHeader("ghost", 0, 0xFFFFFF, 3) + tail, {"outer.bin"}},
        {"name cut by the end of the file", std::string(), {"outer.bin", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::string bytes;
        if (c.fake.empty()) {
            // The last 30 bytes of the file are a header whose name lies beyond it.
            bytes = buildZip({{{.name = "outer.bin", .data = "x", .method = 0}}}).bytes;
            bytes.resize(bytes.find(std::string("PK\x01\x02", 4)));
            bytes += localHeader("", 0, 3, 3).substr(0, 26) + std::string("\x09\x00\x00\x00", 4);
        } else {
            bytes = buildZip({{{.name = "outer.bin", .data = c.fake, .method = 0}}}).bytes;
            bytes.resize(bytes.find(std::string("PK\x01\x02", 4)));
        }
        writeFile((root / "a.zip").string(), bytes);
        TZipArchiver arc;
        std::vector<std::string> names;
        try {
            openOn(arc, (root / "a.zip").string());
            for (size_t i = 0; i < arc.FileCount(); ++i) names.push_back(arc.Entry(i).Name);
        } catch (const EArchiveError& e) {
            EXPECT_EQ(e.Message(),
                      "Archive is damaged. Open failed: the data of entry 1 and entry 2 overlap - Native error: 00057");
        }
        EXPECT_EQ(names, c.names);
    }
    // A signature in the last 29 bytes is no header at all.
    std::string bytes = buildZip({{{.name = "outer.bin", .data = "x", .method = 0}}}).bytes;
    bytes.resize(bytes.find(std::string("PK\x01\x02", 4)));
    bytes += std::string("PK\x03\x04", 4) + std::string(25, '\0');
    writeFile((root / "a.zip").string(), bytes);
    TZipArchiver arc;
    openOn(arc, (root / "a.zip").string());
    EXPECT_EQ(arc.FileCount(), 1u);
}

// Names of rebuilt entries decode exactly as the directory's: the UTF-8 flag, else the
// OEM code page, end record or not; a Unicode name block still names the entry. Each is
// also read through the undamaged directory, which must give the same name.
TEST_F(ArchiveRebuildTest, RebuiltNamesDecodeAsReadOnes) {
    struct Case {
        std::string label;
        std::string stored;
        bool utf8Flag;
        bool keepEndRecord;  // damaged by its entry count only
        std::string expected;
    };
    const std::string cp866 = "\x8E\xE2\xE7\xA5\xE2.txt";           // "Отчет.txt" in OEM 866
    const std::string cp866Folder = "\x98\xA0\xA1\xAB\xAE\xAD\xEB/a";  // "Шаблоны/a"
    const std::string utf8 = "Отчет.txt";
    const std::vector<Case> cases = {
        {"OEM name, end record found", cp866, false, true, "Отчет.txt"},
        {"OEM name, no end record", cp866, false, false, "Отчет.txt"},
        {"OEM folder name, no end record", cp866Folder, false, false, "Шаблоны/a"},
        {"UTF-8 bytes, flag set", utf8, true, false, utf8},
        {"UTF-8 bytes, flag set, end record found", utf8, true, true, utf8},
        {"ASCII, no end record", "plain.txt", false, false, "plain.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto built = buildZip({{{.name = c.stored, .data = "n", .method = 0, .utf8Flag = c.utf8Flag}}});
        writeFile((root / "whole.zip").string(), built.bytes);
        TZipArchiver whole;
        openOn(whole, (root / "whole.zip").string());
        ASSERT_EQ(whole.FileCount(), 1u);
        EXPECT_EQ(whole.Entry(0).Name, c.expected);

        std::string bytes = built.bytes;
        if (c.keepEndRecord) {
            put16(bytes, built.endRecordOffset + 8, 0xFFFF);
            put16(bytes, built.endRecordOffset + 10, 0xFFFF);
        } else {
            bytes.resize(built.centralDirOffset);
        }
        writeFile((root / "a.zip").string(), bytes);
        TZipArchiver arc;
        openOn(arc, (root / "a.zip").string());
        ASSERT_TRUE(arc.DMHandle()->Rebuilt);
        ASSERT_EQ(arc.FileCount(), 1u);
        EXPECT_EQ(arc.Entry(0).Name, c.expected);
        // Written under that name.
        EXPECT_EQ(extractAll(arc), std::vector<int>{});
        EXPECT_EQ(outFile(c.expected), "n");
    }
}

TEST_F(ArchiveRebuildTest, RebuildErrors) {
    struct Case {
        std::string label;
        std::string bytes;
        TSpanningMode spanning;
        int native;
    };
    const std::string noDirectory = [] {
        auto built = buildZip({{{.name = "a.txt", .data = "a"}}});
        return built.bytes.substr(0, built.centralDirOffset);
    }();
    const std::vector<Case> cases = {
        {"empty file", "", TSpanningMode::smNone, 35},
        {"no local header", std::string(70000, 'P') + "K\x03", TSpanningMode::smNone, 35},
        {"signature too near the end", std::string("PK\x03\x04", 4) + std::string(25, '\0'), TSpanningMode::smNone, 35},
        {"multi-volume", noDirectory, TSpanningMode::smSpanning, 44},
        {"readable", noDirectory, TSpanningMode::smNone, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        writeFile((root / "a.zip").string(), c.bytes);
        ArchiveFile file((root / "a.zip").string(), kModeReadOnlyDenyNone);
        TDirManager dm(&file, TDirSettings{.SpanningMode = c.spanning});
        int native = 0;
        try {
            dm.LoadDir();
        } catch (const EArchiveError& e) {
            native = e.NativeError();
        }
        EXPECT_EQ(native, c.native);
        EXPECT_EQ(dm.CDir.ItemCount(), c.native == 0 ? 1u : 0u);
    }
}

// A streamed entry whose descriptor never comes has no known size: it fails and the file
// already in the folder stays, instead of being replaced by an empty one.
TEST_F(ArchiveRebuildTest, StreamedEntryWithoutDescriptorKeepsTheOldFile) {
    auto built = buildZip({{{.name = "a.txt", .data = "first", .method = 0},
                            {.name = "b.txt", .data = textOf(3000, 5), .dataDescriptor = true}}});
    std::string bytes = built.bytes;
    bytes.resize(built.dataOffsets[1] + 100);  // inside b.txt's data
    writeFile((root / "a.zip").string(), bytes);
    fs::create_directories(out);
    writeFile((out / "b.txt").string(), "old");
    TZipArchiver arc;
    openOn(arc, (root / "a.zip").string());
    ASSERT_EQ(arc.FileCount(), 2u);
    EXPECT_TRUE(arc.Entry(1).DescriptorMissing);
    EXPECT_EQ(extractAll(arc).size(), 1u);
    EXPECT_EQ(outFile("a.txt"), "first");
    EXPECT_EQ(outFile("b.txt"), "old");
    EXPECT_EQ(listOut(), (std::vector<std::string>{"a.txt", "b.txt"}));
}

// Files dense with signatures are read in one pass: a descriptor search per header, or a
// window read per stray candidate of the stub search, would take minutes on these.
TEST_F(ArchiveRebuildTest, FilesDenseWithSignaturesAreReadInOnePass) {
    // Streamed headers back to back, no descriptor anywhere.
    std::string dense;
    const std::string header = localHeader("", 0x0008, 0, 0);
    while (dense.size() + header.size() <= (2u << 20)) dense += header;
    writeFile((root / "dense.zip").string(), dense);
    TZipArchiver arc;
    openOn(arc, (root / "dense.zip").string());
    EXPECT_EQ(arc.FileCount(), dense.size() / header.size());
    arc.CloseArchive();

    // A stub of 2 MiB full of stray signatures in front of an archive whose offsets count
    // from the end of the stub.
    std::string stub = "MZ";
    while (stub.size() < (2u << 20)) stub += std::string("PK\x03\x04", 4);
    TestArchive a{{{.name = "a.txt", .data = "alpha", .method = 0}, {.name = "b.txt", .data = textOf(2000)}}};
    a.prefix = stub;
    a.offsetsAfterPrefix = true;
    TZipArchiver stubbed;
    openOn(stubbed, put(a, "stub.zip"));
    EXPECT_EQ(stubbed.DMHandle()->StubSize, stub.size());
    EXPECT_EQ(extractAll(stubbed), std::vector<int>{});
    EXPECT_EQ(outFile("a.txt"), "alpha");
    EXPECT_EQ(outFile("b.txt"), textOf(2000));
}

} // namespace
} // namespace upd::test
