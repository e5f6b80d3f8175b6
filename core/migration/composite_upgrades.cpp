#include "migration/composite_upgrades.h"

#include "migration/file_copy.h"
#include "migration/statement_run.h"
#include "platform/files.h"
#include "platform/scope_guard.h"
#include "platform/text.h"

#include <filesystem>

namespace upd {
namespace {

constexpr const char* kNewMainBase = "MainBase.accdb";

constexpr const char* kNoDatabaseNotice = "Файл базы данных не найден. Укажите его вручную... ";
constexpr const char* kCancelledNotice = "Обновление прервано! ";
constexpr const char* kDialogFailedNotice =
    "Не удалось найти файл базы данных! Пожалуйста, откройте программу \"Автошкола. Кордеваль\", удостоверьтесь что "
    "программа работает корректно и закройте ее.  После этого попробуйте снова установить обновление!";

constexpr const char* kStepFailedCaption = "Ошибка";

} // namespace

// The registry's path, else the user's choice. False (after its notice) when there is none.
bool CompositeUpgrades::chooseDatabase(std::string& path) {
    {
        auto registry = ctx_.openRegistry();
        path = registry->Read("Lornet", "path", kRegistryFalse);
    }
    if (path != kRegistryFalse) return true;
    try {
        OpenFileRequest request;
        request.filter = "Файл базы данных |*.accdb";
        request.initialFolder = ctx_.updaterFolder;
        ctx_.boxes.notice(kNoDatabaseNotice);
        const std::optional<std::string> chosen = ctx_.boxes.dialogs().openFile(request);
        if (!chosen) {
            ctx_.boxes.notice(kCancelledNotice);
            return false;
        }
        path = *chosen;
        return true;
    } catch (const std::exception&) {
        // Going on with "false" for a path would only fail at the first change statement.
        ctx_.boxes.notice(kDialogFailedNotice);
        return false;
    }
}

bool CompositeUpgrades::updateBase() {
    std::string path;
    if (!chooseDatabase(path)) return false;
    DatabaseComponents& db = ctx_.db;
    // Still open on another file (a step left it so): a new string needs it closed.
    db.ADOConnection1.Close();
    db.ADOConnection1.SetConnectionString(db::buildConnectionString(path, kMainBasePassword));

    for (const char* column : {"diploma_theory_num", "diploma_pract_num"}) {
        ctx_.log.Append("Работа с базой данных...");
        if (!probeStatement(db.ADOQuery1, std::string("Select ") + column + " from diploma"))
            execStatement(db.ADOQuery1, std::string(" ALTER TABLE diploma ADD COLUMN ") + column + "  INTEGER");
    }
    if (!probeStatement(db.ADOQuery1, "Select gibdd_id from student"))
        execStatement(db.ADOQuery1, " ALTER TABLE student ADD COLUMN gibdd_id  INTEGER");
    if (!probeStatement(db.ADOQuery1, "Select * from gibdd"))
        execStatement(db.ADOQuery1,
                      " CREATE TABLE gibdd (gibdd_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY,  student_id INTEGER, "
                      "prichina_zameny_id INTEGER, prepod_id INTEGER, Instruktor_id INTEGER, theory_num INTEGER, "
                      "square_num INTEGER, city_num INTEGER );");

    button3_.setCaption(kUpdateBaseDoneCaption);
    button3_.setEnabled(false);
    return true;
}

bool CompositeUpgrades::updateBaseQN() {
    ctx_.log.AppendAndSelect("Выбор базы данных \"Автошкола\"...");
    OpenFileRequest request;
    request.filter = "Файлы баз данных|*.accdb";
    request.initialFolder = ctx_.updaterFolder + "in";
    const std::optional<std::string> chosen = ctx_.boxes.dialogs().openFile(request);
    // The dialog accepts existing files only.
    const bool ok = chosen && files::fileExists(*chosen) && upgradeWorkingCopies(*chosen);
    ctx_.log.AppendAndSelect("База данных обновлена ...");
    button3_.setEnabled(false);
    ctx_.db.ADOConnection1.Close();
    return ok;
}

bool CompositeUpgrades::upgradeWorkingCopies(const std::string& chosen) {
    DatabaseComponents& db = ctx_.db;
    const std::string name = std::filesystem::path(chosen).filename().string();
    // Both working copies share the folder out: a chosen MainBase.accdb would be replaced by
    // the new main database and the rows copied into the user's own database.
    if (text::equalsIgnoreCase(name, kNewMainBase)) {
        ctx_.boxes.box("Выбранный файл называется " + std::string(kNewMainBase) +
                                ", как новая база данных. Переименуйте его и повторите обновление.",
                            kStepFailedCaption);
        return false;
    }
    const std::string userCopy = ctx_.updaterPath("out/") + name;
    const std::string mainCopy = ctx_.updaterPath("out/") + kNewMainBase;
    // A failed copy would let an older working copy be upgraded and reported as done.
    for (const auto& [from, to] : {std::pair{chosen, userCopy}, std::pair{ctx_.updaterPath("res/MainBase.accdb"), mainCopy}}) {
        std::error_code ec;
        if (std::filesystem::equivalent(from, to, ec)) continue;  // a working copy chosen again
        if (!copyFileReplacing(from, to)) {
            ctx_.boxes.box("Не удалось скопировать файл " + from + " в " + to, kStepFailedCaption);
            return false;
        }
    }
    if (!db.connectToBaseUser(userCopy, kMainBasePassword)) return false;
    if (!db.connectToBase2(mainCopy, kMainBasePassword)) return false;
    // Both connections are set not connected when the upgrade steps end, however they end.
    ScopeGuard disconnect([&db] {
        try {
            db.closeConnections();
        } catch (const db::DbError&) {
            // Only while an error of the steps is on its way out (the steps' end closes
            // below): that error is the one the caller reports.
        }
    });
    const bool upgraded = runUpgradeSteps();
    disconnect.dismiss();
    db.closeConnections();  // commits the copied rows: a failure reaches the caller
    return upgraded;
}

bool CompositeUpgrades::runUpgradeSteps() {
    struct Step {
        bool (SchemaSteps::*run)();
        const char* failureText;
    };
    static const Step steps[] = {
        {&SchemaSteps::CreateTableSpravka, "Возникла ошибка при создании таблицы \"Справка\""},
        {&SchemaSteps::CreateTableGrafikVojdenija, "Возникла ошибка при создании таблицы \"График вождения\""},
        {&SchemaSteps::AddColumnGrafikHours, "Возникла ошибка при обновлении таблицы \"GrafikHours\""},
        {&SchemaSteps::AddColumnGruppa, "Возникла ошибка при обновлении таблицы \"Группа\""},
        {&SchemaSteps::AddColumnStudent, "Возникла ошибка при обновлении таблицы \"Студент\""},
        {&SchemaSteps::AddColumnTeach_obj, "Возникла ошибка при обновлении таблицы \"Предметы\""},
    };
    bool ok = true;
    for (const Step& step : steps) {
        if ((schema_.*step.run)()) continue;
        ctx_.boxes.box(step.failureText, kStepFailedCaption);
        ok = false;
    }
    for (const char* table : {"car", "prepod", "Instruktor"}) ok = copy_.CopyQNToMainBase(table, "_qn") && ok;
    return ok;
}

} // namespace upd
