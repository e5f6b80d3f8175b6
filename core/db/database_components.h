// The main window's database components and its two connect operations. TfmMain inherits
// them; the migration and transfer steps reach the databases only through these objects.
//
//   ADOConnection1: closes itself when nothing is open on it, reopens with the same string.
//     ADOQuery1, ADOTable1, ADOTable11 work on it.
//   ADOConnection2: stays open until closed. ADOQuery2, ADOTable2 work on it.
#pragma once

#include "ui/dialogs.h"
#include "db/ado_connection.h"
#include "db/ado_query.h"
#include "db/ado_table.h"
#include "db/connection_string.h"

#include <string>

namespace upd {

// Fixed database passwords.
inline constexpr const char* kMainBasePassword = "Qw7RtYp3LmZx9VbN";  // user's and new main database
inline constexpr const char* kPlanBasePassword = "Hk4TmWq8ZrBcE";     // res/vus_845.accdb

class DatabaseComponents {
public:
    // Provider errors are shown through `dialogs`.
    explicit DatabaseComponents(Dialogs& dialogs, db::DbEngine& engine = db::defaultEngine());

    db::TADOConnection ADOConnection1;
    db::TADOConnection ADOConnection2;
    db::TADOQuery ADOQuery1;
    db::TADOTable ADOTable1;
    db::TADOTable ADOTable11;
    db::TADOQuery ADOQuery2;
    db::TADOTable ADOTable2;

    // Points ADOConnection1 (ADOConnection2) at `base_name` with the password `pswd` and opens
    // it. No file there (or a folder): false, nothing shown, the connection as it was.
    // Provider errors: one "Ошибка!" box per error, then false. Other errors pass on.
    bool connectToBaseUser(const std::string& base_name, const std::string& pswd);
    bool connectToBase2(const std::string& base_name, const std::string& pswd);

    // The window's close: both connections set not connected, first 1, then 2.
    void closeConnections();

    // One "Ошибка!" box (exclamation icon, OK) per entry of the connection's error list, in
    // order; nothing for an empty list. Also for steps that open a connection themselves.
    void showProviderErrors(const db::TADOConnection& connection);

private:
    bool connect(db::TADOConnection& connection, const std::string& base_name, const std::string& pswd);

    Dialogs& dialogs_;
};

} // namespace upd
