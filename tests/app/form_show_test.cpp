#include "support/form_fixture.h"

#include <gtest/gtest.h>

using namespace upd;
using upd::testing::FormFixture;

namespace {

const std::string kMirela = "[HKEY_CURRENT_USER\\Software\\mirela]\r\n";

struct ShowCase {
    const char* name;
    std::string registry;   // body of the registry file; empty: no file
    bool notice;            // the "no database" notice instead of log lines
    std::string logged;     // the path after the log line's text
};

class FormShow : public ::testing::TestWithParam<ShowCase> {};

TEST_P(FormShow, ReportsInstallationFolder) {
    const auto& c = GetParam();
    FormFixture f;
    if (!c.registry.empty()) f.setRegistry(c.registry);
    EXPECT_TRUE(f.form->runHandler([&] { f.form->FormShow(); }));
    if (c.notice) {
        ASSERT_EQ(f.dialogs.messages().size(), 1u);
        const auto m = f.dialogs.messages()[0];
        EXPECT_EQ(m.caption, "update_3_2");
        EXPECT_EQ(m.buttons, DialogButtons::Ok);
        EXPECT_EQ(m.text.rfind("Не определен файл базы данных по умолчанию!!! Пожалуйста, откройте программу "
                               "Кордеваль выбрав нужный файл базы. Затем закройте программу  и откройте снова.",
                               0),
                  0u);
        EXPECT_TRUE(f.form->ListBox1.lines().empty());
    } else {
        EXPECT_TRUE(f.dialogs.shown.empty());
        EXPECT_EQ(f.form->ListBox1.lines(),
                  (std::vector<std::string>{"Каталог установки программы Мирела = " + c.logged, ""}));
        EXPECT_EQ(f.form->ListBox1.selected(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormShow,
    ::testing::Values(
        ShowCase{"NoRegistryFile", "", true, ""},
        ShowCase{"ValueMissing", kMirela, true, ""},
        ShowCase{"StoredFalse", kMirela + "\"ProgrammPath\"=\"false\"\r\n", true, ""},
        ShowCase{"CapitalFalseIsAPath", kMirela + "\"ProgrammPath\"=\"FALSE\"\r\n", false, "FALSE"},
        ShowCase{"Empty", kMirela + "\"ProgrammPath\"=\"\"\r\n", false, ""},
        ShowCase{"DisplayNameRemoved", kMirela + "\"ProgrammPath\"=\"/opt/Тарвенит/Мирела/\"\r\n", false,
                 "/opt/Тарвенит/"},
        ShowCase{"DisplayNameRemovedIgnoringCase", kMirela + "\"ProgrammPath\"=\"/opt/МИРЕЛА/a/мИрЕлА/\"\r\n",
                 false, "/opt/a/"},
        ShowCase{"OtherNameLoggedWhole", kMirela + "\"ProgrammPath\"=\"/opt/Веспер/\"\r\n", false,
                 "/opt/Веспер/"},
        ShowCase{"NameWithoutSeparatorKept", kMirela + "\"ProgrammPath\"=\"/opt/Мирела\"\r\n", false,
                 "/opt/Мирела"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormShowErrors, NonTextValueReachesTheErrorDisplay) {
    FormFixture f;
    f.setRegistry(kMirela + "\"ProgrammPath\"=dword:00000001\r\n");
    EXPECT_FALSE(f.form->runHandler([&] { f.form->FormShow(); }));
    ASSERT_EQ(f.dialogs.messages().size(), 1u);
    const auto m = f.dialogs.messages()[0];
    EXPECT_EQ(m.text, "Invalid data type for 'ProgrammPath'");  // the quote lies below the full stop
    EXPECT_EQ(m.caption, "update_3_2");
    EXPECT_EQ(m.icon, DialogIcon::Error);
    EXPECT_TRUE(f.form->ListBox1.lines().empty());
}

TEST(FormCreate, CaptionsComeFromTheReleaseIdentity) {
    FormFixture f;
    EXPECT_EQ(f.form->lblUpdate, "(До версии 3.2)");
    EXPECT_EQ(f.form->lblProgrammName, "«Автошкола. Кордеваль»");
    EXPECT_TRUE(f.form->Button1.Enabled());
    EXPECT_TRUE(f.form->Button3.Enabled());
    EXPECT_FALSE(f.form->Button2.Visible());
    EXPECT_FALSE(f.form->Button4.Visible());
    EXPECT_FALSE(f.form->Button5.Visible());
    EXPECT_EQ(f.form->ProgressBar1.position(), 0);
    EXPECT_EQ(f.form->ProgressBar1.max(), 100);
}

TEST(Identity, FixedValues) {
    TDM dm;
    EXPECT_EQ(dm.ProgrammName(), "Автошкола. Кордеваль");
    EXPECT_EQ(dm.Programm_version(), "3.2");
    EXPECT_EQ(dm.ProgrammVersion_Previous(), "3.1");
    EXPECT_EQ(dm.Major_version(), 3);
    EXPECT_EQ(dm.Minor_version(), 2);
}

TEST(MessageBoxes, HintBoxAndErrorDisplayRules) {
    FormFixture f;
    f.form->N2Click();
    f.form->boxes.showError("Ошибка");
    f.form->boxes.showError("Done.");
    f.form->boxes.showError("(x)");
    const auto m = f.dialogs.messages();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0].text, "  ");
    EXPECT_EQ(m[0].caption, "Подсказка");
    EXPECT_EQ(m[0].icon, DialogIcon::None);
    EXPECT_EQ(m[1].text, "Ошибка.");
    EXPECT_EQ(m[2].text, "Done.");
    EXPECT_EQ(m[3].text, "(x)");  // ')' lies below '.'
}

TEST(ProgramTitle, NameUpToFirstFullStopLaterLettersLower) {
    EXPECT_EQ(programTitle("update_3_2"), "update_3_2");
    EXPECT_EQ(programTitle("/usr/bin/UPDATE_3_2.EXE"), "Update_3_2");
    EXPECT_EQ(programTitle("обновление.v2.exe"), "обновление");
    EXPECT_EQ(programTitle("ОБНОВЛЕНИЕ.exe"), "Обновление");
}

TEST(HandlerErrors, EscapingErrorIsShownAndTheProgramGoesOn) {
    FormFixture f;
    EXPECT_FALSE(f.form->runHandler([] { throw std::runtime_error("boom"); }));
    EXPECT_TRUE(f.form->runHandler([&] { f.form->ListBox1.Append("after"); }));
    ASSERT_EQ(f.dialogs.messages().size(), 1u);
    EXPECT_EQ(f.dialogs.messages()[0].text, "boom.");
    EXPECT_EQ(f.form->ListBox1.lines().back(), "after");
}

} // namespace
