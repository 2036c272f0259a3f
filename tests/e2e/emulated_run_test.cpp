// The real signed 32-bit installer on a machine whose kernel runs no 32-bit code: once, under
// qemu-i386 user-mode emulation, as on 64-bit Windows (a 64-bit prefix whose 32-bit half runs
// emulated). Every emulated process takes a minute or more, so this is one silent run that
// goes the whole way, not a suite: of the sample packed with kitbag-pack's defaults, so that
// the 32-bit build's LZMA decoder and its threads run too.
#include "host_run.h"
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// qemu-i386 registered with binfmt_misc for the test, and put back as it was after it.
class Emulation {
public:
    Emulation() {
        const std::string script = std::string(KITBAG_SOURCE_DIR) + "/tools/emulate-32bit.sh";
        const std::string scratch = std::string(KITBAG_E2E_TMP) + "/emulation";
        const std::string command =
            "'" + script + "' on >'" + scratch + ".out' 2>'" + scratch + ".err'";
        m_on = std::system(command.c_str()) == 0;
        m_restore = ReadFile(scratch + ".out").value_or("");
        m_restore = m_restore.substr(0, m_restore.find('\n'));
        m_why = ReadFile(scratch + ".err").value_or("");
    }
    ~Emulation() {
        if (m_on) {
            const std::string command = "'" + std::string(KITBAG_SOURCE_DIR) +
                                        "/tools/emulate-32bit.sh' restore " + m_restore;
            EXPECT_EQ(std::system(command.c_str()), 0) << command;
        }
    }
    Emulation(const Emulation&) = delete;
    Emulation& operator=(const Emulation&) = delete;

    bool on() const { return m_on; }
    const std::string& why() const { return m_why; }

private:
    bool m_on = false;
    std::string m_restore;
    std::string m_why;
};

} // namespace

TEST(Emulated32Bit, TheSignedInstallerVerifiesExtractsRunsTheWizardAndCleansUp) {
    fs::create_directories(KITBAG_E2E_TMP);
    Emulation emulation;
    if (!emulation.on())
        GTEST_SKIP() << "32-bit programs cannot be emulated here: " << emulation.why();
    ASSERT_FALSE(Testing64BitBuild());

    // Only the installer and the wizard run emulated; Wine's own services are 64-bit.
    auto prefix = Wow64Prefix();
    ASSERT_TRUE(prefix.has_value()) << "tools/wow64-prefix.sh failed";

    const std::string dir = FreshFolder("emulated-32bit");
    const std::string base = dir + "/base";
    fs::create_directories(base);
    HostRun packed = RunHost({KITBAG_PACK_TOOL, "--payload", BuildPath("payload/files"),
                              "--program", "Brasswick.Hopwell.UI.exe", "--arch", "x86",
                              "--sign-cert", BuildPath("signing/dev-cert.pem"), "--sign-key",
                              BuildPath("signing/dev-key.pem"), "-o", dir + "/Setup.exe"},
                             dir + "/pack");
    ASSERT_EQ(packed.exitCode, 0) << packed.err;
    ASSERT_NE(packed.out.find("compressed in block 1"), std::string::npos) << packed.out;
    auto run = RunInstaller(fs::relative(dir + "/Setup.exe", BuildPath("")).string(),
                            "log run.log temp \"" + WinPath(base) + "\" /IAgreeToTheEULA", dir,
                            {{"WINEPREFIX", *prefix},
                             {"KITBAG_WIZARD_WINDOW", "none"},
                             {"KITBAG_WIZARD_RECORD", WinPath(dir + "/record.txt")}},
                            1200000);
    ASSERT_TRUE(run.finished) << run.output;
    const std::string log = ReadFile(dir + "/run.log").value_or("");
    EXPECT_EQ(run.exitCode, 0u) << log;

    // The second reading of the command line starts the log afresh; the program name that
    // reaches the wizard is the one in the signature (a silent run stops on a bad signature).
    for (const char* line :
         {"BW_I=\"Roza\" \r\n", "Extract File brasswick.hopwell.ui.exe 0\r\n",
          "ProgramType 'AnyCPU'\r\nStaying on Any\r\n", "Kitbag sample wizard: started in",
          "Remove folder 'Yes'\r\n", "Deletion Folder of '"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    // A 32-bit installer on 64-bit Windows switches the redirection off for the start and back
    // on after it, both logged before the wizard runs; the log is the wizard's then.
    const auto enabling = log.find("Enabling 64Bit spawned processes\r\n");
    const auto wizard = log.find("Kitbag sample wizard: started in");
    const auto restoring = log.find("Restoring 32Bit spawned processes\r\n");
    EXPECT_NE(enabling, std::string::npos) << log;
    EXPECT_NE(restoring, std::string::npos) << log;
    EXPECT_TRUE(enabling < restoring && restoring < wizard) << log;
    EXPECT_NE(ReadFile(dir + "/record.txt").value_or("").find("cwd=" + WinPath(base) + "\\{"),
              std::string::npos)
        << "the 32-bit stand-in wizard ran in the working folder";
    EXPECT_TRUE(fs::is_empty(base)) << "the working folder is removed";
}
