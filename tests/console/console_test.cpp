// The console front end as administrators run it: the installed binary beside its archive.
#include "support/installation.h"
#include "registry/file_registry_backend.h"
#include "registry/installation_registry.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

using namespace upd;
using upd::testing::Installation;
using upd::testing::readFile;
using upd::testing::writeFile;

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int code;
    std::string out, err;
};

std::string quote(const std::string& s) { return "'" + s + "'"; }

// Installs the console binary into the installation's updater folder and runs it there.
Outcome runUpdater(const Installation& inst, const std::string& args, const std::string& cwd = {}) {
    const std::string exe = inst.updaterFolder + "update_3_2";
    if (!fs::exists(exe))
        fs::copy_file(std::string(UPDATE_BINARY_DIR) + "/console/update_3_2_console", exe);
    const std::string out = (inst.dir / "stdout").string(), err = (inst.dir / "stderr").string();
    const std::string command = (cwd.empty() ? "" : "cd " + quote(cwd) + " && ") + quote(exe) + " --console --registry " +
                                quote(inst.registryPath) + " " + args + " >" + quote(out) + " 2>" + quote(err) +
                                " </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
}

std::string lines(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& l : v) s += l + "\n";
    return s;
}

TEST(Console, SuccessfulUpdatePrintsTheLogAndExitsZero) {
    Installation inst;
    const std::string logFile = (inst.dir / "update.log").string();
    const Outcome r = runUpdater(inst, "--log " + quote(logFile));
    EXPECT_EQ(r.code, 0) << r.err;
    const std::string expected = lines({"Каталог установки программы Мирела = " + inst.installFolder, "", "",
                                        "Начинаю распаковку файлов в папку: " + inst.packageFolder, "Кордеваль/",
                                        "Кордеваль/Шаблоны/", "Кордеваль/Шаблоны/Договор 1.rtf", "Кордеваль/readme.txt",
                                        "Веспер/mirela.exe", "top.dll", "Копирование файлов завершено", "", "",
                                        "Обновляем записи реестра...", "", "Процедура обновления успешно завершена..."});
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(readFile(logFile), expected);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(readFile(inst.packageFolder + "top.dll"), std::string(5000, '\x07'));
}

struct ExitCase {
    const char* name;
    std::string mirelaValues;  // {install} stands for the installation folder; empty keeps the default
    std::string args;
    int code;
    bool filesChange;
};

class ConsoleExit : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ConsoleExit, EachStopHasItsOwnCode) {
    const auto& c = GetParam();
    Installation inst;
    if (!c.mirelaValues.empty()) {
        std::string values = c.mirelaValues;
        for (size_t at; (at = values.find("{install}")) != std::string::npos;) values.replace(at, 9, inst.installFolder);
        inst.setRegistry(values);
    }
    if (std::string(c.name) == "ArchiveMissing") fs::remove(inst.archivePath);
    if (std::string(c.name) == "ArchiveError") writeFile(inst.archivePath, "not an archive at all");
    if (std::string(c.name) == "RegistryWriteError") fs::create_directories(inst.registryPath + ".lock");
    writeFile(inst.dir / "falsemirela.exe", "x");
    const std::string registryBefore = readFile(inst.registryPath);

