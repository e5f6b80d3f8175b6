// Differential tests: archives written by Info-ZIP zip, 7-Zip and bsdtar must extract through
// TZipArchiver to the same names, bytes, modes and modification times as Info-ZIP unzip gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "archive/zip_archiver.h"
#include "ui/dialogs.h"
#include "peer_tools.h"

namespace upd::peer {
namespace {

const std::string kPassword = "Xa9Pq2LmT7vRb4NcW8yKd3Hs6Gf1Zj0E";

struct PeerCase {
    const char* id;
    const char* tool;     // the archiver the case needs besides unzip
    NameSet names;
    const char* script;   // run in the source tree with $ARCHIVE and $PW set
    std::map<std::string, std::string> comments;  // entry comments the script stores
    bool manyEntries = false;  // the Zip64 end record tree instead of the usual one
};

void PrintTo(const PeerCase& c, std::ostream* os) { *os << c.id; }

// Entry comments for the Info-ZIP comment case, written through zipnote.
const char* const kCommentScript = R"(
zip -q -r -P "$PW" "$ARCHIVE" . &&
zipnote "$ARCHIVE" | sed -e '/^@ readme.txt$/a Readme comment' \
                         -e '/^@ bin\/run.sh$/a Starts the program' > notes.txt &&
zipnote -w "$ARCHIVE" < notes.txt && rm notes.txt &&
{ echo 'Archive comment'; seq 1 8000; } | zip -q -z "$ARCHIVE"
)";

const std::vector<PeerCase> kCases = {
    // Info-ZIP zip stores UTF-8 names without the UTF-8 flag (a path extra field carries
    // them), so its archives get ASCII names, and one DOS code page case.
    {"InfoZipDeflated", "zip", NameSet::Ascii, R"(zip -q -r -P "$PW" "$ARCHIVE" .)", {}},
    {"InfoZipStored", "zip", NameSet::Ascii, R"(zip -q -r -0 -P "$PW" "$ARCHIVE" .)", {}},
    {"InfoZipNoFolderEntries", "zip", NameSet::Ascii, R"(zip -q -r -D -P "$PW" "$ARCHIVE" .)", {}},
    {"InfoZipBestUnencrypted", "zip", NameSet::Ascii, R"(zip -q -r -9 "$ARCHIVE" .)", {}},
    {"InfoZipStreamedDescriptors", "zip", NameSet::Ascii,
     R"(set -o pipefail; zip -q -r -P "$PW" - . | cat > "$ARCHIVE")", {}},
    {"InfoZipStdinEntryZip64", "zip", NameSet::Ascii,
     R"(zip -q -r -P "$PW" "$ARCHIVE" . && head -c 300000 docs/manual.txt | zip -q -P "$PW" "$ARCHIVE" -)", {}},
    {"InfoZipStdinEntryNoZip64", "zip", NameSet::Ascii,
     R"(zip -q -r -P "$PW" "$ARCHIVE" . && head -c 300000 docs/manual.txt | zip -q -fz- -P "$PW" "$ARCHIVE" -)", {}},
    {"InfoZipComments", "zip", NameSet::Ascii, kCommentScript,
     {{"readme.txt", "Readme comment"}, {"bin/run.sh", "Starts the program"}}},
    {"InfoZipDosCodePage", "zip", NameSet::Cp866, R"(LC_ALL=C zip -q -r -P "$PW" "$ARCHIVE" .)", {}},

    {"SevenZipDeflated", "7zz", NameSet::Utf8, R"(7zz a -bd -bso0 -tzip -mem=ZipCrypto -p"$PW" "$ARCHIVE" .)", {}},
    {"SevenZipStored", "7zz", NameSet::Utf8, R"(7zz a -bd -bso0 -tzip -mx0 -mem=ZipCrypto -p"$PW" "$ARCHIVE" .)", {}},
    {"SevenZipUltra", "7zz", NameSet::Utf8, R"(7zz a -bd -bso0 -tzip -mx9 -mem=ZipCrypto -p"$PW" "$ARCHIVE" .)", {}},

    {"BsdtarDeflatedDotPrefix", "bsdtar", NameSet::Utf8,
     R"(bsdtar --format zip --options zip:encryption=zipcrypt --passphrase "$PW" -cf "$ARCHIVE" .)", {}},
    {"BsdtarStored", "bsdtar", NameSet::Utf8,
     R"(bsdtar --format zip --options zip:compression=store,zip:encryption=zipcrypt --passphrase "$PW" -cf "$ARCHIVE" *)", {}},
    {"BsdtarZip64Descriptors", "bsdtar", NameSet::Utf8,
     R"(bsdtar --format zip --options zip:encryption=zipcrypt,zip:zip64 --passphrase "$PW" -cf "$ARCHIVE" *)", {}},

    // 70,000 entries: the directory is found through the Zip64 end record and locator.
    // (7zz and bsdtar lay these records out the same way: a 56-byte record right before
    // the locator; one case covers them, since 70,000 files cost seconds per tree.)
    {"InfoZipZip64EndRecord", "zip", NameSet::Ascii, R"(zip -q -r -P "$PW" "$ARCHIVE" .)", {}, true},
};

// Answers every dialog with "Abort"/"Cancel" and keeps what it was asked.
class RecordingDialogs : public Dialogs {
public:
    DialogResult message(const MessageRequest& request) override {
        asked.push_back("message: " + request.text);
        return DialogResult::Abort;
    }
    bool password(const std::string& caption, const std::string&, std::string&) override {
        asked.push_back("password: " + caption);
        return false;
    }
    std::optional<std::string> openFile(const OpenFileRequest&) override { return std::nullopt; }

