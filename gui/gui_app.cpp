#include "gui_app.h"

#include "about_window.h"
#include "app/main_form.h"
#include "console_app.h"
#include "main_window.h"
#include "qt_dialogs.h"
#include "qt_event_pump.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include <iostream>

namespace upd::gui {

namespace {

// Writes PNGs of both windows (after the update, when asked) and ends the program.
void takeScreenshots(MainWindow& window, AboutWindow& about, const console::Options& options) {
    QTimer::singleShot(0, &window, [&window, &about, options] {
        if (options.screenshotAfterUpdate) window.Button3->click();
        QDir().mkpath(QString::fromStdString(options.screenshotDir));
        const QString dir = QString::fromStdString(options.screenshotDir) + "/";
        QCoreApplication::processEvents();
        window.grab().save(dir + (options.screenshotAfterUpdate ? "main-after-update.png" : "main.png"));
        about.show();
        QCoreApplication::processEvents();
        about.grab().save(dir + "about.png");
        std::cout << "Screenshots written to " << options.screenshotDir << "\n";
        QCoreApplication::quit();
    });
}

} // namespace

int run(int argc, char** argv) {
    const console::Options options = console::parseOptions(argc, argv);
    if (options.console || options.help || !options.error.empty())
        return console::run(options, argc > 0 ? argv[0] : nullptr, std::cout, std::cerr);

    QApplication app(argc, argv);
    TDM DM;
    QtDialogs dialogs;
    QtEventPump pump;
    TfmMain form(DM, console::makeEnvironment(options, argv[0]), dialogs, pump);
    form.FormCreate();
    AboutWindow fmAbout(DM);
    MainWindow fmMain(form, fmAbout);
    dialogs.setParent(&fmMain);
    pump.setReceiver(&fmMain);

    if (!options.screenshotDir.empty()) {
        fmMain.resize(1280, 720);
        fmMain.show();
        takeScreenshots(fmMain, fmAbout, options);
    } else {
        fmMain.showMaximized();
    }
    return app.exec();
}

} // namespace upd::gui
