// Column and table provisioning: the schema steps that bring a database of the managed program
// up to the current schema. Each probes first, changes the schema only when the probe fails,
// reports each stage in the update log and is safe to run again. All work through ADOQuery1,
// on the database open on ADOConnection1; none opens or closes the connection.
#pragma once

#include "migration/step_context.h"

#include <string>

namespace upd {

class SchemaSteps {
public:
    explicit SchemaSteps(const StepContext& ctx) : ctx_(ctx) {}

    // True when the column is there now (already, or added); false when adding failed
    // (log line and a "Внимание" box).
    bool AddColumn(const std::string& table_name, const std::string& col_name, const std::string& col_type);
    // True only when this call created the table; false when it was there or creating failed.
    bool CreateNewTable(const std::string& table_name, const std::string& col_name,
                        const std::string& col_name_for_select);

    // The fixed steps that UpdateBase_QN composes: true when the column or table is there now.
    bool AddColumnGrafikHours();
    bool AddColumnGruppa();
    bool AddColumnStudent();
    bool AddColumnTeach_obj();
    bool CreateTableGrafikVojdenija();
    bool CreateTableSpravka();

    // student_live_stroenie becomes VARCHAR(100): no probe, no log line; errors pass on.
    void modify_stroenie();

private:
    StepContext ctx_;
};

} // namespace upd
