// Vehicle categories and the VUS-845 plan on the demo's driving school and plan database.
#include "migration_fixture.h"

#include "migration/category_texts.h"

namespace upd::testing {
namespace {

using Lines = std::vector<std::string>;
using namespace categories;

const Lines kFillLog = {"*Вставим категории ТС для специальностей ВУС...", "*Успешно..."};
const Lines kNewLog = {"*Обновим категории ТС для специальностей ВУС...", "*Успешно..."};
const Lines kPlanLog = {"*Копирование учебного плана по вус-845!", "*успешно!"};

// The user's base after UpdateBase_QN: teach_obj has its driving flag and cipher.
struct CategoryFixture : MigrationFixture {
    CategoryFixture() {
        openUserBase();
        EXPECT_TRUE(steps.schema.AddColumnTeach_obj());
        log.clear();
        makeTemplates();
    }
    std::string gibdd(const std::string& name) {
        return userRows("SELECT category_tc_gibdd FROM category_tc WHERE category_tc_name = '" + name + "'");
    }
    // The user's plan of the B-to-D retraining: subject abbreviation and hours, by subject.
    std::string planBtoD() {
        return userRows("SELECT t.teach_obj_sokr, p.edu_plan_theory, p.edu_plan_lpz, p.edu_plan_practice, "
                        "p.edu_plan_prom_attest FROM edu_plan p, teach_obj t, category_tc c WHERE p.teach_obj_id = "
                        "t.teach_obj_id AND p.category_tc_id = c.category_tc_id AND c.category_tc_name = '" +
                        std::string(kVus845BtoD) + "' ORDER BY p.edu_plan_id");
    }
};

TEST(FillCategory_tc, SetsTheLicenceTextsAndCanRunAgain) {
    CategoryFixture f;
    const std::string c = kCategoryC;
    const std::string expected = "ВУС-124|" + c + "/ВУС-280|" + c + "/ВУС-283|" + c + "/ВУС-837|" + c + "/ВУС-837 э/м|" + c +
                                 "/ВУС-838|" + c + "/ВУС-845|" + kRetrainingCtoD + "/ВУС-846|" + kCategoryCE + "/ВУС-859|" +
                                 c + "/ВУС-982|" + c + "/B|Категория «B»/C|Категория «C»";
    for (int run = 0; run < 2; ++run) {
        f.log.clear();
        f.steps.categories.FillCategory_tc();
        EXPECT_EQ(f.log, kFillLog);
        EXPECT_EQ(f.userRows("SELECT category_tc_name, category_tc_gibdd FROM category_tc ORDER BY category_tc_id"), expected);
    }
}

TEST(FillNewCategory_tc, RenamesTheOldRetrainingAndAddsTheNewOneOnce) {
    CategoryFixture f;
    f.steps.categories.FillCategory_tc();
    for (int run = 0; run < 2; ++run) {
        f.log.clear();
        f.steps.categories.FillNewCategory_tc();
        EXPECT_EQ(f.log, kNewLog);
        EXPECT_EQ(f.userRows("SELECT count(*) FROM category_tc WHERE category_tc_name = 'ВУС-845'"), "0");
        EXPECT_EQ(f.gibdd(kVus845CtoD), kRetrainingCtoD);
        EXPECT_EQ(f.userRows("SELECT category_tc_description, category_tc_gibdd FROM category_tc WHERE category_tc_name = '" +
                             std::string(kVus845BtoD) + "'"),
                  std::string(kVus845BtoDDescription) + "|" + kRetrainingBtoD);
    }
    // Run after the rename, the "ВУС-845" statement finds nothing and nothing fails.
    f.log.clear();
    f.steps.categories.FillCategory_tc();
    EXPECT_EQ(f.log, kFillLog);
    EXPECT_EQ(f.gibdd(kVus845CtoD), kRetrainingCtoD);
}

TEST(CategorySteps, ABaseWithoutCategoriesGetsTheErrorLine) {
    MigrationFixture f;
    f.openUserBase("CREATE TABLE other (x INTEGER);");
    f.steps.categories.FillCategory_tc();
    f.steps.categories.FillNewCategory_tc();
    EXPECT_EQ(f.log, (Lines{"*Вставим категории ТС для специальностей ВУС...", "*Ошибка обновления категорий ТС для ВУС...",
                            "*Обновим категории ТС для специальностей ВУС...", "*Ошибка обновления категорий ТС для ВУС..."}));
    EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(Update_vus_845, CopiesTheMissingSubjectsAndThePlanOnce) {
    CategoryFixture f;
    f.steps.categories.FillCategory_tc();
    f.steps.categories.FillNewCategory_tc();
    for (int run = 0; run < 2; ++run) {
        f.log.clear();
        f.steps.categories.Update_vus_845();
        EXPECT_EQ(f.log, kPlanLog);
        EXPECT_FALSE(f.db.ADOConnection1.Connected());
        EXPECT_TRUE(f.db.ADOConnection2.Connected());
        // ОЗДД, ПФО and ПП were there; the other plan subjects are added with flag and cipher.
        EXPECT_EQ(f.userRows("SELECT teach_obj_sokr, teach_drive, teach_crypt FROM teach_obj WHERE teach_obj_id > 5"),
                  "УТО-D|False|845.04/ОУ-D|False|845.05/ОВПП|False|845.06/ВТС-D|True|845.07/УТО-CD|False|846.04");
        EXPECT_EQ(f.planBtoD(), "ОЗДД|12|4|0|1/ПФО|6|2|0|1/ПП|4|4|0|1/УТО-D|26|10|0|1/ОУ-D|14|6|0|1/ОВПП|10|2|0|1/ВТС-D|0|0|56|2");
    }
    EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(Update_vus_845, WithoutTheNewSpecialityReportsAnErrorAndFilesNoPlan) {
    CategoryFixture f;  // FillNewCategory_tc not run
    f.steps.categories.Update_vus_845();
    EXPECT_EQ(f.log, (Lines{"*Копирование учебного плана по вус-845!", "*Ошибка копирования!"}));
    EXPECT_EQ(f.userRows("SELECT count(*) FROM edu_plan"), "5");
    EXPECT_TRUE(f.db.ADOConnection2.Connected());
    EXPECT_FALSE(f.db.ADOTable1.Active());
    EXPECT_FALSE(f.db.ADOTable11.Active());
}

TEST(Update_vus_845, WithoutThePlanFileStopsAfterItsFirstLine) {
    CategoryFixture f;
    std::filesystem::remove(files::pathOf(f.updater + "res/vus_845.accdb"));
    f.steps.categories.FillNewCategory_tc();
    f.log.clear();
    f.steps.categories.Update_vus_845();
    EXPECT_EQ(f.log, Lines{"*Копирование учебного плана по вус-845!"});
    EXPECT_TRUE(f.dialogs.shown.empty());
    EXPECT_EQ(f.userRows("SELECT count(*) FROM teach_obj"), "5");
}

TEST(Update_vus_845, APlanBaseWithAnotherPasswordShowsTheProviderErrorOnly) {
    CategoryFixture f;
    std::filesystem::remove(files::pathOf(f.updater + "res/vus_845.accdb"));
    makeBase(f.updater + "res/vus_845.accdb", "another", demoScript("vus_845.sql"));
    f.steps.categories.FillNewCategory_tc();
    f.log.clear();
    f.steps.categories.Update_vus_845();
    EXPECT_EQ(f.log, Lines{"*Копирование учебного плана по вус-845!"});
    ASSERT_EQ(f.dialogs.messages().size(), 1u);
    EXPECT_EQ(f.dialogs.messages()[0].caption, "Ошибка!");
}

TEST(Update_vus_845, ASubjectInAnotherLetterCaseIsNeitherAddedNorPlanned) {
    CategoryFixture f;
    f.steps.categories.FillNewCategory_tc();
    {
        db::TADOQuery& q = f.db.ADOQuery1;
        q.SQL.SetText("UPDATE teach_obj SET teach_obj_name = 'основы законодательства в сфере дорожного движения' "
                      "WHERE teach_obj_sokr = 'ОЗДД'");
        q.ExecSQL();
    }
    f.steps.categories.Update_vus_845();
    EXPECT_EQ(f.log.back(), "*успешно!");
    EXPECT_EQ(f.userRows("SELECT count(*) FROM teach_obj WHERE teach_obj_sokr = 'ОЗДД'"), "1");
    EXPECT_EQ(f.planBtoD(), "ПФО|6|2|0|1/ПП|4|4|0|1/УТО-D|26|10|0|1/ОУ-D|14|6|0|1/ОВПП|10|2|0|1/ВТС-D|0|0|56|2");
}

TEST(Update_vus_845, ASinglePlanRowAlreadyThereStopsTheCopy) {
    CategoryFixture f;
    f.steps.categories.FillNewCategory_tc();
    const std::string id = f.userRows("SELECT category_tc_id FROM category_tc WHERE category_tc_name = '" +
                                      std::string(kVus845BtoD) + "'");
    f.db.ADOQuery1.SQL.SetText("INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory) VALUES (" + id +
                               ", 1, 99)");
    f.db.ADOQuery1.ExecSQL();
    f.steps.categories.Update_vus_845();
    EXPECT_EQ(f.log.back(), "*успешно!");
    EXPECT_EQ(f.planBtoD(), "ОЗДД|99|NULL|NULL|NULL");
}

TEST(Update_vus_845, TwoAbsentPlanSubjectsWithTheSameKeyAreBothAdded) {
    CategoryFixture f;
    std::filesystem::remove(files::pathOf(f.updater + "res/vus_845.accdb"));
    makeBase(f.updater + "res/vus_845.accdb", kPlanBasePassword,
             demoScript("vus_845.sql") +
                 "INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr, teach_drive, teach_crypt)"
                 " VALUES ('Организация и выполнение пассажирских перевозок автомобильным транспортом', "
                 "'Профессиональный', 'ОВПП', true, '845.99');");
    f.steps.categories.FillNewCategory_tc();
    f.steps.categories.Update_vus_845();
    EXPECT_EQ(f.userRows("SELECT teach_crypt FROM teach_obj WHERE teach_obj_sokr = 'ОВПП' ORDER BY teach_obj_id"),
              "845.06/845.99");
}

// copyPlan: obob_uch_plan of the user's base (ADOConnection1) from another base (ADOConnection2).
struct CopyPlanFixture : MigrationFixture {
    std::string source = dir.folder() + "source.accdb";
    void open(const std::string& sourceRows, const std::string& target = demoScript("user_base.sql")) {
        openUserBase(target);
        makeBase(source, "", "CREATE TABLE obob_uch_plan (obob_uch_plan_id COUNTER PRIMARY KEY, category_tc_id INTEGER,"
                             " obob_name VARCHAR(255), obob_hours INTEGER);" + sourceRows);
        EXPECT_TRUE(db.connectToBase2(source, ""));
    }
};

std::string planRows(int category, int count, const std::string& name = "Раздел") {
    std::string script;
    for (int i = 1; i <= count; ++i)
        script += "INSERT INTO obob_uch_plan (category_tc_id, obob_name, obob_hours) VALUES (" + std::to_string(category) +
                  ", '" + name + " " + std::to_string(i) + "', " + std::to_string(i * 10) + ");";
    return script;
}

TEST(CopyPlan, CopiesOnlyTheCategoriesTheTargetLacks) {
    CopyPlanFixture f;
    // Category 11 is there in part; 12 and 13 are missing.
    f.open(planRows(12, 2, "Вождение") + planRows(11, 3) + planRows(13, 1, "Экзамен"));
    EXPECT_TRUE(f.steps.categories.copyPlan());
    EXPECT_EQ(f.log, Lines{"*Обновление таблицы obob_uch_plan = успешно"});
    EXPECT_EQ(f.userRows("SELECT category_tc_id, obob_name, obob_hours FROM obob_uch_plan ORDER BY obob_uch_plan_id"),
              "11|Теоретическое обучение|130/11|Практическое обучение|56/12|Вождение 1|10/12|Вождение 2|20/13|Экзамен 1|10");
    EXPECT_FALSE(f.db.ADOTable1.Active());
    EXPECT_FALSE(f.db.ADOTable2.Active());
    EXPECT_TRUE(f.steps.categories.copyPlan());  // again: every category is there
    EXPECT_EQ(f.userRows("SELECT count(*) FROM obob_uch_plan"), "5");
}

TEST(CopyPlan, AnEmptySourceGivesOnlyTheSuccessLine) {
    CopyPlanFixture f;
    f.open("");
    EXPECT_TRUE(f.steps.categories.copyPlan());
    EXPECT_EQ(f.log, Lines{"*Обновление таблицы obob_uch_plan = успешно"});
}

TEST(CopyPlan, ATargetWithoutTheTableGetsTheErrorLine) {
    CopyPlanFixture f;
    f.open(planRows(12, 2), "CREATE TABLE other (x INTEGER);");
    EXPECT_FALSE(f.steps.categories.copyPlan());
    EXPECT_EQ(f.log, Lines{"*Ошибка обновления таблицы = obob_uch_plan"});
    EXPECT_FALSE(f.db.ADOTable1.Active());
    EXPECT_FALSE(f.db.ADOTable2.Active());
}

struct DotsCase {
    const char* name;
    std::string rows;   // source rows; categories 12 and up are missing in the target
    bool emptyLog;      // no line before copyPlan
    Lines log;
};

class CopyPlanProgress : public ::testing::TestWithParam<DotsCase> {};

TEST_P(CopyPlanProgress, OneDotPerTwoHundredRowsWalkedOnTheLastLine) {
    const DotsCase& c = GetParam();
    CopyPlanFixture f;
    f.open(c.rows);
    if (!c.emptyLog) f.form.ListBox1.AppendAndSelect("Перенос учебного плана");
    f.log.clear();
    std::vector<size_t> changed;
    f.form.ListBox1.addChangeObserver([&](size_t index) { changed.push_back(index); });
    EXPECT_TRUE(f.steps.categories.copyPlan());
    std::vector<std::string> lines = f.form.ListBox1.lines();
    EXPECT_EQ(lines, c.log);
    EXPECT_EQ(f.form.ListBox1.selected(), lines.size() - 1);
}

const DotsCase kDots[] = {
    {"TwoHundredRowsNoDot", planRows(12, 200), false, {"Перенос учебного плана", "Обновление таблицы obob_uch_plan = успешно"}},
    {"FourHundredOneRowsTwoDots", planRows(12, 401), false,
     {"Перенос учебного плана..", "Обновление таблицы obob_uch_plan = успешно"}},
    // Two missing categories: the source is walked twice (2 x 150 rows).
    {"EveryWalkCounts", planRows(12, 75) + planRows(13, 75), false,
     {"Перенос учебного плана.", "Обновление таблицы obob_uch_plan = успешно"}},
    // A category that is there walks nothing.
    {"PresentCategoryWalksNothing", planRows(11, 300), false,
     {"Перенос учебного плана", "Обновление таблицы obob_uch_plan = успешно"}},
    // With an empty log the dots start a line of their own.
    {"EmptyLog", planRows(12, 401), true, {"..", "Обновление таблицы obob_uch_plan = успешно"}},
};

INSTANTIATE_TEST_SUITE_P(Rows, CopyPlanProgress, ::testing::ValuesIn(kDots),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace upd::testing
