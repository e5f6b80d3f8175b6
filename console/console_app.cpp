#include "console_app.h"

#include "app/main_form.h"
#include "app/step_catalogue.h"
#include "registry/registry_backend.h"
#include "console_dialogs.h"
#include "platform/fs_path.h"
#include "platform/scope_guard.h"
#include "terminal.h"

#include <chrono>
#include <fstream>
#include <filesystem>
#include <iostream>

namespace upd::console {

namespace {

int exitCodeOf(UpdateOutcome outcome) {
    switch (outcome) {
    case UpdateOutcome::Success: return kExitSuccess;
    case UpdateOutcome::DatabaseMissing: return kExitDatabaseMissing;
    case UpdateOutcome::ProgramMissing: return kExitProgramMissing;
    case UpdateOutcome::VersionUnknown: return kExitVersionUnknown;
    case UpdateOutcome::VersionRefused: return kExitVersionRefused;
    case UpdateOutcome::InstallFolderUnknown: return kExitInstallFolderUnknown;
    case UpdateOutcome::ArchiveMissing: return kExitArchiveMissing;
    case UpdateOutcome::ArchiveError: return kExitArchiveError;
    case UpdateOutcome::RegistryError: return kExitRegistryError;
    case UpdateOutcome::NotRun: break;
    }
    return kExitUnexpected;
}

// Runs a handler as the window's message loop would, telling a registry error from others.
int guarded(TfmMain& form, const std::function<int()>& handler) {
    try {
        return handler();
    } catch (const RegistryError& e) {
        form.boxes.showError(e.what());
        return kExitRegistryError;
    } catch (const std::exception& e) {
        form.boxes.showError(e.what());
        return kExitUnexpected;
    }
}

} // namespace

int run(const Options& options, const char* argv0, std::ostream& out, std::ostream& err) {
    if (!options.error.empty()) {
        err << "update_3_2: " << options.error << "\n\n" << usage();
        return kExitUsage;
    }
    if (options.help) {
        out << usage();
        return kExitSuccess;
    }

    ConsoleDialogs dialogs(err, options.yes, options.openFile);
    QueuedEventPump pump;
    TDM dm;
    TfmMain form(dm, makeEnvironment(options, argv0), dialogs, pump);
    pump.setHandler([&form](const PostedMessage& m) {
        if (m.message == WM_PROGRESS) form.runHandler([&] { form.MyProgress(m.wParam, m.lParam); });
    });

    std::ofstream logFile;
    if (!options.logFile.empty()) {
        logFile.open(files::pathOf(options.logFile), std::ios::binary | std::ios::trunc);
        if (!logFile) {
            err << "update_3_2: cannot write the log file " << options.logFile << "\n";
            return kExitUsage;
        }
    }
    // Only the last line can still grow (progress dots): a line goes out once the next one
    // arrives, and the last one at the end, so the output holds the log as it finally reads.
    // A terminal shows each line at once; a file or a pipe gets the lines a few times a
    // second, not one write per line (an update logs one line per file, thousands of them).
    using Clock = std::chrono::steady_clock;
    const bool lineByLine = &out == &std::cout && outputStreamIsTerminal();
    Clock::time_point lastFlush = Clock::now();
    auto flushLog = [&] {
        out.flush();
        if (logFile.is_open()) logFile.flush();
        lastFlush = Clock::now();
    };
    size_t written = 0;
    auto writeUpTo = [&](size_t end) {
        for (; written < end; ++written) {
            const std::string& line = form.ListBox1.lines()[written];
            out << line << "\n";
            if (logFile.is_open()) logFile << line << "\n";
        }
        if (lineByLine || Clock::now() - lastFlush >= std::chrono::milliseconds(100)) flushLog();
    };
    form.ListBox1.addObserver([&](size_t index, bool) { writeUpTo(index); });
    dialogs.beforeSaying = flushLog;
    ScopeGuard flushAtEnd([&] {
        writeUpTo(form.ListBox1.size());
        flushLog();
    });
    const bool terminal = &err == &std::cerr && errorStreamIsTerminal();
    int shownPercent = -1;
    form.ProgressBar1.addObserver([&] {
        if (!terminal || form.ProgressBar1.max() <= 0) return;
        const int percent = static_cast<int>(int64_t(form.ProgressBar1.position()) * 100 / form.ProgressBar1.max());
        if (percent == shownPercent) return;
        shownPercent = percent;
        err << "\r[" << (percent < 10 ? "  " : percent < 100 ? " " : "") << percent << "%]" << (percent == 100 ? "\n" : "")
            << std::flush;
    });

    form.FormCreate();
    const int shown = guarded(form, [&] {
        form.FormShow();
        return kExitSuccess;
    });
    if (shown != kExitSuccess) return shown;

    if (!options.step.empty()) {
        const CatalogueStep* step = findCatalogueStep(options.step);
        if (!step) {
            err << "update_3_2: no operation named " << options.step << "\n";
            return kExitUsage;
        }
        return guarded(form, [&] { return step->run(form) ? kExitSuccess : kExitStepFailed; });
    }
    return guarded(form, [&] {
        form.Button3Click();
        return exitCodeOf(form.lastUpdateOutcome);
    });
}

int run(int argc, char** argv) {
    return run(parseOptions(argc, argv), argc > 0 ? argv[0] : nullptr, std::cout, std::cerr);
}

} // namespace upd::console
