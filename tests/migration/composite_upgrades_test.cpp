// The composite upgrades end to end on the demo's templates and driving school database.
#include "migration_fixture.h"

#include "db/db_error.h"

namespace upd::testing {
namespace {

using Lines = std::vector<std::string>;

const std::string kTitle = "update_3_2";
const char* kNotFoundNotice = "Файл базы данных не найден. Укажите его вручную... ";
const Lines kChooseAndEnd = {"*Выбор базы данных \"Автошкола\"...", "*База данных обновлена ..."};

const Lines kFirstUpgrade = {
    "*Выбор базы данных \"Автошкола\"...",
    "Проверка существования таблицы справка... ", "*статус - таблица отсутствует", "*Создаем таблицу справки... ",
    "*статус - ок ",
    "Проверка существования таблицы \"График вождения\"... ", "*статус - таблица отсутствует",
    "*Создаем таблицу График вождения... ", "*статус - ок ",
    "*Таблица grafik_hours... ", "*наличие поля - отказ",
    "*Таблица Группа... ", "*успешно...",
    "*Таблица Студент... ", "*успешно...",
    "*Таблица Предметы... ", "*успешно...",
    "*Обновление таблицы car = успешно", "*Обновление таблицы prepod = успешно", "*Обновление таблицы Instruktor = успешно",
    "*База данных обновлена ...",
};

const Lines kUpgradeOfAnUpgradedBase = {
    "*Выбор базы данных \"Автошкола\"...",
    "Проверка существования таблицы справка... ", "*статус - ок ",
    "Проверка существования таблицы \"График вождения\"... ", "*статус - ок ",
    "*Таблица grafik_hours... ", "*наличие поля - ок ", "*Обновление таблицы grafik_hours не требуется...",
    "*Таблица Группа... ", "*наличие поля - ок ", "*Обновление таблицы Группа не требуется...",
    "*Таблица Студент... ", "*Обновление поля не требуется  ",
    "*Таблица Предметы... ", "*наличие поля - ок ", "*Обновление таблицы Предметы не требуется...",
    "*Обновление таблицы car = успешно", "*Обновление таблицы prepod = успешно", "*Обновление таблицы Instruktor = успешно",
    "*База данных обновлена ...",
};

struct QnFixture : MigrationFixture {
    std::string chosen = updater + "in/Avtoshkola.accdb";
    std::string out = updater + "out/";
    QnFixture() {
        makeTemplates();
        makeBase(chosen, kMainBasePassword, demoScript("user_base.sql"));
        std::filesystem::create_directories(files::pathOf(out));
    }
    bool run(std::optional<std::string> answer) {
        dialogs.openFileAnswers.push_back(std::move(answer));
        return runStep("UpdateBase_QN");
    }
    std::vector<std::string> outFiles() {
        std::vector<std::string> names;
        if (std::filesystem::exists(files::pathOf(out)))
            for (const auto& e : std::filesystem::directory_iterator(files::pathOf(out))) names.push_back(files::textOf(e.path().filename()));
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST(UpdateBase_QN, UpgradesTheWorkingCopiesAndLeavesTheChosenFileAlone) {
    QnFixture f;
    const std::string before = readFile(f.chosen);
    EXPECT_TRUE(f.run(f.chosen));
    EXPECT_EQ(f.log, kFirstUpgrade);
    EXPECT_TRUE(f.dialogs.messages().empty());
    ASSERT_EQ(f.dialogs.openFileRequests.size(), 1u);
    EXPECT_EQ(f.dialogs.openFileRequests[0].filter, "Файлы баз данных|*.accdb");
    EXPECT_EQ(f.dialogs.openFileRequests[0].initialFolder, f.updater + "in");
    EXPECT_FALSE(f.Button3.Enabled());
    EXPECT_FALSE(f.db.ADOConnection1.Connected());
    EXPECT_FALSE(f.db.ADOConnection2.Connected());
    EXPECT_EQ(readFile(f.chosen), before);

    const std::string copy = f.out + "Avtoshkola.accdb";
    EXPECT_EQ(rowsOf(copy, kMainBasePassword,
                     "SELECT (SELECT count(*) FROM spravka), (SELECT count(*) FROM GrafikVojdenija), "
                     "(SELECT count(*) FROM grafik_hours WHERE check_1), (SELECT min(grafik_hours_id) FROM gruppa), "
                     "(SELECT count(*) FROM student WHERE student_doc_kod IS NULL), "
                     "(SELECT count(*) FROM teach_obj WHERE teach_drive)"),
              "3|0|2|-1|3|1");  // one subject begins with "Вождение"
    EXPECT_EQ(rowsOf(f.out + "MainBase.accdb", kMainBasePassword,
                     "SELECT car_name, car_qn FROM car UNION ALL SELECT prepod_fam, prepod_qn FROM prepod UNION ALL "
                     "SELECT Instruktor_fam, Instruktor_qn FROM Instruktor"),
              "ВАЗ-2107|True/МАЗ-5337|True/ПАЗ-3205|True/Администратор|True/Смирнов|True/Жук|True/Кузнецов|True/Новик|True");
    EXPECT_EQ(f.outFiles(), (std::vector<std::string>{"Avtoshkola.accdb", "MainBase.accdb"}));
}

TEST(UpdateBase_QN, AnUpgradedBaseOnlyProbesAndStillMovesTheRows) {
    QnFixture f;
    ASSERT_TRUE(f.run(f.chosen));
    const std::string upgraded = f.updater + "in/Upgraded.accdb";
    std::filesystem::copy_file(files::pathOf(f.out + "Avtoshkola.accdb"), files::pathOf(upgraded));
    f.log.clear();
    EXPECT_TRUE(f.run(upgraded));
    EXPECT_EQ(f.log, kUpgradeOfAnUpgradedBase);
    EXPECT_TRUE(f.dialogs.messages().empty());
    EXPECT_EQ(rowsOf(f.out + "MainBase.accdb", kMainBasePassword, "SELECT count(*) FROM car WHERE car_qn"), "3");
    // The working copy chosen again is upgraded where it lies.
    f.log.clear();
    EXPECT_TRUE(f.run(f.out + "Avtoshkola.accdb"));
    EXPECT_EQ(f.log, kUpgradeOfAnUpgradedBase);
}

struct QnStopCase {
    const char* name;
    std::function<std::optional<std::string>(QnFixture&)> prepare;  // the dialog's answer
    std::vector<std::pair<std::string, std::string>> boxes;  // text (its beginning) and caption
    std::vector<std::string> outFiles;
};

class UpdateBaseQnStop : public ::testing::TestWithParam<QnStopCase> {};

TEST_P(UpdateBaseQnStop, GoesStraightToItsLastLine) {
    const QnStopCase& c = GetParam();
    QnFixture f;
    const std::optional<std::string> answer = c.prepare(f);
    EXPECT_FALSE(f.run(answer));
    EXPECT_EQ(f.log, kChooseAndEnd);
    EXPECT_FALSE(f.Button3.Enabled());
    EXPECT_FALSE(f.db.ADOConnection1.Connected());
    const std::vector<MessageRequest> shown = f.dialogs.messages();
    ASSERT_EQ(shown.size(), c.boxes.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].text.substr(0, c.boxes[i].first.size()), c.boxes[i].first);
        EXPECT_EQ(shown[i].caption, c.boxes[i].second);
    }
    EXPECT_EQ(f.outFiles(), c.outFiles);
}

const QnStopCase kQnStops[] = {
    {"Cancelled", [](QnFixture&) { return std::nullopt; }, {}, {}},
    {"NoSuchFile", [](QnFixture& f) { return f.updater + "in/nosuch.accdb"; }, {}, {}},
    {"NoOutFolder",
     [](QnFixture& f) {
         std::filesystem::remove_all(files::pathOf(f.out));
         return f.chosen;
     },
     {{"Не удалось скопировать файл ", "Ошибка"}},
     {}},
    // Both copies would share out/MainBase.accdb: the user's rows would land in their own base.
    {"ChosenFileNamedLikeTheNewMainBase",
     [](QnFixture& f) {
         const std::string named = f.updater + "in/MainBase.accdb";
         std::filesystem::copy_file(files::pathOf(f.chosen), files::pathOf(named));
         return named;
     },
     {{"Выбранный файл называется MainBase.accdb, как новая база данных. Переименуйте его и повторите обновление.",
       "Ошибка"}},
     {}},
    {"WrongPassword",
     [](QnFixture& f) {
         const std::string other = f.updater + "in/Other.accdb";
         makeBase(other, "another", "CREATE TABLE x (y INTEGER);");
         return other;
     },
     {{"Недопустимый пароль.", "Ошибка!"}},
     {"MainBase.accdb", "Other.accdb"}},
};

INSTANTIATE_TEST_SUITE_P(Stops, UpdateBaseQnStop, ::testing::ValuesIn(kQnStops),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UpdateBase_QN, AFailingStepIsReportedTwiceAndTheRestRuns) {
    QnFixture f;
    const std::string noGroups = f.updater + "in/NoGroups.accdb";
    makeBase(noGroups, kMainBasePassword, demoScript("user_base.sql") + "DROP TABLE gruppa;");
    EXPECT_FALSE(f.run(noGroups));
    EXPECT_EQ(f.dialogs.messages(), (std::vector{boxOf("Обновление не корректно!", "Внимание"),
                                                 boxOf("Возникла ошибка при обновлении таблицы \"Группа\"", "Ошибка")}));
    EXPECT_EQ(f.log.back(), "*База данных обновлена ...");
    EXPECT_EQ(rowsOf(f.out + "MainBase.accdb", kMainBasePassword, "SELECT count(*) FROM Instruktor"), "2");
    EXPECT_EQ(rowsOf(f.out + "NoGroups.accdb", kMainBasePassword, "SELECT count(*) FROM spravka"), "3");
}

// UpdateBase on the module's database named by the registry or chosen by the user.
struct UpdateBaseFixture : MigrationFixture {
    std::string base = dir.folder() + "Lornet/base.accdb";
    explicit UpdateBaseFixture(const std::string& script = demoScript("user_base.sql"), bool registered = true) {
        makeBase(base, kMainBasePassword, script);
        if (registered) setRegistry({{"Lornet", "path", base}});
    }
    std::string schema() {
        return rowsOf(base, kMainBasePassword,
                      "SELECT diploma_theory_num, diploma_pract_num, (SELECT count(gibdd_id) FROM student), "
                      "(SELECT count(*) FROM gibdd WHERE gibdd_id + student_id + prichina_zameny_id + prepod_id + "
                      "Instruktor_id + theory_num + square_num + city_num > 0) FROM diploma");
    }
};

TEST(UpdateBase, ExtendsTheRegisteredDatabaseAndCanRunAgain) {
    UpdateBaseFixture f;
    for (int run = 0; run < 2; ++run) {
        f.log.clear();
        f.steps.upgrades.UpdateBase();
        EXPECT_EQ(f.log, (Lines{"Работа с базой данных...", "Работа с базой данных..."}));
        EXPECT_EQ(f.schema(), "NULL|NULL|0|0");
        EXPECT_FALSE(f.Button3.Enabled());
        EXPECT_EQ(f.Button3.Caption(), "2. Обновление успешно...");
    }
    EXPECT_TRUE(f.dialogs.shown.empty());
    EXPECT_EQ(db::parseConnectionString(f.db.ADOConnection1.ConnectionString())->dataSource, f.base);
}

TEST(UpdateBase, WithoutARegisteredPathAsksForTheFile) {
    UpdateBaseFixture f(demoScript("user_base.sql"), false);
    f.dialogs.openFileAnswers.push_back(f.base);
    f.steps.upgrades.UpdateBase();
    EXPECT_EQ(f.dialogs.messages(), std::vector{boxOf(kNotFoundNotice, kTitle)});
    ASSERT_EQ(f.dialogs.openFileRequests.size(), 1u);
    EXPECT_EQ(f.dialogs.openFileRequests[0].filter, "Файл базы данных |*.accdb");
    EXPECT_EQ(f.dialogs.openFileRequests[0].initialFolder, f.updater);
    EXPECT_EQ(f.schema(), "NULL|NULL|0|0");
    EXPECT_FALSE(f.Button3.Enabled());
}

struct UpdateBaseStopCase {
    const char* name;
    bool dialogFails;
    std::vector<std::string> notices;
};

class UpdateBaseStop : public ::testing::TestWithParam<UpdateBaseStopCase> {};

TEST_P(UpdateBaseStop, ChangesNothingAndLeavesTheButton) {
    const UpdateBaseStopCase& c = GetParam();
    UpdateBaseFixture f(demoScript("user_base.sql"), false);
    f.dialogs.openFileFails = c.dialogFails;
    const std::string before = readFile(f.base);
    f.steps.upgrades.UpdateBase();
    std::vector<MessageRequest> expected;
    for (const std::string& n : c.notices) expected.push_back(boxOf(n, kTitle));
    EXPECT_EQ(f.dialogs.messages(), expected);
    EXPECT_TRUE(f.log.empty());
    EXPECT_TRUE(f.Button3.Enabled());
    EXPECT_EQ(f.Button3.Caption(), "");
    EXPECT_EQ(readFile(f.base), before);
}

const UpdateBaseStopCase kUpdateBaseStops[] = {
    {"Cancelled", false, {kNotFoundNotice, "Обновление прервано! "}},
    {"DialogFails", true,
     {kNotFoundNotice,
      "Не удалось найти файл базы данных! Пожалуйста, откройте программу \"Автошкола. Кордеваль\", удостоверьтесь что "
      "программа работает корректно и закройте ее.  После этого попробуйте снова установить обновление!"}},
};

INSTANTIATE_TEST_SUITE_P(Choice, UpdateBaseStop, ::testing::ValuesIn(kUpdateBaseStops),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UpdateBase, AFailedChangeEndsItWithTheErrorForTheCaller) {
    UpdateBaseFixture f(demoScript("user_base.sql") + "DROP TABLE diploma;");
    EXPECT_THROW(f.steps.upgrades.UpdateBase(), db::DbError);
    EXPECT_EQ(f.log, Lines{"Работа с базой данных..."});
    EXPECT_TRUE(f.Button3.Enabled());
}

TEST(UpdateBase, ARegisteredPathWithoutAFileEndsWithTheError) {
    UpdateBaseFixture f;
    f.setRegistry({{"Lornet", "path", f.dir.folder() + "nosuch.accdb"}});
    EXPECT_THROW(f.steps.upgrades.UpdateBase(), db::DbError);
    EXPECT_TRUE(f.Button3.Enabled());
}

} // namespace
} // namespace upd::testing
