// The payload under Wine: the working folder, the files written into it, the log of the
// extraction and the clean-up of the folder.
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <regex>
#include <set>

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kCorruptFile = 0x80040167;
const char* const kZeroGuid = "{00000000-0000-0000-0000-000000000000}";

struct PayloadRun {
    WineRun run;
    std::string log;
    std::string temp; // the base folder, a fresh folder of the test
};

// Runs exe silently with its base folder in the test's own folder.
PayloadRun RunPayload(const std::string& test, const std::string& exe, const std::string& switches,
                      bool fresh = true) {
    std::string dir = std::string(KITBAG_E2E_TMP) + "/" + test;
    if (fresh)
        dir = FreshFolder(test);
    PayloadRun r;
    r.temp = dir + "/temp";
    fs::create_directories(r.temp);
    r.run = RunInstaller(exe,
                         "log \"" + WinPath(dir + "/run.log") + "\" temp \"" + WinPath(r.temp) +
                             "\" " + switches + " /IAgreeToTheEULA",
                         dir);
    r.log = ReadFile(dir + "/run.log").value_or("");
    return r;
}

std::vector<fs::path> Entries(const std::string& folder) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(folder))
        out.push_back(e.path());
    return out;
}

// Every file below folder by its relative path, with its bytes.
std::map<std::string, std::string> FilesBelow(const fs::path& folder) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (e.is_regular_file())
            out[fs::relative(e.path(), folder).string()] = ReadFile(e.path().string()).value();
    }
    return out;
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The lines of text that start with prefix, in order.
std::vector<std::string> LinesStarting(const std::string& text, const std::string& prefix) {
    std::vector<std::string> out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind(prefix, 0) == 0)
            out.push_back(line);
    }
    return out;
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

TEST(PayloadExtraction, KeptRunLeavesTheEightFilesInAFreshGuidFolder) {
    auto r = RunPayload("payload-kept", "KitbagInstaller.exe", "/dontrun /keep");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 0u) << r.log;
    auto folders = Entries(r.temp);
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_TRUE(std::regex_match(folders[0].filename().string(),
                                 std::regex(R"(\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\})")))
        << folders[0];

    // Exactly the built payload, byte for byte, under lower-case names; no information file.
    std::map<std::string, std::string> expected;
    for (const auto& e : fs::directory_iterator(BuildPath("payload/files")))
        expected[Lower(e.path().filename().string())] = ReadFile(e.path().string()).value();
    ASSERT_EQ(expected.size(), 8u);
    auto written = FilesBelow(folders[0]);
    ASSERT_EQ(written.size(), expected.size());
    for (const auto& [name, bytes] : expected) {
        ASSERT_EQ(written.count(name), 1u) << name;
        EXPECT_TRUE(written[name] == bytes) << name;
    }

    // The log, in order: the scan, the catalogue in ascending enumeration, the naming in
    // descending id order with the manifest's spelling, then the files and no removal.
    const std::string manifest = ReadFile(BuildPath("payload/manifest.txt")).value();
    std::string expectedLog =
        "Temp folder '" + WinPath(r.temp) + "'\r\nScanning for Signature\r\r\n";
    for (int id = 0x65; id <= 0x6d; ++id)
        expectedLog += "Enumerate Resources TOOLKIT " +
                       std::string(1, "0123456789abcdef"[id >> 4]) + "0123456789abcdef"[id & 15] +
                       "\r\n";
    expectedLog += "Enumerate Resources OK \r\n";
    std::vector<std::string> fields;
    std::istringstream parts(manifest);
    for (std::string f; std::getline(parts, f, '*');)
        fields.push_back(f);
    ASSERT_EQ(fields.size(), 24u);
    for (std::size_t i = fields.size(); i >= 3; i -= 3)
        expectedLog += "Work Out FileName " + fields[i - 2] + ", Bytes " + fields[i - 1] + "\r\n";
    expectedLog += "WorkOutFileNames 0\r\n";
    for (std::size_t i = fields.size(); i >= 3; i -= 3)
        expectedLog += "Extract File " + Lower(fields[i - 2]) + " 0\r\n";
    expectedLog += "Remove folder 'No'\r\nEnded ";
    EXPECT_NE(r.log.find(expectedLog), std::string::npos) << r.log;
    EXPECT_EQ(r.log.find("Found embedded information"), std::string::npos);
}

