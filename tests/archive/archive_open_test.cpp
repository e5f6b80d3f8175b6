#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include "archive/dir_array.h"
#include "archive_test_support.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace upd::test {
namespace {

using ArchiveOpenTest = ArchiveTest;

int openError(TZipArchiver& arc, std::string* message = nullptr) {
    try {
        arc.OpenArchive();
    } catch (const EArchiveError& e) {
        if (message) *message = e.what();
        return e.NativeError();
    }
    return 0;
}

TEST_F(ArchiveOpenTest, OpenErrorsByCase) {
    const std::string good = buildZip({{{.name = "a.txt", .data = "hello"}}}).bytes;
    std::string zip64NoEnd = buildZip({{{.name = "a.txt", .data = "hello"}}, "", true}).bytes;
    // Break the Zip64 end record's signature: the locator then points at nothing.
    zip64NoEnd[zip64NoEnd.find(std::string("PK\x06\x06", 4))] = 'X';
    struct Case {
        std::string label;
        std::string bytes;      // written unless `path` says otherwise
        std::string fileName;   // relative to root; empty: "a.zip"
        bool openCorrupted;
        int native;
    };
    const std::vector<Case> cases = {
        {"blank name", "", "folder/", true, 9},
        {"missing file", "", "missing.zip", true, 12},
        {"empty file", "", "", true, 35},
        {"foreign file", std::string(5000, 'x'), "", true, 35},
        {"zip64 end record missing", zip64NoEnd, "", true, 40},
        {"no end record, strict", good.substr(0, good.size() - 22), "", false, 48},
        {"good archive", good, "", true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string name = c.fileName.empty() ? "a.zip" : c.fileName;
        const std::string path = (root / name).string();
        if (c.fileName.empty()) writeFile(path, c.bytes);
        TZipArchiver arc;
        arc.setOpenCorruptedArchives(c.openCorrupted);
        arc.setFileName(path);
        std::string message;
        EXPECT_EQ(openError(arc, &message), c.native);
        EXPECT_EQ(arc.Active(), c.native == 0);
        if (c.native == 12) { EXPECT_EQ(message, "Archiver: File \"" + path + "\" not found - Native error: 00012"); }
        if (c.native == 35) { EXPECT_EQ(message, "Invalid archive file. - Native error: 00035"); }
        if (c.native == 40) { EXPECT_EQ(message, "Cannot find 64-bit directory end record - Native error: 00040"); }
        EXPECT_FALSE(std::filesystem::exists(root / "missing.zip"));  // opening never creates an archive
    }
}

TEST_F(ArchiveOpenTest, CompressedSizesBeyondTheFileFailOnlyWhenStrict) {
    TestEntry e{.name = "a.txt", .data = "hello", .method = 0};
    auto built = buildZip({{e}});
    // The central compressed size claims more than the file holds.
    const size_t at = built.centralDirOffset + 20;
    built.bytes[at + 3] = 0x7F;
    writeFile((root / "a.zip").string(), built.bytes);
    TZipArchiver strict;
    strict.setOpenCorruptedArchives(false);
    strict.setFileName((root / "a.zip").string());
    EXPECT_EQ(openError(strict), 57);
    // Opened leniently, the data would run into the central directory: refused as well.
    TZipArchiver lenient;
    lenient.setFileName((root / "a.zip").string());
    EXPECT_EQ(openError(lenient), 57);
}

// The directory is read by its size; an end record whose count disagrees with it makes the
// archive damaged: rebuilt from the local headers (which the update refuses) when damaged
// archives are opened, an error otherwise. No entry is ever dropped.
TEST_F(ArchiveOpenTest, EndRecordCountsThatDisagreeWithTheDirectory) {
    const std::vector<TestEntry> entries = {{.name = "a.txt", .data = "one"},
                                            {.name = "b.txt", .data = "two"},
                                            {.name = "c.txt", .data = "three"}};
    struct Case {
        std::string label;
        bool zip64;
        std::string comment;
        uint16_t count;
    };
    const std::vector<Case> cases = {
        {"one entry fewer", false, "", 2},
        {"no entries", false, "", 0},
        {"one entry fewer, with a comment", false, "comment", 2},
        {"one entry more, with a comment", false, std::string(100, 'c'), 4},
        {"Zip64 record, one entry fewer", true, "", 2},
    };
    for (const auto& c : cases) {
        for (const bool openCorrupted : {true, false}) {
            SCOPED_TRACE(c.label + (openCorrupted ? ", corrupted archives opened" : ", strict"));
            auto built = buildZip({entries, c.comment, c.zip64});
            if (c.zip64) {
                const size_t zip64At = built.endRecordOffset - zip::kZip64LocatorSize - zip::kZip64EndRecordSize;
                put64(built.bytes, zip64At + 24, c.count);
                put64(built.bytes, zip64At + 32, c.count);
            } else {
                put16(built.bytes, built.endRecordOffset + 8, c.count);
                put16(built.bytes, built.endRecordOffset + 10, c.count);
            }
            writeFile((root / "a.zip").string(), built.bytes);
            TZipArchiver arc;
            arc.setOpenCorruptedArchives(openCorrupted);
            arc.setFileName((root / "a.zip").string());
            std::string message;
            EXPECT_EQ(openError(arc, &message), openCorrupted ? 0 : 57);
            if (openCorrupted) {
                ASSERT_TRUE(arc.DMHandle()->Rebuilt);
                ASSERT_EQ(arc.FileCount(), entries.size());
                for (size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(arc.Entry(i).Name, entries[i].name);
            } else {
                EXPECT_EQ(message, "Archive is damaged. Open failed: the end record counts " + std::to_string(c.count) +
                                       " entries, the central directory holds 3 - Native error: 00057");
            }
        }
    }
}

TEST_F(ArchiveOpenTest, EndRecordSearchCases) {
    const TestEntry e{.name = "a.txt", .data = "hello"};
    struct Case {
        std::string label;
        std::string bytes;
        size_t entries;
        std::string comment;
    };
    std::vector<Case> cases;
    {
        TestArchive a{{e}, std::string(65535, 'c')};
        cases.push_back({"longest comment", buildZip(a).bytes, 1, std::string(65535, 'c')});
    }
    {
        // A comment that is itself a well-formed end record of an empty archive.
        std::string fake("PK\x05\x06", 4);
        fake += std::string(18, '\0');
        TestArchive a{{e}, fake};
        cases.push_back({"end record in comment", buildZip(a).bytes, 0, ""});
    }
    {
        auto b = buildZip({{e, e}});
        b.bytes[b.endRecordOffset + 16] = 0x05;  // offsetStartDir wrong, size right
        cases.push_back({"wrong directory offset", b.bytes, 2, ""});
    }
    {
        auto b = buildZip({{e}});
        b.bytes[b.centralDirOffset] = 'X';  // central signature is not compared
        cases.push_back({"bad central signature", b.bytes, 1, ""});
    }
    cases.push_back({"zero entries", buildZip({}).bytes, 0, ""});
    cases.push_back({"zip64 records", buildZip({{e, e}, "", true}).bytes, 2, ""});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        writeFile((root / "a.zip").string(), c.bytes);
        TZipArchiver arc;
        arc.setFileName((root / "a.zip").string());
        ASSERT_NO_THROW(arc.OpenArchive());
        EXPECT_EQ(arc.FileCount(), c.entries);
        EXPECT_EQ(arc.Comment(), c.comment);
        for (size_t i = 0; i < arc.FileCount(); ++i) EXPECT_EQ(arc.Entry(i).Name, "a.txt");
        arc.CloseArchive();
        EXPECT_FALSE(arc.Active());
        EXPECT_EQ(arc.Comment(), "");
    }
}

TEST_F(ArchiveOpenTest, Zip64SizesAndOffsetsComeFromTheExtraBlock) {
    const std::string data = textOf(3000);
    const std::string path = put({{{.name = "big.txt", .data = data, .zip64 = true}, {.name = "b", .data = "x", .zip64 = true}},
                                  "", true});
    TZipArchiver arc;
    openOn(arc, path);
    ASSERT_EQ(arc.FileCount(), 2u);
    EXPECT_TRUE(arc.Entry(0).bHugeFile);
    EXPECT_EQ(arc.Entry(0).uncompressedSize(), data.size());
    EXPECT_GT(arc.Entry(1).localHeaderOffset(), 0u);
    arc.ExtractFiles("*.*", 10431, "");
    EXPECT_EQ(outFile("big.txt"), data);
    EXPECT_EQ(outFile("b"), "x");
}

TEST_F(ArchiveOpenTest, NameDecodingByCase) {
    const std::string privet = "Привет.txt";
    const std::string oem = "\x8F\xE0\xA8\xA2\xA5\xE2.txt";      // CP866
    const std::string ansi = "\xCF\xF0\xE8\xE2\xE5\xF2.txt";     // CP1251
    struct Case {
        std::string label;
        TestEntry entry;
        bool oemFileNames;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"ascii", {.name = "dir/a.txt"}, true, "dir/a.txt"},
        {"cp866 without flag", {.name = oem}, true, privet},
        {"utf-8 with flag", {.name = privet, .utf8Flag = true}, true, privet},
        {"cp1251 with flag is not utf-8", {.name = ansi, .utf8Flag = true}, true, privet},
        {"cp1251 without OEM names", {.name = ansi}, false, privet},
        {"utf-8 without OEM names", {.name = privet}, false, privet},
        {"NUCX overrides", {.name = "x.txt", .nucxName = privet}, true, privet},
        {"NUCX over cp866", {.name = oem, .nucxName = "Ёлка.txt"}, true, "Ёлка.txt"},
        {"backslashes kept", {.name = "a\\b.txt"}, true, "a\\b.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = put({{c.entry}});
        TZipArchiver arc;
        arc.Options().OEMFileNames = c.oemFileNames;
        arc.setFileName(path);
        arc.OpenArchive();
        ASSERT_EQ(arc.FileCount(), 1u);
        EXPECT_EQ(arc.Entry(0).Name, c.expected);
    }
}

TEST_F(ArchiveOpenTest, ExtraFieldsAreKeptAndAesBlockSetsTheMethod) {
    std::string aes("\x01\x99\x07\x00\x02\x00" "AE\x03\x08\x00", 11);
    TestEntry e{.name = "s.bin", .data = "secret", .password = "pw", .centralExtra = aes};
    e.methodOverride = 99;
    const std::string path = put({{e}});
    TZipArchiver arc;
    openOn(arc, path);
    const auto& item = arc.Entry(0);
    ASSERT_EQ(item.ExtraFields.size(), 1u);
    EXPECT_EQ(item.ExtraFields[0].headerID, 0x9901);
    EXPECT_EQ(item.ExtraFields[0].dataSize, 7);
    EXPECT_EQ(item.ZFEncryptionAlgorithm, TCryptoAlgorithm::caAES_256);
    EXPECT_EQ(item.CompressionMethod, 8);
}

TEST_F(ArchiveOpenTest, StubInFrontOfTheArchiveData) {
    std::string stub = "MZ" + std::string(998, 's');
    stub.replace(500, 4, std::string("PK\x03\x04", 4));  // a stray signature inside the stub
    struct Case {
        std::string label;
        std::string prefix;
        bool offsetsAfterPrefix;
        uint64_t stubSize;
        uint64_t firstOffset;  // after the adjustment
    };
    const std::vector<Case> cases = {
        {"no prefix", "", false, 0, 0},
        {"offsets from the file start", stub, false, 1000, 1000},
        {"offsets from the archive start", stub, true, 1000, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove_all(out);
        TestArchive a{{{.name = "d/", .method = 0, .externalAttr = 0x10}, {.name = "d/a.txt", .data = "alpha"},
                       {.name = "b.txt", .data = textOf(5000)}}};
        a.entries[0].data = "";
        std::swap(a.entries[0], a.entries[1]);
        a.prefix = c.prefix;
        a.offsetsAfterPrefix = c.offsetsAfterPrefix;
        const std::string path = put(a);
        TZipArchiver arc;
        openOn(arc, path);
        EXPECT_EQ(arc.DMHandle()->StubSize, c.stubSize);
        EXPECT_EQ(arc.Entry(0).localHeaderOffset(), c.firstOffset);
        arc.ExtractFiles("*.*", 10431, "");
        EXPECT_EQ(outFile("d/a.txt"), "alpha");
        EXPECT_EQ(outFile("b.txt"), textOf(5000));
    }
}

TEST_F(ArchiveOpenTest, AfterOpenFiresAndReopenClosesFirst) {
    const std::string path = put({{{.name = "a", .data = "1"}}});
    TZipArchiver arc;
    int opened = 0;
    arc.AfterOpen = [&](TBaseArchiver&) { ++opened; };
    arc.setFileName(path);
    arc.setActive(true);
    arc.setActive(true);  // the current value: nothing happens
    arc.OpenArchive();
    EXPECT_EQ(opened, 2);
    EXPECT_TRUE(arc.Active());
    arc.setActive(false);
    EXPECT_FALSE(arc.Active());
    EXPECT_EQ(arc.FileCount(), 0u);
    EXPECT_NO_THROW(arc.CloseArchive());
}

TEST_F(ArchiveOpenTest, ModeGivenByTheCaller) {
    const std::string path = put({{{.name = "a", .data = "1"}}});
    TZipArchiver arc;
    arc.setFileName(path);
    arc.OpenArchive(kModeReadOnlyDenyNone);
    EXPECT_TRUE(arc.Active());
    EXPECT_EQ(arc.FileOpenMode(), kModeReadOnlyDenyNone);
    EXPECT_EQ(arc.FileCount(), 1u);
    arc.CloseArchive();

    arc.setFileName((root / "").string());
    try {
        arc.OpenArchive(kModeReadOnlyDenyNone);
        FAIL();
    } catch (const EArchiveError& e) {
        EXPECT_EQ(e.NativeError(), 10);
    }
    // The platform's own error when the file cannot be opened as asked: a running program
    // cannot be opened for writing, not even by root.
#ifdef _WIN32
    const std::string self = files::executableFolder() + "archive_tests.exe";
#else
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
#endif
    EXPECT_THROW(
        {
            arc.setFileName(self);
            arc.OpenArchive(kModeReadWriteDenyWrite);
        },
        EFOpenError);
}

TEST_F(ArchiveOpenTest, ProbeFallsBackToReadOnly) {
    const std::string path = put({{{.name = "a", .data = "1"}}});
    {
        TZipArchiver arc;
        arc.setFileName(path);
        arc.OpenArchive();
        EXPECT_EQ(arc.FileOpenMode(), kModeReadWriteDenyWrite);
    }
#ifdef _WIN32
    // Another program reading the file without sharing it for writing.
    const HANDLE held = CreateFileW(std::filesystem::path(path).wstring().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    struct Release {
        HANDLE h;
        ~Release() { CloseHandle(h); }
    } release{held};
#else
    // Root writes any file whatever its mode; an immutable file refuses writing to root too.
    struct Immutable {
        std::string path;
        bool set(bool on) {
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) return false;
            int flags = 0;
            bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
            ::close(fd);
            return ok;
        }
        ~Immutable() { set(false); }
    } immutable{path};
    if (::geteuid() == 0) {
        if (!immutable.set(true)) GTEST_SKIP() << "the file system has no immutable files";
    } else {
        std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    }
#endif
    TZipArchiver arc;
    arc.setFileName(path);
    arc.OpenArchive();
    EXPECT_EQ(arc.FileOpenMode(), kModeReadOnlyDenyNone);
    EXPECT_EQ(arc.FileCount(), 1u);
    arc.CloseArchive();
}

TEST(ArchiveDirArrayTest, FindsNamesIgnoringCase) {
    TDirArray list;
    for (int i = 0; i < 3; ++i) list.append();
    list.setName(0, "Doc/ReadMe.TXT");
    list.setName(1, "Папка/Файл.txt");
    EXPECT_EQ(list.indexOf("doc/readme.txt"), 0);
    EXPECT_EQ(list.indexOf("папка/файл.TXT"), 1);
    EXPECT_EQ(list.indexOf("other"), -1);
    list.clear();
    EXPECT_EQ(list.ItemCount(), 0u);
    EXPECT_EQ(list.indexOf("doc/readme.txt"), -1);
}

TEST(ArchiveCodepageTest, OemAnsiAndUtf8) {
    EXPECT_EQ(codepage::oemToAnsi("\x8F\xE0\xA8\xA2\xA5\xE2 \xF0"), "\xCF\xF0\xE8\xE2\xE5\xF2 \xA8");
    EXPECT_EQ(codepage::ansiToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2 \xA8\xB8"), "Привет Ёё");
    EXPECT_EQ(codepage::utf8ToAnsi("Пароль1€"), "\xCF\xE0\xF0\xEE\xEB\xFC" "1\x88");
    EXPECT_EQ(codepage::utf8ToAnsi("中"), "?");
    EXPECT_TRUE(codepage::isValidUtf8("Привет"));
    EXPECT_FALSE(codepage::isValidUtf8("\xCF\xF0"));
    EXPECT_FALSE(codepage::isValidUtf8("\xC0\x80"));       // overlong
    EXPECT_FALSE(codepage::isValidUtf8("\xED\xA0\x80"));   // surrogate
}

} // namespace
} // namespace upd::test
