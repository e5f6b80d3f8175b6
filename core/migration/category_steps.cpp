#include "migration/category_steps.h"

#include "migration/category_texts.h"
#include "db/db_error.h"
#include "migration/statement_run.h"

namespace upd {
namespace {

using namespace categories;

constexpr const char* kCategoryFailed = "Ошибка обновления категорий ТС для ВУС...";
constexpr const char* kSubjectKey = "teach_obj_name;teach_obj_cycle;teach_obj_sokr";
constexpr int kDotEvery = 200;  // source rows walked per progress dot of copyPlan

std::string categoryCondition(const char* name) {
    return std::string("(category_tc_name = ") + quotedStr(name) + ")";
}

} // namespace

bool CategorySteps::fillCategories() {
    UpdateLog& log = ctx_.log;
    try {
        log.AppendAndSelect("Вставим категории ТС для специальностей ВУС...");
        std::string vusC;
        for (const char* name : {"ВУС-124", "ВУС-280", "ВУС-283", "ВУС-837", "ВУС-837 э/м", "ВУС-838", "ВУС-859", "ВУС-982"})
            vusC += (vusC.empty() ? "" : " OR ") + categoryCondition(name);
        execStatement(ctx_.db.ADOQuery1, std::string(" UPDATE category_tc SET category_tc_gibdd = ") +
                                             quotedStr(kCategoryC) + " WHERE " + vusC + ";");
        execStatement(ctx_.db.ADOQuery1, std::string(" UPDATE category_tc SET category_tc_gibdd = ") +
                                             quotedStr(kRetrainingCtoD) + " WHERE " + categoryCondition(kOldVus845) + ";");
        execStatement(ctx_.db.ADOQuery1, std::string(" UPDATE category_tc SET category_tc_gibdd = ") +
                                             quotedStr(kCategoryCE) + " WHERE " + categoryCondition("ВУС-846") + ";");
        log.AppendAndSelect("Успешно...");
        return true;
    } catch (const std::exception&) {
        log.AppendAndSelect(kCategoryFailed);
        return false;
    }
}

bool CategorySteps::fillNewCategory() {
    UpdateLog& log = ctx_.log;
    db::TADOQuery& q = ctx_.db.ADOQuery1;
    try {
        log.AppendAndSelect("Обновим категории ТС для специальностей ВУС...");
        execStatement(q, std::string(" UPDATE category_tc SET category_tc_name = ") + quotedStr(kVus845CtoD) + " WHERE " +
                             categoryCondition(kOldVus845) + ";");
        openStatement(q, std::string(" select *  from category_tc  WHERE ") + categoryCondition(kVus845BtoD) + ";");
        if (q.RecordCount() == 0)
            execStatement(q, "INSERT INTO category_tc (category_tc_name,category_tc_description, category_tc_gibdd)   VALUES (" +
                                 quotedStr(kVus845BtoD) + ", " + quotedStr(kVus845BtoDDescription) + ", " +
                                 quotedStr(kRetrainingBtoD) + ")");
        log.AppendAndSelect("Успешно...");
        return true;
    } catch (const std::exception&) {
        log.AppendAndSelect(kCategoryFailed);
        return false;
    }
}

bool CategorySteps::updateVus845() {
    UpdateLog& log = ctx_.log;
    DatabaseComponents& db = ctx_.db;
    log.AppendAndSelect("Копирование учебного плана по вус-845!");
    // Outside the handler: errors the connect operation does not report pass to the caller.
    if (!db.connectToBase2(ctx_.updaterPath("res/vus_845.accdb"), kPlanBasePassword)) return false;
    try {
        copySubjects();
        const int categoryId = userCategoryId();
        openStatement(db.ADOQuery1, " Select *  from edu_plan where (category_tc_id =" + std::to_string(categoryId) + ")");
        if (db.ADOQuery1.RecordCount() == 0) copyPlanRows(categoryId);  // rows present: copied before
        db.ADOConnection1.Close();
        log.AppendAndSelect("успешно!");
        return true;
    } catch (const std::exception&) {
        // Both connections stay open; the tables opened here are let go.
        db.ADOTable1.Close();
        db.ADOTable11.Close();
        log.AppendAndSelect("Ошибка копирования!");
        return false;
    }
}

// Plan subjects that the user's database lacks, by (name, cycle, abbreviation) ignoring
// letter case. The lookup runs on the user's subjects as they were before this pass.
void CategorySteps::copySubjects() {
    DatabaseComponents& db = ctx_.db;
    openStatement(db.ADOQuery2, " Select *  from teach_obj");
    openStatement(db.ADOQuery1, " Select *  from teach_obj");
    db.ADOTable1.SetTableName("teach_obj");
    db.ADOTable1.Open();
    for (db.ADOQuery2.First(); !db.ADOQuery2.Eof(); db.ADOQuery2.Next()) {
        const std::string name = db.ADOQuery2.FieldByName("teach_obj_name").AsString();
        const std::string cycle = db.ADOQuery2.FieldByName("teach_obj_cycle").AsString();
        const std::string sokr = db.ADOQuery2.FieldByName("teach_obj_sokr").AsString();
        const std::string crypt = db.ADOQuery2.FieldByName("teach_crypt").AsString();
        const bool drive = db.ADOQuery2.FieldByName("teach_drive").AsBoolean();
        db::TLocateOptions ignoreCase;
        ignoreCase.loCaseInsensitive = true;
        if (db.ADOQuery1.Locate(kSubjectKey, {db::Variant(name), db::Variant(cycle), db::Variant(sokr)}, ignoreCase))
            continue;
        db.ADOTable1.Insert();
        db.ADOTable1.FieldByName("teach_obj_name").SetAsString(name);
        db.ADOTable1.FieldByName("teach_obj_cycle").SetAsString(cycle);
        db.ADOTable1.FieldByName("teach_obj_sokr").SetAsString(sokr);
        db.ADOTable1.FieldByName("teach_crypt").SetAsString(crypt);
        db.ADOTable1.FieldByName("teach_drive").SetAsBoolean(drive);
        db.ADOTable1.Post();
    }
    db.ADOTable1.Close();
}

// The identifier of "ВУС-845 (переподготовка с B на D)" in the user's database. Without that
// row the plan would be filed under no category at all, so its absence is an error.
int CategorySteps::userCategoryId() {
    db::TADOQuery& q = ctx_.db.ADOQuery1;
    openStatement(q, std::string(" Select *  from category_tc where (category_tc_name =") + quotedStr(kVus845BtoD) + ")");
    if (q.IsEmpty())
        throw db::DbError(db::DbErrc::Other, std::string("Специальность «") + kVus845BtoD + "» не найдена.");
    q.First();
    return q.FieldByName("category_tc_id").AsInteger();
}

void CategorySteps::copyPlanRows(int categoryId) {
    DatabaseComponents& db = ctx_.db;
    const std::string id = std::to_string(categoryId);
    openStatement(db.ADOQuery2, std::string(" Select *  from edu_plan, category_tc, teach_obj where (category_tc_name =") +
                                    quotedStr(kVus845BtoD) + ")" + " and (edu_plan.teach_obj_id = teach_obj.teach_obj_id)" +
                                    " and (edu_plan.category_tc_id = category_tc.category_tc_id);");
    db.ADOTable1.SetTableName("edu_plan");
    db.ADOTable1.Open();
    db.ADOTable11.SetTableName("teach_obj");
    db.ADOTable11.Open();
    openStatement(db.ADOQuery1, " Select *  from edu_plan, teach_obj where (category_tc_id =" + id + ")" +
                                    " and (edu_plan.teach_obj_id = teach_obj.teach_obj_id);");
    for (db.ADOQuery2.First(); !db.ADOQuery2.Eof(); db.ADOQuery2.Next()) {
        const std::string name = db.ADOQuery2.FieldByName("teach_obj_name").AsString();
        const std::string cycle = db.ADOQuery2.FieldByName("teach_obj_cycle").AsString();
        const std::string sokr = db.ADOQuery2.FieldByName("teach_obj_sokr").AsString();
        if (!db.ADOTable11.Locate(kSubjectKey, {db::Variant(name), db::Variant(cycle), db::Variant(sokr)}))
            continue;  // a subject the user's database has only in another letter case
        const int subjectId = db.ADOTable11.FieldByName("teach_obj_id").AsInteger();
        db.ADOTable1.Insert();
        db.ADOTable1.FieldByName("category_tc_id").SetAsInteger(categoryId);
        db.ADOTable1.FieldByName("teach_obj_id").SetAsInteger(subjectId);
        for (const char* column : {"edu_plan_theory", "edu_plan_lpz", "edu_plan_practice", "edu_plan_prom_attest"})
            db.ADOTable1.FieldByName(column).SetAsInteger(db.ADOQuery2.FieldByName(column).AsInteger());
        db.ADOTable1.Post();
    }
}

bool CategorySteps::copyPlan() {
    DatabaseComponents& db = ctx_.db;
    bool copied = false;
    try {
        db.ADOTable1.SetTableName("obob_uch_plan");
        db.ADOTable1.Open();
        db.ADOTable2.SetTableName("obob_uch_plan");
        db.ADOTable2.Open();
        openStatement(db.ADOQuery2, "select distinct category_tc_id from obob_uch_plan order by category_tc_id;");
        int walked = 0;
        for (db.ADOQuery2.First(); !db.ADOQuery2.Eof(); db.ADOQuery2.Next()) {
            const db::Variant category = db.ADOQuery2.FieldByName("category_tc_id").Value();
            if (db.ADOTable1.Locate("category_tc_id", category)) continue;  // present, even in part
            copyCategoryRows(category, walked);
        }
        ctx_.log.AppendAndSelect("Обновление таблицы obob_uch_plan = успешно");
        copied = true;
    } catch (const std::exception&) {
        ctx_.log.AppendAndSelect("Ошибка обновления таблицы = obob_uch_plan");
    }
    db.ADOTable1.Close();
    db.ADOTable2.Close();
    return copied;
}

// Walks the whole source table once and appends the rows of `category`; one progress dot on
// the log's last line per 200 rows walked.
void CategorySteps::copyCategoryRows(const db::Variant& category, int& walked) {
    db::TADOTable& source = ctx_.db.ADOTable2;
    db::TADOTable& target = ctx_.db.ADOTable1;
    source.First();
    while (!source.Eof()) {
        if (source.FieldByName("category_tc_id").Value() == category) {
            target.Insert();
            for (size_t i = 0; i < source.FieldDefs().size(); ++i) {
                const db::FieldDef& def = source.FieldDefs()[i];
                if (def.DataType == db::FieldType::AutoInc) continue;
                target.FieldByName(def.Name).SetValue(source.Fields(i).Value());
            }
            target.Post();
        }
        source.Next();
        if (++walked > kDotEvery) {
            ctx_.log.AppendToLastLine(".");
            walked -= kDotEvery;
        }
    }
}

} // namespace upd
