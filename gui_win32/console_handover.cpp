#include "console_handover.h"

#include <windows.h>

#include <string>
#include <vector>

namespace upd::win32gui {

namespace {

constexpr const wchar_t* kConsoleProgram = L"update_3_2_console.exe";

std::wstring programFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            std::wstring path(buffer.data(), n);
            return path.substr(0, path.find_last_of(L"\\/") + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The command line after the program's name, as the system splits off argv[0]: up to the
// closing quote when it starts with one, else up to the first blank.
std::wstring argumentsOf(const wchar_t* commandLine) {
    const wchar_t* p = commandLine;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    return p;
}

bool valid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }

void report(const std::wstring& text) {
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (valid(err)) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), n, nullptr, nullptr);
        DWORD written = 0;
        WriteFile(err, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    } else {
        MessageBoxW(nullptr, text.c_str(), L"Update_3_2", MB_OK | MB_ICONERROR);
    }
}

// One handle of a process: closed with its owner.
class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (valid(h_)) CloseHandle(h_);
    }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

} // namespace

int handOverToConsole() {
    const std::wstring program = programFolder() + kConsoleProgram;
    std::wstring commandLine = L"\"" + program + L"\"" + argumentsOf(GetCommandLineW());

    STARTUPINFOW si{};
    si.cb = sizeof si;
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE), out = GetStdHandle(STD_OUTPUT_HANDLE),
                 err = GetStdHandle(STD_ERROR_HANDLE);
    if (valid(out) || valid(err)) {
        // Redirected (a pipe, a file): the console program writes where this one would.
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = in;
        si.hStdOutput = out;
        si.hStdError = err;
    } else {
        // Started from a console without redirection: the console program shares it, instead
        // of opening a window of its own that would close with the output.
        AttachConsole(ATTACH_PARENT_PROCESS);
    }
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        report(L"update_3_2: cannot start " + program + L" (error " + std::to_wstring(GetLastError()) + L")\n");
        return 1;
    }
    Handle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

} // namespace upd::win32gui
