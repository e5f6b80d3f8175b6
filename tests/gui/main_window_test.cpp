// The windows on the offscreen platform, over the core's model with scripted dialogs.
#include "about_window.h"
#include "main_window.h"
#include "qt_event_pump.h"
#include "support/form_fixture.h"
#include "support/installation.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace upd;

namespace {

// The two windows over a fixture whose registry names an installation folder.
struct Windows {
    testing::FormFixture f;
    gui::QtEventPump pump;
    std::unique_ptr<TfmMain> form;
    std::unique_ptr<gui::AboutWindow> about;
    std::unique_ptr<gui::MainWindow> main;

    Windows() {
        f.setRegistry("[HKEY_CURRENT_USER\\Software\\mirela]\r\n\"ProgrammPath\"=\"/opt/Тарвенит/Мирела/\"\r\n");
        Environment env;
        env.openRegistry = fileRegistryOpener(f.registryPath);
        form = std::make_unique<TfmMain>(f.dm, env, f.dialogs, pump);
        form->FormCreate();
        about = std::make_unique<gui::AboutWindow>(f.dm);
        main = std::make_unique<gui::MainWindow>(*form, *about);
        pump.setReceiver(main.get());
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    }
};

int visibleAboutWindows() {
    int n = 0;
    for (auto* w : QApplication::topLevelWidgets())
        if (w->objectName() == "fmAbout" && w->isVisible()) ++n;
    return n;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void escapeClosesTheWindow() {
        Windows w;
        QTest::keyClick(w.main.get(), Qt::Key_Escape);
        QTRY_VERIFY(!w.main->isVisible());
    }

    void exitButtonAndMenuClose() {
        Windows w;
        w.main->Button1->click();
        QVERIFY(!w.main->isVisible());
        w.main->show();
        w.main->N6->trigger();
        QVERIFY(!w.main->isVisible());
    }

    void aboutWindowShownOnce() {
        Windows w;
        w.main->N3->trigger();
        w.main->N3->trigger();
        QCOMPARE(visibleAboutWindows(), 1);
        QCOMPARE(w.about->windowTitle(), QString("О программе"));
        QCOMPARE(w.about->lblProgrammType->text(), QString("Автошкола. Кордеваль"));
        QCOMPARE(w.about->lblUpdateDate->text(), QString("Обновление от 07.12.2020"));
        QVERIFY(!w.about->isModal());
        w.about->Button1->click();
        QCOMPARE(visibleAboutWindows(), 0);
        QVERIFY(w.main->isVisible());
    }

    void escapingErrorIsShownAndLoopGoesOn() {
        Windows w;
        // A non-text value in the registry makes the start-up report fail when it runs again.
        w.f.setRegistry("[HKEY_CURRENT_USER\\Software\\mirela]\r\n\"ProgrammPath\"=dword:00000001\r\n");
        w.main->run(&TfmMain::FormShow);
        QTRY_COMPARE(static_cast<int>(w.f.dialogs.messages().size()), 1);
        QCOMPARE(w.f.dialogs.messages()[0].icon, DialogIcon::Error);
        QCOMPARE(w.f.dialogs.messages()[0].caption, std::string("Update_3_2"));
        // the window still answers its controls
        w.main->N2->trigger();
        QCOMPARE(static_cast<int>(w.f.dialogs.messages().size()), 2);
        QCOMPARE(w.f.dialogs.messages()[1].caption, std::string("Подсказка"));
        QVERIFY(w.main->isVisible());
    }

    void startupReportInTheLog() {
        Windows w;
        QCOMPARE(w.main->windowTitle(), QString("Обновление программы Кордеваль."));
        QCOMPARE(w.main->ListBox1->count(), 2);
        QCOMPARE(w.main->ListBox1->item(0)->text(), QString("Каталог установки программы Мирела = /opt/Тарвенит/"));
        QCOMPARE(w.main->ListBox1->item(1)->text(), QString());
        QCOMPARE(w.main->ListBox1->currentRow(), 1);
        QCOMPARE(w.main->lblUpdate->text(), QString("(До версии 3.2)"));
        QCOMPARE(w.main->lblProgrammName->text(), QString("«Автошкола. Кордеваль»"));
    }

    void hiddenControlsPresent() {
        Windows w;
        for (auto* b : {w.main->Button2, w.main->Button4, w.main->Button5}) QVERIFY(!b->isVisible());
        QVERIFY(!w.main->N2->isVisible());
        QVERIFY(w.main->Button1->isEnabled());
        QVERIFY(w.main->Button3->isEnabled());
        QCOMPARE(w.main->Button3->text(), QString("Обновить программу"));
        QCOMPARE(w.main->ProgressBar1->value(), 0);
        QCOMPARE(w.main->ProgressBar1->maximum(), 100);
    }

    void progressMessageMovesTheBar() {
        Windows w;
        w.pump.post(workBeginMessage(5000));
        w.pump.post(workMessage(2500));
        QCOMPARE(w.main->ProgressBar1->value(), 0);  // posted, not yet dispatched
        w.pump.processPendingEvents();
        QCOMPARE(w.main->ProgressBar1->maximum(), 5000);
        QCOMPARE(w.main->ProgressBar1->value(), 2500);
    }

    void updateButtonRunsTheUpdate() {
        testing::Installation inst;
        testing::ScriptedDialogs dialogs;
        gui::QtEventPump pump;
        TDM dm;
        Environment env;
        env.updaterFolder = inst.updaterFolder;
        env.openRegistry = fileRegistryOpener(inst.registryPath);
        TfmMain form(dm, env, dialogs, pump);
        form.FormCreate();
        gui::AboutWindow about(dm);
        gui::MainWindow window(form, about);
        pump.setReceiver(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTest::mouseClick(window.Button3, Qt::LeftButton);
        QCOMPARE(window.ListBox1->item(window.ListBox1->count() - 1)->text(),
                 QString("Процедура обновления успешно завершена..."));
        QCOMPARE(window.ListBox1->currentRow(), window.ListBox1->count() - 1);
        QCOMPARE(window.ListBox1->count(), 2 + 2 + 6 + 6);
        QCOMPARE(window.ProgressBar1->value(), 100);
        QVERIFY(!window.Button3->isEnabled());
        QVERIFY(window.Button1->isEnabled());
        QVERIFY(dialogs.shown.empty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
