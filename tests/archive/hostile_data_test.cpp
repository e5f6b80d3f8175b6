// Hostile archive data: entries that inflate beyond their size, directories that claim
// more entries than the file holds, entries that overlap, and archives cut at every length.
// A hostile archive fails with the component's errors; files already there survive it.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <fstream>
#include <functional>

#include "archive_test_support.h"

namespace upd::test {
namespace {

namespace fs = std::filesystem;
using HostileDataTest = ArchiveTest;

// Runs `work` in a child process whose address space is capped a little above what the
// process already uses, so that an allocation sized by a claim in the archive fails there
// instead of taking the machine's memory. Returns the child's exit code (99: bad_alloc).
// AddressSanitizer reserves terabytes of shadow, so there the cap is left to its allocator.
int inMemoryCappedChild(const std::function<int()>& work) {
#ifdef _WIN32
    // No fork() there: the work runs in this process, uncapped, and the same codes tell
    // whether it kept to the memory it needs.
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return 99;
    } catch (...) {
        return 97;
    }
#else
    const pid_t pid = ::fork();
    if (pid == 0) {
#if !defined(__SANITIZE_ADDRESS__)
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t cap = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (256u << 20);
        const rlimit limit{cap, cap};
        ::setrlimit(RLIMIT_AS, &limit);
#endif
        int code = 98;
        try {
            code = work();
        } catch (const std::bad_alloc&) {
            code = 99;
        } catch (...) {
            code = 97;
        }
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
}

TEST_F(HostileDataTest, InflatingBeyondTheDeclaredSizeFailsAndKeepsTheOldFile) {
    const std::string zeros(8 << 20, '\0');
    struct Case {
        std::string label;
        TestEntry entry;
    };
    const std::vector<Case> cases = {
        {"declared 1 KB in the directory", {.name = "f", .data = zeros, .centralUncompSize = 1024}},
        {"declared 0 bytes", {.name = "f", .data = zeros, .centralUncompSize = 0}},
        {"with a data descriptor", {.name = "f", .data = zeros, .dataDescriptor = true, .centralUncompSize = 1024}},
        {"encrypted", {.name = "f", .data = zeros, .password = "pw", .centralUncompSize = 1024}},
        {"stored, declared short", {.name = "f", .data = textOf(100000), .method = 0, .centralUncompSize = 10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        fs::create_directories(out);
        writeFile((out / "f").string(), "old");
        const std::string path = put({{c.entry, {.name = "next.txt", .data = "next"}}});
        TZipArchiver arc;
        openOn(arc, path);
        arc.setPassword("pw");
        uint64_t largest = 0;
        arc.OnFileProgress = [&](TBaseArchiver&, const std::string&, double, TProcessOperation, TProgressPhase, bool&) {
            for (auto& e : fs::directory_iterator(out)) largest = std::max<uint64_t>(largest, e.file_size());
        };
        EXPECT_EQ(extractAll(arc), std::vector<int>{8});
        EXPECT_EQ(outFile("f"), "old");
        EXPECT_EQ(outFile("next.txt"), "next");
        EXPECT_EQ(listOut(), (std::vector<std::string>{"f", "next.txt"}));
        // Nothing on the way grew past the declared size.
        EXPECT_LE(largest, std::max<uint64_t>(*c.entry.centralUncompSize, 4));
    }
}

TEST_F(HostileDataTest, EntryCountsTheFileCannotHoldCostNoMemory) {
    struct Case {
        std::string label;
        bool zip64;
        uint64_t count;
    };
    const std::vector<Case> cases = {
        {"end record claims 65534 entries", false, 65534},
        {"Zip64 end record claims 2^32 entries", true, 1ull << 32},
        {"Zip64 end record claims 2^62 entries", true, 1ull << 62},
        {"Zip64 end record claims 2^64-1 entries", true, ~0ull},
    };
    for (const auto& c : cases) {
        for (const bool openCorrupted : {true, false}) {
            SCOPED_TRACE(c.label + (openCorrupted ? ", corrupted archives opened" : ", strict"));
            auto built = buildZip({{{.name = "a.txt", .data = "one"}, {.name = "b.txt", .data = "two"}}, "", c.zip64});
            std::string& b = built.bytes;
            if (c.zip64) {
                const size_t zip64At = built.endRecordOffset - zip::kZip64LocatorSize - zip::kZip64EndRecordSize;
                put64(b, zip64At + 24, c.count);
                put64(b, zip64At + 32, c.count);
            } else {
                put16(b, built.endRecordOffset + 8, static_cast<uint16_t>(c.count));
                put16(b, built.endRecordOffset + 10, static_cast<uint16_t>(c.count));
            }
            const std::string path = (root / "count.zip").string();
            writeFile(path, b);
            // 0: opened with the entries really there (rebuilt from the local headers);
            // 1: refused with the component's error, as a strict open must.
            const int code = inMemoryCappedChild([&] {
                TZipArchiver arc;
                arc.setFileName(path);
                arc.setOpenCorruptedArchives(openCorrupted);
                try {
                    arc.OpenArchive();
                } catch (const EArchiveError&) {
                    return 1;
                } catch (const EReadError&) {
                    return 1;
                }
                return arc.FileCount() == 2 ? 0 : 2;
            });
            EXPECT_EQ(code, openCorrupted ? 0 : 1) << "child exit " << code;
        }
    }
}

// Entries sharing data bytes are a zip bomb by overlap (a few kilobytes that write without
// end): the archive is refused at open, whatever the setting for damaged archives, and
// nothing is written.
TEST_F(HostileDataTest, OverlappingEntriesRefuseTheArchiveBeforeAnythingIsWritten) {
    // Three entries; the directory of the first is edited to point elsewhere.
    const std::string cData(64, '\0');
    const TestArchive archive{{{.name = "a.txt", .data = textOf(3000, 1)},
                               {.name = "b.txt", .data = textOf(3000, 2)},
                               {.name = "c.txt", .data = cData, .method = 0}}};
    const auto built = buildZip(archive);
    struct Case {
        std::string label;
        std::function<void(std::string&)> edit;
        std::string why;  // after "Archive is damaged. Open failed: "
    };
    const auto centralOf = [&](const std::string& b, size_t entry) {
        size_t at = built.centralDirOffset;
        for (size_t i = 0; i < entry; ++i)
            at += zip::kCentralHeaderSize + static_cast<uint8_t>(b[at + 28]) + static_cast<uint8_t>(b[at + 30]) +
                  static_cast<uint8_t>(b[at + 32]);
        return at;
    };
    // a.txt takes b.txt's header and sizes.
    const auto shareB = [&](std::string& b) {
        const size_t a = centralOf(b, 0), bb = centralOf(b, 1);
        for (size_t k : {10u, 12u, 14u, 16u, 20u, 24u, 42u}) b.replace(a + k, 4, b.substr(bb + k, 4));
    };
    const std::vector<Case> cases = {
        {"two names share one local header (a.txt points at b.txt's)", shareB,
         "the data of entry 1 and entry 2 overlap"},
        {"many names share one local header",
         [&](std::string& b) {
             // 200 more directory entries, each a copy of b.txt's under another name.
             shareB(b);
             const size_t bb = centralOf(b, 1), cc = centralOf(b, 2);
             std::string copies;
             for (int i = 0; i < 200; ++i) {
                 std::string one = b.substr(bb, cc - bb);
                 one.replace(zip::kCentralHeaderSize, 5, "b" + std::to_string(100 + i).substr(0, 3) + "t");
                 copies += one;
             }
             b.insert(built.endRecordOffset, copies);
             const size_t end = built.endRecordOffset + copies.size();
             put16(b, end + 8, 203);
             put16(b, end + 10, 203);
             put32(b, end + 12, static_cast<uint32_t>(end - built.centralDirOffset));
         },
         "the data of entry 1 and entry 2 overlap"},
        {"local header offset inside another entry's data",
         [&](std::string& b) { put32(b, centralOf(b, 0) + 42, static_cast<uint32_t>(built.dataOffsets[1] + 7)); },
         "entry 1 has no local header where the directory places it"},
        {"a local header planted inside another entry's data",
         [&](std::string& b) {
             // c.txt's stored data becomes a header of its own, named by a.txt.
             const size_t at = built.dataOffsets[2];
             b.replace(at, 4, std::string("PK\x03\x04", 4));
             put32(b, centralOf(b, 0) + 42, static_cast<uint32_t>(at));
             put32(b, centralOf(b, 0) + 20, 0);
         },
         "the data of entry 1 and entry 3 overlap"},
        {"local header offset inside the central directory",
         [&](std::string& b) { put32(b, centralOf(b, 0) + 42, static_cast<uint32_t>(built.centralDirOffset + 3)); },
         "entry 1 has no local header where the directory places it"},
        {"local header offset at the end record",
         [&](std::string& b) { put32(b, centralOf(b, 0) + 42, static_cast<uint32_t>(built.endRecordOffset)); },
         "entry 1 has no local header where the directory places it"},
        {"local header offset beyond the file",
         [&](std::string& b) { put32(b, centralOf(b, 0) + 42, 0x7FFFFFF0u); },
         "entry 1 has no local header where the directory places it"},
        {"compressed size reaches over the next entries",
         [&](std::string& b) { put32(b, centralOf(b, 0) + 20, static_cast<uint32_t>(built.centralDirOffset)); },
         "the data of entry 1 runs into the central directory"},
        {"compressed size reaches into the next entry",
         [&](std::string& b) {
             put32(b, centralOf(b, 0) + 20, static_cast<uint32_t>(built.localHeaderOffsets[1] + 1 - built.dataOffsets[0]));
         },
         "the data of entry 1 and entry 2 overlap"},
        {"last entry's data runs into the central directory",
         [&](std::string& b) { put32(b, centralOf(b, 2) + 20, static_cast<uint32_t>(cData.size() + 1)); },
         "the data of entry 3 runs into the central directory"},
        {"compressed size 0xFFFFFFFF without a Zip64 block",
         [&](std::string& b) { put32(b, centralOf(b, 1) + 20, 0xFFFFFFFFu); },
         "the data of entry 2 runs into the central directory"},
    };
    for (const auto& c : cases) {
        for (const bool openCorrupted : {true, false}) {
            SCOPED_TRACE(c.label + (openCorrupted ? ", corrupted archives opened" : ", strict"));
            fs::remove_all(out);
            fs::create_directories(out);
            writeFile((out / "a.txt").string(), "old");
            std::string bytes = built.bytes;
            c.edit(bytes);
            writeFile((root / "a.zip").string(), bytes);
            TZipArchiver arc;
            arc.setOpenCorruptedArchives(openCorrupted);
            try {
                openOn(arc, (root / "a.zip").string());
                ADD_FAILURE() << "opened with " << arc.FileCount() << " entries";
                extractAll(arc);
            } catch (const EArchiveError& e) {
                EXPECT_EQ(e.NativeError(), 57);
                // A strict open may stop first at compressed sizes that exceed the file.
                const bool sizesExceedTheFile =
                    !openCorrupted && e.Message() == "Archive is damaged. Open failed - Native error: 00057";
                if (!sizesExceedTheFile) {
                    EXPECT_EQ(e.Message(), "Archive is damaged. Open failed: " + c.why + " - Native error: 00057");
                }
            }
            EXPECT_FALSE(arc.Active());
            EXPECT_EQ(outFile("a.txt"), "old");
            EXPECT_EQ(listOut(), std::vector<std::string>{"a.txt"});
        }
    }
}

// What the overlap check must let through: entries back to back with or without a
// descriptor signature (or flagged for one that was never written), empty files, folders that name no data (also where their offsets
// are not shifted past a stub), Zip64 blocks.
TEST_F(HostileDataTest, EntriesThatTouchWithoutOverlapOpen) {
    const std::vector<TestEntry> entries = {
        {.name = "folder/", .method = 0, .externalAttr = 0x10},
        {.name = "folder/signed.txt", .data = textOf(500, 1), .dataDescriptor = true},
        {.name = "folder/unsigned.txt", .data = textOf(500, 2), .dataDescriptor = true, .descriptorSignature = false},
        {.name = "flagged-only.txt", .data = textOf(300, 4), .dataDescriptor = true, .descriptorWritten = false},
        {.name = "empty-1", .method = 0},
        {.name = "empty-2", .method = 0},
        {.name = "unsigned-last", .data = "z", .method = 0, .dataDescriptor = true, .descriptorSignature = false},
        {.name = "big.txt", .data = textOf(2000, 3), .zip64 = true},
        {.name = "secret", .data = "s", .password = "pw", .dataDescriptor = true, .descriptorSignature = false},
        {.name = "flagged-only-last", .data = "l", .method = 0, .dataDescriptor = true, .descriptorWritten = false},
    };
    struct Case {
        std::string label;
        std::string prefix;
        bool offsetsAfterPrefix;
    };
    const std::vector<Case> cases = {
        {"plain", "", false},
        {"behind a stub, offsets from the start of the file", std::string(300, 'M'), false},
        {"behind a stub, offsets from the end of the stub", std::string(300, 'M'), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        TestArchive a{entries};
        a.prefix = c.prefix;
        a.offsetsAfterPrefix = c.offsetsAfterPrefix;
        TZipArchiver arc;
        arc.setPassword("pw");
        openOn(arc, put(a));
        ASSERT_EQ(arc.FileCount(), entries.size());
        EXPECT_EQ(extractAll(arc), std::vector<int>{});
        for (const auto& e : entries) {
            if (e.name.back() != '/') {
                EXPECT_EQ(outFile(e.name), e.data) << e.name;
            }
        }
    }
}

// Zip64 fields are 64 bits wide: offsets and sizes near 2^64 must not wrap around in the
// arithmetic that places a header or the directory.
TEST_F(HostileDataTest, Zip64OffsetsNearTheTopOfTheRangeAreRefused) {
    for (const uint64_t offset : {~0ull, ~0ull - 15, ~0ull - 28, 1ull << 63}) {
        SCOPED_TRACE(offset);
        fs::remove_all(out);
        fs::create_directories(out);
        writeFile((out / "b.txt").string(), "old");
        // The first entry's header at 0 puts the read window there; the second claims the top.
        auto built = buildZip({{{.name = "a.txt", .data = "first", .method = 0},
                                {.name = "b.txt", .data = "second", .method = 0, .zip64 = true}}});
        const size_t second = built.centralDirOffset + zip::kCentralHeaderSize + 5;
        put64(built.bytes, second + zip::kCentralHeaderSize + 5 + 4 + 16, offset);
        writeFile((root / "a.zip").string(), built.bytes);
        // The header cannot be placed: the archive is refused before anything is written.
        TZipArchiver arc;
        try {
            openOn(arc, (root / "a.zip").string());
            ADD_FAILURE() << "opened";
        } catch (const EArchiveError& e) {
            EXPECT_EQ(e.Message(), "Archive is damaged. Open failed: entry 2 has no local header where the "
                                   "directory places it - Native error: 00057");
        }
        EXPECT_EQ(outFile("b.txt"), "old");
        EXPECT_EQ(listOut(), (std::vector<std::string>{"b.txt"}));
    }
}

TEST_F(HostileDataTest, Zip64DirectorySizesBeyondTheFileRebuildTheList) {
    for (const uint64_t size : {~0ull, 1ull << 63, (1ull << 63) + 1, 1ull << 40}) {
        SCOPED_TRACE(size);
        auto built = buildZip({{{.name = "a.txt", .data = "one"}}, "", true});
        const size_t zip64At = built.endRecordOffset - zip::kZip64LocatorSize - zip::kZip64EndRecordSize;
        put64(built.bytes, zip64At + 40, size);
        writeFile((root / "a.zip").string(), built.bytes);
        // The directory cannot be placed: the list comes from the local headers instead.
        TZipArchiver arc;
        openOn(arc, (root / "a.zip").string());
        ASSERT_EQ(arc.FileCount(), 1u);
        extractAll(arc);
        EXPECT_EQ(outFile("a.txt"), "one");
    }
}

TEST_F(HostileDataTest, ArchiveCutAtEveryLengthLosesNothing) {
    const std::vector<TestEntry> entries = {
        {.name = "dir/", .method = 0, .externalAttr = 0x10},
        {.name = "dir/deflated.txt", .data = textOf(700, 3)},
        {.name = "stored.bin", .data = "stored bytes", .method = 0},
        {.name = "secret.txt", .data = textOf(300, 4), .password = "pw"},
        {.name = "descriptor.txt", .data = textOf(400, 5), .dataDescriptor = true},
        {.name = "unicode.txt", .data = "u", .method = 0, .nucxName = "Файл.txt"},
    };
    const auto built = buildZip({entries, "archive comment"});
    const std::string& whole = built.bytes;
    const std::string path = (root / "cut.zip").string();
    size_t opened = 0;
    // The whole archive is always among the lengths tried.
    for (size_t length = 0; length <= whole.size();
         length = length == whole.size() ? length + 1 : std::min(length + kEveryPositionStep, whole.size())) {
        SCOPED_TRACE("cut at " + std::to_string(length));
        fs::remove_all(out);
        fs::create_directories(out / "dir");
        for (const auto& e : entries)
            if (!e.data.empty()) writeFile(out.string() + "/" + (e.nucxName.empty() ? e.name : e.nucxName), "old");
        writeFile(path, whole.substr(0, length));
        TZipArchiver arc;
        arc.setFileName(path);
        arc.setBaseDir(out.string());
        arc.setPassword("pw");
        ScriptedDialogs refuseAll;
        arc.setDialogs(&refuseAll);
        try {
            arc.OpenArchive();
            ++opened;
            extractAll(arc);
        } catch (const EArchiveError&) {
        } catch (const EReadError&) {
        }
        // Every file is either the old one or the entry's whole content; nothing else appears.
        // Cut anywhere after the last entry's data, the list is rebuilt from the local headers
        // and every entry comes out whole, the last one under its local name.
        const bool dataWhole = length >= built.centralDirOffset;
        for (const auto& e : entries) {
            if (e.data.empty()) continue;
            const std::string now = outFile(e.nucxName.empty() ? e.name : e.nucxName);
            EXPECT_TRUE(now == "old" || now == e.data) << e.name << " holds " << now.size() << " bytes";
            if (length == whole.size() || (dataWhole && e.nucxName.empty())) {
                EXPECT_EQ(now, e.data) << e.name;
            }
        }
        std::vector<std::string> expected = {"descriptor.txt", "dir", "dir/deflated.txt", "secret.txt", "stored.bin",
                                             "Файл.txt"};
        if (fs::exists(out / "unicode.txt") || (dataWhole && length < whole.size())) {
            EXPECT_EQ(outFile("unicode.txt"), "u");
            expected.insert(expected.end() - 1, "unicode.txt");
        }
        EXPECT_EQ(listOut(), expected);
        std::vector<std::string> rootNames;
        for (auto& e : fs::directory_iterator(root)) rootNames.push_back(e.path().filename().string());
        std::sort(rootNames.begin(), rootNames.end());
        EXPECT_EQ(rootNames, (std::vector<std::string>{"cut.zip", "out"}));
    }
    EXPECT_GE(opened, 1u);
}

} // namespace
} // namespace upd::test