    std::vector<std::string> asked;
};

struct OurExtraction {
    std::vector<std::string> extracted;              // names as OnExtractFile hands them over
    std::map<std::string, std::string> comments;     // non-empty comments by name
    std::vector<double> overall;                     // every overall progress value
    std::vector<std::string> dialogs;
    std::string error;                               // what escaped, if anything
};

OurExtraction extractWithComponent(const std::string& archive, const std::string& folder) {
    OurExtraction result;
    RecordingDialogs dialogs;
    TZipArchiver archiver;
    archiver.setDialogs(&dialogs);
    archiver.OnExtractFile = [&](TBaseArchiver&, std::string& fileName, uint32_t&, const std::string& comment) {
        result.extracted.push_back(fileName);
        if (!comment.empty()) result.comments[fileName] = comment;
    };
    archiver.OnOverallProgress = [&](TBaseArchiver&, double progress, TProcessOperation, TProgressPhase, bool&) {
        result.overall.push_back(progress);
    };
    try {
        archiver.setFileName(archive);
        archiver.setPassword(kPassword);
        archiver.OpenArchive();
        archiver.setBaseDir(folder);
        archiver.ExtractFiles("*.*", 10431, "");
        archiver.CloseArchive();
    } catch (const std::exception& e) {
        result.error = e.what();
    }
    result.dialogs = dialogs.asked;
    return result;
}

// The entry name as a path below the base folder: '/' separators, no trailing separator,
// no leading "./" segments.
std::string asTreePath(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    while (!name.empty() && name.back() == '/') name.pop_back();
    while (name.rfind("./", 0) == 0) name.erase(0, 2);
    return name == "." ? std::string() : name;
}

size_t regularFiles(const std::map<std::string, Node>& tree) {
    return static_cast<size_t>(std::count_if(tree.begin(), tree.end(), [](const auto& n) { return !n.second.isDirectory; }));
}

// An installed package the update replaces: the same names with other bytes, every file
// read-only, and a file the archive does not hold.
void writeOldInstallation(const std::string& root, NameSet names) {
    writeSourceTree(root, names);
    for (const auto& [path, node] : snapshot(root)) {
        if (node.isDirectory) continue;
        const std::string full = root + "/" + path;
        ASSERT_EQ(runShell("printf 'old %s' \"$FILE\" > \"$FILE\" && chmod 0444 \"$FILE\" && touch \"$FILE\"", root,
                           {{"FILE", full}}).exitCode, 0);
    }
    ASSERT_EQ(runShell("echo stale > stale.txt && touch -d @1614834368 stale.txt", root).exitCode, 0);
}

class PeerArchives : public ::testing::TestWithParam<PeerCase> {
protected:
    void checkAgainstUnzip(bool overOldInstallation);
};

void PeerArchives::checkAgainstUnzip(bool overOldInstallation) {
    const PeerCase& c = GetParam();
    for (const std::string& tool : {std::string("unzip"), std::string("zipinfo"), std::string(c.tool)})
        if (!toolAvailable(tool)) GTEST_SKIP() << tool << " is not installed (scripts/deps installs it)";

    ScratchFolder scratch(c.id);
    const std::string source = scratch / "src";
    const std::string archive = scratch / "peer.zip";
    const std::string reference = scratch / "unzip";
    const std::string ours = scratch / "ours";
    const size_t filesWritten = c.manyEntries ? writeManyEntriesTree(source) : writeSourceTree(source, c.names);
    if (overOldInstallation) {
        writeOldInstallation(reference, c.names);
        writeOldInstallation(ours, c.names);
    }

    const CommandResult made = runShell(c.script, source, {{"ARCHIVE", archive}, {"PW", kPassword}});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const CommandResult unzipped =
        runShell("unzip -q -o -P \"$PW\" \"$ARCHIVE\" -d \"$OUT\"", scratch.path(),
                 {{"ARCHIVE", archive}, {"PW", kPassword}, {"OUT", reference}});
    ASSERT_EQ(unzipped.exitCode, 0) << unzipped.output;
    const CommandResult listed = runShell("zipinfo -1 \"$ARCHIVE\" | wc -l", scratch.path(), {{"ARCHIVE", archive}});
    ASSERT_EQ(listed.exitCode, 0) << listed.output;
    const size_t entries = std::stoul(listed.output);

    const OurExtraction run = extractWithComponent(archive, ours);
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.dialogs, std::vector<std::string>{});