TEST(PayloadExtraction, WorkingFolderKeepsOutEveryoneButSystemAdministratorsAndTheUser) {
    auto r = RunPayload("payload-access", "KitbagInstaller.exe", "/dontrun /keep");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    auto folders = Entries(r.temp);
    ASSERT_EQ(folders.size(), 1u);
    // Wine keeps no descriptor of its own: it answers from the Unix permissions it derived
    // from the one set at creation. The base folder, made without one, lets everyone read.
    std::string base = RunTool("payload_access.exe", WinPath(r.temp));
    std::string working = RunTool("payload_access.exe", WinPath(folders[0].string()));
    EXPECT_NE(base.find(";;;WD)"), std::string::npos) << base;
    EXPECT_EQ(working.find(";;;WD)"), std::string::npos) << working;
    EXPECT_NE(working.find("(A;OICI;FA;;;SY)"), std::string::npos) << working;
    auto others = fs::perms::others_read | fs::perms::others_write | fs::perms::others_exec;
    EXPECT_EQ(fs::status(folders[0]).permissions() & others, fs::perms::none);
}

TEST(PayloadExtraction, WithoutKeepTheFolderAndItsFilesAreDeleted) {
    auto r = RunPayload("payload-removed", "KitbagInstaller.exe", "/dontrun");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 0u) << r.log;
    EXPECT_TRUE(Entries(r.temp).empty());

    auto manual = LinesStarting(r.log, "Manual Deletion of '");
    ASSERT_EQ(manual.size(), 9u) << r.log;
    EXPECT_NE(manual[0].find("\\projectitems.xml'"), std::string::npos) << manual[0];
    EXPECT_NE(manual[7].find("\\install.bin'"), std::string::npos) << manual[7];
    // The manifest's own entry names the folder itself.
    const std::string folder = manual[8].substr(20, manual[8].size() - 21);
    EXPECT_EQ(folder.rfind(WinPath(r.temp) + "\\{", 0), 0u) << folder;
    EXPECT_NE(r.log.find("Remove folder 'Yes'\r\n"), std::string::npos);
    EXPECT_NE(r.log.find("Deletion Folder of '" + folder + "'\r\nRemove Folder '" + folder +
                         "'\r\nEnded "),
              std::string::npos)
        << r.log;
}

TEST(PayloadExtraction, ZeroGuidFolderIsReusedAndItsPayloadRewritten) {
    auto first = RunPayload("payload-zero", "KitbagInstaller.exe", "/dontrun /keep /zeroguid");
    ASSERT_TRUE(first.run.finished) << first.run.output;
    const fs::path folder = fs::path(first.temp) / kZeroGuid;
    ASSERT_TRUE(fs::is_directory(folder)) << first.log;
    WriteText(folder / "empty.msi", "changed");
    WriteText(folder / "left.txt", "from before");

    auto second =
        RunPayload("payload-zero", "KitbagInstaller.exe", "/dontrun /keep /zeroguid", false);
    ASSERT_TRUE(second.run.finished) << second.run.output;
    EXPECT_EQ(second.run.exitCode, 0u) << second.log;
    EXPECT_EQ(Entries(second.temp).size(), 1u);
    EXPECT_EQ(ReadFile((folder / "empty.msi").string()),
              ReadFile(BuildPath("payload/files/empty.msi")));
    EXPECT_EQ(ReadFile((folder / "left.txt").string()), "from before");
}

