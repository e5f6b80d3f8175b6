#include "registry/file_registry_backend.h"
#include "registry/installation_registry.h"
#include "registry/reg_file.h"
#include "platform/text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <thread>

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
