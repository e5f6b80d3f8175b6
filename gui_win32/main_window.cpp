// Before <windows.h>: the core names the window message base WM_USER itself, which the
// system header makes a macro.
#include "app/main_form.h"

#include "main_window.h"

#include "about_window.h"
#include "commands.h"
#include "fonts.h"
#include "ui/progress_message.h"
#include "wide_text.h"

namespace upd::win32gui {

namespace {

constexpr int kPanel1Width = 366;
constexpr int kPanel3Height = 35;
constexpr int kDesignClientWidth = 869, kDesignClientHeight = 429;
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kUpdateColour = RGB(126, 56, 23);

HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, UINT id = 0) {
    return CreateWindowExW(0, cls, text, WS_CHILD | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void setFont(HWND control, const Font& font) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
}

SIZE textSize(HWND control) {
    wchar_t text[256];
    const int n = GetWindowTextW(control, text, 256);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text, n, &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size;
}

ACCEL kEscape{FVIRTKEY, VK_ESCAPE, IDCANCEL};

} // namespace

MainWindow::MainWindow(TfmMain& form)
    : form_(form), accelerators_(CreateAcceleratorTableW(&kEscape, 1)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);

    // The design's placement: the centre of the screen, client area 869 x 429; it is shown
    // maximised.
    RECT r{0, 0, kDesignClientWidth, kDesignClientHeight};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, TRUE, 0);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    window_ = CreateWindowExW(0, kClassName, L"Обновление программы Кордеваль.", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                              x, y, w, h, nullptr, createMenu(), GetModuleHandleW(nullptr), this);
    createControls();
    applyDpi(fonts::dpiOf(window_));
}

MainWindow::~MainWindow() {
    if (window_) DestroyWindow(window_);
}

HMENU MainWindow::createMenu() {
    HMENU bar = CreateMenu();
    N4 = CreatePopupMenu();
    AppendMenuW(N4, MF_STRING, kN6, L"Выход");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(N4), L"Файл");
    HMENU N1 = CreatePopupMenu();
    AppendMenuW(N1, MF_STRING, kN3, L"О программе");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(N1), L"О программе");
    return bar;
}

void MainWindow::createControls() {
    constexpr DWORD label = WS_VISIBLE | SS_CENTER | SS_NOPREFIX;
    Label1 = child(window_, L"STATIC", L"Обновление программы", label);
    lblProgrammName = child(window_, L"STATIC", wide(form_.lblProgrammName).c_str(), label);
    lblUpdate = child(window_, L"STATIC", wide(form_.lblUpdate).c_str(), label);
    Button3 = child(window_, L"BUTTON", L"Обновить программу", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kButton3);
    ProgressBar1 = std::make_unique<Progress>(window_, kProgressBar1, form_.ProgressBar1);
    Button1 = child(window_, L"BUTTON", L"Выход", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kButton1);
    // The hidden buttons: their handlers are attached, nothing shows them.
    Button2 = child(window_, L"BUTTON", L"1. Скачать архив документов", WS_TABSTOP | BS_PUSHBUTTON, kButton2);
    Button4 = child(window_, L"BUTTON", L"Посмотреть видео об обновлении (переход на канал Youtube)",
                    WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE, kButton4);
    Button5 = child(window_, L"BUTTON", L"Button5", WS_TABSTOP | BS_PUSHBUTTON, kButton5);
    Label5 = child(window_, L"STATIC", L"Список обновленных файлов:", WS_VISIBLE | SS_LEFT | SS_NOPREFIX);
    ListBox1 = std::make_unique<LogList>(window_, kListBox1, form_.ListBox1);

    bind(Button1, form_.Button1);
    bind(Button2, form_.Button2);
    bind(Button3, form_.Button3);
    bind(Button4, form_.Button4);
    bind(Button5, form_.Button5);
    bindMenuItem(kN2, form_.N2);
    form_.requestClose = [this] { PostMessageW(window_, WM_CLOSE, 0, 0); };
}

void MainWindow::bind(HWND button, Control& control) {
    auto apply = [button, &control] {
        EnableWindow(button, control.Enabled());
        ShowWindow(button, control.Visible() ? SW_SHOWNA : SW_HIDE);
        if (!control.Caption().empty()) SetWindowTextW(button, wide(control.Caption()).c_str());
    };
    apply();
    control.addObserver(apply);
}

// A menu item has no hidden state: a hidden item is one that is not in the menu.
void MainWindow::bindMenuItem(UINT id, Control& control) {
    auto apply = [this, id, &control] {
        const bool present = GetMenuState(N4, id, MF_BYCOMMAND) != static_cast<UINT>(-1);
        if (control.Visible() && !present) InsertMenuW(N4, 0, MF_BYPOSITION | MF_STRING, id, L"Инструкции по установке");
        if (!control.Visible() && present) RemoveMenu(N4, id, MF_BYCOMMAND);
        if (control.Visible()) EnableMenuItem(N4, id, MF_BYCOMMAND | (control.Enabled() ? MF_ENABLED : MF_GRAYED));
        DrawMenuBar(window_);
    };
    apply();
    control.addObserver(apply);
}

