#include "support/update_fixture.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace upd;
using upd::testing::FormFixture;
using upd::testing::Installation;
using upd::testing::UpdateFixture;
using upd::testing::readFile;
using upd::testing::writeFile;

namespace {

namespace fs = std::filesystem;

std::vector<std::string> successLog(const std::string& packageFolder, const std::vector<std::string>& entries) {
    std::vector<std::string> lines = {"", "Начинаю распаковку файлов в папку: " + packageFolder};
    lines.insert(lines.end(), entries.begin(), entries.end());
    lines.insert(lines.end(), {"Копирование файлов завершено", "", "", "Обновляем записи реестра...", "",
                               "Процедура обновления успешно завершена..."});
    return lines;
}

const std::vector<std::string> kSampleLog = {
    "Кордеваль/", "Кордеваль/Шаблоны/", "Кордеваль/Шаблоны/Договор 1.rtf", "Кордеваль/readme.txt",
    "Веспер/mirela.exe", "top.dll"};

TEST(UpdateSequence, SuccessfulUpdateUnpacksLogsAndRecordsTheRelease) {
    UpdateFixture u;
    ASSERT_TRUE(u.press());
    EXPECT_EQ(u.log(), successLog(u.inst.packageFolder, kSampleLog));
    EXPECT_EQ(u.form().ListBox1.selected(), u.log().size() - 1);
    EXPECT_EQ(u.form().lastUpdateOutcome, UpdateOutcome::Success);
    EXPECT_TRUE(u.f.dialogs.shown.empty());

    EXPECT_EQ(readFile(u.inst.packageFolder + "Кордеваль/Шаблоны/Договор 1.rtf"), std::string(3000, 'a') + "Договор");
    EXPECT_EQ(readFile(u.inst.packageFolder + "top.dll"), std::string(5000, '\x07'));
    EXPECT_EQ(readFile(u.inst.installFolder + "mirela.exe"), "new shell program");

    auto file = parseRegFile(readFile(u.inst.registryPath), u.inst.registryPath);
    for (const char* section : {"mirela", "Lornet", "Varsel"}) {
        auto* key = file.findKey(std::string("HKEY_CURRENT_USER\\Software\\") + section);
        ASSERT_NE(key, nullptr) << section;
        auto v = std::find_if(key->values.begin(), key->values.end(),
                              [](const RegFileValue& x) { return x.name == "ProgrammVersion"; });
        ASSERT_NE(v, key->values.end()) << section;
        EXPECT_EQ(v->value.type, RegType::Sz);
        EXPECT_EQ(v->value.data, (std::vector<uint8_t>{'3', 0, '.', 0, '2', 0, 0, 0})) << section;
    }
    EXPECT_EQ(u.f.registryValue("mirela", "ProgrammPath"), u.inst.installFolder);

    EXPECT_TRUE(u.form().Button1.Enabled());
    EXPECT_FALSE(u.form().Button3.Enabled());
    EXPECT_EQ(u.form().ProgressBar1.position(), 100);
}

struct StopCase {
    const char* name;
    std::string mirelaValues;  // registry values; {install} stands for the installation folder
    std::string box;           // expected box text ("" for the question)
    std::string caption;
    UpdateOutcome outcome;
};

std::string fill(std::string s, const std::string& install) {
    for (size_t at; (at = s.find("{install}")) != std::string::npos;) s.replace(at, 9, install);
    return s;
}

class UpdateStops : public ::testing::TestWithParam<StopCase> {};

TEST_P(UpdateStops, LeaveDiskRegistryAndLogUnchanged) {
    const auto& c = GetParam();
    UpdateFixture u;
    // "false" + "mirela.exe" is a relative path: give it a file in the current folder so that
    // the check of the installation folder itself is reached.
    const fs::path cwd = fs::current_path();
    fs::current_path(u.inst.dir.path());
    writeFile(u.inst.dir / "falsemirela.exe", "x");
    u.inst.setRegistry(fill(c.mirelaValues, u.inst.installFolder));
    const std::string registryBefore = readFile(u.inst.registryPath);
    u.f.dialogs.messageAnswers = {DialogResult::No};

    EXPECT_TRUE(u.press());
    fs::current_path(cwd);

    ASSERT_EQ(u.f.dialogs.messages().size(), 1u);
    const auto m = u.f.dialogs.messages()[0];
    EXPECT_EQ(m.text, c.box);
    EXPECT_EQ(m.caption, c.caption);
    EXPECT_TRUE(u.log().empty());
    EXPECT_EQ(readFile(u.inst.registryPath), registryBefore);
    EXPECT_FALSE(fs::exists(u.inst.packageFolder + "top.dll"));
    EXPECT_EQ(readFile(u.inst.installFolder + "mirela.exe"), "old shell program");
    EXPECT_TRUE(u.form().Button3.Enabled());
    EXPECT_TRUE(u.form().Button1.Enabled());
    EXPECT_EQ(u.form().lastUpdateOutcome, c.outcome);
}

const std::string kVersionBox =
    "Не определена версия программы. Во избежание ошибок обновление\r\nобновление проведено не будет! Пожалуйста, "
    "запустите, а затем закройте Мирела!";

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateStops,
    ::testing::Values(
        StopCase{"DatabaseMissing", "\"ProgrammPath\"=\"{install}missing/\"\r\n\"ProgrammVersion\"=\"3.1\"\r\n",
                 "Не найдена база данных Мирела!", "Ошибка", UpdateOutcome::DatabaseMissing},
        StopCase{"NoInstallFolderMeansNoDatabase", "\"ProgrammVersion\"=\"3.1\"\r\n",
                 "Не найдена база данных Мирела!", "Ошибка", UpdateOutcome::DatabaseMissing},
        StopCase{"DatabasePathIsAFolder",
                 "\"ProgrammPath\"=\"{install}\"\r\n\"MainBasePath\"=\"{install}base\"\r\n\"ProgrammVersion\"=\"3.1\"\r\n",
                 "Не найдена база данных Мирела!", "Ошибка", UpdateOutcome::DatabaseMissing},
        StopCase{"ProgramMissing",
                 "\"ProgrammPath\"=\"{install}base/\"\r\n\"MainBasePath\"=\"{install}base/MainBase.accdb\"\r\n"
                 "\"ProgrammVersion\"=\"3.1\"\r\n",
                 "Программа не найдена! Повторите попытку!", "Ошибка", UpdateOutcome::ProgramMissing},
        StopCase{"VersionMissing", "\"ProgrammPath\"=\"{install}\"\r\n", kVersionBox, "Внимание",
                 UpdateOutcome::VersionUnknown},
        StopCase{"VersionEmpty", "\"ProgrammPath\"=\"{install}\"\r\n\"ProgrammVersion\"=\"\"\r\n", kVersionBox,
                 "Внимание", UpdateOutcome::VersionUnknown},
        StopCase{"VersionRefused", "\"ProgrammPath\"=\"{install}\"\r\n\"ProgrammVersion\"=\"3.0\"\r\n",
                 "Версия вашей программы (3.0) не корректна! Необходимо предварительно  обновить программу до "
                 "версии 3.1. Продолжить?",
                 kConfirmCaption, UpdateOutcome::VersionRefused},
        StopCase{"InstallFolderFalse",
                 "\"MainBasePath\"=\"{install}base/MainBase.accdb\"\r\n\"ProgrammVersion\"=\"3.1\"\r\n",
                 "Не найден каталог установки программы. Запустите Мирела и модули!  Затем снова попытайтесь "
                 "установить обновление.",
                 "Внимание!", UpdateOutcome::InstallFolderUnknown}),
    [](const auto& info) { return std::string(info.param.name); });

