#include "options.h"

#include "registry/file_registry_backend.h"
#include "platform/files.h"
#include "platform/fs_path.h"
#include "platform/text.h"
#ifdef _WIN32
#include "registry/win32_registry_backend.h"
#endif

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace upd::console {

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= argc) {
                o.error = "option " + a + " needs a value";
                return;
            }
            target = argv[++i];
        };
        if (a == "--console") o.console = true;
        else if (a == "--help" || a == "-h") o.help = true;
        else if (a == "--yes") o.yes = true;
        else if (a == "--registry") value(o.registryFile);
        else if (a == "--log") value(o.logFile);
        else if (a == "--step") value(o.step);
        else if (a == "--open") value(o.openFile);
        else if (a == "--download-host") value(o.downloadHost);
        else if (a == "--screenshot") value(o.screenshotDir);
        else if (a == "--screenshot-after-update") o.screenshotAfterUpdate = true;
        else if (a == "--db-engine") value(o.dbEngine);
        else if (a == "--odbc-driver") value(o.odbcDriver);
        else o.error = "unknown option " + a;
        if (!o.error.empty()) break;
    }
    if (!o.error.empty()) return o;
    if (!o.dbEngine.empty() && !db::engineKindNamed(o.dbEngine)) {
        o.error = "unknown database engine " + o.dbEngine + " (sqlcipher or odbc)";
        return o;
    }
    try {
        o.engine = db::resolveEngineChoice(o.dbEngine, o.odbcDriver);
    } catch (const db::DbError&) {
        o.error = std::string("unknown database engine in ") + db::kDbEngineVariable + " (sqlcipher or odbc)";
    }
    return o;
}

std::string usage() {
    return "Usage: update_3_2 [--registry FILE] [--download-host HOST[:PORT]]\n"
           "       update_3_2 --console [--yes] [--log FILE] [--registry FILE]\n"
           "       update_3_2 --console --step NAME [--open FILE] [--registry FILE]\n"
           "                  [--db-engine ENGINE] [--odbc-driver NAME]\n"
           "\n"
           "Without --console the update window opens. With --console the update runs unattended:\n"
           "the update log goes to standard output, messages and questions to standard error.\n"
           "\n"
#ifdef _WIN32
           "  --registry FILE       a registry file in place of the user's registry (default: HKEY_CURRENT_USER)\n"
#else
           "  --registry FILE       registry file (default: $UPDATE_REGISTRY, else\n"
           "                        $XDG_CONFIG_HOME/tarvenit/registry.reg or ~/.config/tarvenit/registry.reg)\n"
#endif
           "  --yes                 answer Yes to the question about an unexpected installed version\n"
           "  --log FILE            also write the update log to FILE\n"
           "  --step NAME           run one catalogue operation by name instead of the update\n"
           "  --open FILE           the file that an operation's open-file dialog gets\n"
           "  --download-host HOST  server of the documents download (default: $UPDATE_DOWNLOAD_HOST; none built in)\n"
#ifdef _WIN32
           "  --db-engine ENGINE    odbc or sqlcipher (default: $UPDATE_DB_ENGINE, else odbc)\n"
#else
           "  --db-engine ENGINE    sqlcipher or odbc (default: $UPDATE_DB_ENGINE, else sqlcipher)\n"
#endif
           "  --odbc-driver NAME    the ODBC engine's driver (default: $UPDATE_ODBC_DRIVER, else\n"
           "                        \"Microsoft Access Driver (*.mdb, *.accdb)\")\n"
           "  --help                this text\n"
           "\n"
           "Exit codes of --console:\n"
           "   0  the update (or step) completed\n"
           "   1  an unexpected error\n"
           "   2  the command line is not understood\n"
           "   3  the package's main database is missing\n"
           "   4  the shell program is missing\n"
           "   5  the installed version is unknown\n"
           "   6  the installed version was refused (run with --yes to go on)\n"
           "   7  the installation folder is unknown\n"
           "   8  the update archive is missing\n"
           "   9  the update archive could not be opened or extracted\n"
           "  10  the registry could not be read or written\n"
           "  11  the step reported a failure\n";
}

Environment makeEnvironment(const Options& options, const char* argv0) {
    Environment env;
    std::string name = argv0 ? argv0 : "update_3_2";
#ifdef _WIN32
    // Either separator, and the program's extension.
    if (auto slash = name.find_last_of("/\\"); slash != std::string::npos) name = name.substr(slash + 1);
    if (name.size() > 4 && text::equalsIgnoreCase(name.substr(name.size() - 4), ".exe")) name.resize(name.size() - 4);
#else
    if (auto slash = name.find_last_of('/'); slash != std::string::npos) name = name.substr(slash + 1);
#endif
    // The console-only build carries a suffix; the program's title stays the updater's.
    if (name.ends_with("_console")) name.resize(name.size() - std::strlen("_console"));
    env.executableName = name;
    env.updaterFolder = files::executableFolder();
#ifdef _WIN32
    // The user's own registry, unless a file is named to stand in for it.
    if (options.registryFile.empty()) {
        env.openRegistry = win32RegistryOpener();
    } else {
        // Resolved once, now: the update changes the current folder before it writes the registry.
        const std::string& registry = options.registryFile;
        std::error_code ec;
        const std::string absolute = files::textOf(std::filesystem::absolute(files::pathOf(registry), ec));
        env.openRegistry = fileRegistryOpener(ec ? registry : absolute);
    }
#else
    // Resolved once, now: the update changes the current folder before it writes the registry.
    const std::string registry = options.registryFile.empty() ? defaultRegistryPath() : options.registryFile;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(registry, ec);
    env.openRegistry = fileRegistryOpener(ec ? registry : absolute.string());
#endif
    // Empty: no server unless the environment names one.
    env.downloadHost = options.downloadHost;
    db::chooseEngine(options.engine);
    if (const char* host = std::getenv("UPDATE_DOWNLOAD_HOST"); env.downloadHost.empty() && host) env.downloadHost = host;
    return env;
}

} // namespace upd::console
