// Which name parts Windows cannot hold: the rule behind refusing such entries everywhere.
#include <gtest/gtest.h>

#include <string>

#include "archive/portable_name.h"

namespace upd {
namespace {

TEST(PortableName, WindowsNamesAreTold) {
    struct Case {
        std::string part;
        bool portable;
    };
    const Case cases[] = {
        {"readme.txt", true},
        {"Папка", true},
        {".hidden", true},
        {" leading space", true},
        {"a.b.c", true},
        {"CONSOLE", true},
        {"nul1", true},
        {"COM0", true},
        {"LPT", true},
        {"com10.txt", true},
        {"CON", false},
        {"con", false},
        {"Nul.txt", false},
        {"aux.tar.gz", false},
        {"PRN ", false},        // a trailing space as well
        {"NUL .txt", false},    // Windows drops the spaces before the extension
        {"COM1", false},
        {"lpt9.log", false},
        {"COM\xC2\xB9", false},  // COM¹
        {"CONIN$", false},
        {"conout$.txt", false},
        {"name.", false},
        {"name ", false},
        {"...", false},
        {"a:b", false},
        {"a<b", false},
        {"a>b", false},
        {"a\"b", false},
        {"a|b", false},
        {"a?b", false},
        {"a*b", false},
        {"a\tb", false},
        {"a\x1f", false},
        {"a\x7f", false},
        {"", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("\"" + c.part + "\"");
        EXPECT_EQ(unportableNamePart(c.part).empty(), c.portable) << unportableNamePart(c.part);
    }
}

} // namespace
} // namespace upd
