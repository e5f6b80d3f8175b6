// "Обновить программу": the checks, the unpack of the update archive into the package folder
// and the registry update to the new release.
#include "app/main_form.h"

#include "app/package_folder.h"
#include "app/update_archive.h"
#include "archive/user_requests.h"
#include "archive/zip_archiver.h"
#include "install/install_error.h"
#include "install/staged_install.h"
#include "platform/durable_fs.h"
#include "platform/files.h"
#include "platform/fs_path.h"
#include "platform/scope_guard.h"
#include "ui/display_text.h"

#include <cmath>
#include <exception>
#include <filesystem>

namespace upd {

namespace {

// Disables the controls that could start a second unpack or close the window under the
// running one; the guard gives them back their state when the unpack ends, however it ends.
auto disableDuringUnpack(bool& busy, Control& exit, Control& update) {
    const bool exitWas = exit.Enabled(), updateWas = update.Enabled();
    busy = true;
    exit.setEnabled(false);
    update.setEnabled(false);
    return ScopeGuard([&busy, &exit, &update, exitWas, updateWas] {
        busy = false;
        exit.setEnabled(exitWas);
        update.setEnabled(updateWas);
    });
}

// Reported in the log when an earlier run was interrupted.
const char* recoveryLine(install::Recovery recovery) {
    switch (recovery) {
    case install::Recovery::LeftoversRemoved:
        return "Удалены временные файлы прерванного обновления";
    case install::Recovery::RolledBack:
        return "Прерванное обновление отменено: восстановлены прежние файлы";
    case install::Recovery::Completed:
        return "Прерванное обновление завершено";
    case install::Recovery::Nothing:
        break;
    }
    return nullptr;
}

// The failure of an entry that stops the update: every entry must arrive for it to commit.
class UnpackFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Declared sizes of every entry; the staged release needs that much room beside the old one.
uint64_t declaredSize(const TBaseArchiver& archiver) {
    uint64_t total = 0;
    for (size_t i = 0; i < archiver.FileCount(); ++i) {
        const uint64_t size = archiver.Entry(i).uncompressedSize();
        total = size > UINT64_MAX - total ? UINT64_MAX : total + size;
    }
    return total;
}

} // namespace

void TfmMain::wireArchiver() {
    Archiver.setDialogs(&dialogs);
    Archiver.OnProcessFileFailure = [this](TBaseArchiver& sender, const std::string& fileName, TProcessOperation operation,
                                           int nativeError, int errorCode, const std::string& errorMessage,
                                           TFailureAction& action) {
        ArchiverProcessFileFailure(sender, fileName, operation, nativeError, errorCode, errorMessage, action);
    };
    Archiver.OnExtractFile = [this](TBaseArchiver& sender, std::string& fileName, uint32_t& fileAttr,
                                    const std::string& comment) {
        ArchiverExtractFile(sender, fileName, fileAttr, comment);
    };
    Archiver.OnFileProgress = [this](TBaseArchiver& sender, const std::string& fileName, double progress,
                                     TProcessOperation operation, TProgressPhase phase, bool& cancel) {
        ArchiverFileProgress(sender, fileName, progress, operation, phase, cancel);
    };
    Archiver.OnOverallProgress = [this](TBaseArchiver& sender, double progress, TProcessOperation operation,
                                        TProgressPhase phase, bool& cancel) {
        ArchiverOverallProgress(sender, progress, operation, phase, cancel);
    };
}

void TfmMain::ArchiverExtractFile(TBaseArchiver&, std::string& fileName, uint32_t&, const std::string&) {
    ListBox1.AppendAndSelect(shownName(fileName));
}

void TfmMain::ArchiverFileProgress(TBaseArchiver&, const std::string& fileName, double, TProcessOperation,
                                   TProgressPhase phase, bool&) {
    if (phase == TProgressPhase::ppEnd) unpackLedger_.ended(fileName);
    pump.processPendingEvents();
}

void TfmMain::ArchiverOverallProgress(TBaseArchiver& sender, double progress, TProcessOperation, TProgressPhase phase,
                                      bool&) {
    if (phase == TProgressPhase::ppStart)
        unpackLedger_.start(files::withTrailingSeparator(sender.BaseDir()), static_cast<size_t>(sender.ProcessedFileCount()));
    ProgressBar1.setPosition(static_cast<int64_t>(std::trunc(progress)));
    pump.processPendingEvents();
}

void TfmMain::ArchiverProcessFileFailure(TBaseArchiver&, const std::string& fileName, TProcessOperation,
                                         int nativeError, int, const std::string& errorMessage, TFailureAction& action) {
    unpackLedger_.failed(fileName, errorMessage);
    // The component's own question. Abort stops the extraction; Ignore goes on with the next
    // entry, so that one run shows every problem; neither lets the update commit. Retry
    // tries the entry again.
    action = failureQuestion(&dialogs, nativeError, errorMessage);
}

void TfmMain::Button3Click() {
    // The unpack lets events run; a second press must not reconfigure the running archive.
    if (busy_) return;
    lastUpdateOutcome = UpdateOutcome::NotRun;

    std::string installFolder, mainBasePath, installedVersion;
    {
        auto registry = env.openRegistry();
        installFolder = registry->Read("mirela", "ProgrammPath", kRegistryFalse);
        mainBasePath = registry->Read("mirela", "MainBasePath", "");
        installedVersion = registry->Read("mirela", "ProgrammVersion", "");
    }
    if (mainBasePath.empty())
        mainBasePath = installFolder + "base" + files::kSeparator + "MainBase.accdb";

    if (!files::fileExists(mainBasePath)) {
        boxes.box("Не найдена база данных Мирела!", "Ошибка");
        lastUpdateOutcome = UpdateOutcome::DatabaseMissing;
        return;
    }
    if (!files::fileExists(installFolder + "mirela.exe")) {
        boxes.box("Программа не найдена! Повторите попытку!", "Ошибка");
        lastUpdateOutcome = UpdateOutcome::ProgramMissing;
        return;
    }
    if (installedVersion.empty()) {
        boxes.box("Не определена версия программы. Во избежание ошибок обновление\r\n"
                  "обновление проведено не будет! Пожалуйста, запустите, а затем закройте Мирела!",
                  "Внимание");
        lastUpdateOutcome = UpdateOutcome::VersionUnknown;
        return;
    }
    if (installedVersion != DM.ProgrammVersion_Previous() && installedVersion != DM.Programm_version()) {
        const std::string question = "Версия вашей программы (" + installedVersion + ") не корректна! " +
                                     "Необходимо предварительно " + " обновить программу до версии " +
                                     DM.ProgrammVersion_Previous() + ". Продолжить?";
        if (boxes.question(question, kConfirmCaption) == DialogResult::No) {
            lastUpdateOutcome = UpdateOutcome::VersionRefused;
            return;
        }
    }
    if (installFolder == kRegistryFalse) {
        boxes.box("Не найден каталог установки программы. Запустите Мирела и модули!  Затем снова попытайтесь "
                  "установить обновление.",
                  "Внимание!");
        lastUpdateOutcome = UpdateOutcome::InstallFolderUnknown;
        return;
    }

    if (!CopyRes(packageFolderOf(installFolder))) return;

    ListBox1.Append("");
    ListBox1.Append("Обновляем записи реестра...");
    ListBox1.Append("");
    try {
        UpdateReestr();
    } catch (const std::exception& e) {
        // The registry's own text says which key or value failed: it follows the line.
        ListBox1.Append("Ошибка доступа к реестру...");
        ListBox1.Append(std::string("Ошибка: ") + e.what());
        lastUpdateOutcome = UpdateOutcome::RegistryError;
        return;
    } catch (...) {
        ListBox1.Append("Ошибка доступа к реестру...");  // an error without a text: the line alone
        lastUpdateOutcome = UpdateOutcome::RegistryError;
        return;
    }
    ListBox1.AppendAndSelect("Процедура обновления успешно завершена...");
    lastUpdateOutcome = UpdateOutcome::Success;
}

bool TfmMain::CopyRes(const std::string& programm_path) {
    const std::string updaterFolder = files::withTrailingSeparator(env.updaterFolder);
    const std::string archivePath = updaterFolder + "res" + files::kSeparator + "res_qn.zip";

    ListBox1.Append("");
    ListBox1.AppendAndSelect("Начинаю распаковку файлов в папку: " + programm_path);

    // The archive goes into a staging folder first; the package folder changes only when
    // every entry has arrived, in one commit that a crash cannot leave half done.
    install::StagedInstall staged(programm_path);
    // A file the package's own program (or another) holds open: the user may close it and retry.
    staged.retryHeldFile = [&](const std::string& file) {
        const MessageRequest question{install::heldFileMessage(file), "Внимание!", DialogButtons::RetryCancel,
                                      DialogIcon::Warning};
        return boxes.dialogs().message(question) == DialogResult::Retry;
    };
    const auto failed = [&](const std::string& message, bool filesUnchanged) {
        boxes.box("Ошибка обновления!", "Неудачно!");
        ListBox1.Append("");
        ListBox1.AppendAndSelect("Ошибка: " + message);
        if (filesUnchanged) ListBox1.AppendAndSelect("Установленные файлы оставлены без изменений.");
        lastUpdateOutcome = UpdateOutcome::ArchiveError;
        return false;
    };
    try {
        if (const char* line = recoveryLine(staged.recover())) ListBox1.AppendAndSelect(line);
    } catch (const std::exception& e) {
        // The folder may be between two releases: nothing more is done until it is mended.
        return failed(e.what(), false);
    }

    if (!files::fileExists(archivePath)) {
        ListBox1.AppendAndSelect("Ошибка распаковки: не найден файл архива");
        lastUpdateOutcome = UpdateOutcome::ArchiveMissing;
        return false;
    }

    try {
        {
            const auto unpacking = disableDuringUnpack(busy_, Button1, Button3);
            Archiver.setFileName(archivePath);
            Archiver.setPassword(kUpdateArchivePassword);
            Archiver.OpenArchive();
            // Entries past a cut or damage are missing from a rebuilt list: the release would
            // not be whole.
            if (Archiver.DMHandle() && Archiver.DMHandle()->Rebuilt)
                throw UnpackFailure("Архив обновления повреждён или неполон: его оглавление не читается");
            const std::optional<uint64_t> room = files::freeBytes(programm_path);
            if (room && *room < declaredSize(Archiver)) throw EArchiveError(native_error::kDiskFull);
            Archiver.setBaseDir(staged.prepareStaging());
            Archiver.ExtractFiles("*.*", kAnyFileAttr, "");
            Archiver.CloseArchive();
            if (const auto problem = unpackLedger_.problem()) throw UnpackFailure(*problem);
            staged.commit();
        }
        ListBox1.AppendAndSelect("Копирование файлов завершено");
        ListBox1.AppendAndSelect("");
    } catch (const std::exception& e) {
        try {
            staged.discardStaging();
        } catch (const std::exception&) {
            // What is left of the staging folder is removed by the next run.
        }
        return failed(e.what(), true);
    }
    Button1.setEnabled(true);
    Button3.setEnabled(false);
    return true;
}

void TfmMain::UpdateReestr() {
    auto registry = env.openRegistry();
    const std::string installFolder = registry->Read("mirela", "ProgrammPath", "");
    // Leaves the process in the package folder, as the other programs of the package expect;
    // failures do not matter.
    std::error_code ec;
    if (!installFolder.empty()) {
        std::filesystem::current_path(files::pathOf(installFolder), ec);
        if (!ec) std::filesystem::current_path("..", ec);
    }
    registry->Write("mirela", "ProgrammVersion", DM.Programm_version());
    registry->Write("Lornet", "ProgrammVersion", DM.Programm_version());
    registry->Write("Varsel", "ProgrammVersion", DM.Programm_version());
}

} // namespace upd
