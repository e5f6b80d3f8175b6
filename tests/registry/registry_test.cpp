#include "registry/file_registry_backend.h"
#include "registry/installation_registry.h"
#include "registry/reg_file.h"
#include "platform/codepage.h"
#include "platform/file_handle.h"
#include "platform/text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace upd;
using upd::testing::readFile;
using upd::testing::TempDir;
using upd::testing::writeFile;

namespace {

std::string regText(const std::string& body) {
    return "Windows Registry Editor Version 5.00\r\n\r\n" + body;
}

std::string utf16le(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    for (char16_t c : text::toU16(utf8)) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

struct ReadCase {
    const char* name;
    std::string file;  // empty: no file at all
    const char* section;
    const char* value;
    const char* defaultValue;
    const char* expected;       // when no error
    const char* expectedError;  // substring of the error, or nullptr
};

const std::string kMirela = "[HKEY_CURRENT_USER\\Software\\mirela]\r\n";

class RegistryRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(RegistryRead, GivesValueDefaultOrError) {
    const auto& c = GetParam();
    TempDir dir;
    const auto path = dir / "registry.reg";
    if (!c.file.empty()) writeFile(path, c.file);
    InstallationRegistry registry(std::make_unique<FileRegistryBackend>(path.string()));
    if (c.expectedError) {
        try {
            registry.Read(c.section, c.value, c.defaultValue);
            FAIL() << "no error";
        } catch (const RegistryError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expectedError), std::string::npos) << e.what();
        }
    } else {
        EXPECT_EQ(registry.Read(c.section, c.value, c.defaultValue), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryRead,
    ::testing::Values(
        ReadCase{"NoFileGivesDefault", "", "mirela", "ProgrammPath", "false", "false", nullptr},
        ReadCase{"NoFileEmptyDefault", "", "mirela", "ProgrammPath", "", "", nullptr},
        ReadCase{"MissingSection", regText("[HKEY_CURRENT_USER\\Software\\Lornet]\r\n\"path\"=\"x\"\r\n"),
                 "mirela", "ProgrammPath", "false", "false", nullptr},
        ReadCase{"MissingValue", regText(kMirela + "\"Other\"=\"x\"\r\n"), "mirela", "ProgrammPath", "false",
                 "false", nullptr},
        ReadCase{"MissingValueEmptyDefault", regText(kMirela), "mirela", "ProgrammPath", "", "", nullptr},
        ReadCase{"Text", regText(kMirela + "\"ProgrammPath\"=\"C:\\\\Тарвенит\\\\Мирела\\\\\"\r\n"), "mirela",
                 "ProgrammPath", "false", "C:\\Тарвенит\\Мирела\\", nullptr},
        ReadCase{"ValueNameWithoutCase", regText(kMirela + "\"programmpath\"=\"/opt/x/\"\r\n"), "MIRELA",
                 "ProgrammPath", "false", "/opt/x/", nullptr},
        ReadCase{"StoredFalseIsFalse", regText(kMirela + "\"ProgrammPath\"=\"false\"\r\n"), "mirela",
                 "ProgrammPath", "false", "false", nullptr},
        ReadCase{"CapitalFalseIsText", regText(kMirela + "\"ProgrammPath\"=\"FALSE\"\r\n"), "mirela",
                 "ProgrammPath", "false", "FALSE", nullptr},
        ReadCase{"EmptyText", regText(kMirela + "\"ProgrammPath\"=\"\"\r\n"), "mirela", "ProgrammPath", "false",
                 "", nullptr},
        ReadCase{"NoData", regText(kMirela + "\"ProgrammPath\"=hex(1):\r\n"), "mirela", "ProgrammPath", "false",
                 "", nullptr},
        ReadCase{"EmbeddedNul", regText(kMirela + "\"ProgrammVersion\"=hex(1):33,00,2e,00,00,00,32,00,00,00\r\n"),
                 "mirela", "ProgrammVersion", "", "3.", nullptr},
        ReadCase{"ExpandableReadAsStored",
                 regText(kMirela + "\"ProgrammPath\"=hex(2):25,00,41,00,25,00,00,00\r\n"), "mirela",
                 "ProgrammPath", "false", "%A%", nullptr},
        ReadCase{"DwordIsInvalidType", regText(kMirela + "\"ProgrammVersion\"=dword:00000003\r\n"), "mirela",
                 "ProgrammVersion", "", nullptr, "Invalid data type for 'ProgrammVersion'"},
        ReadCase{"BinaryIsInvalidType", regText(kMirela + "\"ProgrammPath\"=hex:01,02\r\n"), "mirela",
                 "ProgrammPath", "false", nullptr, "Invalid data type for 'ProgrammPath'"},
        ReadCase{"Utf16WithByteOrderMark", utf16le(regText(kMirela + "\"ProgrammPath\"=\"Д:\\\\\"\r\n")),
                 "mirela", "ProgrammPath", "false", "Д:\\", nullptr},
        ReadCase{"ContinuedHexLines",
                 regText(kMirela + "\"ProgrammPath\"=hex(2):41,00,\\\r\n  42,00,00,00\r\n"), "mirela",
                 "ProgrammPath", "false", "AB", nullptr},
        ReadCase{"DamagedFileNamesLine", regText(kMirela + "\"ProgrammPath\"=\"unterminated\r\n"), "mirela",
                 "ProgrammPath", "false", nullptr, "registry.reg:4:"},
        ReadCase{"NotARegistryFile", "hello\n", "mirela", "ProgrammPath", "false", nullptr, "registry.reg:1:"}),
    [](const auto& info) { return std::string(info.param.name); });

RegFile parsed(const std::filesystem::path& path) { return parseRegFile(readFile(path), path.string()); }

TEST(RegistryWrite, StoresTextAsUtf16WithNulAndCreatesSection) {
    TempDir dir;
    const auto path = dir / "sub" / "registry.reg";
    InstallationRegistry registry(std::make_unique<FileRegistryBackend>(path.string()));
    registry.Write("Lornet", "ProgrammVersion", "3.2");

    auto file = parsed(path);
    auto* key = file.findKey("HKEY_CURRENT_USER\\Software\\Lornet");
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->values.size(), 1u);
    EXPECT_EQ(key->values[0].value.type, RegType::Sz);
    EXPECT_EQ(key->values[0].value.data, (std::vector<uint8_t>{'3', 0, '.', 0, '2', 0, 0, 0}));
    // regedit's own form: UTF-16LE with a byte-order mark, its header first
    const std::string bytes = readFile(path);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(parseRegFile(bytes, "x").keys.size(), 1u);
    EXPECT_EQ(registry.Read("Lornet", "ProgrammVersion", ""), "3.2");
}

TEST(RegistryWrite, EveryOtherValueSurvivesARewriteUnchanged) {
    TempDir dir;
    const auto path = dir / "registry.reg";
    writeFile(path, regText("[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n@=\"default\"\r\n\r\n" + kMirela +
                            "\"ProgrammPath\"=\"C:\\\\Тарвенит\\\\\"\r\n"
                            "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
                            "\"Count\"=dword:0000002a\r\n"
                            "\"Blob\"=hex:00,ff,10\r\n"
                            "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                            "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                            "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                            "\"Odd\"=hex(1):41,00,00,00,42,00\r\n"
                            "\"Lines\"=hex(1):41,00,0a,00,00,00\r\n"));
    const RegFile before = parsed(path);
    InstallationRegistry(std::make_unique<FileRegistryBackend>(path.string())).Write("mirela", "ProgrammVersion", "3.2");
    RegFile after = parsed(path);

    ASSERT_EQ(after.keys.size(), before.keys.size());
    for (size_t k = 0; k < before.keys.size(); ++k) {
        EXPECT_EQ(after.keys[k].path, before.keys[k].path);
        for (size_t v = 0; v < before.keys[k].values.size(); ++v) {
            EXPECT_EQ(after.keys[k].values[v].name, before.keys[k].values[v].name);
            EXPECT_EQ(after.keys[k].values[v].value, before.keys[k].values[v].value)
                << before.keys[k].values[v].name;
        }
    }
    EXPECT_EQ(after.keys[1].values.back().name, "ProgrammVersion");
}

TEST(RegistryWrite, DamagedFileIsRefusedAndLeftUntouched) {
    TempDir dir;
    const auto path = dir / "registry.reg";
    const std::string damaged = regText(kMirela + "\"ProgrammPath\"=\"C:\\\\\r\n\"X\"=bogus\r\n");
    writeFile(path, damaged);
    InstallationRegistry registry(std::make_unique<FileRegistryBackend>(path.string()));
    EXPECT_THROW(registry.Write("mirela", "ProgrammVersion", "3.2"), RegistryError);
    EXPECT_EQ(readFile(path), damaged);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_TRUE(entry.path() == path || entry.path().extension() == ".lock") << entry.path();
}

TEST(RegistryWrite, UnwritableLocationRaisesRegistryError) {
    TempDir dir;
    writeFile(dir / "file", "not a folder");
    InstallationRegistry registry(std::make_unique<FileRegistryBackend>((dir / "file" / "registry.reg").string()));
    EXPECT_THROW(registry.Write("mirela", "ProgrammVersion", "3.2"), RegistryError);
}

TEST(RegistryRead, AFileThatCannotBeReadIsAnErrorNotAnEmptyRegistry) {
    TempDir dir;
    std::filesystem::create_directories(dir / "registry.reg" / "inside");  // a folder where the file should be
    InstallationRegistry registry(std::make_unique<FileRegistryBackend>((dir / "registry.reg").string()));
    EXPECT_THROW(registry.Read("mirela", "ProgrammPath", "false"), RegistryError);
    EXPECT_THROW(registry.Write("mirela", "ProgrammVersion", "3.2"), RegistryError);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "registry.reg" / "inside"));
}

