#include "migration/address_transfer.h"

#include "db/connection_string.h"
#include "db/db_error.h"
#include "migration/file_copy.h"
#include "migration/statement_run.h"
#include "platform/files.h"
#include "platform/scope_guard.h"
#include "platform/text.h"

namespace upd {
namespace {

struct Module {
    const char* section;
    const char* successLine;
};

constexpr Module kModules[] = {
    {"Kestrin", "Перенос базы адресов ВУСа - успешно"},
    {"Lornet", "Перенос базы адресов КН - успешно"},
    {"Varsel", "Перенос базы адресов ДОПов - успешно"},
};

constexpr const char* kAddressBase = "adress.accdb";
// The modules whose rows the common base holds already, one row each: a module that could
// not be merged (its base missing, a table refused) is merged by a later run.
constexpr const char* kMergedModules = "adress_merged";

std::string withSeparator(const std::string& folder) { return files::withTrailingSeparator(folder); }

// Removes every folder name "Архив" (any letter case) from a folder path ending with the
// separator; names that merely begin with it stay.
std::string withoutArchiveFolders(const std::string& folder) {
    std::string out;
    size_t start = 0;
    for (;;) {
        const size_t end = folder.find(files::kSeparator, start);
        const std::string part = folder.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!text::equalsIgnoreCase(part, "Архив")) {
            out += part;
            if (end != std::string::npos) out += files::kSeparator;
        }
        if (end == std::string::npos) return out;
        start = end + 1;
    }
}

} // namespace

const std::vector<std::string>& addressTables() {
    static const std::vector<std::string> tables = {"region",         "raion",    "nasel_punkt",  "street",
                                                    "grajdanstvo",    "doc_type", "organ_passport", "nas_punkt_nazv",
                                                    "medicine",       "soato_adress", "birthdayPlace", "RegionMed"};
    return tables;
}

bool AddressTransfer::TransferAdress() {
    std::string shellFolder;
    {
        auto registry = ctx_.openRegistry();
        shellFolder = registry->Read("mirela", "ProgrammPath", kRegistryFalse);
    }
    const std::string commonBase = withSeparator(shellFolder) + "OtherBase" + files::kSeparator + kAddressBase;
    std::string commonFolder;
    {
        auto registry = ctx_.openRegistry();
        commonFolder = withSeparator(registry->Read("mirela", "ProgrammPath", kRegistryFalse)) + "OtherBase" +
                       files::kSeparator;
    }
    const std::string addressTemplate = ctx_.updaterPath("res/adress.accdb");

    if (!files::fileExists(commonBase)) {
        if (!files::directoryExists(commonFolder) || !files::fileExists(addressTemplate)) {
            ctx_.log.AppendAndSelect("Ошибка копирования файла базы адресов!");
            return false;
        }
        copyFileNoReplace(addressTemplate, commonFolder + kAddressBase);  // a failed copy shows up below
    }
    if (!ctx_.db.connectToBaseUser(commonBase, "")) {
        ctx_.log.AppendAndSelect("Ошибка соединения с основной базой адресов");
        return false;
    }
    bool ok = true;
    bool anyLeft = false;
    for (const Module& module : kModules) {
        if (alreadyMerged(module.section)) continue;
        anyLeft = true;
        ok = transferModule(module.section, module.successLine) && ok;
    }
    // Every module was merged by an earlier run: the base is left as it was found.
    if (!anyLeft) ctx_.db.ADOConnection1.Close();
    return ok;
}

bool AddressTransfer::alreadyMerged(const std::string& section) {
    try {
        openStatement(ctx_.db.ADOQuery1, std::string("SELECT module FROM ") + kMergedModules + " WHERE module = " +
                                             quotedStr(section));
        const bool found = ctx_.db.ADOQuery1.RecordCount() > 0;
        ctx_.db.ADOQuery1.Close();
        return found;
    } catch (const db::DbError&) {
        return false;  // a base installed before the list was kept: nothing is known merged
    }
}

