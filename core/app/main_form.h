// The main window's components and operations, free of any toolkit. The Qt window draws
// this model and forwards its user's actions; the console front end drives it directly.
// The window owns every component; each takes only the parts of the window it works with.
#pragma once

#include "app/entry_ledger.h"
#include "app/environment.h"
#include "app/identity.h"
#include "app/update_outcome.h"
#include "archive/zip_archiver.h"
#include "db/database_components.h"
#include "download/archive_download.h"
#include "maintenance/maintenance_steps.h"
#include "migration/migration_steps.h"
#include "ui/control.h"
#include "ui/dialogs.h"
#include "ui/event_pump.h"
#include "ui/progress_bar.h"
#include "ui/progress_message.h"
#include "ui/update_log.h"

#include <functional>
#include <string>

namespace upd {

class TfmMain {
public:
    TfmMain(const TDM& dm, Environment environment, Dialogs& dialogs, EventPump& pump);
    TfmMain(const TfmMain&) = delete;
    TfmMain& operator=(const TfmMain&) = delete;

    const TDM& DM;
    Environment env;
    Dialogs& dialogs;
    EventPump& pump;
    MessageBoxes boxes;
    UpdateLog ListBox1;
    ProgressBar ProgressBar1;

    // Captions set at creation.
    std::string lblUpdate;
    std::string lblProgrammName;

    // Buttons and menu items whose state the operations change.
    Control Button1{true, true};   // "Выход"
    Control Button3{true, true};   // "Обновить программу"
    Control Button2{true, false};  // hidden download
    Control Button4{true, false};  // hidden photo folder renaming
    Control Button5{true, false};  // hidden module folder fix-up
    Control N2{true, false};       // hidden "Инструкции по установке"

    // "Обновить программу": the update sequence.
    void Button3Click();
    bool CopyRes(const std::string& programm_path);
    void UpdateReestr();

    // How the last press of "Обновить программу" ended.
    UpdateOutcome lastUpdateOutcome = UpdateOutcome::NotRun;

    // The components, each on the parts of the window it uses.
    DatabaseComponents databases;
    MigrationSteps migration;
    MaintenanceSteps maintenance;
    ArchiveDownload download;

    // The hidden buttons: the documents download, photo folder names, module folder clean-up.
    void Button2Click() { download.Button2Click(); }
    void Button4Click() { maintenance.Button4Click(); }
    void Button5Click() { maintenance.Button5Click(); }

    // True while an operation runs that must not be started again or closed under.
    bool busy() const { return busy_; }

    // The archive component and the handlers of its events.
    TZipArchiver Archiver;
    void ArchiverExtractFile(TBaseArchiver& sender, std::string& fileName, uint32_t& fileAttr,
                             const std::string& comment);
    void ArchiverFileProgress(TBaseArchiver& sender, const std::string& fileName, double progress,
                              TProcessOperation operation, TProgressPhase phase, bool& cancel);
    void ArchiverOverallProgress(TBaseArchiver& sender, double progress, TProcessOperation operation,
                                 TProgressPhase phase, bool& cancel);
    void ArchiverProcessFileFailure(TBaseArchiver& sender, const std::string& fileName, TProcessOperation operation,
                                    int nativeError, int errorCode, const std::string& errorMessage,
                                    TFailureAction& action);

    void FormCreate();
    void FormShow();
    void FormClose();
    void N2Click();

    // Runs a handler the way the message loop does: an error that escapes it is shown by the
    // general error display and the program goes on. Returns false when one escaped.
    bool runHandler(const std::function<void()>& handler);

    // Asked of the front end to close the main window ("Выход", Esc, the menu).
    std::function<void()> requestClose;
    void Button1Click();
    void N6Click() { Button1Click(); }

    // The progress message's handler (WM_USER + 100).
    void MyProgress(uintptr_t wParam, intptr_t lParam) { applyProgressMessage(ProgressBar1, wParam, lParam); }

private:
    void wireArchiver();

    EntryLedger unpackLedger_;  // the entries of the running unpack

    bool busy_ = false;
};

// The log line of the start-up report.
// The caption of the platform's confirmation dialog.
inline constexpr const char* kConfirmCaption = "Подтверждение";

inline constexpr const char* kInstallFolderLine = "Каталог установки программы Мирела = ";

} // namespace upd