TEST(PayloadExtraction, ManifestGrammarDecidesWhatIsWrittenAndWhere) {
    auto r = RunPayload("payload-mix", "KitbagInstaller-payloadmix.exe", "/dontrun /keep");
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 0u) << r.log;
    auto folders = Entries(r.temp);
    ASSERT_EQ(folders.size(), 1u);
    // The later triple of 103 wins; 104 is not named; the manifest ends after 106's name.
    const std::map<std::string, std::string> expected = {
        {"lib/x.dll", "12345"}, {"setup.exe", "setup!"}, {"empty.dat", ""}};
    EXPECT_EQ(FilesBelow(folders[0]), expected);
    // The string-named resource is not catalogued; the manifest's spelling is logged.
    EXPECT_EQ(LinesStarting(r.log, "Enumerate Resources TOOLKIT").size(), 5u) << r.log;
    EXPECT_NE(r.log.find("Work Out FileName Empty.dat, Bytes 0\r\n"
                         "Work Out FileName Setup.EXE, Bytes 6\r\n"
                         "Work Out FileName Lib\\X.dll, Bytes 5\r\n"
                         "WorkOutFileNames 0\r\n"
                         "Extract File empty.dat 0\r\n"
                         "Extract File setup.exe 0\r\n"
                         "Extract File lib\\x.dll 0\r\n"),
              std::string::npos)
        << r.log;
}

TEST(PayloadExtraction, FileLongerThanItsManifestSizeStopsTheExtraction) {
    auto kept =
        RunPayload("payload-corrupt-kept", "KitbagInstaller-payloadcorrupt.exe", "/dontrun /keep");
    ASSERT_TRUE(kept.run.finished) << kept.run.output;
    EXPECT_EQ(kept.run.exitCode, kCorruptFile) << kept.log;
    auto folders = Entries(kept.temp);
    ASSERT_EQ(folders.size(), 1u);
    // Written in descending id order: the longer file is written whole, the next one never.
    const std::map<std::string, std::string> expected = {{"last.bin", "3333"},
                                                         {"middle.bin", "22222"}};
    EXPECT_EQ(FilesBelow(folders[0]), expected);
    EXPECT_NE(kept.log.find("Extract File last.bin 0\r\nExtract File middle.bin 80040167\r\n"
                            "Remove folder 'No'\r\n"),
              std::string::npos)
        << kept.log;

    auto removed = RunPayload("payload-corrupt", "KitbagInstaller-payloadcorrupt.exe", "");
    ASSERT_TRUE(removed.run.finished) << removed.run.output;
    EXPECT_EQ(removed.run.exitCode, kCorruptFile) << removed.log;
    EXPECT_TRUE(Entries(removed.temp).empty()) << removed.log;
    EXPECT_EQ(removed.log.find("RunWizard"), std::string::npos) << "no wizard after a failure";
}

TEST(PayloadCleanup, ReadOnlyFileStaysWithTheFoldersAboveIt) {
    const std::string dir = FreshFolder("payload-readonly");
    const fs::path folder = fs::path(dir) / "temp" / kZeroGuid;
    fs::create_directories(folder / "made" / "by");
    WriteText(folder / "made" / "by" / "wizard.txt", "locked");
    WriteText(folder / "made" / "plain.txt", "plain");
    fs::permissions(folder / "made" / "by" / "wizard.txt",
                    fs::perms::owner_read | fs::perms::group_read);

    auto r = RunPayload("payload-readonly", "KitbagInstaller.exe", "/dontrun /zeroguid", false);
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 0u) << r.log;
    const std::map<std::string, std::string> left = {{"made/by/wizard.txt", "locked"}};
    EXPECT_EQ(FilesBelow(folder), left);
    const std::string made = WinPath(folder.string()) + "\\made";
    EXPECT_NE(r.log.find("Deletion subfolder Folder of '" + made + "\\by'\r\nDeletion file '" +
                         made + "\\by\\wizard.txt'\r\nRemove Folder '" + made + "\\by'\r\n"),
              std::string::npos)
        << r.log;
    EXPECT_NE(r.log.find("Deletion file '" + made + "\\plain.txt'\r\n"), std::string::npos);
}

