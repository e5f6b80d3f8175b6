// accdb: creates and inspects the databases of the managed program (SQLCipher files, the
// password being the key) for fixtures and the demo. Statements are Access SQL.
//
//   accdb create FILE [--password PW] [--force] < script.sql
//   accdb exec   FILE [--password PW] ["STATEMENT" | < script.sql]
//   accdb query  FILE [--password PW] "SELECT ..."
//   accdb tables FILE [--password PW]
//   accdb columns FILE TABLE [--password PW]
#include "db/access_sql_translation.h"
#include "db/ado_connection.h"
#include "db/ado_query.h"
#include "db/ado_table.h"
#include "db/connection_string.h"
#include "db/sqlite_engine.h"
#include "platform/replace_file.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using namespace upd::db;

namespace {

int usage() {
    std::cerr << "usage:\n"
                 "  accdb create FILE [--password PW] [--force] < script.sql\n"
                 "  accdb exec FILE [--password PW] [\"STATEMENT\" | < script.sql]\n"
                 "  accdb query FILE [--password PW] \"SELECT ...\"\n"
                 "  accdb tables FILE [--password PW]\n"
                 "  accdb columns FILE TABLE [--password PW]\n";
    return 2;
}

std::string readAll(std::istream& in) {
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void runScript(DbSession& session, const std::string& script) {
    for (const std::string& statement : upd::db::sqlite::splitScript(script)) session.execute(statement);
}

void runScript(TADOConnection& connection, const std::string& script) {
    for (const std::string& statement : upd::db::sqlite::splitScript(script)) {
        TADOQuery q(connection);
        q.SQL.SetText(statement);
        q.ExecSQL();
    }
}

// Builds the file under a temporary name beside it, so a failed script leaves nothing behind.
int create(const std::string& file, const std::string& password, bool force) {
    if (!force && access(file.c_str(), F_OK) == 0) {
        std::cerr << "accdb: " << file << " exists (use --force to replace it)\n";
        return 1;
    }
    const std::string temp = file + ".accdb-new-" + std::to_string(getpid());
    std::remove(temp.c_str());
    try {
        auto session = upd::db::sqlite::createDatabase(temp, password);
        runScript(*session, readAll(std::cin));
    } catch (...) {
        std::remove(temp.c_str());
        throw;
    }
    if (upd::files::moveReplacing(temp, file)) {
        std::remove(temp.c_str());
        std::cerr << "accdb: cannot write " << file << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    std::string password;
    bool force = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--password" && i + 1 < argc) password = argv[++i];
        else if (a.rfind("--password=", 0) == 0) password = a.substr(11);
        else if (a == "--force") force = true;
        else args.push_back(a);
    }
    if (args.size() < 2) return usage();
    const std::string& command = args[0];
    const std::string& file = args[1];
    try {
        if (command == "create") return args.size() == 2 ? create(file, password, force) : usage();

        TADOConnection connection;
        connection.SetConnectionString(buildConnectionString(file, password));
        connection.Open();
        if (command == "exec") {
            runScript(connection, args.size() > 2 ? args[2] : readAll(std::cin));
        } else if (command == "query" && args.size() == 3) {
            TADOQuery q(connection);
            q.SQL.SetText(args[2]);
            q.Open();
            for (size_t i = 0; i < q.FieldCount(); ++i) std::cout << (i ? "\t" : "") << q.Fields(i).FieldName();
            std::cout << "\n";
            for (q.First(); !q.Eof(); q.Next()) {
                for (size_t i = 0; i < q.FieldCount(); ++i)
                    std::cout << (i ? "\t" : "") << (q.Fields(i).IsNull() ? "NULL" : q.Fields(i).AsString());
                std::cout << "\n";
            }
        } else if (command == "tables" && args.size() == 2) {
            for (const std::string& name : connection.GetTableNames()) std::cout << name << "\n";
        } else if (command == "columns" && args.size() == 3) {
            TADOTable t(connection);
            t.SetTableName(args[2]);
            t.Open();
            for (const FieldDef& f : t.FieldDefs())
                std::cout << f.Name << "\t" << fieldTypeName(f.DataType) << (f.Size ? "\t" + std::to_string(f.Size) : "")
                          << "\n";
        } else {
            return usage();
        }
    } catch (const DbError& e) {
        std::cerr << "accdb: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
