// The windows on the offscreen platform, over the core's model with scripted dialogs.
#include "about_window.h"
#include "log_view.h"
#include "main_window.h"
#include "platform/files.h"
#include "qt_event_pump.h"
#include "support/form_fixture.h"
#include "support/installation.h"

#include <QAction>
#include <QScreen>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QScreen>
#include <QtTest>

#include <string>
#include <vector>

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

// An update archive of `folders` folders with `filesPerFolder` small files each, in that order.
std::vector<tools::ZipEntryInput> manyEntries(int folders, int filesPerFolder) {
    std::vector<tools::ZipEntryInput> entries;
    for (int f = 0; f < folders; ++f) {
        const std::string folder = "Кордеваль/Папка " + std::to_string(f) + "/";
        entries.push_back({folder, "", false});
        for (int i = 0; i < filesPerFolder; ++i)
            entries.push_back({folder + "Файл " + std::to_string(i) + ".txt", "строка " + std::to_string(i), i % 2 == 0});
    }
    return entries;
}

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
        QCOMPARE(w.about->frameGeometry().center(), w.about->screen()->availableGeometry().center());
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
        QCOMPARE(w.f.dialogs.messages()[0].caption, std::string("update_3_2"));
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
        QCOMPARE(w.main->ListBox1->text(0), QString("Каталог установки программы Мирела = /opt/Тарвенит/"));
        QCOMPARE(w.main->ListBox1->text(1), QString());
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
        QCOMPARE(window.ListBox1->text(window.ListBox1->count() - 1),
                 QString("Процедура обновления успешно завершена..."));
        QCOMPARE(window.ListBox1->currentRow(), window.ListBox1->count() - 1);
        QCOMPARE(window.ListBox1->count(), 2 + 2 + 6 + 6);
        QCOMPARE(window.ProgressBar1->value(), 100);
        QVERIFY(!window.Button3->isEnabled());
        QVERIFY(window.Button1->isEnabled());
        QVERIFY(dialogs.shown.empty());
    }

    // Thousands of entries: every line reaches the list, in order; the last line ends selected
    // and in view; and the window kept running its events while the archive was unpacked.
    void largeUpdateShowsEveryLine() {
        const auto entries = manyEntries(30, 99);
        testing::Installation inst("3.1", entries);
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

        // A timer due at once fires inside the first round of events the unpack lets run.
        bool timerFiredDuringUnpack = false;
        QTimer::singleShot(0, &window, [&] { timerFiredDuringUnpack = form.busy(); });
        QTest::mouseClick(window.Button3, Qt::LeftButton);
        QVERIFY(timerFiredDuringUnpack);
        QCOMPARE(form.lastUpdateOutcome, UpdateOutcome::Success);

        gui::LogView& list = *window.ListBox1;
        const auto& lines = form.ListBox1.lines();
        QCOMPARE(list.count(), static_cast<int>(lines.size()));
        for (int row = 0; row < list.count(); ++row) QCOMPARE(list.text(row), QString::fromStdString(lines[row]));
        // The entries, one line each, in the archive's order.
        std::string firstName = entries.front().name;
        std::replace(firstName.begin(), firstName.end(), '/', files::kSeparator);
        const auto first = std::find(lines.begin(), lines.end(), firstName);
        QVERIFY(first != lines.end());
        QVERIFY(static_cast<size_t>(lines.end() - first) > entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            std::string name = entries[i].name;
            std::replace(name.begin(), name.end(), '/', files::kSeparator);
            QCOMPARE(first[i], name);
        }

        const int last = list.count() - 1;
        QCOMPARE(list.text(last), QString("Процедура обновления успешно завершена..."));
        QCOMPARE(list.currentRow(), last);
        QVERIFY(list.selectionModel()->isRowSelected(last, QModelIndex()));
        QCOMPARE(list.selectionModel()->selectedRows().size(), 1);
        const QRect lastRect = list.visualRect(list.model()->index(last, 0));
        QVERIFY(lastRect.top() >= 0 && lastRect.bottom() < list.viewport()->height());
        // Once the events have run, the scroll bar shows the end of the list.
        QCoreApplication::processEvents();
        QCOMPARE(list.verticalScrollBar()->value(), list.verticalScrollBar()->maximum());
        QCOMPARE(list.verticalScrollBar()->maximum(), list.count() * list.rowHeight() - list.viewport()->height());
        QCOMPARE(window.ProgressBar1->value(), 100);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
