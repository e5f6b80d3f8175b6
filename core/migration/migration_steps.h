// The migration and data transfer steps of the main window, gathered in one class that the
// window inherits beside its database components, and the catalogue of those that support
// staff can run by name.
#pragma once

#include "ui/control.h"
#include "migration/address_transfer.h"
#include "migration/category_steps.h"
#include "migration/composite_upgrades.h"
#include "migration/schema_steps.h"
#include "migration/table_copy.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace upd {

class MigrationSteps : public SchemaSteps,
                       public CategorySteps,
                       public TableCopySteps,
                       public CompositeUpgrades,
                       public AddressTransfer {
public:
    // `button3` is "Обновить программу", which the composite upgrades disable.
    MigrationSteps(FormContext& form, DatabaseComponents& db, Control& button3);

    // The operations that take no arguments, by name; each returns its success flag. The
    // steps that work on the database open on ADOConnection1 first open the user's database
    // when that connection has none: Lornet/path from the registry, else the file chosen in
    // the open-file dialog (main-database password); without one they fail.
    using CatalogueEntry = std::pair<std::string, std::function<bool()>>;
    std::vector<CatalogueEntry> migrationCatalogue();

private:
    bool onUserBase(const std::function<bool()>& step);

    FormContext& migrationForm_;
    DatabaseComponents& migrationDb_;
};

} // namespace upd
