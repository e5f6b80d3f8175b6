#include "about_window.h"

#include "app/identity.h"
#include "fonts.h"
#include "wide_text.h"

namespace upd::win32gui {

namespace {

constexpr int kButton1 = 1;
constexpr int kClientWidth = 402, kClientHeight = 137;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;  // a sizeable frame

HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

// A label sized to its text at its design place.
void placeLabel(HWND label, int x, int y, UINT dpi) {
    wchar_t text[256];
    const int n = GetWindowTextW(label, text, 256);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text, n, &size);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    MoveWindow(label, fonts::scaled(x, dpi), fonts::scaled(y, dpi), size.cx, size.cy, TRUE);
}

} // namespace

AboutWindow::AboutWindow(const TDM& dm, HWND owner) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);

    window_ = CreateWindowExW(0, kClassName, L"О программе", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, kClientWidth,
                              kClientHeight, owner, nullptr, GetModuleHandleW(nullptr), this);
    Label2 = child(window_, L"STATIC", L"Обновление программы", SS_LEFT | SS_NOPREFIX, 0);
    lblProgrammType = child(window_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0);
    lblUpdateDate = child(window_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0);
    Button1 = child(window_, L"BUTTON", L"ОК", WS_TABSTOP | BS_PUSHBUTTON, kButton1);
    FormCreate(dm);
    applyDpi(fonts::dpiOf(window_));
}

AboutWindow::~AboutWindow() {
    if (window_) DestroyWindow(window_);
}

void AboutWindow::FormCreate(const TDM& dm) {
    SetWindowTextW(lblUpdateDate, wide(kUpdateDateText).c_str());
    SetWindowTextW(lblProgrammType, wide(dm.ProgrammName()).c_str());
}

void AboutWindow::applyDpi(UINT dpi) {
    dpi_ = dpi;
    tahoma8_ = fonts::pointSize(fonts::kTahoma, 8, false, dpi);
    times16_ = fonts::pixelSize(fonts::kTimes, 16, false, dpi);
    times16Bold_ = fonts::pixelSize(fonts::kTimes, 16, true, dpi);
    tahoma13Bold_ = fonts::pixelSize(fonts::kTahoma, 13, true, dpi);
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(tahoma8_.get()), FALSE);
    SendMessageW(Label2, WM_SETFONT, reinterpret_cast<WPARAM>(times16_.get()), FALSE);
    SendMessageW(lblProgrammType, WM_SETFONT, reinterpret_cast<WPARAM>(times16Bold_.get()), FALSE);
    SendMessageW(lblUpdateDate, WM_SETFONT, reinterpret_cast<WPARAM>(times16_.get()), FALSE);
    SendMessageW(Button1, WM_SETFONT, reinterpret_cast<WPARAM>(tahoma13Bold_.get()), FALSE);
    placeLabel(Label2, 22, 8, dpi);
    placeLabel(lblProgrammType, 22, 33, dpi);
    placeLabel(lblUpdateDate, 22, 58, dpi);
    MoveWindow(Button1, fonts::scaled(264, dpi), fonts::scaled(104, dpi), fonts::scaled(130, dpi),
               fonts::scaled(25, dpi), TRUE);
}

// Shown again where it stands if it is open; otherwise placed at the centre of the screen's
// work area, client area 402 x 137.
void AboutWindow::show() {
    if (!IsWindowVisible(window_)) {
        RECT r{0, 0, fonts::scaled(kClientWidth, dpi_), fonts::scaled(kClientHeight, dpi_)};
        AdjustWindowRectEx(&r, kStyle, FALSE, 0);
        const int w = r.right - r.left, h = r.bottom - r.top;
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &mi);
        const RECT& a = mi.rcWork;
        SetWindowPos(window_, nullptr, a.left + (a.right - a.left - w) / 2, a.top + (a.bottom - a.top - h) / 2, w, h,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
}

LRESULT CALLBACK AboutWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<AboutWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (auto* self = reinterpret_cast<AboutWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
        return self->handle(message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT AboutWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kButton1) ShowWindow(window_, SW_HIDE);
        return 0;
    case WM_CLOSE:  // closing only hides it; the window lives as long as the program
        ShowWindow(window_, SW_HIDE);
        return 0;
    case WM_DPICHANGED: {
        applyDpi(HIWORD(wParam));
        const RECT* r = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top, SWP_NOZORDER);
        return 0;
    }
    case WM_NCDESTROY: {
        HWND window = window_;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

} // namespace upd::win32gui
