// The program's registry object against the Windows registry as the other programs of the
// package see it: HKEY_CURRENT_USER\Software\<section>, UTF-16 names and texts.
#include "registry/win32_registry_backend.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace upd;

namespace {

// A section of the test's own directly below Software, removed at the end.
class Win32Registry : public ::testing::Test {
protected:
    const std::string section = "update_3_2 test " + std::to_string(GetCurrentProcessId());
    const std::wstring key = L"Software\\" + std::wstring(section.begin(), section.end());

    void SetUp() override { removeSection(); }
    void TearDown() override { removeSection(); }

    void removeSection() const { RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str()); RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str()); }

    void store(const wchar_t* name, DWORD type, const std::wstring& text) const {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        const auto size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        EXPECT_EQ(RegSetValueExW(k, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()), size), ERROR_SUCCESS);
        RegCloseKey(k);
    }

    // The raw data as the platform gives it, with its type.
    std::pair<DWORD, std::wstring> fetch(const wchar_t* name) const {
        DWORD type = 0;
        wchar_t buffer[256] = {};
        DWORD size = sizeof buffer;
        if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, buffer, &size) !=
            ERROR_SUCCESS)
            return {REG_NONE, L"(missing)"};
        return {type, std::wstring(buffer, size / sizeof(wchar_t))};
    }
};

TEST_F(Win32Registry, WriteStoresUtf16TextWithOneNulWhereOtherProgramsLook) {
    win32RegistryOpener()()->Write(section, "ProgrammVersion", "3.2");
    EXPECT_EQ(fetch(L"ProgrammVersion"), std::make_pair(DWORD(REG_SZ), std::wstring(L"3.2\0", 4)));

    win32RegistryOpener()()->Write(section, "Путь", "C:\\Тарвенит\\");
    EXPECT_EQ(fetch(L"Путь"), std::make_pair(DWORD(REG_SZ), std::wstring(L"C:\\Тарвенит\\\0", 13)));
}

TEST_F(Win32Registry, ReadGivesWhatOtherProgramsStored) {
    store(L"ProgrammPath", REG_SZ, L"C:\\Тарвенит\\Мирела\\");
    store(L"MainBasePath", REG_EXPAND_SZ, L"%APPDATA%\\base.accdb");
    store(L"Путь", REG_SZ, L"Ёлка");
    auto registry = win32RegistryOpener()();
    EXPECT_EQ(registry->Read(section, "ProgrammPath", "false"), "C:\\Тарвенит\\Мирела\\");
    EXPECT_EQ(registry->Read(section, "MainBasePath", ""), "%APPDATA%\\base.accdb");
    EXPECT_EQ(registry->Read(section, "путь", "false"), "Ёлка");
    EXPECT_EQ(registry->Read(section + " other", "ProgrammPath", "false"), "false");
}

} // namespace
