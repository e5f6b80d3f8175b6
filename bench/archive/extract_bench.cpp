// Extracts one archive through TZipArchiver, wired the way the updater's main window wires
// it: every entry goes to the log, every overall progress moves the bar, and both progress
// events let pending window events run. The log keeps nothing and there are no pending
// events, so what is timed is the component plus the cost of calling the handlers.
//   archive_extract_bench <archive> <folder> <password>
// Exit status 0 when every entry extracted without a failure request or error.
#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include "ui/dialogs.h"
#include "ui/event_pump.h"
#include "ui/progress_bar.h"
#include "archive/zip_archiver.h"

namespace {

// The update log's interface with nothing behind it.
class DiscardingLog {
public:
    void AppendAndSelect(const std::string& line) {
        ++lines_;
        bytes_ += line.size();
    }
    size_t lines() const { return lines_; }

private:
    size_t lines_ = 0;
    size_t bytes_ = 0;
};

// A window with nothing waiting: processing pending events returns at once.
class IdlePump : public upd::EventPump {
public:
    void processPendingEvents() override { ++rounds; }
    void post(const upd::PostedMessage&) override {}
    size_t rounds = 0;
};

// Any question means the extraction went wrong: refuse it and remember it.
class RefusingDialogs : public upd::Dialogs {
public:
    upd::DialogResult message(const upd::MessageRequest& request) override {
        std::fprintf(stderr, "failure request: %s\n", request.text.c_str());
        ++asked;
        return upd::DialogResult::Abort;
    }
    bool password(const std::string& caption, const std::string&, std::string&) override {
        std::fprintf(stderr, "password request: %s\n", caption.c_str());
        ++asked;
        return false;
    }
    std::optional<std::string> openFile(const upd::OpenFileRequest&) override { return std::nullopt; }
    int asked = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <archive> <folder> <password>\n", argv[0]);
        return 2;
    }
    DiscardingLog log;
    IdlePump idle;
    upd::EventPump& pump = idle;
    upd::ProgressBar bar;
    RefusingDialogs dialogs;

    upd::TZipArchiver archiver;
    archiver.setDialogs(&dialogs);
    archiver.OnExtractFile = [&](upd::TBaseArchiver&, std::string& fileName, uint32_t&, const std::string&) {
        log.AppendAndSelect(fileName);
    };
    archiver.OnFileProgress = [&](upd::TBaseArchiver&, const std::string&, double, upd::TProcessOperation,
                                  upd::TProgressPhase, bool&) { pump.processPendingEvents(); };
    archiver.OnOverallProgress = [&](upd::TBaseArchiver&, double progress, upd::TProcessOperation,
                                     upd::TProgressPhase, bool&) {
        bar.setPosition(static_cast<int64_t>(progress));
        pump.processPendingEvents();
    };
    try {
        archiver.setFileName(argv[1]);
        archiver.setPassword(argv[3]);
        archiver.OpenArchive();
        archiver.setBaseDir(argv[2]);
        archiver.ExtractFiles("*.*", upd::kAnyFileAttr, "");
        archiver.CloseArchive();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "%zu entries, %zu event rounds, bar at %d\n", log.lines(), idle.rounds, bar.position());
    return dialogs.asked == 0 && bar.position() == 100 ? 0 : 1;
}
