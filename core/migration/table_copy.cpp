#include "migration/table_copy.h"

#include "migration/statement_run.h"
#include "platform/text.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace upd {
namespace {

bool hasTable(const std::vector<std::string>& names, const std::string& table) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return text::equalsIgnoreCase(n, table); });
}

// The value's text as the merge compares and writes it: 32-bit integers in decimal digits,
// everything else in its standard text form.
std::string valueText(const db::Variant& value) { return value.toString(); }

bool isText(db::FieldType t) { return t == db::FieldType::String || t == db::FieldType::Memo; }

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

bool TableCopySteps::mergeTable(const std::string& table_name, MergedIds* merged) {
    bool ok = true;
    try {
        if (!hasTable(ctx_.db.ADOConnection1.GetTableNames(), table_name) ||
            !hasTable(ctx_.db.ADOConnection2.GetTableNames(), table_name))
            return true;
        openBoth(table_name);
        mergeRows(table_name, merged);
    } catch (const std::exception&) {
        ctx_.log.AppendAndSelect("Ошибка обновления таблицы = " + table_name);
        ok = false;
    }
    closeBoth();
    return ok;
}


// One key lookup per source row; the target's lookup index is built once and grows with the
// rows posted here, so the target is never walked per row.
void TableCopySteps::mergeRows(const std::string& table_name, MergedIds* merged) {
    db::TADOTable& target = ctx_.db.ADOTable1;
    db::TADOTable& source = ctx_.db.ADOTable2;
    const std::vector<db::FieldDef> defs = source.FieldDefs();
    // The target column of each source column, looked up once; null where the target lacks it
    // (setting it fails as FieldByName fails).
    std::vector<db::TField*> targetFields(defs.size(), nullptr);
    for (size_t i = 0; i < defs.size(); ++i) targetFields[i] = target.FindField(defs[i].Name);

    // The columns' roles: the counter (the row's id), parents ("<table>_id" columns; with
    // `merged`, those of tables merged before are written with the parents' target ids) and
    // the natural key: a code (a leading id column that is no counter, as soato_id is) or the
    // texts, with the parents.
    std::optional<size_t> counter, code;
    std::vector<const std::unordered_map<int64_t, int64_t>*> parentIds(defs.size(), nullptr);
    std::vector<size_t> parents, texts;
    const auto isIdColumn = [](const std::string& name) {
        return name.size() > 3 && name.compare(name.size() - 3, 3, "_id") == 0;
    };
    for (size_t i = 0; i < defs.size(); ++i) {
        const std::string name = text::foldCase(defs[i].Name);
        if (defs[i].DataType == db::FieldType::AutoInc) {
            if (!counter) counter = i;
            continue;
        }
        if (!targetFields[i]) continue;  // no key part: the row's insert fails on it, as before
        if (i == 0 && isIdColumn(name) && db::isIntegerType(defs[i].DataType)) {
            code = i;
        } else if (isIdColumn(name)) {
            parents.push_back(i);
            if (merged) {
                const auto parent = merged->find(name.substr(0, name.size() - 3));
                if (parent != merged->end()) parentIds[i] = &parent->second;
            }
        } else if (isText(defs[i].DataType)) {
            texts.push_back(i);
        }
    }
    std::vector<size_t> key = code ? std::vector<size_t>{*code} : texts;
    key.insert(key.end(), parents.begin(), parents.end());
    if (key.empty()) {
        for (size_t i = 0; i < defs.size(); ++i)
            if (defs[i].DataType != db::FieldType::AutoInc && targetFields[i]) key.push_back(i);
    }
    std::string keyFields;
    for (size_t i : key) keyFields += (keyFields.empty() ? "" : ";") + defs[i].Name;
    std::unordered_map<int64_t, int64_t>* ids = merged ? &(*merged)[text::foldCase(table_name)] : nullptr;
    db::TField* targetCounter = counter ? targetFields[*counter] : nullptr;

    std::vector<db::Variant> row(defs.size());
    std::vector<db::Variant> keyValues;
    for (source.First(); !source.Eof(); source.Next()) {
        bool any = false;
        for (size_t i = 0; i < defs.size(); ++i) {
            row[i] = source.Fields(i).Value();
            // An empty text is stored as no value (the insert leaves it unset), and keyed so.
            if (row[i].kind() == db::ValueKind::Text && row[i].text().empty()) row[i] = db::Variant();
            if (defs[i].DataType != db::FieldType::AutoInc && !row[i].isNull()) any = true;
            if (parentIds[i] && !row[i].isNull()) {
                // A parent the source does not hold cannot be named in the target: left empty
                // rather than pointing at whatever row has that id there.
                const auto found = parentIds[i]->find(row[i].toInt64());
                row[i] = found != parentIds[i]->end() ? db::Variant(static_cast<long long>(found->second)) : db::Variant();
            }
        }
        if (!any) continue;
        keyValues.clear();
        for (size_t i : key) keyValues.push_back(row[i]);
        if (!target.Locate(keyFields, keyValues, db::TLocateOptions{true})) {
            target.Insert();
            for (size_t i = 0; i < defs.size(); ++i) {
                if (defs[i].DataType == db::FieldType::AutoInc || row[i].isNull()) continue;
                db::TField& field = targetFields[i] ? *targetFields[i] : target.FieldByName(defs[i].Name);
                if (parentIds[i]) {
                    field.SetValue(row[i]);
                } else {
                    const std::string value = valueText(row[i]);
                    if (!value.empty()) field.SetAsString(value);
                }
            }
            target.Post();
        }
        if (ids && counter && targetCounter && !row[*counter].isNull())
            (*ids)[row[*counter].toInt64()] = targetCounter->Value().toInt64();
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