TEST(RegistryWrite, ParallelWritersLoseNothing) {
    TempDir dir;
    const auto path = (dir / "registry.reg").string();
    constexpr int kWriters = 4, kValues = 25;
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w)
        threads.emplace_back([&, w] {
            for (int i = 0; i < kValues; ++i)
                InstallationRegistry(std::make_unique<FileRegistryBackend>(path))
                    .Write("s" + std::to_string(w % 2), "v" + std::to_string(w) + "_" + std::to_string(i), "x");
        });
    for (auto& t : threads) t.join();
    InstallationRegistry registry(std::make_unique<FileRegistryBackend>(path));
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kValues; ++i)
            EXPECT_EQ(registry.Read("s" + std::to_string(w % 2), "v" + std::to_string(w) + "_" + std::to_string(i), ""), "x");
}

TEST(RegistryPath, EnvironmentOverridesDefault) {
    ::setenv("UPDATE_REGISTRY", "/tmp/x.reg", 1);
    EXPECT_EQ(defaultRegistryPath(), "/tmp/x.reg");
    ::unsetenv("UPDATE_REGISTRY");
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(defaultRegistryPath(), "/cfg/tarvenit/registry.reg");
    ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace

namespace {

// Bytes of a text in the encodings a registry file comes in.
std::string ansi1251(const std::string& utf8) { return codepage::utf8ToAnsi(utf8); }
std::string utf16leRaw(const std::u16string& units) {
    std::string out = "\xFF\xFE";
    for (char16_t c : units) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

struct RewriteCase {
    const char* label;
    std::string before;    // the file's bytes
    std::string section;
    std::string expected;  // the file's bytes after ProgrammVersion = "3.2" went into the section
};

// A write changes the lines of its value and nothing else: comments, blank lines, the
// encoding, line ends, values we would have written differently (a lone surrogate, say).
TEST(RegistryWrite, OnlyTheLinesOfTheValueChange) {
    const std::u16string lone = u"\"Odd\"=\"a\xD800z\"";  // an unpaired surrogate in someone's value
    const std::u16string head = u"Windows Registry Editor Version 5.00\r\n\r\n; kept\r\n[HKEY_CURRENT_USER\\Software\\mirela]\r\n";
    const std::vector<RewriteCase> cases = {
        {"UTF-16, value replaced",
         utf16leRaw(head + lone + u"\r\n\"ProgrammVersion\"=\"3.1\"\r\n;end\r\n"), "mirela",
         utf16leRaw(head + lone + u"\r\n\"ProgrammVersion\"=\"3.2\"\r\n;end\r\n")},
        {"UTF-16, value added after the key's last value",
         utf16leRaw(head + lone + u"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n@=\"x\"\r\n"), "mirela",
         utf16leRaw(head + lone + u"\r\n\"ProgrammVersion\"=\"3.2\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n@=\"x\"\r\n")},
        {"UTF-16, key added at the end of a file without a last line end",
         utf16leRaw(head + lone), "Lornet",
         utf16leRaw(head + lone + u"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Lornet]\r\n\"ProgrammVersion\"=\"3.2\"\r\n\r\n")},
        {"UTF-16, a continued hex list replaced by one line",
         utf16leRaw(head + u"\"ProgrammVersion\"=hex(1):33,00,\\\r\n  2e,00,31,00,00,00\r\n\"Next\"=dword:00000001\r\n"),
         "mirela",
         utf16leRaw(head + u"\"ProgrammVersion\"=\"3.2\"\r\n\"Next\"=dword:00000001\r\n")},
        {"REGEDIT4 in the ANSI code page, line feeds only",
         "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\mirela]\n\"ProgrammPath\"=\"" + ansi1251("C:\\\\Тарвенит\\\\") +
             "\"\n\"ProgrammVersion\"=\"3.1\"\n",
         "mirela",
         "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\mirela]\n\"ProgrammPath\"=\"" + ansi1251("C:\\\\Тарвенит\\\\") +
             "\"\n\"ProgrammVersion\"=\"3.2\"\n"},
        {"UTF-8 with a mark",
         "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\mirela]\r\n"
         "\"Путь\"=\"Тарвенит\"\r\n",
         "mirela",
         "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\mirela]\r\n"
         "\"Путь\"=\"Тарвенит\"\r\n\"ProgrammVersion\"=\"3.2\"\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        const auto path = dir / "registry.reg";
        writeFile(path, c.before);
        InstallationRegistry(std::make_unique<FileRegistryBackend>(path.string())).Write(c.section, "ProgrammVersion", "3.2");
        EXPECT_EQ(readFile(path), c.expected);
    }
}

TEST(RegistryRead, TextIsReadInTheFilesOwnEncoding) {
    struct Case {
        const char* label;
        std::string file;
    };
    const Case cases[] = {
        {"REGEDIT4, ANSI code page", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\mirela]\r\n\"ProgrammPath\"=\"" +
                                         ansi1251("C:\\\\Тарвенит\\\\") + "\"\r\n"},
        {"version 5 in UTF-8", regText(kMirela + "\"ProgrammPath\"=\"C:\\\\Тарвенит\\\\\"\r\n")},
        {"UTF-16", utf16le(regText(kMirela + "\"ProgrammPath\"=\"C:\\\\Тарвенит\\\\\"\r\n"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        writeFile(dir / "registry.reg", c.file);
        InstallationRegistry registry(std::make_unique<FileRegistryBackend>((dir / "registry.reg").string()));
        EXPECT_EQ(registry.Read("mirela", "ProgrammPath", "false"), "C:\\Тарвенит\\");
    }
}

TEST(RegistryWrite, ALinkIsWrittenThroughAndModeAndOwnerStay) {
    TempDir dir;
    const auto real = dir / "real" / "registry.reg";
    writeFile(real, regText(kMirela + "\"ProgrammVersion\"=\"3.1\"\r\n"));
    std::filesystem::permissions(real, std::filesystem::perms(0640));
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(real.c_str(), 4321, 4322), 0);
    }
    const auto link = dir / "registry.reg";
    std::filesystem::create_symlink(real, link);

    InstallationRegistry(std::make_unique<FileRegistryBackend>(link.string())).Write("mirela", "ProgrammVersion", "3.2");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(real), regText(kMirela + "\"ProgrammVersion\"=\"3.2\"\r\n"));
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
}

TEST(RegistryWrite, ReadOnlyFileIsRefusedAndLeftAsItWas) {
    TempDir dir;
    const auto path = dir / "registry.reg";
    const std::string before = regText(kMirela + "\"ProgrammVersion\"=\"3.1\"\r\n");
    writeFile(path, before);
    std::filesystem::permissions(path, std::filesystem::perms(0444));
    InstallationRegistry registry(std::make_unique<FileRegistryBackend>(path.string()));
    try {
        registry.Write("mirela", "ProgrammVersion", "3.2");
        FAIL() << "written";
    } catch (const RegistryError& e) {
        EXPECT_NE(std::string(e.what()).find("is read-only"), std::string::npos) << e.what();
    }
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(registry.Read("mirela", "ProgrammVersion", ""), "3.1");
}

TEST(RegistryWrite, TheLockFollowsNoLinkAndWaitsOnlySoLong) {
    TempDir dir;
    const auto path = dir / "registry.reg";
    writeFile(path, regText(kMirela + "\"ProgrammVersion\"=\"3.1\"\r\n"));
    {
        SCOPED_TRACE("a planted link at the lock's name");
        std::filesystem::create_symlink(dir / "elsewhere", dir / "registry.reg.lock");
        EXPECT_THROW(InstallationRegistry(std::make_unique<FileRegistryBackend>(path.string()))
                         .Write("mirela", "ProgrammVersion", "3.2"),
                     RegistryError);
        EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere"));
        std::filesystem::remove(dir / "registry.reg.lock");
    }
    {
        SCOPED_TRACE("a lock another program holds");
        files::FileHandle held;
        ASSERT_FALSE(held.openForLocking((dir / "registry.reg.lock").string()));
        ASSERT_FALSE(held.lockExclusive());
        InstallationRegistry registry(
            std::make_unique<FileRegistryBackend>(path.string(), std::chrono::milliseconds(200)));
        try {
            registry.Write("mirela", "ProgrammVersion", "3.2");
            FAIL() << "written under another program's lock";
        } catch (const RegistryError& e) {
            EXPECT_NE(std::string(e.what()).find("locked by another program"), std::string::npos) << e.what();
        }
        EXPECT_EQ(registry.Read("mirela", "ProgrammVersion", ""), "3.1");
        held = files::FileHandle();
        registry.Write("mirela", "ProgrammVersion", "3.2");
        EXPECT_EQ(registry.Read("mirela", "ProgrammVersion", ""), "3.2");
    }
}

// A large registry (20,000 keys) reads and writes like a small one: keys are found through
// an index, and a write changes only its own lines.
TEST(RegistryWrite, ALargeFileKeepsEveryKey) {
    TempDir dir;
    const auto path = dir / "registry.reg";
    std::string body;
    for (int i = 0; i < 20000; ++i)
        body += "[HKEY_CURRENT_USER\\Software\\Vendor" + std::to_string(i) + "]\r\n\"Value\"=\"" + std::to_string(i) + "\"\r\n\r\n";
    writeFile(path, utf16le(regText(body)));
    InstallationRegistry registry(std::make_unique<FileRegistryBackend>(path.string()));
    for (int i = 0; i < 20000; i += 997)
        EXPECT_EQ(registry.Read("Vendor" + std::to_string(i), "Value", ""), std::to_string(i));
    registry.Write("Vendor19999", "Value", "changed");
    registry.Write("mirela", "ProgrammVersion", "3.2");
    std::string expected = body;
    expected.replace(expected.rfind("\"19999\""), 7, "\"changed\"");
    expected += "[HKEY_CURRENT_USER\\Software\\mirela]\r\n\"ProgrammVersion\"=\"3.2\"\r\n\r\n";
    // Compared as a whole, not printed: a diff of two megabytes is no help.
    EXPECT_TRUE(readFile(path) == utf16le(regText(expected)));
    EXPECT_EQ(registry.Read("Vendor19999", "Value", ""), "changed");
    EXPECT_EQ(registry.Read("Vendor0", "Value", ""), "0");
    EXPECT_EQ(registry.Read("mirela", "ProgrammVersion", ""), "3.2");
}

} // namespace
