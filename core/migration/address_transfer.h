// Address base transfer: TransferAdress installs the package's common address base
// (OtherBase/adress.accdb in the shell program's folder) from res/adress.accdb and merges
// into it the twelve address tables of each module's adress.accdb; Update_base_adress creates
// soato_adress in an address base and fills it from res/soato.accdb.
#pragma once

#include "migration/step_context.h"
#include "migration/table_copy.h"

#include <string>
#include <vector>

namespace upd {

// The tables merged for each module, in this order.
const std::vector<std::string>& addressTables();

class AddressTransfer {
public:
    AddressTransfer(const StepContext& ctx, TableCopySteps& copy) : ctx_(ctx), copy_(copy) {}

    // True when the common address base is in place and every table of every module that
    // could be opened was merged (by this run or an earlier one, as the base records). False after
    // "Ошибка копирования файла базы адресов!", "Ошибка соединения с основной базой адресов"
    // or a table that could not be merged. Leaves both connections open.
    bool TransferAdress();

    // Reports through message boxes only; errors of the table's creation and filling pass on.
    void Update_base_adress() { updateBaseAdress(); }

    // The address base Update_base_adress fills: adress.accdb in the updater's folder, or in
    // its parent when the updater lies in a folder named Архив (any letter case).
    std::string soatoTargetPath() const;

    // Update_base_adress, true when it ran to its end.
    bool updateBaseAdress();

private:
    bool transferModule(const std::string& section, const char* successLine);
    bool alreadyMerged(const std::string& section);
    void recordMerged(const std::string& section);
    bool openWithoutPassword(db::TADOConnection& connection, const std::string& path);

    StepContext ctx_;
    TableCopySteps& copy_;
};

} // namespace upd
