// The operations support staff run by name, in the order an upgrade of a school takes them,
// on the templates that come with the update and a driving school's database.
#include "migration_fixture.h"

namespace upd::testing {
namespace {

using Lines = std::vector<std::string>;

bool runStep(MigrationFixture& f, const std::string& name) { return f.runStep(name); }

TEST(MigrationCatalogue, ListsTheOperationsWithoutArguments) {
    std::vector<std::string> names;
    for (const CatalogueStep& step : stepCatalogue()) names.emplace_back(step.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Button2Click", "Button4Click", "Button5Click", "AddColumnGrafikHours", "AddColumnGruppa", "AddColumnStudent",
                                               "AddColumnTeach_obj", "CreateTableGrafikVojdenija", "CreateTableSpravka",
                                               "modify_stroenie", "FillCategory_tc", "FillNewCategory_tc", "Update_vus_845",
                                               "UpdateBase", "UpdateBase_QN", "TransferAdress", "Update_base_adress"}));
}

TEST(MigrationCatalogue, AStepOnTheUsersBaseWithoutOneFails) {
    MigrationFixture f;  // nothing registered, the dialog cancelled
    EXPECT_FALSE(runStep(f, "FillCategory_tc"));
    EXPECT_TRUE(f.log.empty());
    ASSERT_EQ(f.dialogs.openFileRequests.size(), 1u);
    EXPECT_EQ(f.dialogs.openFileRequests[0].filter, "Файл базы данных |*.accdb");
}

TEST(MigrationCatalogue, AStepOnTheUsersBaseOpensTheChosenFile) {
    MigrationFixture f;
    const std::string base = f.dir.folder() + "chosen.accdb";
    makeBase(base, kMainBasePassword, demoScript("user_base.sql"));
    f.dialogs.openFileAnswers.push_back(base);
    EXPECT_TRUE(runStep(f, "AddColumnGruppa"));
    EXPECT_EQ(rowsOf(base, kMainBasePassword, "SELECT DISTINCT grafik_hours_id FROM gruppa"), "-1");
}

TEST(MigrationCatalogue, AFailedStepTellsSo) {
    MigrationFixture f;
    f.makeTemplates();
    const std::string base = f.dir.folder() + "chosen.accdb";
    makeBase(base, kMainBasePassword, demoScript("user_base.sql"));
    f.setRegistry({{"Lornet", "path", base}});
    EXPECT_FALSE(runStep(f, "Update_vus_845"));  // the new speciality is not there yet
    EXPECT_FALSE(runStep(f, "TransferAdress"));  // the shell program is not registered
}

TEST(MigrationCatalogue, AWholeSchoolUpgradeRunsEndToEnd) {
    MigrationFixture f;
    f.makeTemplates();
    const std::string school = f.updater + "in/Avtoshkola.accdb";
    makeBase(school, kMainBasePassword, demoScript("user_base.sql"));
    std::filesystem::create_directories(files::pathOf(f.updater + "out"));
    const std::string install = f.dir.folder() + "install/Мирела/";
    std::filesystem::create_directories(files::pathOf(install + "OtherBase"));
    makeBase(f.dir.folder() + "Kestrin/adress.accdb", "", demoScript("adress.sql") + demoScript("adress_rows.sql"));
    const std::string upgraded = f.updater + "out/Avtoshkola.accdb";
    f.setRegistry({{"Kestrin", "ProgrammPath", f.dir.folder() + "Kestrin/"},
                   {"Lornet", "path", upgraded},
                   {"mirela", "ProgrammPath", install}});

    f.dialogs.openFileAnswers.push_back(school);
    EXPECT_TRUE(runStep(f, "UpdateBase_QN"));
    EXPECT_EQ(f.log.front(), "*Выбор базы данных \"Автошкола\"...");
    EXPECT_EQ(f.log.back(), "*База данных обновлена ...");

    size_t from = f.log.size();
    for (const char* step : {"FillCategory_tc", "FillNewCategory_tc", "Update_vus_845"}) EXPECT_TRUE(runStep(f, step)) << step;
    EXPECT_EQ(f.logFrom(from), (Lines{"*Вставим категории ТС для специальностей ВУС...", "*Успешно...",
                                      "*Обновим категории ТС для специальностей ВУС...", "*Успешно...",
                                      "*Копирование учебного плана по вус-845!", "*успешно!"}));

    from = f.log.size();
    EXPECT_TRUE(runStep(f, "UpdateBase"));
    EXPECT_EQ(f.logFrom(from), (Lines{"Работа с базой данных...", "Работа с базой данных..."}));
    EXPECT_FALSE(f.Button3.Enabled());
    EXPECT_EQ(f.Button3.Caption(), "2. Обновление успешно...");

    from = f.log.size();
    EXPECT_TRUE(runStep(f, "TransferAdress"));
    EXPECT_EQ(f.logFrom(from), Lines{"*Перенос базы адресов ВУСа - успешно"});
    EXPECT_TRUE(f.dialogs.messages().empty());
    f.db.closeConnections();

    EXPECT_EQ(rowsOf(upgraded, kMainBasePassword,
                     "SELECT (SELECT count(*) FROM edu_plan p, category_tc c WHERE p.category_tc_id = c.category_tc_id AND "
                     "c.category_tc_name = 'ВУС-845 (переподготовка с B на D)'), (SELECT count(*) FROM gibdd), "
                     "(SELECT count(*) FROM spravka)"),
              "7|0|3");
    EXPECT_EQ(rowsOf(install + "OtherBase/adress.accdb", "", "SELECT count(*) FROM street"), "14");
}

} // namespace
} // namespace upd::testing
