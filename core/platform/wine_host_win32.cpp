#include "platform/wine_host.h"

#include "platform/win32_path.h"

#include <windows.h>

namespace upd::files {
namespace {

// Wine's own export of kernel32: the host name of a Windows path, on the process heap.
using UnixFileName = char*(CDECL*)(const WCHAR*);

UnixFileName unixFileName() {
    static const UnixFileName function = [] {
        const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        return kernel ? reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")))
                      : nullptr;
    }();
    return function;
}

} // namespace

bool underWine() { return unixFileName() != nullptr; }

std::optional<std::string> wineHostPath(const std::string& path) {
    const UnixFileName convert = unixFileName();
    if (!convert) return std::nullopt;
    const std::wstring wide = win32::wide(path);
    char* host = convert(wide.c_str());
    if (!host) return std::nullopt;
    std::string result(host);
    HeapFree(GetProcessHeap(), 0, host);
    return result;
}

} // namespace upd::files