TEST(PayloadCleanup, LinkOutOfTheWorkingFolderIsNotFollowed) {
    const std::string dir = FreshFolder("payload-link");
    const fs::path outside = fs::path(dir) / "outside";
    fs::create_directories(outside / "sub");
    WriteText(outside / "a.txt", "a");
    WriteText(outside / "sub" / "b.txt", "b");
    const fs::path folder = fs::path(dir) / "temp" / kZeroGuid;
    fs::create_directories(folder);
    fs::create_directory_symlink(outside, folder / "link");

    auto r = RunPayload("payload-link", "KitbagInstaller.exe", "/dontrun /zeroguid", false);
    ASSERT_TRUE(r.run.finished) << r.run.output;
    EXPECT_EQ(r.run.exitCode, 0u) << r.log;
    const std::map<std::string, std::string> untouched = {{"a.txt", "a"}, {"sub/b.txt", "b"}};
    EXPECT_EQ(FilesBelow(outside), untouched);
    const std::string link = WinPath(folder.string()) + "\\link";
    EXPECT_NE(r.log.find("Deletion link '" + link + "'\r\n"), std::string::npos) << r.log;
    EXPECT_EQ(r.log.find(link + "\\"), std::string::npos) << r.log;
    // Everything else of the folder is gone.
    EXPECT_EQ(Entries(folder.string()).size(), fs::exists(folder / "link") ? 1u : 0u);
}

