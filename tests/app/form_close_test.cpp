#include "db/db_test_support.h"
#include "support/form_fixture.h"

#include <gtest/gtest.h>

using namespace upd;

namespace {

TEST(FormClose, ClosesBothDatabaseConnections) {
    upd::testing::FormFixture f;
    const std::string base = (f.dir / "MainBase.accdb").string();
    db::testing::makeDatabase(base, kMainBasePassword, "CREATE TABLE t (id INTEGER);");
    ASSERT_TRUE(f.form->databases.connectToBaseUser(base, kMainBasePassword));
    ASSERT_TRUE(f.form->databases.connectToBase2(base, kMainBasePassword));
    f.form->databases.ADOConnection1.Open();
    ASSERT_TRUE(f.form->databases.ADOConnection1.Connected());
    ASSERT_TRUE(f.form->databases.ADOConnection2.Connected());

    f.form->FormClose();
    EXPECT_FALSE(f.form->databases.ADOConnection1.Connected());
    EXPECT_FALSE(f.form->databases.ADOConnection2.Connected());
    EXPECT_TRUE(f.dialogs.shown.empty());
}

} // namespace
