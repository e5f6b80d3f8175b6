#include "app/package_folder.h"

#include <gtest/gtest.h>

namespace upd {
namespace {

TEST(PackageFolder, OnlyALastShellFolderIsDropped) {
    struct Case {
        const char* installFolder;
        const char* packageFolder;
    };
    const Case cases[] = {
        {"/opt/Тарвенит/Веспер/", "/opt/Тарвенит/"},
        {"/opt/Тарвенит/вЕСПЕР/", "/opt/Тарвенит/"},
        {"/opt/Копия_Веспер/Веспер/", "/opt/Копия_Веспер/"},
        {"/opt/веспер/Веспер/", "/opt/веспер/"},
        {"/opt/Веспер/Shell/", "/opt/Веспер/Shell/"},
        {"/opt/Shell/", "/opt/Shell/"},
        {"/opt/ВесперX/", "/opt/ВесперX/"},
        {"Веспер/", ""},
        {"/opt/Веспер", "/opt/Веспер"},  // not a folder value: left alone
        {"false", "false"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.installFolder);
        EXPECT_EQ(packageFolderOf(c.installFolder), c.packageFolder);
    }
}

} // namespace
} // namespace upd
