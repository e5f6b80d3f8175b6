#include "app/main_form.h"

#include "platform/files.h"
#include "platform/text.h"

#include <exception>

namespace upd {

namespace {

constexpr const char* kNoDatabaseNotice =
    "Не определен файл базы данных по умолчанию!!! Пожалуйста, откройте программу Кордеваль выбрав нужный "
    "файл базы. Затем закройте программу  и откройте снова. Путь к необходимой бызе должен предлагаться по "
    "умолчанию.";

} // namespace

TfmMain::TfmMain(const TDM& dm, Environment environment, Dialogs& dialogs, EventPump& pump)
    : DM(dm),
      env(std::move(environment)),
      dialogs(dialogs),
      pump(pump),
      boxes(dialogs, programTitle(env.executableName)),
      databases(dialogs),
      migration(StepContext{ListBox1, boxes, env.openRegistry, env.updaterFolder, databases}, Button3),
      maintenance(pump, env.updaterFolder),
      download(boxes, pump, ProgressBar1, env.downloadHost, Button2, Button3) {
    wireArchiver();
    maintenance.log = [this](const std::string& line) { ListBox1.Append(line); };
}

void TfmMain::FormCreate() {
    lblUpdate = "(До версии " + DM.Programm_version() + ")";
    lblProgrammName = "«" + DM.ProgrammName() + "»";
}

void TfmMain::FormShow() {
    std::string path;
    {
        auto registry = env.openRegistry();
        path = registry->Read("mirela", "ProgrammPath", kRegistryFalse);
    }
    if (path == kRegistryFalse) {
        boxes.notice(kNoDatabaseNotice);
        return;
    }
    const std::string shown = text::removeAllIgnoreCase(path, std::string("Мирела") + files::kSeparator);
    ListBox1.AppendAndSelect(kInstallFolderLine + shown);
    ListBox1.AppendAndSelect("");
}

void TfmMain::FormClose() { databases.closeConnections(); }

void TfmMain::N2Click() { boxes.box("  ", "Подсказка"); }

void TfmMain::Button1Click() {
    if (requestClose) requestClose();
}

bool TfmMain::runHandler(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        boxes.showError(e.what());
    } catch (...) {
        boxes.showError("Unknown error");
    }
    return false;
}

} // namespace upd