struct VersionCase {
    const char* name;
    const char* version;
    bool asks;
};

class VersionGate : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionGate, AsksOnlyForOtherReleasesAndYesGoesOn) {
    const auto& c = GetParam();
    UpdateFixture u(c.version);
    u.f.dialogs.messageAnswers = {DialogResult::Yes};
    ASSERT_TRUE(u.press());
    EXPECT_EQ(u.f.dialogs.messages().size(), c.asks ? 1u : 0u);
    if (c.asks) {
        const auto m = u.f.dialogs.messages()[0];
        EXPECT_EQ(m.buttons, DialogButtons::YesNo);
        EXPECT_EQ(m.defaultButton, 0);
        EXPECT_NE(m.text.find(std::string("(") + c.version + ")"), std::string::npos);
    }
    EXPECT_EQ(u.form().lastUpdateOutcome, UpdateOutcome::Success);
    EXPECT_EQ(u.log().back(), "Процедура обновления успешно завершена...");
}

INSTANTIATE_TEST_SUITE_P(Cases, VersionGate,
                         ::testing::Values(VersionCase{"Previous", "3.1", false}, VersionCase{"Same", "3.2", false},
                                           VersionCase{"Older", "3.0", true}, VersionCase{"TenIsNotOne", "3.10", true},
                                           VersionCase{"TrailingSpace", "3.2 ", true},
                                           VersionCase{"Comma", "3,1", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UpdateSequence, PackageFolderDropsTheShellFolderIgnoringCase) {
    UpdateFixture u;
    const std::string lower = u.inst.packageFolder + "вЕСПЕР/";
    fs::rename(u.inst.installFolder, lower);
    u.inst.setRegistry("\"ProgrammPath\"=\"" + lower + "\"\r\n\"ProgrammVersion\"=\"3.1\"\r\n");
    ASSERT_TRUE(u.press());
    EXPECT_EQ(u.log()[1], "Начинаю распаковку файлов в папку: " + u.inst.packageFolder);
    EXPECT_TRUE(fs::exists(u.inst.packageFolder + "top.dll"));
}

TEST(UpdateSequence, OtherFolderNameIsUsedUnchanged) {
    UpdateFixture u;
    const std::string other = u.inst.packageFolder + "Shell/";
    fs::rename(u.inst.installFolder, other);
    u.inst.setRegistry("\"ProgrammPath\"=\"" + other + "\"\r\n\"ProgrammVersion\"=\"3.1\"\r\n");
    ASSERT_TRUE(u.press());
    EXPECT_TRUE(fs::exists(other + "top.dll"));
}

TEST(UpdateSequence, MissingArchiveStopsWithALogLine) {
    UpdateFixture u;
    fs::remove(u.inst.archivePath);
    const std::string registryBefore = readFile(u.inst.registryPath);
    ASSERT_TRUE(u.press());
    EXPECT_EQ(u.log(), (std::vector<std::string>{"", "Начинаю распаковку файлов в папку: " + u.inst.packageFolder,
                                                 "Ошибка распаковки: не найден файл архива"}));
    EXPECT_TRUE(u.f.dialogs.shown.empty());
    EXPECT_EQ(readFile(u.inst.registryPath), registryBefore);
    EXPECT_TRUE(u.form().Button3.Enabled());
    EXPECT_EQ(u.form().lastUpdateOutcome, UpdateOutcome::ArchiveMissing);
}

TEST(UpdateSequence, ForeignArchiveFailsThenASecondPressStartsAfresh) {
    UpdateFixture u;
    const std::string good = readFile(u.inst.archivePath);
    writeFile(u.inst.archivePath, std::string(4096, 'x'));
    const std::string registryBefore = readFile(u.inst.registryPath);
    ASSERT_TRUE(u.press());
    ASSERT_EQ(u.f.dialogs.messages().size(), 1u);
    EXPECT_EQ(u.f.dialogs.messages()[0].text, "Ошибка обновления!");
    EXPECT_EQ(u.f.dialogs.messages()[0].caption, "Неудачно!");
    ASSERT_EQ(u.log().size(), 5u);
    EXPECT_EQ(u.log()[2], "");
    EXPECT_EQ(u.log()[3].rfind("Ошибка: ", 0), 0u) << u.log()[3];
    EXPECT_NE(u.log()[3].find(" - Native error: 000"), std::string::npos) << u.log()[3];
    EXPECT_EQ(u.log()[4], "Установленные файлы оставлены без изменений.");
    EXPECT_EQ(u.form().ListBox1.selected(), 4u);
    EXPECT_EQ(readFile(u.inst.registryPath), registryBefore);
    EXPECT_TRUE(u.form().Button3.Enabled());
    EXPECT_TRUE(u.form().Button1.Enabled());
    EXPECT_EQ(u.form().lastUpdateOutcome, UpdateOutcome::ArchiveError);

    writeFile(u.inst.archivePath, good);
    ASSERT_TRUE(u.press());
    const auto log = u.log();
    const auto again = std::vector<std::string>(log.begin() + 5, log.end());
    EXPECT_EQ(again, successLog(u.inst.packageFolder, kSampleLog));
    EXPECT_EQ(u.f.registryValue("Varsel", "ProgrammVersion"), "3.2");
}

TEST(UpdateSequence, UnwritableRegistryLogsTheAccessError) {
    UpdateFixture u;
    fs::create_directories(u.inst.registryPath + ".lock");  // no lock can be taken: every write fails
    ASSERT_TRUE(u.press());
    const auto log = u.log();
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(log.end() - 5, log.end()),
              (std::vector<std::string>{"", "Обновляем записи реестра...", "", "Ошибка доступа к реестру...",
                                        "Ошибка: Failed to create key mirela"}));
    EXPECT_EQ(u.form().lastUpdateOutcome, UpdateOutcome::RegistryError);
    EXPECT_FALSE(u.form().Button3.Enabled());
    EXPECT_EQ(u.f.registryValue("mirela", "ProgrammVersion"), "3.1");
}

TEST(UpdateSequence, NonTextVersionReachesTheErrorDisplay) {
    UpdateFixture u;
    u.inst.setRegistry("\"ProgrammPath\"=\"" + u.inst.installFolder + "\"\r\n\"ProgrammVersion\"=dword:00000003\r\n");
    EXPECT_FALSE(u.press());
    ASSERT_EQ(u.f.dialogs.messages().size(), 1u);
    EXPECT_EQ(u.f.dialogs.messages()[0].text, "Invalid data type for 'ProgrammVersion'");
    EXPECT_EQ(u.f.dialogs.messages()[0].icon, DialogIcon::Error);
    EXPECT_TRUE(u.log().empty());
}

TEST(UpdateSequence, ControlsAreHeldWhileTheUnpackRuns) {
    UpdateFixture u;
    bool sawBusy = false, secondPressIgnored = true;
    u.f.pump.onIdle = [&] {
        if (!u.form().busy()) return;
        sawBusy = true;
        EXPECT_FALSE(u.form().Button3.Enabled());
        EXPECT_FALSE(u.form().Button1.Enabled());
        const size_t before = u.form().ListBox1.size();
        u.form().Button3Click();  // a click dispatched in the middle of the extraction
        secondPressIgnored = secondPressIgnored && u.form().ListBox1.size() == before;
    };
    ASSERT_TRUE(u.press());
    EXPECT_TRUE(sawBusy);
    EXPECT_TRUE(secondPressIgnored);
    EXPECT_EQ(u.log(), successLog(u.inst.packageFolder, kSampleLog));
}

} // namespace

namespace {

TEST(UpdateSequence, ANameWithALineBreakCannotForgeALogLine) {
    const std::string forged = "Процедура обновления успешно завершена...";
    auto entries = upd::testing::sampleEntries();
    entries.push_back({"evil\n" + forged, "x", false});
    UpdateFixture u;
    u.inst.writeArchive(entries);
    u.f.dialogs.messageAnswers = {DialogResult::Abort};
    ASSERT_TRUE(u.press());
    const auto log = u.log();
    const bool succeeded = u.form().lastUpdateOutcome == UpdateOutcome::Success;
    EXPECT_EQ(std::count(log.begin(), log.end(), forged), succeeded ? 1 : 0);
    EXPECT_NE(std::find(log.begin(), log.end(), "evil\\n" + forged), log.end());
    for (const std::string& line : log) EXPECT_EQ(line.find('\n'), std::string::npos) << line;
}

} // namespace
