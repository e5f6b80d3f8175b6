// Drives update_3_2.exe through window messages only, as a person would through the mouse:
// starts it on a prepared installation, finds the main window and its controls, checks the
// start-up state, presses "Обновить программу", answers the dialogs the case expects, waits for
// the end of the log and checks the log, the progress bar, the buttons and the registry.
//   gui_driver CASE UPDATER LOG_OUT [PASSWORD]
//   gui_driver screenshots UPDATER FOLDER
// CASE: update (expects success), question-yes / question-no (the version question answered),
// failure-abort (a damaged entry: the failure question answered Abort), password (an archive
// under another password: the prompt answered once with PASSWORD, which then serves every entry). The log's lines go to
// LOG_OUT (UTF-8) for the caller to compare. Exit code 0 when every check holds.
// screenshots: BMPs of the screen with the main window at start (main.bmp), after the update
// (main-after-update.bmp) and with the About window (about.bmp); run it on a desktop of its own
// (`wine explorer /desktop=...`) so that the screen is the window's.
#include "commands.h"

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

int failures = 0;

std::string utf8(const std::wstring& w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

void check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!ok) ++failures;
}

std::wstring textOf(HWND w) {
    wchar_t buffer[4096];
    const int n = GetWindowTextW(w, buffer, 4096);
    return std::wstring(buffer, static_cast<size_t>(n > 0 ? n : 0));
}

std::wstring classOf(HWND w) {
    wchar_t buffer[256];
    const int n = GetClassNameW(w, buffer, 256);
    return std::wstring(buffer, static_cast<size_t>(n > 0 ? n : 0));
}

struct TopSearch {
    DWORD pid;
    std::wstring cls;
    HWND found = nullptr;
};