void AddressTransfer::recordMerged(const std::string& section) {
    const std::string insert =
        std::string("INSERT INTO ") + kMergedModules + " (module) VALUES (" + quotedStr(section) + ")";
    try {
        execStatement(ctx_.db.ADOQuery1, insert);
    } catch (const db::DbError&) {
        execStatement(ctx_.db.ADOQuery1, std::string("CREATE TABLE ") + kMergedModules + " (module VARCHAR(50))");
        execStatement(ctx_.db.ADOQuery1, insert);
    }
}

// One module's tables into the common base; a module whose base cannot be opened is passed
// over and left for a later run. Parents are matched by what they are, not by their ids: the
// module's ids mean nothing in the common base.
bool AddressTransfer::transferModule(const std::string& section, const char* successLine) {
    std::string moduleFolder;
    {
        auto registry = ctx_.openRegistry();
        moduleFolder = registry->Read(section, "ProgrammPath", kRegistryFalse);
    }
    if (!ctx_.db.connectToBase2(withSeparator(moduleFolder) + kAddressBase, "")) return true;
    bool ok = true;
    MergedIds merged;
    try {
        for (const std::string& table : addressTables()) ok = copy_.mergeTable(table, &merged) && ok;
    } catch (const std::exception&) {
        return false;  // an error while closing a table: the rest of this module is skipped
    }
    ctx_.log.AppendAndSelect(successLine);
    if (ok) {
        try {
            recordMerged(section);
        } catch (const std::exception&) {
            // Unrecorded, the module is merged again by the next run, which adds nothing twice.
        }
    }
    return ok;
}

std::string AddressTransfer::soatoTargetPath() const {
    return withSeparator(withoutArchiveFolders(withSeparator(ctx_.updaterFolder))) + kAddressBase;
}

// Opens a connection on a base without a password; provider errors are shown and the work
// goes on, other errors pass on.
bool AddressTransfer::openWithoutPassword(db::TADOConnection& connection, const std::string& path) {
    try {
        connection.SetConnectionString(db::buildConnectionStringWithoutPassword(path));
        connection.LoginPrompt = false;
        connection.Open();
        return true;
    } catch (const db::DbError&) {
        ctx_.db.showProviderErrors(connection);
        return false;
    }
}

bool AddressTransfer::updateBaseAdress() {
    DatabaseComponents& db = ctx_.db;
    // The string can only change on a closed connection; TransferAdress leaves it open.
    db.ADOConnection2.Close();
    openWithoutPassword(db.ADOConnection2, ctx_.updaterPath("res/soato.accdb"));
    try {
        openStatement(db.ADOQuery2, "Select soato_id,  soato_name from soato");
    } catch (const std::exception&) {
        // Without the codes, creating the table would only leave it empty for good.
        ctx_.boxes.notice("Ошибка копирования базы адресов регионов!");
        return false;
    }
    if (db.ADOConnection1.Connected()) db.ADOConnection1.Close();
    openWithoutPassword(db.ADOConnection1, soatoTargetPath());

    execStatement(db.ADOQuery1, " CREATE TABLE soato_adress (soato_id INTEGER CONSTRAINT PrimaryKey PRIMARY KEY,  "
                                "soato_name STRING );");
    ScopeGuard closeTable([&db] {
        try {
            db.ADOTable1.Close();
        } catch (const db::DbError&) {
            // Only while an error of the copy is on its way out (the copy closes the table
            // itself when it ends): that error is the one the caller reports.
        }
    });
    db.ADOTable1.SetTableName("soato_adress");
    db.ADOTable1.Open();
    for (db.ADOQuery2.First(); !db.ADOQuery2.Eof(); db.ADOQuery2.Next()) {
        const int id = db.ADOQuery2.FieldByName("soato_id").AsInteger();
        const std::string name = db.ADOQuery2.FieldByName("soato_name").AsString();
        db.ADOTable1.Insert();
        db.ADOTable1.FieldByName("soato_id").SetAsInteger(id);
        db.ADOTable1.FieldByName("soato_name").SetAsString(name);
        db.ADOTable1.Post();
    }
    closeTable.dismiss();
    db.ADOTable1.Close();  // commits the rows: a failure reaches the caller
    db.ADOConnection1.Close();
    db.ADOConnection2.Close();
    return true;
}

} // namespace upd