void MainWindow::applyDpi(UINT dpi) {
    dpi_ = dpi;
    tahoma8_ = fonts::pointSize(fonts::kTahoma, 8, false, dpi);
    times16Bold_ = fonts::pixelSize(fonts::kTimes, 16, true, dpi);
    tahoma16Bold_ = fonts::pixelSize(fonts::kTahoma, 16, true, dpi);
    tahoma15Bold_ = fonts::pixelSize(fonts::kTahoma, 15, true, dpi);
    for (HWND c : {Label1, lblProgrammName, lblUpdate, Label5}) setFont(c, times16Bold_);
    setFont(Button3, tahoma16Bold_);
    setFont(Button1, tahoma15Bold_);
    for (HWND c : {Button2, Button4, Button5}) setFont(c, tahoma8_);
    ListBox1->setFont(tahoma8_.get());
    layout();
}

// Panel1 on the left at its fixed width, its controls at their design places and "Выход" on
// its bottom edge; on the right the heading strip Panel3 and, below it, the log.
void MainWindow::layout() {
    RECT client;
    GetClientRect(window_, &client);
    const int W = client.right, H = client.bottom;
    auto s = [this](int v) { return fonts::scaled(v, dpi_); };
    const int line = textSize(Label1).cy;
    MoveWindow(Label1, 0, 0, s(kPanel1Width), line, TRUE);
    MoveWindow(lblProgrammName, 0, line, s(kPanel1Width), line, TRUE);
    MoveWindow(lblUpdate, 0, s(55), s(338), line, TRUE);
    MoveWindow(Button3, s(11), s(102), s(344), s(75), TRUE);
    MoveWindow(ProgressBar1->handle(), s(11), s(183), s(344), s(86), TRUE);
    MoveWindow(Button1, s(10), H - s(5) - s(67), s(kPanel1Width) - s(20), s(67), TRUE);
    MoveWindow(Button2, s(88), s(321), s(338), s(27), TRUE);
    MoveWindow(Button4, s(88), s(237), s(344), s(78), TRUE);
    MoveWindow(Button5, s(11), s(272), s(75), s(25), TRUE);
    const SIZE heading = textSize(Label5);
    MoveWindow(Label5, s(kPanel1Width) + s(8), s(9), heading.cx, heading.cy, TRUE);
    MoveWindow(ListBox1->handle(), s(kPanel1Width), s(kPanel3Height), W - s(kPanel1Width), H - s(kPanel3Height), TRUE);
}

void MainWindow::showMaximized() {
    ShowWindow(window_, SW_SHOWMAXIMIZED);
    UpdateWindow(window_);
    run(&TfmMain::FormShow);
}

bool MainWindow::filter(MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    if (msg.hwnd != window_ && !IsChild(window_, msg.hwnd)) return false;
    return TranslateAcceleratorW(window_, accelerators_.get(), &msg) != 0;
}

void MainWindow::run(void (TfmMain::*handler)()) {
    form_.runHandler([this, handler] { (form_.*handler)(); });
}

void MainWindow::command(UINT id, UINT code) {
    switch (id) {
    case kButton1:
    case kButton2:
    case kButton3:
    case kButton4:
    case kButton5:
        if (code != BN_CLICKED) return;
        break;
    default:
        break;
    }
    switch (id) {
    case IDCANCEL:  // Esc: "Выход" is the window's cancel button
        if (IsWindowEnabled(Button1) && IsWindowVisible(Button1)) run(&TfmMain::Button1Click);
        break;
    case kButton1: run(&TfmMain::Button1Click); break;
    case kButton2: run(&TfmMain::Button2Click); break;
    case kButton3: run(&TfmMain::Button3Click); break;
    case kButton4: run(&TfmMain::Button4Click); break;
    case kButton5: run(&TfmMain::Button5Click); break;
    case kN6: run(&TfmMain::N6Click); break;
    case kN2: run(&TfmMain::N2Click); break;
    case kN3:
        if (about_) about_->show();
        break;
    default: break;
    }
}

LRESULT CALLBACK MainWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && self->ListBox1) return self->handle(message, wParam, lParam);
    if (message == WM_NCDESTROY && self) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = window_;
    switch (message) {
    case WM_COMMAND:
        command(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_PROGRESS:
        form_.runHandler([&] { form_.MyProgress(static_cast<uintptr_t>(wParam), static_cast<intptr_t>(lParam)); });
        return 0;
    case WM_CTLCOLORSTATIC: {
        HWND control = reinterpret_cast<HWND>(lParam);
        HDC dc = reinterpret_cast<HDC>(wParam);
        if (control == lblProgrammName || control == Label5) SetTextColor(dc, kNavy);
        else if (control == lblUpdate) SetTextColor(dc, kUpdateColour);
        else break;
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SIZE:
        layout();
        return 0;
    case WM_DPICHANGED: {
        applyDpi(HIWORD(wParam));
        const RECT* r = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top, SWP_NOZORDER);
        return 0;
    }
    case WM_CLOSE:
        // An unpack runs on this thread: closing now would pull the window from under it.
        if (form_.busy()) return 0;
        run(&TfmMain::FormClose);
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        window_ = nullptr;
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace upd::win32gui
