#include "ui/display_text.h"

#include <gtest/gtest.h>

namespace upd {
namespace {

TEST(ShownName, ControlCharactersAreWrittenOut) {
    struct Case {
        std::string name, shown;
    };
    const Case cases[] = {
        {"Кордеваль/Шаблоны/Договор 1.rtf", "Кордеваль/Шаблоны/Договор 1.rtf"},
        {"a\nПроцедура обновления успешно завершена...", "a\\nПроцедура обновления успешно завершена..."},
        {"cr\rtab\t", "cr\\rtab\\t"},
        {"\x1b[2Jclear", "\\x1b[2Jclear"},
        {std::string("nul\0x", 5), "nul\\x00x"},
        {"del\x7f", "del\\x7f"},
        {"back\\slash", "back\\slash"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(shownName(c.name), c.shown);
    }
}

} // namespace
} // namespace upd
