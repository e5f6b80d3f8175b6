#include "migration/migration_steps.h"

namespace upd {

MigrationSteps::MigrationSteps(FormContext& form, DatabaseComponents& db, Control& button3)
    : SchemaSteps(form, db),
      CategorySteps(form, db),
      TableCopySteps(form, db),
      CompositeUpgrades(form, db, static_cast<SchemaSteps&>(*this), static_cast<TableCopySteps&>(*this), button3),
      AddressTransfer(form, db, static_cast<TableCopySteps&>(*this)),
      migrationForm_(form),
      migrationDb_(db) {}

bool MigrationSteps::onUserBase(const std::function<bool()>& step) {
    if (migrationDb_.ADOConnection1.ConnectionString().empty()) {
        std::string path;
        {
            auto registry = migrationForm_.env.openRegistry();
            path = registry->Read("Lornet", "path", kRegistryFalse);
        }
        if (path == kRegistryFalse) {
            OpenFileRequest request;
            request.filter = "Файл базы данных |*.accdb";
            request.initialFolder = migrationForm_.env.updaterFolder;
            const std::optional<std::string> chosen = migrationForm_.dialogs.openFile(request);
            if (!chosen) return false;
            path = *chosen;
        }
        if (!migrationDb_.connectToBaseUser(path, kMainBasePassword)) return false;
    }
    return step();
}

std::vector<MigrationSteps::CatalogueEntry> MigrationSteps::migrationCatalogue() {
    auto userBase = [this](std::function<bool()> step) {
        return [this, step = std::move(step)] { return onUserBase(step); };
    };
    return {
        {"AddColumnGrafikHours", userBase([this] { return AddColumnGrafikHours(); })},
        {"AddColumnGruppa", userBase([this] { return AddColumnGruppa(); })},
        {"AddColumnStudent", userBase([this] { return AddColumnStudent(); })},
        {"AddColumnTeach_obj", userBase([this] { return AddColumnTeach_obj(); })},
        {"CreateTableGrafikVojdenija", userBase([this] { return CreateTableGrafikVojdenija(); })},
        {"CreateTableSpravka", userBase([this] { return CreateTableSpravka(); })},
        {"modify_stroenie", userBase([this] {
             modify_stroenie();
             return true;
         })},
        {"FillCategory_tc", userBase([this] { return fillCategories(); })},
        {"FillNewCategory_tc", userBase([this] { return fillNewCategory(); })},
        {"Update_vus_845", userBase([this] { return updateVus845(); })},
        {"UpdateBase", [this] { return updateBase(); }},
        {"UpdateBase_QN", [this] { return updateBaseQN(); }},
        {"TransferAdress", [this] { return TransferAdress(); }},
        {"Update_base_adress", [this] { return updateBaseAdress(); }},
    };
}

} // namespace upd
