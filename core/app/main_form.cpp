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
    : FormContext(std::move(environment), dialogs, pump),
      DatabaseComponents(static_cast<FormContext&>(*this)),
      MigrationSteps(static_cast<FormContext&>(*this), static_cast<DatabaseComponents&>(*this), Button3),
      MaintenanceSteps(static_cast<FormContext&>(*this)),
      ArchiveDownload(static_cast<FormContext&>(*this), Button2, Button3),
      DM(dm) {
    wireArchiver();
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

void TfmMain::FormClose() { closeConnections(); }

void TfmMain::N2Click() { boxes.box("  ", "Подсказка"); }

void TfmMain::Button1Click() {
    if (requestClose) requestClose();
}

std::vector<TfmMain::CatalogueStep> TfmMain::catalogue() {
    std::vector<CatalogueStep> steps = {
        {"Button2Click", [this] {
             Button2Click();
             pump.processPendingEvents();  // the queued progress messages move the bar
             return true;
         }},
        {"Button4Click", [this] { Button4Click(); return true; }},
        {"Button5Click", [this] { Button5Click(); return true; }},
    };
    for (auto& [name, run] : migrationCatalogue()) steps.push_back({name, run});
    return steps;
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
