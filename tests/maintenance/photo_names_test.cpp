#include "maintenance_fixture.h"

#include <set>

namespace fs = std::filesystem;

namespace upd::testing {
namespace {

struct NameCase {
    std::string text;
    std::string encoded;
};

class DirNameForPhotoTable : public MaintenanceTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(DirNameForPhotoTable, EncodesEveryForbiddenCharacter) {
    EXPECT_EQ(steps->DirNameForPhoto(GetParam().text), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DirNameForPhotoTable,
    ::testing::Values(NameCase{"", ""}, NameCase{"Иванов Иван", "Иванов Иван"}, NameCase{"\\", "_psl_"},
                      NameCase{"/", "_osl_"}, NameCase{":", "_2pn_"}, NameCase{"*", "_str_"}, NameCase{"|", "_vsl_"},
                      NameCase{"\"", "_kvc_"}, NameCase{"<", "_lss_"}, NameCase{">", "_big_"},
                      NameCase{"?", "_qst_"}, NameCase{"a/b:c", "a_osl_b_2pn_c"},
                      NameCase{"<?>", "_lss__qst__big_"}, NameCase{"a_psl_b", "a_psl_b"},
                      NameCase{"a\\b", "a_psl_b"}, NameCase{"**", "_str__str_"},
                      NameCase{"Фото: \"Петров\" | 2020?", "Фото_2pn_ _kvc_Петров_kvc_ _vsl_ 2020_qst_"}));

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(files::textOf(e.path().filename()));
    return names;
}

#ifndef _WIN32
// The folders these tests make have names that Windows cannot hold.
TEST_F(MaintenanceTest, RenameDirForPhotoRenamesDirectSubFoldersOnly) {
    const fs::path photo = makeFolder(root / "photo");
    makeFolder(photo / "a:b" / "c?d");
    makeFolder(photo / "plain");
    makeFolder(photo / "x\\y|z");
    makeFile(photo / "file:name.jpg");

    steps->RenameDirForPhoto(str(photo));

    EXPECT_EQ(namesIn(photo), (std::set<std::string>{"a_2pn_b", "plain", "x_psl_y_vsl_z", "file:name.jpg"}));
    // No descent: the inner folder keeps its name.
    EXPECT_TRUE(fs::is_directory(photo / "a_2pn_b" / "c?d"));
    // Pending events ran after every entry, the passed-over ones included.
    EXPECT_EQ(idleRounds, 4);
}

TEST_F(MaintenanceTest, RenameDirForPhotoKeepsAFolderWhoseEncodedNameExists) {
    const fs::path photo = makeFolder(root / "photo");
    makeFile(photo / "a:b" / "old.jpg");
    makeFile(photo / "a_2pn_b" / "new.jpg");  // a folder of the encoded name
    makeFolder(photo / "c*d");
    makeFolder(photo / "c_str_d");            // an empty folder of the encoded name: still not replaced
    makeFolder(photo / "e?f");
    makeFile(photo / "e_qst_f");              // a file of the encoded name
    makeFolder(photo / "g<h");

    steps->RenameDirForPhoto(str(photo));

    EXPECT_TRUE(fs::exists(photo / "a:b" / "old.jpg"));
    EXPECT_TRUE(fs::exists(photo / "a_2pn_b" / "new.jpg"));
    EXPECT_TRUE(fs::is_directory(photo / "c*d"));
    EXPECT_TRUE(fs::is_directory(photo / "c_str_d"));
    EXPECT_TRUE(fs::is_directory(photo / "e?f"));
    EXPECT_TRUE(fs::is_regular_file(photo / "e_qst_f"));
    EXPECT_TRUE(fs::is_directory(photo / "g_lss_h"));
}

TEST_F(MaintenanceTest, Button4ClickWorksOnThePhotoFolderUnderTheRoot) {
    const fs::path photo = makeFolder(root / "drive" / "photo");
    makeFolder(photo / "q?");
    steps->Button4Click();
    EXPECT_EQ(steps->photoFolder(), str(photo));
    EXPECT_EQ(namesIn(photo), (std::set<std::string>{"q_qst_"}));
}
#endif

TEST_F(MaintenanceTest, RenameDirForPhotoLeavesLawfulNamesAlone) {
    const fs::path photo = makeFolder(root / "drive" / "photo");
    makeFile(photo / path("Иванов Иван") / "1.jpg");
    makeFolder(photo / "plain");
    steps->Button4Click();
    EXPECT_EQ(steps->photoFolder(), str(photo));
    EXPECT_EQ(namesIn(photo), (std::set<std::string>{"Иванов Иван", "plain"}));
    EXPECT_TRUE(fs::exists(photo / path("Иванов Иван") / "1.jpg"));
    EXPECT_EQ(idleRounds, 2);
}

TEST_F(MaintenanceTest, RenameDirForPhotoOnAMissingFolderDoesNothing) {
    steps->RenameDirForPhoto(str(root / "no such folder"));
    EXPECT_EQ(idleRounds, 0);
    // Nor a message: the maintenance steps are given no dialogs.
}


} // namespace
} // namespace upd::testing
