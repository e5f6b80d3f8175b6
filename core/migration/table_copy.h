// Table copy between the two open databases: merge (CopyTable), append with a flag
// (CopyQNToMainBase) and write over the current row (CopySchoolMainBase). The caller opens
// both connections; each operation opens ADOTable1 and ADOTable2 on the table and closes
// them before it returns. Failures are logged ("Ошибка обновления таблицы = " + table) and
// rows posted before them stay in the target; only an error while closing the tables passes on.
#pragma once

#include "migration/step_context.h"

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>

namespace upd {

// What a transfer merged so far: for each table (by its name, folded), the target's id of
// every source row by the source's id. A later table's "<table>_id" column names its parent
// row in that table, and is written with the parent's id in the target.
using MergedIds = std::map<std::string, std::unordered_map<int64_t, int64_t>>;

class TableCopySteps {
public:
    explicit TableCopySteps(const StepContext& ctx) : ctx_(ctx) {}

    // Adds to the table on ADOConnection1 the rows of the table on ADOConnection2 that it
    // lacks. A row is already there when a target row has the same natural key: its text
    // columns, compared without regard to letter case as Access compares them, its parent
    // columns and a non-counter own id (a code); flags and other numbers never make two rows
    // one. A table without such columns is keyed by all its columns but the counter. A row
    // with no value at all is passed over. A table missing in either base: nothing happens.
    // Nothing is logged on success.
    void CopyTable(const std::string& table_name) { mergeTable(table_name); }
    // CopyTable telling whether it ended without its error line (a table missing in either
    // base is no error). An error while closing the tables passes on, as from CopyTable.
    // With `merged`, parent columns of tables merged before are written with the parents'
    // target ids, and this table's ids are added to it.
    bool mergeTable(const std::string& table_name, MergedIds* merged = nullptr);

    // Appends every row of the table on ADOConnection1 to the table on ADOConnection2, then
    // sets table_name + s_qn_vus to true where table_name + "_qn" is false. True when the
    // success line was logged.
    bool CopyQNToMainBase(const std::string& table_name, const std::string& s_qn_vus);
    // Writes every row of the table on ADOConnection1 over the current (first) row of the
    // table on ADOConnection2; an empty target gets one row. True when the success line was logged.
    bool CopySchoolMainBase(const std::string& table_name);

private:
    void openBoth(const std::string& table_name);
    void closeBoth();
    void mergeRows(const std::string& table_name, MergedIds* merged);
    // Every column of the current source row but auto-increment ones, by name, values as they are.
    static void copyRowValues(db::TADOTable& from, db::TADOTable& to);

    StepContext ctx_;
};

} // namespace upd
