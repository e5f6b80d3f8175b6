#include "console_app.h"

#include "platform/text.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// The narrow argv of the C runtime goes through the ANSI code page and loses Cyrillic: the
// arguments are taken as UTF-16 and passed on as UTF-8, as everything in the core is.
int main() {
    int argc = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 0; wide && i < argc; ++i) {
        const std::wstring arg(wide[i]);
        args.push_back(upd::text::fromU16(std::u16string(arg.begin(), arg.end())));
    }
    LocalFree(wide);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // The log is UTF-8; a console shows it as such only in this code page.
    SetConsoleOutputCP(CP_UTF8);
    return upd::console::run(static_cast<int>(args.size()), argv.data());
}
