// The main window fmMain: draws the core's TfmMain with Win32 controls and forwards the user's
// actions to its handlers. It keeps no state of its own beyond what drawing needs.
#pragma once

#include "gdi_handles.h"
#include "log_list.h"
#include "progress.h"

#include <windows.h>

#include <memory>

namespace upd { class TfmMain; class Control; }

namespace upd::win32gui {

class AboutWindow;

class MainWindow {
public:
    static constexpr const wchar_t* kClassName = L"TfmMain";

    explicit MainWindow(TfmMain& form);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow();

    HWND handle() const { return window_; }
    // The window that "О программе" shows; made after this one.
    void setAbout(AboutWindow* about) { about_ = about; }
    // Shows the window maximised and runs the start-up report, before the user can act.
    void showMaximized();
    // The keyboard interface of the window (Esc presses "Выход"); true when the message was
    // handled.
    bool filter(MSG& msg);
    // Draws what the log held back; before each round of messages.
    void showPending() { ListBox1->show(); }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    HMENU createMenu();
    void bind(HWND button, Control& control);
    void bindMenuItem(UINT id, Control& control);
    void applyDpi(UINT dpi);
    void layout();
    void command(UINT id, UINT code);
    void run(void (TfmMain::*handler)());

    TfmMain& form_;
    AboutWindow* about_ = nullptr;
    HWND window_ = nullptr;
    HWND Label1 = nullptr, lblProgrammName = nullptr, lblUpdate = nullptr, Label5 = nullptr;
    HWND Button1 = nullptr, Button2 = nullptr, Button3 = nullptr, Button4 = nullptr, Button5 = nullptr;
    std::unique_ptr<Progress> ProgressBar1;
    std::unique_ptr<LogList> ListBox1;
    HMENU N4 = nullptr;  // "Файл", where the hidden N2 is put when it is shown
    Accelerators accelerators_;
    UINT dpi_ = 96;
    Font tahoma8_, times16Bold_, tahoma16Bold_, tahoma15Bold_;
};

} // namespace upd::win32gui
