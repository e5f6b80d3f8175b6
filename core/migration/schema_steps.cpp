#include "migration/schema_steps.h"

#include "migration/statement_run.h"

#include <optional>
#include <vector>

namespace upd {
namespace {

constexpr const char* kSuccessLine = "успешно...";
constexpr const char* kBoxText = "Обновление не корректно!";
constexpr const char* kBoxCaption = "Внимание";

struct Statement {
    std::string sql;
    bool open = false;  // opened as a result (its rows are not read) rather than executed
};

// One fixed column step: the lines it writes and the statements it runs when the probe fails.
struct ColumnStep {
    const char* opening;
    const char* probe;
    const char* presentLine;
    const char* missingLine;  // nullptr: none
    std::vector<Statement> change;
    const char* successLine;  // nullptr: none
    const char* errorLine;
    bool box;
    const char* nothingToDoLine;  // nullptr: none
};

// One fixed table step.
struct TableStep {
    const char* opening;
    const char* probe;
    const char* creatingLine;
    std::string create;
    std::vector<std::string> seeds;
    std::vector<const char*> errorLines;
};

bool runColumnStep(StepContext& ctx, const ColumnStep& step) {
    UpdateLog& log = ctx.log;
    log.AppendAndSelect(step.opening);
    if (probeStatement(ctx.db.ADOQuery1, step.probe)) {
        log.AppendAndSelect(step.presentLine);
        if (step.nothingToDoLine) log.AppendAndSelect(step.nothingToDoLine);
        return true;
    }
    if (step.missingLine) log.AppendAndSelect(step.missingLine);
    try {
        for (const Statement& s : step.change) {
            if (s.open)
                openStatement(ctx.db.ADOQuery1, s.sql);
            else
                execStatement(ctx.db.ADOQuery1, s.sql);
        }
    } catch (const std::exception&) {
        log.Append(step.errorLine);
        if (step.box) ctx.boxes.box(kBoxText, kBoxCaption);
        return false;
    }
    if (step.successLine) log.AppendAndSelect(step.successLine);
    return true;
}

bool runTableStep(StepContext& ctx, const TableStep& step) {
    UpdateLog& log = ctx.log;
    log.Append(step.opening);
    if (probeStatement(ctx.db.ADOQuery1, step.probe)) {
        log.AppendAndSelect("статус - ок ");
        return true;
    }
    log.AppendAndSelect("статус - таблица отсутствует");
    try {
        log.AppendAndSelect(step.creatingLine);
        execStatement(ctx.db.ADOQuery1, step.create);
        for (const std::string& seed : step.seeds) execStatement(ctx.db.ADOQuery1, seed);
        log.AppendAndSelect("статус - ок ");
        return true;
    } catch (const std::exception&) {
        for (const char* line : step.errorLines) log.AppendAndSelect(line);
        return false;
    }
}

std::string spravkaSeed(const std::string& type) {
    return "INSERT INTO spravka (spravka_type,spravka_text)   VALUES (" + quotedStr(type) + "," +
           quotedStr("Оплата за обучение в автошколе") + ")";
}

} // namespace

bool SchemaSteps::AddColumn(const std::string& table_name, const std::string& col_name, const std::string& col_type) {
    UpdateLog& log = ctx_.log;
    log.AppendAndSelect("Таблица " + table_name + ", поле " + col_name + "... ");
    if (probeStatement(ctx_.db.ADOQuery1, "Select " + col_name + " from " + table_name)) {
        log.AppendAndSelect("обновление поля не требуется...");
        log.AppendAndSelect("Обновление таблицы " + table_name + " не требуется...");
        return true;
    }
    try {
        execStatement(ctx_.db.ADOQuery1,
                      " ALTER TABLE " + table_name + " ADD COLUMN " + "[" + col_name + "] " + col_type + ";");
    } catch (const std::exception&) {
        log.Append("Обновление таблицы " + table_name + " не корректно!");
        ctx_.boxes.box(kBoxText, kBoxCaption);
        return false;
    }
    log.AppendAndSelect(kSuccessLine);
    return true;
}

bool SchemaSteps::CreateNewTable(const std::string& table_name, const std::string& col_name,
                                 const std::string& col_name_for_select) {
    UpdateLog& log = ctx_.log;
    log.Append("Проверка существования таблицы " + table_name + "... ");
    if (probeStatement(ctx_.db.ADOQuery1, "Select " + col_name_for_select + " from " + table_name)) {
        log.AppendAndSelect("Таблица " + table_name + " существует...");
        return false;
    }
    log.AppendAndSelect("Таблица отсутствует. Добавляем....");
    log.AppendAndSelect("Создаем таблицу " + table_name + "... ");
    try {
        execStatement(ctx_.db.ADOQuery1, " CREATE TABLE " + table_name + " (" + col_name + ");");
    } catch (const std::exception&) {
        log.AppendAndSelect("Внимание! Ошибка обновления базы данных!");
        log.AppendAndSelect("Невозможно создать таблицу!");
        return false;
    }
    log.AppendAndSelect("Таблица создана успешно... ");
    return true;
}

bool SchemaSteps::AddColumnGrafikHours() {
    static const ColumnStep step{
        "Таблица grafik_hours... ",
        "Select check_8 from grafik_hours",
        "наличие поля - ок ",
        "наличие поля - отказ",
        {{" ALTER TABLE grafik_hours ADD COLUMN [check_1] bit, [check_2] bit, [check_3] bit, [check_4] bit, "
          "[check_5] bit, [check_6] bit, [check_7] bit, [check_8] bit;"},
         {" UPDATE grafik_hours SET check_1 = true ;"}},
        nullptr,
        "Обновление таблицы grafik_hours. Статус - ОШИБКА!",
        true,
        "Обновление таблицы grafik_hours не требуется...",
    };
    return runColumnStep(ctx_, step);
}

bool SchemaSteps::AddColumnGruppa() {
    static const ColumnStep step{
        "Таблица Группа... ",
        "Select grafik_hours_id from gruppa",
        "наличие поля - ок ",
        nullptr,
        {{" ALTER TABLE gruppa ADD COLUMN [grafik_hours_id] INTEGER;"},
         {" select * from gruppa ;", true},
         {" UPDATE gruppa SET grafik_hours_id = -1 ;"}},
        kSuccessLine,
        "Обновление таблицы Группа. Статус - ОШИБКА!",
        true,
        "Обновление таблицы Группа не требуется...",
    };
    return runColumnStep(ctx_, step);
}

bool SchemaSteps::AddColumnStudent() {
    static const ColumnStep step{
        "Таблица Студент... ",
        "Select student_doc_kod from student",
        "Обновление поля не требуется  ",
        nullptr,
        {{" ALTER TABLE student ADD COLUMN  [student_del_date]  DATETIME,  [student_doc_kod]  VARCHAR(255),  "
          "[student_live_stroenie] VARCHAR(255);"}},
        kSuccessLine,
        "Обновление таблицы Студент. Статус - ОШИБКА!",
        true,
        nullptr,
    };
    return runColumnStep(ctx_, step);
}

bool SchemaSteps::AddColumnTeach_obj() {
    static const ColumnStep step{
        "Таблица Предметы... ",
        "Select teach_drive from teach_obj",
        "наличие поля - ок ",
        nullptr,
        {{" ALTER TABLE teach_obj ADD COLUMN  [teach_drive]  BIT,  [teach_crypt] VARCHAR(255);"},
         {" UPDATE teach_obj SET teach_drive = true  WHERE (teach_obj_name LIKE 'Вождение%');"}},
        kSuccessLine,
        "Обновление таблицы Предметы. Статус - ОШИБКА!",
        false,
        "Обновление таблицы Предметы не требуется...",
    };
    return runColumnStep(ctx_, step);
}

bool SchemaSteps::CreateTableGrafikVojdenija() {
    static const TableStep step{
        "Проверка существования таблицы \"График вождения\"... ",
        "Select SmenaNum from GrafikVojdenija",
        "Создаем таблицу График вождения... ",
        " CREATE TABLE GrafikVojdenija ([id] AUTOINCREMENT PRIMARY KEY, [student_id]  integer,  [zan_date]  DATETIME,  "
        "[SmenaNum] INTEGER,  [instruktor_id] INTEGER,  [vypolneno] BIT, [teach_obj_id] INTEGER);",
        {},
        // "cоздания": the first letter is the Latin c, as the program has always written it.
        {"Внимание! Ошибка cоздания таблицы \"График вождения\"!"},
    };
    return runTableStep(ctx_, step);
}

bool SchemaSteps::CreateTableSpravka() {
    static const TableStep step{
        "Проверка существования таблицы справка... ",
        "Select spravka_type from spravka",
        "Создаем таблицу справки... ",
        " CREATE TABLE spravka (spravka_id AUTOINCREMENT PRIMARY KEY,  spravka_type VARCHAR(255), spravka_text "
        "VARCHAR(255), spravka_sokr VARCHAR(255));",
        {spravkaSeed("kvitancia"), spravkaSeed("prihodnokassoviy"), spravkaSeed("platejka")},
        {"Внимание! Ошибка обновления базы данных!", "Невозможно создать таблицу!"},
    };
    return runTableStep(ctx_, step);
}

void SchemaSteps::modify_stroenie() {
    execStatement(ctx_.db.ADOQuery1, " ALTER TABLE student  ALTER COLUMN student_live_stroenie VARCHAR(100);");
}

} // namespace upd
