#include "migration/migration_steps.h"

namespace upd {

MigrationSteps::MigrationSteps(const StepContext& ctx, Control& button3)
    : schema(ctx), categories(ctx), tables(ctx), upgrades(ctx, schema, tables, button3), addresses(ctx, tables), ctx_(ctx) {}

bool MigrationSteps::onUserBase(const std::function<bool()>& step) {
    if (ctx_.db.ADOConnection1.ConnectionString().empty()) {
        std::string path;
        {
            auto registry = ctx_.openRegistry();
            path = registry->Read("Lornet", "path", kRegistryFalse);
        }
        if (path == kRegistryFalse) {
            OpenFileRequest request;
            request.filter = "Файл базы данных |*.accdb";
            request.initialFolder = ctx_.updaterFolder;
            const std::optional<std::string> chosen = ctx_.boxes.dialogs().openFile(request);
            if (!chosen) return false;
            path = *chosen;
        }
        if (!ctx_.db.connectToBaseUser(path, kMainBasePassword)) return false;
    }
    return step();
}

} // namespace upd
