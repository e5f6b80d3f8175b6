// A generated installation of the package: registry file, the shell program's folder with
// its executable and main database, and the updater's folder with res/res_qn.zip.
#pragma once

#include "app/update_archive.h"
#include "support/temp_dir.h"
#include "zip_writer.h"

#include <string>
#include <vector>

namespace upd::testing {

inline constexpr const char* kUpdatePassword = kUpdateArchivePassword;

// The entries of a small update archive: folders, Cyrillic names, stored and deflated data.
inline std::vector<tools::ZipEntryInput> sampleEntries() {
    return {
        {"Кордеваль/", "", false},
        {"Кордеваль/Шаблоны/", "", false},
        {"Кордеваль/Шаблоны/Договор 1.rtf", std::string(3000, 'a') + "Договор", true},
        {"Кордеваль/readme.txt", "Кордеваль 3.2\n", false},
        {"Веспер/mirela.exe", "new shell program", true},
        {"top.dll", std::string(5000, '\x07'), false},
    };
}

struct Installation {
    TempDir dir;
    std::string registryPath = (dir / "registry.reg").string();
    std::string packageFolder = dir.folder() + "install/";
    std::string installFolder = packageFolder + "Веспер/";
    std::string updaterFolder = dir.folder() + "update/";
    std::string archivePath = updaterFolder + "res/res_qn.zip";

    explicit Installation(const std::string& version = "3.1",
                          const std::vector<tools::ZipEntryInput>& entries = sampleEntries()) {
        writeFile(installFolder + "mirela.exe", "old shell program");
        writeFile(installFolder + "base/MainBase.accdb", "database");
        setRegistry("\"ProgrammPath\"=\"" + installFolder + "\"\r\n\"MainBasePath\"=\"\"\r\n\"ProgrammVersion\"=\"" +
                    version + "\"\r\n");
        writeArchive(entries);
    }

    // The mirela section's values, as lines of the registry file.
    void setRegistry(const std::string& mirelaValues) {
        writeFile(registryPath, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\mirela]\r\n" +
                                    mirelaValues);
    }

    void writeArchive(const std::vector<tools::ZipEntryInput>& entries, const std::string& password = kUpdatePassword) {
        tools::ZipWriter writer(password);
        for (const auto& e : entries) writer.add(e);
        writeFile(archivePath, writer.finish());
    }
};

} // namespace upd::testing