// An elevated run writes the wizard into the working folder and starts it: a zero-GUID folder
// that someone else prepared beforehand is not used, and nothing in it, or where it leads, is
// written or deleted.
TEST(PayloadExtraction, APlantedZeroGuidFolderIsRefusedAndWhatItHoldsIsLeftAlone) {
    const struct {
        const char* what;
        bool link;
        const char* reason;
    } rows[] = {
        {"a link to a folder elsewhere", true, "it is a link or junction to another place"},
        {"a folder everyone may change", false, "its access list lets S-1-1-0 change it"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string dir = FreshFolder("payload-planted");
        const fs::path elsewhere = fs::path(dir) / "elsewhere";
        fs::create_directories(elsewhere);
        WriteText(elsewhere / "brasswick.hopwell.ui.exe", "the planter's program");
        WriteText(elsewhere / "mine.txt", "keep me");
        const fs::path folder = fs::path(dir) / "temp" / kZeroGuid;
        fs::create_directories(folder.parent_path());
        if (row.link) {
            fs::create_directory_symlink(elsewhere, folder);
        } else {
            fs::rename(elsewhere, folder);
            fs::permissions(folder, fs::perms::all);
        }
        const fs::path planted = row.link ? elsewhere : folder;

        auto r = RunPayload("payload-planted", "KitbagInstaller.exe", "/zeroguid", false);
        ASSERT_TRUE(r.run.finished) << r.run.output;
        EXPECT_EQ(r.run.exitCode, 0x80040202u) << r.log;
        const std::string why = "'" + WinPath(folder.string()) + "': " + row.reason;
        EXPECT_NE(r.log.find("Refusing the existing working folder " + why + "\r\n"),
                  std::string::npos)
            << r.log;
        EXPECT_NE(r.log.find(" cannot use the folder " + why + ". Delete the folder"),
                  std::string::npos)
            << r.log;
        EXPECT_EQ(r.log.find("Kitbag sample wizard"), std::string::npos) << "nothing started";
        const std::map<std::string, std::string> untouched = {
            {"brasswick.hopwell.ui.exe", "the planter's program"}, {"mine.txt", "keep me"}};
        EXPECT_EQ(FilesBelow(planted), untouched);
    }
}

// Drive F: is FAT to Wine (tools/wine-prefix.sh). Nobody's rights can be judged there, and a
// new folder is as open as one left behind, so the installer's own kept folder is used again;
// a link still is not.
TEST(PayloadExtraction, OnAVolumeWithoutAccessListsOnlyALinkIsRefused) {
    const fs::path prefix = KITBAG_WINE_PREFIX;
    if (!fs::is_symlink(prefix / "dosdevices" / "f::"))
        GTEST_SKIP() << "the Wine prefix has no FAT drive F: (mkfs.fat was not installed)";
    const std::string dir = FreshFolder("payload-fat");
    const fs::path base = prefix / "fat16-drive" / "payload-fat";
    fs::remove_all(base);
    auto run = [&](const std::string& switches) {
        PayloadRun r;
        r.run = RunInstaller("KitbagInstaller.exe",
                             "log \"" + WinPath(dir + "/run.log") + "\" temp F:\\payload-fat " +
                                 switches + " /zeroguid /IAgreeToTheEULA",
                             dir);
        r.log = ReadFile(dir + "/run.log").value_or("");
        return r;
    };
    auto kept = run("/dontrun /keep");
    ASSERT_TRUE(kept.run.finished) << kept.run.output;
    ASSERT_EQ(kept.run.exitCode, 0u) << kept.log;
    // Wine reads a folder's rights there from its Linux mode: as open as FAT leaves it.
    const fs::path folder = base / kZeroGuid;
    fs::permissions(folder, fs::perms::all);
    auto again = run("/dontrun");
    ASSERT_TRUE(again.run.finished) << again.run.output;
    EXPECT_EQ(again.run.exitCode, 0u) << again.log;
    EXPECT_FALSE(fs::exists(folder)) << again.log;

    const fs::path elsewhere = base / "elsewhere";
    fs::create_directories(elsewhere);
    WriteText(elsewhere / "mine.txt", "keep me");
    fs::create_directory_symlink(elsewhere, folder);
    auto link = run("/dontrun");
    ASSERT_TRUE(link.run.finished) << link.run.output;
    EXPECT_EQ(link.run.exitCode, 0x80040202u) << link.log;
    EXPECT_EQ(FilesBelow(elsewhere), (std::map<std::string, std::string>{{"mine.txt", "keep me"}}));
    fs::remove_all(base);
}

namespace {

// A folder below dir whose Windows path has exactly length characters.
std::string FolderOfLength(const std::string& dir, std::size_t length) {
    std::string folder = dir;
    while (WinPath(folder).size() < length) {
        std::size_t room = length - WinPath(folder).size() - 1;
        folder += "/" + std::string(std::min<std::size_t>(room, 100), 'd');
    }
    EXPECT_EQ(WinPath(folder).size(), length);
    return folder;
}

PayloadRun RunInLongTemp(const std::string& test, std::size_t length) {
    const std::string dir = FreshFolder(test);
    PayloadRun r;
    r.temp = FolderOfLength(dir, length);
    fs::create_directories(r.temp);
    r.run = RunInstaller("KitbagInstaller.exe",
                         "log \"" + WinPath(dir + "/run.log") + "\" temp \"" + WinPath(r.temp) +
                             "\" /dontrun /IAgreeToTheEULA",
                         dir);
    r.log = ReadFile(dir + "/run.log").value_or("");
    return r;
}

} // namespace

TEST(PayloadExtraction, PathsBeyondTheShellLimitAreRefusedNeverCut) {
    constexpr std::uint32_t kFail = 0x80004005;
    // The base folder leaves no room for a GUID-named file: refused before anything is made.
    auto base = RunInLongTemp("payload-long-base", 221);
    ASSERT_TRUE(base.run.finished) << base.run.output;
    EXPECT_EQ(base.run.exitCode, kFail) << base.log;
    EXPECT_NE(base.log.find("Temp folder path too long '" + WinPath(base.temp) +
                            "'\r\nNot Prompting the user as silent installation\r\n"),
              std::string::npos)
        << base.log;
    EXPECT_EQ(base.log.find("Scanning for Signature"), std::string::npos) << base.log;
    EXPECT_TRUE(Entries(base.temp).empty());

    // The folder fits, and so do the short file names; the first longer name stops the
    // extraction, and the clean-up removes what was written.
    auto file = RunInLongTemp("payload-long-file", 200);
    ASSERT_TRUE(file.run.finished) << file.run.output;
    EXPECT_EQ(file.run.exitCode, kFail) << file.log;
    EXPECT_NE(file.log.find("Extract File projectitems.xml 0\r\nFile path too long "
                            "'kitbaginstaller.project' in '"),
              std::string::npos)
        << file.log;
    EXPECT_NE(file.log.find("Extract File kitbaginstaller.project 80004005\r\nRemove folder "
                            "'Yes'\r\n"),
              std::string::npos)
        << file.log;
    EXPECT_TRUE(Entries(file.temp).empty()) << file.log;
}
