// The migration and data transfer steps of the main window: one member per step set, all on
// the same context, and the rule that the steps on the user's database share.
#pragma once

#include "migration/address_transfer.h"
#include "migration/category_steps.h"
#include "migration/composite_upgrades.h"
#include "migration/schema_steps.h"
#include "migration/step_context.h"
#include "migration/table_copy.h"
#include "ui/control.h"

#include <functional>

namespace upd {

class MigrationSteps {
public:
    // `button3` is "Обновить программу", which the composite upgrades disable.
    MigrationSteps(const StepContext& ctx, Control& button3);

    SchemaSteps schema;
    CategorySteps categories;
    TableCopySteps tables;
    CompositeUpgrades upgrades;
    AddressTransfer addresses;

    // Runs a step that works on the database open on ADOConnection1, opening the user's
    // database first when that connection has none: Lornet/path from the registry, else the
    // file chosen in the open-file dialog (main-database password). Without one: false.
    bool onUserBase(const std::function<bool()>& step);

private:
    StepContext ctx_;
};

} // namespace upd