// A visible top-level window of the process with the class.
HWND topWindow(DWORD pid, const std::wstring& cls) {
    TopSearch s{pid, cls};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto& s = *reinterpret_cast<TopSearch*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == s.pid && IsWindowVisible(w) && classOf(w) == s.cls) {
                s.found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::vector<HWND> children(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(
        parent, [](HWND w, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

HWND childBy(HWND parent, const std::wstring& cls, const std::wstring* text = nullptr) {
    for (HWND w : children(parent))
        if (_wcsicmp(classOf(w).c_str(), cls.c_str()) == 0 && (!text || textOf(w) == *text)) return w;
    return nullptr;
}

std::vector<std::wstring> logLines(HWND list) {
    std::vector<std::wstring> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT n = SendMessageW(list, LB_GETTEXTLEN, i, 0);
        std::wstring line(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<size_t>(n > 0 ? n : 0));
        lines.push_back(line);
    }
    return lines;
}

std::wstring lastLine(HWND list) {
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (count <= 0) return {};
    const LRESULT n = SendMessageW(list, LB_GETTEXTLEN, count - 1, 0);
    std::wstring line(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, count - 1, reinterpret_cast<LPARAM>(line.data()));
    line.resize(static_cast<size_t>(n > 0 ? n : 0));
    return line;
}

std::wstring registryVersion(const wchar_t* section) {
    wchar_t value[256];
    DWORD size = sizeof value;
    const std::wstring key = std::wstring(L"Software\\") + section;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"ProgrammVersion", RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return L"<missing>";
    return value;
}

// How long the window takes to answer a message that goes through its queue's thread.
double answerMs(HWND window) {
    const auto t0 = std::chrono::steady_clock::now();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result)) return 1e9;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

struct Dialog {
    std::wstring caption, text;
};

// Reads the open message box of the process and presses one of its buttons.
bool answer(DWORD pid, Dialog& seen, int button) {
    HWND box = topWindow(pid, L"#32770");
    if (!box) return false;
    seen.caption = textOf(box);
    seen.text = textOf(GetDlgItem(box, 0xFFFF));  // a message box's text
    HWND pressed = GetDlgItem(box, button);
    if (!pressed) return false;
    PostMessageW(pressed, BM_CLICK, 0, 0);
    // Until it is gone, so that the next look does not find it again.
    for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(25);
    return true;
}

// The screen as a 24-bit BMP.
bool saveScreen(const std::wstring& file) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD stride = static_cast<DWORD>((w * 3 + 3) & ~3), size = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + size;
    std::ofstream out(std::filesystem::path(file), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    out.write(static_cast<const char*>(bits), size);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return static_cast<bool>(out);
}

// Lets the window paint what it was last told.
void settle(HWND window) {
    answerMs(window);
    Sleep(700);
    answerMs(window);
}

int screenshots(const std::wstring& updater, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + updater + L"\"";
    const std::wstring cwd = updater.substr(0, updater.find_last_of(L"\\/"));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(updater.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, cwd.c_str(), &si, &pi))
        return 2;
    HWND main = nullptr;
    for (int i = 0; i < 600 && !main; ++i, Sleep(50)) main = topWindow(pi.dwProcessId, L"TfmMain");
    if (!main) return 1;
    const std::wstring kUpdateCaption = L"Обновить программу";
    HWND button3 = childBy(main, L"Button", &kUpdateCaption);
    HWND list = childBy(main, L"ListBox");
    for (int i = 0; i < 200 && SendMessageW(list, LB_GETCOUNT, 0, 0) < 2; ++i) Sleep(25);
    settle(main);
    saveScreen(folder + L"\\main.bmp");
    PostMessageW(button3, BM_CLICK, 0, 0);
    for (int i = 0; i < 6000 && lastLine(list) != L"Процедура обновления успешно завершена..."; ++i) Sleep(20);
    settle(main);
    saveScreen(folder + L"\\main-after-update.bmp");
    // "О программе" as its menu item sends it (another process cannot read the menu under Wine).
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(upd::win32gui::kN3, 0), 0);
    for (int i = 0; i < 200 && !topWindow(pi.dwProcessId, L"TfmAbout"); ++i) Sleep(25);
    settle(main);
    saveScreen(folder + L"\\about.bmp");
    PostMessageW(main, WM_CLOSE, 0, 0);
    WaitForSingleObject(pi.hProcess, 20000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wstring(argv[1]) == L"screenshots") return screenshots(argv[2], argv[3]);
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr,
                     "usage: gui_driver update|question-yes|question-no|failure-abort|password UPDATER LOG_OUT [PASSWORD]\n");
        return 2;
    }
    const std::wstring kase = argv[1], updater = argv[2], logOut = argv[3], password = argc == 5 ? argv[4] : L"";
    const bool success = kase == L"update" || kase == L"question-yes" || kase == L"password";
    int prompts = 0;
    const std::wstring folder = updater.substr(0, updater.find_last_of(L"\\/"));
    const std::wstring kDone = L"Процедура обновления успешно завершена...";
    const std::wstring kFilesKept = L"Установленные файлы оставлены без изменений.";

    std::wstring commandLine = L"\"" + updater + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(updater.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                        &pi)) {
        std::fprintf(stderr, "cannot start the updater (%lu)\n", GetLastError());
        return 2;
    }
    const DWORD pid = pi.dwProcessId;
    HWND main = nullptr;
    for (int i = 0; i < 600 && !main; ++i, Sleep(50)) main = topWindow(pid, L"TfmMain");
    if (!main) {
        std::fprintf(stderr, "no main window\n");
        TerminateProcess(pi.hProcess, 3);
        return 1;
    }

    const std::wstring kUpdateCaption = L"Обновить программу", kExitCaption = L"Выход", kButton5 = L"Button5";
    HWND button3 = childBy(main, L"Button", &kUpdateCaption);
    HWND button1 = childBy(main, L"Button", &kExitCaption);
    HWND button5 = childBy(main, L"Button", &kButton5);
    HWND list = childBy(main, L"ListBox");
    HWND bar = childBy(main, PROGRESS_CLASSW);
    check(button3 && button1 && button5 && list && bar, "the controls are there");
    if (!(button3 && button1 && button5 && list && bar)) {
        TerminateProcess(pi.hProcess, 3);
        return 1;
    }

    // At start: maximised, captions, the start-up report, both buttons enabled, the bar at 0 of 100.
    for (int i = 0; i < 200 && SendMessageW(list, LB_GETCOUNT, 0, 0) < 2; ++i) Sleep(25);
    check(textOf(main) == L"Обновление программы Кордеваль.", "the window's caption");
    check(IsZoomed(main) != 0, "maximised at start");
    const auto start = logLines(list);
    check(start.size() == 2 && start[0].rfind(L"Каталог установки программы Мирела = ", 0) == 0 && start[1].empty(),
          "the start-up report: " + (start.empty() ? std::string("(none)") : utf8(start[0])));
    check(SendMessageW(list, LB_GETCURSEL, 0, 0) == 1, "the report's last line is selected");
    check(IsWindowEnabled(button3) && IsWindowEnabled(button1), "both buttons enabled at start");
    check(!IsWindowVisible(button5), "the hidden buttons are hidden");
    // The limits as return values: a pointer would not cross into the other process.
    check(SendMessageW(bar, PBM_GETRANGE, TRUE, 0) == 0 && SendMessageW(bar, PBM_GETRANGE, FALSE, 0) == 100 &&
              SendMessageW(bar, PBM_GETPOS, 0, 0) == 0,
          "the bar at 0 of 100");

    const auto clicked = std::chrono::steady_clock::now();
    PostMessageW(button3, BM_CLICK, 0, 0);

    // Until the log's last line: the dialogs answered on the way, the window's answers timed.
    bool questionSeen = false, failureSeen = false, unexpected = false;
    double slowest = 0;
    int answers = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(300);
    for (;;) {
        if (std::chrono::steady_clock::now() > deadline) {
            check(false, "the update ends within 300 s");
            break;
        }
        Dialog d;
        if (HWND box = topWindow(pid, L"#32770")) {
            const std::wstring caption = textOf(box);
            if (caption == L"Подтверждение" && !questionSeen && kase.rfind(L"question", 0) == 0) {
                answer(pid, d, kase == L"question-yes" ? IDYES : IDNO);
                questionSeen = true;
                check(d.text == L"Версия вашей программы (2.9) не корректна! Необходимо предварительно  обновить "
                                L"программу до версии 3.1. Продолжить?",
                      "the version question: " + utf8(d.text));
                if (kase == L"question-no") break;
            } else if (caption == L"Confirm" && !failureSeen && kase == L"failure-abort") {
                answer(pid, d, IDABORT);
                failureSeen = true;
                const std::wstring tail = L". File processing error, possibly disk is full";
                check(d.text.size() > tail.size() && d.text.compare(d.text.size() - tail.size(), tail.size(), tail) == 0,
                      "the failure question: " + utf8(d.text));
            } else if (caption.rfind(L"Password for \"", 0) == 0 && kase == L"password") {
                ++prompts;
                HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
                check(edit && (GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD) &&
                          SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0) == L'*' &&
                          SendMessageW(edit, EM_GETLIMITTEXT, 0, 0) == 255,
                      "the password prompt \"" + utf8(caption) + "\": masked with *, at most 255 characters");
                const std::wstring kPrompt = L"Enter password: ";
                check(childBy(box, L"Static", &kPrompt) != nullptr, "the prompt's label");
                if (edit) SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(password.c_str()));
                HWND ok = GetDlgItem(box, IDOK);
                if (ok) PostMessageW(ok, BM_CLICK, 0, 0);
                for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(25);
            } else if (caption == L"Неудачно!" && failureSeen) {
                answer(pid, d, IDOK);
                check(d.text == L"Ошибка обновления!", "the failure box: " + utf8(d.text));
            } else {
                unexpected = true;
                check(false, "an unexpected box \"" + utf8(caption) + "\": " + utf8(textOf(GetDlgItem(box, 0xFFFF))));
                answer(pid, d, IDOK) || answer(pid, d, IDCANCEL);
            }
            continue;
        }
        const std::wstring last = lastLine(list);
        if (last == kDone || last == kFilesKept) break;
        // Timed while lines arrive: the extraction, which lets messages run; the steps around it
        // (the commit of the files, the registry) do not, and are the core's.
        const LRESULT before = SendMessageW(list, LB_GETCOUNT, 0, 0);
        const double ms = answerMs(main);
        if (SendMessageW(list, LB_GETCOUNT, 0, 0) > before && lastLine(list) != L"Копирование файлов завершено") {
            if (ms > slowest) slowest = ms;
            ++answers;
        }
        Sleep(20);
    }
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - clicked).count();
    // Whatever the handler still does after its last box.
    answerMs(main);
    Sleep(200);
    std::printf("from the press to the last line: %.2f s\n", took);
    std::printf("the window answered %d messages while the files were unpacked, the slowest in %.0f ms\n", answers, slowest);
    check(!unexpected, "no unexpected box");
    if (success) check(slowest < 1000, "the window answers within a second while it unpacks");

    const auto lines = logLines(list);
    {
        std::ofstream out(std::filesystem::path(logOut), std::ios::binary);
        for (const auto& l : lines) out << utf8(l) << "\n";
    }
    const LRESULT position = SendMessageW(bar, PBM_GETPOS, 0, 0);
    if (success) {
        check(lines.back() == kDone, "the log ends with the success line (" + std::to_string(lines.size()) + " lines)");
        check(position == 100, "the bar at 100 (" + std::to_string(position) + ")");
        check(!IsWindowEnabled(button3) && IsWindowEnabled(button1), "after the update: \"Обновить программу\" disabled, \"Выход\" enabled");
        for (const wchar_t* section : {L"mirela", L"Lornet", L"Varsel"})
            check(registryVersion(section) == L"3.2", "3.2 in " + utf8(section) + ": " + utf8(registryVersion(section)));
        if (kase == L"question-yes") check(questionSeen, "the version question was asked");
        if (kase == L"password") check(prompts == 1, "one password prompt for the whole archive (" + std::to_string(prompts) + ")");
    } else if (kase == L"question-no") {
        check(questionSeen, "the version question was asked");
        check(lines.size() == 2, "No stops before the log changes");
        check(IsWindowEnabled(button3) && IsWindowEnabled(button1), "No leaves both buttons enabled");
        check(registryVersion(L"mirela") == L"2.9", "the registry keeps 2.9");
    } else {
        check(failureSeen, "the failure question was asked");
        check(lines.size() >= 2 && lines.back() == kFilesKept && lines[lines.size() - 2].rfind(L"Ошибка: ", 0) == 0,
              "the log ends with the error and the files kept");
        check(IsWindowEnabled(button3) && IsWindowEnabled(button1), "after a failure both buttons stay enabled");
        check(registryVersion(L"mirela") == L"3.1", "the registry keeps 3.1");
    }

    // "Выход" ends the program; after a refused question, Esc does (the key as the window's
    // queue receives it, on the list that has the focus).
    if (kase == L"question-no") {
        PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageW(list, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    } else {
        PostMessageW(button1, BM_CLICK, 0, 0);
    }
    const bool ended = WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0;
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    check(ended && code == 0, (kase == L"question-no" ? "Esc" : "\"Выход\"") + std::string(" ends the program with 0"));
    if (!ended) TerminateProcess(pi.hProcess, 3);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::printf("%s: %s\n", utf8(kase).c_str(), failures ? "FAILED" : "passed");
    return failures ? 1 : 0;
}
