// The password prompt: a modal dialog made at run time with a masked edit box.
#pragma once

#include <windows.h>

#include <string>

namespace upd::win32gui {

// False when the user refuses (Cancel, Esc, closing the window); `value` comes in as the
// initial text and goes out as the typed one.
bool askPassword(HWND owner, const std::wstring& caption, const std::wstring& prompt, std::wstring& value);

} // namespace upd::win32gui