    const Outcome r = runUpdater(inst, c.args, inst.dir.path().string());
    EXPECT_EQ(r.code, c.code) << r.out << r.err;
    EXPECT_EQ(fs::exists(inst.packageFolder + "top.dll"), c.filesChange);
    if (c.code != 0 && !c.filesChange) {
        EXPECT_EQ(readFile(inst.registryPath), registryBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleExit,
    ::testing::Values(
        ExitCase{"Help", "", "--help", 0, false},
        ExitCase{"UnknownOption", "", "--frobnicate", 2, false},
        ExitCase{"UnknownStep", "", "--step NoSuchStep", 2, false},
        ExitCase{"DatabaseMissing", "\"ProgrammPath\"=\"{install}x/\"\r\n\"ProgrammVersion\"=\"3.1\"\r\n", "", 3, false},
        ExitCase{"ProgramMissing",
                 "\"ProgrammPath\"=\"{install}base/\"\r\n\"MainBasePath\"=\"{install}base/MainBase.accdb\"\r\n"
                 "\"ProgrammVersion\"=\"3.1\"\r\n",
                 "", 4, false},
        ExitCase{"VersionUnknown", "\"ProgrammPath\"=\"{install}\"\r\n", "", 5, false},
        ExitCase{"VersionRefusedWithoutYes", "\"ProgrammPath\"=\"{install}\"\r\n\"ProgrammVersion\"=\"3.0\"\r\n", "", 6,
                 false},
        ExitCase{"VersionAcceptedWithYes", "\"ProgrammPath\"=\"{install}\"\r\n\"ProgrammVersion\"=\"3.0\"\r\n", "--yes",
                 0, true},
        ExitCase{"InstallFolderUnknown",
                 "\"MainBasePath\"=\"{install}base/MainBase.accdb\"\r\n\"ProgrammVersion\"=\"3.1\"\r\n", "", 7, false},
        ExitCase{"ArchiveMissing", "", "", 8, false},
        ExitCase{"ArchiveError", "", "", 9, false},
        ExitCase{"RegistryReadError", "\"ProgrammPath\"=\"{install}\"\r\n\"ProgrammVersion\"=dword:00000003\r\n", "",
                 10, false},
        ExitCase{"RegistryWriteError", "", "", 10, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Console, RefusedVersionSaysWhyOnStandardError) {
    Installation inst("3.0");
    const Outcome r = runUpdater(inst, "");
    EXPECT_EQ(r.code, 6);
    EXPECT_NE(r.err.find(": Версия вашей программы (3.0) не корректна!"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("(answered No)"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, lines({"Каталог установки программы Мирела = " + inst.installFolder, ""}));
}

TEST(Console, ARelativeRegistryPathIsTheOneGivenAtStart) {
    Installation inst;
    runUpdater(inst, "--help");  // installs the binary beside its archive
    const std::string exe = inst.updaterFolder + "update_3_2";
    for (const std::string how : {"option", "variable"}) {
        SCOPED_TRACE(how);
        inst.setRegistry("\"ProgrammPath\"=\"" + inst.installFolder + "\"\r\n\"ProgrammVersion\"=\"3.1\"\r\n");
        const std::string command = "cd " + quote(inst.dir.path().string()) + " && " +
                                    (how == "option" ? quote(exe) + " --console --registry registry.reg"
                                                     : "UPDATE_REGISTRY=registry.reg " + quote(exe) + " --console") +
                                    " >/dev/null 2>&1 </dev/null";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(InstallationRegistry(std::make_unique<FileRegistryBackend>(inst.registryPath))
                      .Read("mirela", "ProgrammVersion", ""),
                  "3.2");
        EXPECT_FALSE(fs::exists(inst.packageFolder + "registry.reg"));
        EXPECT_FALSE(fs::exists(inst.packageFolder + "Веспер/registry.reg"));
    }
}

TEST(Console, ADownloadWithoutAServerIsAFailedStep) {
    Installation inst;
    ::unsetenv("UPDATE_DOWNLOAD_HOST");
    const Outcome r = runUpdater(inst, "--step Button2Click");
    EXPECT_EQ(r.code, 11) << r.err;
    EXPECT_NE(r.err.find("Не задан сервер загрузки документов"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(inst.updaterFolder + "res/ver_1_3.zip"));
}

TEST(Console, AFailedEntryOrARefusedPasswordFailsTheUpdateWithCodeNine) {
    Installation inst;
    // A wrong archive password: the first encrypted entry asks for one, which is refused,
    // so no entry arrives and nothing is installed.
    inst.writeArchive(upd::testing::sampleEntries(), "another password");
    const Outcome r = runUpdater(inst, "");
    EXPECT_EQ(r.code, 9) << r.err;
    EXPECT_NE(r.err.find("refused"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("Установленные файлы оставлены без изменений."), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(inst.packageFolder + "top.dll"));

    Installation damaged;
    std::string bytes = readFile(damaged.archivePath);
    bytes[bytes.find("Договор 1.rtf") + std::string("Договор 1.rtf").size() + 20] ^= 0x5A;  // past the encryption header
    writeFile(damaged.archivePath, bytes);
    const Outcome d = runUpdater(damaged, "");
    EXPECT_EQ(d.code, 9) << d.err;
    EXPECT_NE(d.err.find("(answered Abort)"), std::string::npos) << d.err;
    EXPECT_NE(d.out.find("Договор 1.rtf\" не распакован"), std::string::npos) << d.out;
    EXPECT_FALSE(fs::exists(damaged.packageFolder + "top.dll"));
}

} // namespace
