#include "migration/table_copy.h"

#include "migration/statement_run.h"
#include "platform/text.h"

#include <algorithm>
#include <vector>

namespace upd {
namespace {

bool hasTable(const std::vector<std::string>& names, const std::string& table) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return text::equalsIgnoreCase(n, table); });
}

// The value's text as the merge compares and writes it: 32-bit integers in decimal digits,
// everything else in its standard text form.
std::string valueText(const db::Variant& value) { return value.toString(); }

} // namespace

void TableCopySteps::openBoth(const std::string& table_name) {
    ctx_.db.ADOTable1.SetTableName(table_name);
    ctx_.db.ADOTable1.Open();
    ctx_.db.ADOTable2.SetTableName(table_name);
    ctx_.db.ADOTable2.Open();
}

// Outside the handlers of the operations: an error here passes to their caller.
void TableCopySteps::closeBoth() {
    ctx_.db.ADOTable1.Close();
    ctx_.db.ADOTable2.Close();
}

void TableCopySteps::copyRowValues(db::TADOTable& from, db::TADOTable& to) {
    const std::vector<db::FieldDef>& defs = from.FieldDefs();
    for (size_t i = 0; i < defs.size(); ++i) {
        if (defs[i].DataType == db::FieldType::AutoInc) continue;
        to.FieldByName(defs[i].Name).SetValue(from.Fields(i).Value());
    }
}

bool TableCopySteps::mergeTable(const std::string& table_name) {
    bool ok = true;
    try {
        if (!hasTable(ctx_.db.ADOConnection1.GetTableNames(), table_name) ||
            !hasTable(ctx_.db.ADOConnection2.GetTableNames(), table_name))
            return true;
        openBoth(table_name);
        mergeRows();
    } catch (const std::exception&) {
        ctx_.log.AppendAndSelect("Ошибка обновления таблицы = " + table_name);
        ok = false;
    }
    closeBoth();
    return ok;
}

// One key lookup per source row; the target's lookup index is built once and grows with the
// rows posted here, so the target is never walked per row.
void TableCopySteps::mergeRows() {
    db::TADOTable& target = ctx_.db.ADOTable1;
    db::TADOTable& source = ctx_.db.ADOTable2;
    const std::vector<db::FieldDef> defs = source.FieldDefs();
    // The target column of each source column, looked up once; null where the target lacks it
    // (setting it fails as FieldByName fails).
    std::vector<db::TField*> targetFields(defs.size(), nullptr);
    for (size_t i = 0; i < defs.size(); ++i) targetFields[i] = target.FindField(defs[i].Name);
    std::vector<size_t> columns;       // N: the current row's columns, as indexes
    std::vector<std::string> values;   // V: their value texts
    columns.reserve(defs.size());
    values.reserve(defs.size());
    for (source.First(); !source.Eof(); source.Next()) {
        columns.clear();
        values.clear();
        for (size_t i = 0; i < defs.size(); ++i) {
            if (defs[i].DataType == db::FieldType::AutoInc) continue;
            const db::Variant value = source.Fields(i).Value();
            if (value.isNull()) continue;
            columns.push_back(i);
            values.push_back(valueText(value));
        }
        if (columns.empty() || values[0].empty()) continue;
        if (target.Locate(defs[columns[0]].Name, db::Variant(values[0]))) continue;
        target.Insert();
        for (size_t i = 0; i < columns.size(); ++i) {
            if (values[i].empty()) continue;
            db::TField* field = targetFields[columns[i]];
            (field ? *field : target.FieldByName(defs[columns[i]].Name)).SetAsString(values[i]);
        }
        target.Post();
    }
}

bool TableCopySteps::CopyQNToMainBase(const std::string& table_name, const std::string& s_qn_vus) {
    bool ok = false;
    try {
        openBoth(table_name);
        db::TADOTable& source = ctx_.db.ADOTable1;
        db::TADOTable& target = ctx_.db.ADOTable2;
        for (source.First(); !source.Eof(); source.Next()) {
            target.Insert();
            copyRowValues(source, target);
            target.Post();
        }
        execStatement(ctx_.db.ADOQuery2, " UPDATE " + table_name + " SET " + table_name + s_qn_vus + " = true " +
                                             " WHERE (" + table_name + "_qn = false) ;");
        ctx_.log.AppendAndSelect("Обновление таблицы " + table_name + " = успешно");
        ok = true;
    } catch (const std::exception&) {
        ctx_.log.AppendAndSelect("Ошибка обновления таблицы = " + table_name);
    }
    closeBoth();
    return ok;
}

bool TableCopySteps::CopySchoolMainBase(const std::string& table_name) {
    bool ok = false;
    try {
        openBoth(table_name);
        db::TADOTable& source = ctx_.db.ADOTable1;
        db::TADOTable& target = ctx_.db.ADOTable2;
        for (source.First(); !source.Eof(); source.Next()) {
            target.Edit();  // the target's current row never moves
            copyRowValues(source, target);
            target.Post();
        }
        ctx_.log.AppendAndSelect("Обновление таблицы " + table_name + " = успешно");
        ok = true;
    } catch (const std::exception&) {
        ctx_.log.AppendAndSelect("Ошибка обновления таблицы = " + table_name);
    }
    closeBoth();
    return ok;
}

} // namespace upd
