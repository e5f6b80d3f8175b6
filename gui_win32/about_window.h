// The About window fmAbout: made hidden at start, shown without blocking the main window,
// centred on the screen each time; closing it only hides it.
#pragma once

#include "gdi_handles.h"

#include <windows.h>

namespace upd { class TDM; }

namespace upd::win32gui {

class AboutWindow {
public:
    static constexpr const wchar_t* kClassName = L"TfmAbout";

    // Owned by the main window: above it, without a taskbar button of its own.
    AboutWindow(const TDM& dm, HWND owner);
    AboutWindow(const AboutWindow&) = delete;
    AboutWindow& operator=(const AboutWindow&) = delete;
    ~AboutWindow();

    HWND handle() const { return window_; }
    void show();

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void FormCreate(const TDM& dm);
    void applyDpi(UINT dpi);

    HWND window_ = nullptr;
    HWND Label2 = nullptr, lblProgrammType = nullptr, lblUpdateDate = nullptr, Button1 = nullptr;
    UINT dpi_ = 96;
    Font tahoma8_, times16_, times16Bold_, tahoma13Bold_;
};

} // namespace upd::win32gui
