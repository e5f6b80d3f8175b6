#include "maintenance_fixture.h"
#include "maintenance/removal_list.h"

#include <stdexcept>

namespace upd::testing {
namespace {

using maintenance::removalListLines;

struct ListCase {
    const char* what;
    std::string bytes;
    std::vector<std::string> lines;
};

class RemovalListLines : public ::testing::TestWithParam<ListCase> {};

TEST_P(RemovalListLines, DecodesAndSplitsAsWritten) { EXPECT_EQ(removalListLines(GetParam().bytes), GetParam().lines); }

INSTANTIATE_TEST_SUITE_P(
    Table, RemovalListLines,
    ::testing::Values(
        ListCase{"crlf", "doc\\a.pdf\r\ndoc\\b.pdf\r\n", {"doc\\a.pdf", "doc\\b.pdf"}},
        ListCase{"lf and cr", "a\nb\rc", {"a", "b", "c"}},
        ListCase{"empty lines kept", "a\r\n\r\nb\n\n", {"a", "", "b", ""}},
        ListCase{"blanks kept", " a \t\r\n", {" a \t"}},
        ListCase{"empty file", "", {}},
        ListCase{"one break", "\r\n", {""}},
        ListCase{"nul ends the text", std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
        ListCase{"utf8 bom", "\xEF\xBB\xBF\xD0\xB4\xD0\xBE\xD0\xBA\\x\r\n", {"док\\x"}},
        ListCase{"utf16le bom", std::string("\xFF\xFE\x34\x04\x0D\x00\x0A\x00\x62\x00", 10), {"д", "b"}},
        ListCase{"utf16be bom", std::string("\xFE\xFF\x04\x34\x00\x0A\x00\x62", 8), {"д", "b"}},
        ListCase{"ansi 1251", "\xE4\xEE\xEA\\\xCE\xEF\xEB\xE0\xF2\xE0.txt", {"док\\Оплата.txt"}},
        ListCase{"undefined 1251 byte", "a\x98", {"a\xC2\x98"}},
        ListCase{"utf8 without bom is taken as 1251", "\xD0\xB4", {"Рґ"}}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST_F(MaintenanceTest, ReadRemovalListOfAMissingFileThrows) {
    EXPECT_THROW(maintenance::readRemovalList(str(root / "missing.txt")), std::runtime_error);
    EXPECT_THROW(maintenance::readRemovalList(str(root)), std::runtime_error);  // a folder
}

} // namespace
} // namespace upd::testing