    std::map<std::string, Node> expected;
    for (auto& [path, node] : snapshot(reference))
        expected.emplace(c.names == NameSet::Cp866 ? cp866ToUtf8(path) : path, std::move(node));
    const std::map<std::string, Node> got = snapshot(ours);
    ASSERT_GE(regularFiles(expected), filesWritten) << "unzip extracted fewer files than were packed";

    for (const auto& [path, want] : expected) {
        const auto it = got.find(path);
        if (it == got.end()) {
            ADD_FAILURE() << "missing in our extraction: " << path;
            continue;
        }
        const Node& have = it->second;
        ASSERT_EQ(have.isDirectory, want.isDirectory) << path;
        if (want.isDirectory) continue;  // unzip also restores folder times; folders carry no data
        EXPECT_TRUE(have.content == want.content)
            << path << ": " << have.content.size() << " bytes, unzip gives " << want.content.size();
        EXPECT_EQ(have.mode, want.mode) << path << ": mode " << std::oct << have.mode << ", unzip gives " << want.mode;
        // DOS times have two-second steps; unzip may use a finer extra-field time.
        EXPECT_LE(std::llabs(have.mtime - want.mtime), 1) << path << ": " << have.mtime << " vs " << want.mtime;
        EXPECT_EQ(have.mtime % 2, 0) << path << ": DOS times are even";
    }
    for (const auto& [path, node] : got)
        if (!expected.count(path)) ADD_FAILURE() << "not made by unzip: " << path;

    // One OnExtractFile per entry, with the names that landed on disk.
    EXPECT_EQ(run.extracted.size(), entries);
    for (const std::string& name : run.extracted) {
        const std::string path = asTreePath(name);
        EXPECT_TRUE(path.empty() || got.count(path)) << "reported but not on disk: " << name;
        EXPECT_EQ(name.find('\\'), std::string::npos) << "separators are the platform's: " << name;
    }
    std::map<std::string, std::string> comments;
    for (const auto& [name, comment] : run.comments) comments[asTreePath(name)] = comment;
    EXPECT_EQ(comments, c.comments);

    // The progress bar ends full and never goes back.
    ASSERT_FALSE(run.overall.empty());
    EXPECT_EQ(run.overall.back(), 100.0);
    EXPECT_TRUE(std::is_sorted(run.overall.begin(), run.overall.end()));
    EXPECT_GE(run.overall.front(), 0.0);

    if (HasFailure()) {
        scratch.keep();
        std::cerr << "kept for inspection: " << scratch.path() << "\n";
    }
}

TEST_P(PeerArchives, ExtractLikeUnzip) { checkAgainstUnzip(false); }

// The update's own situation: the package folder already holds every file. One case per tool.
class PeerArchivesOverInstallation : public PeerArchives {};

TEST_P(PeerArchivesOverInstallation, ReplaceFilesLikeUnzip) { checkAgainstUnzip(true); }

std::string caseName(const ::testing::TestParamInfo<PeerCase>& info) { return info.param.id; }

std::vector<PeerCase> casesNamed(const std::vector<std::string>& ids) {
    std::vector<PeerCase> chosen;
    for (const PeerCase& c : kCases)
        if (std::find(ids.begin(), ids.end(), c.id) != ids.end()) chosen.push_back(c);
    return chosen;
}

INSTANTIATE_TEST_SUITE_P(Tools, PeerArchives, ::testing::ValuesIn(kCases), caseName);
INSTANTIATE_TEST_SUITE_P(Tools, PeerArchivesOverInstallation,
                         ::testing::ValuesIn(casesNamed({"InfoZipDeflated", "SevenZipStored", "BsdtarDeflatedDotPrefix"})),
                         caseName);

} // namespace
} // namespace upd::peer
