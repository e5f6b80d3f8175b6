// The program entry of the Win32 window (and the hand-over to the console program).
// Before <windows.h>: the core names the window message base WM_USER itself, which the
// system header makes a macro.
#include "app/main_form.h"

#include "about_window.h"
#include "console_handover.h"
#include "event_pump.h"
#include "main_window.h"
#include "options.h"
#include "wide_text.h"
#include "win32_dialogs.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

// The arguments are taken as UTF-16 and passed on as UTF-8, as everything in the core is.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace upd;
    using namespace upd::win32gui;
    int argc = 0;
    wchar_t** wideArgs = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 0; wideArgs && i < argc; ++i) args.push_back(narrow(wideArgs[i]));
    LocalFree(wideArgs);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    const console::Options options = console::parseOptions(static_cast<int>(args.size()), argv.data());
    // The console program answers --help and a command line it does not understand, too.
    if (options.console || options.help || !options.error.empty()) return handOverToConsole();

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    TDM DM;
    Win32Dialogs dialogs;
    Win32EventPump pump;
    TfmMain form(DM, console::makeEnvironment(options, argv[0]), dialogs, pump);
    form.FormCreate();
    // The first window made is the program's main window; fmAbout follows, hidden.
    MainWindow fmMain(form);
    AboutWindow fmAbout(DM, fmMain.handle());
    fmMain.setAbout(&fmAbout);
    dialogs.setOwner(fmMain.handle());
    dialogs.setBeforeModal([&fmMain] { fmMain.showPending(); });
    pump.setTarget(fmMain.handle());
    pump.setFilter([&fmMain](MSG& msg) { return fmMain.filter(msg); });
    pump.setBeforeRound([&fmMain] { fmMain.showPending(); });

    fmMain.showMaximized();
    return pump.run();
}
