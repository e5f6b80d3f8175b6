#include "db/database_components.h"

#include "platform/files.h"

#include <exception>

namespace upd {

DatabaseComponents::DatabaseComponents(Dialogs& dialogs, db::DbEngine& engine)
    : ADOConnection1(engine),
      ADOConnection2(engine),
      ADOQuery1(ADOConnection1, "ADOQuery1"),
      ADOTable1(ADOConnection1, "ADOTable1"),
      ADOTable11(ADOConnection1, "ADOTable11"),
      ADOQuery2(ADOConnection2, "ADOQuery2"),
      ADOTable2(ADOConnection2, "ADOTable2"),
      dialogs_(dialogs) {
    ADOConnection1.LoginPrompt = false;
    ADOConnection1.KeepConnection = false;
    ADOConnection2.LoginPrompt = false;
}

bool DatabaseComponents::connectToBaseUser(const std::string& base_name, const std::string& pswd) {
    if (!files::fileExists(base_name)) return false;
    // Still open on another file (a step left it so): its results and tables close with it,
    // where the provider would refuse the new string.
    ADOConnection1.Close();
    return connect(ADOConnection1, base_name, pswd);
}

bool DatabaseComponents::connectToBase2(const std::string& base_name, const std::string& pswd) {
    if (!files::fileExists(base_name)) return false;
    ADOConnection2.SetConnected(false);
    return connect(ADOConnection2, base_name, pswd);
}

bool DatabaseComponents::connect(db::TADOConnection& connection, const std::string& base_name,
                                 const std::string& pswd) {
    try {
        connection.SetConnectionString(db::buildConnectionString(base_name, pswd));
        connection.LoginPrompt = false;
        connection.Open();
        return true;
    } catch (const db::DbError&) {
        showProviderErrors(connection);
        return false;
    }
}

void DatabaseComponents::showProviderErrors(const db::TADOConnection& connection) {
    for (const db::ProviderError& e : connection.Errors())
        dialogs_.message(MessageRequest{e.Description, "Ошибка!", DialogButtons::Ok, DialogIcon::Warning});
}

void DatabaseComponents::closeConnections() {
    // Both close whatever becomes of the first; its failed commit is raised after.
    std::exception_ptr failure;
    for (db::TADOConnection* connection : {&ADOConnection1, &ADOConnection2}) {
        try {
            connection->SetConnected(false);
        } catch (const db::DbError&) {
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

} // namespace upd
