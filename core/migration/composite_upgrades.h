// Composite database upgrades: UpdateBase extends the driving-school module's database in
// place; UpdateBase_QN upgrades working copies in the folder out beside the updater of a
// user-chosen database and of the new main database res/MainBase.accdb, and moves the
// vehicles, teachers and instructors into the latter. Both end with Button3 disabled.
#pragma once

#include "ui/control.h"
#include "migration/schema_steps.h"
#include "migration/step_context.h"
#include "migration/table_copy.h"

namespace upd {

// Caption of "Обновить программу" after UpdateBase.
inline constexpr const char* kUpdateBaseDoneCaption = "2. Обновление успешно...";

class CompositeUpgrades {
public:
    CompositeUpgrades(const StepContext& ctx, SchemaSteps& schema, TableCopySteps& copy, Control& button3)
        : ctx_(ctx), schema_(schema), copy_(copy), button3_(button3) {}

    // Database from the registry (Lornet/path) or chosen by the user. Errors of its change
    // statements pass to the caller; ADOConnection1 keeps the database's string.
    void UpdateBase() { updateBase(); }
    // The chosen file itself is never changed. Ends with both connections closed.
    void UpdateBase_QN() { updateBaseQN(); }

    // True when UpdateBase ran to its end; for UpdateBase_QN when a database was chosen,
    // copied, connected, and every schema step and table copy succeeded.
    bool updateBase();
    bool updateBaseQN();

private:
    bool chooseDatabase(std::string& path);
    bool upgradeWorkingCopies(const std::string& chosen);
    bool runUpgradeSteps();

    StepContext ctx_;
    SchemaSteps& schema_;
    TableCopySteps& copy_;
    Control& button3_;
};

} // namespace upd
