// The installer judging its own signature: copies of the unsigned builds, signed here with a
// certificate of the test's own.
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

constexpr std::uint32_t kNotSigned = 0x800B0100;

// The tests' paths and texts hold no single quote.
std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

// Runs a shell command and returns what it printed; a failure fails the test.
std::string Shell(const std::string& command) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[512];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        output += buffer;
    EXPECT_TRUE(pipe != nullptr && pclose(pipe) == 0) << command << "\n" << output;
    return output;
}

class Signature : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string dir = FreshFolder("signature-cert");
        s_cert = dir + "/cert.pem";
        s_key = dir + "/key.pem";
        Shell("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Kitbag Test Signer' "
              "-keyout " +
              Quoted(s_key) + " -out " + Quoted(s_cert));
        std::string serial = Shell("openssl x509 -noout -serial -in " + Quoted(s_cert));
        s_serial =
            serial.substr(serial.find('=') + 1, serial.find_last_not_of("\r\n") - serial.find('='));
    }

    // Signs a copy of one of the build's executables; options are osslsigncode's -n and -i.
    static std::string SignedCopy(const std::string& exe, const std::string& options,
                                  const std::string& out) {
        Shell("osslsigncode sign -certs " + Quoted(s_cert) + " -key " + Quoted(s_key) + " " +
              options + " -in " + Quoted(BuildPath(exe)) + " -out " + Quoted(out));
        return out;
    }

    static inline std::string s_cert, s_key, s_serial;
};

// A silent run with a log file and a base folder of its own in dir; the log it leaves.
std::string RunSilently(const std::string& exe, const std::string& dir, std::uint32_t exitCode) {
    std::filesystem::create_directories(dir + "/base");
    std::string args = "log \"" + WinPath(dir + "/run.log") + "\" temp \"" +
                       WinPath(dir + "/base") + "\" /IAgreeToTheEULA";
    auto run = RunInstaller(std::filesystem::relative(exe, BuildPath("")).string(), args, dir);
    EXPECT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exitCode, exitCode) << exe;
    return ReadFile(dir + "/run.log").value_or("");
}

// The same, started by wine itself: the harness's helper cannot start a program whose path is
// longer than MAX_PATH. Only the exit code's low byte comes back through Linux.
std::string RunSilentlyWithWine(const std::string& exe, const std::string& dir,
                                std::uint32_t exitCode) {
    int status = RunWineStatus({exe, "log", WinPath(dir + "/run.log"), "/IAgreeToTheEULA"}, dir);
    EXPECT_EQ(status, static_cast<int>(exitCode & 0xFF));
    return ReadFile(dir + "/run.log").value_or("");
}

TEST_F(Signature, SilentRunStopsOnAnUnsignedOrAlteredExecutableBeforeExtracting) {
    std::string altered = FreshFolder("signature-altered") + "/installer.exe";
    SignedCopy("KitbagInstaller-unsigned.exe", "", altered);
    {
        // The middle of the file lies in the hashed range, far from the signature.
        std::fstream file(altered, std::ios::binary | std::ios::in | std::ios::out);
        auto middle = static_cast<std::streamoff>(std::filesystem::file_size(altered) / 2);
        char byte = 0;
        file.seekg(middle).get(byte);
        file.seekp(middle).put(static_cast<char>(byte ^ 0x5A));
        ASSERT_TRUE(file.good());
    }
    std::string unsignedExe = BuildPath("KitbagInstaller-unsigned.exe");
    const std::pair<std::string, std::string> rows[] = {
        {unsignedExe, "The file \"" + WinPath(unsignedExe) + "\" is not signed.\r\n"},
        {altered, "Error is: 0x80096010.\r\n"},
    };
    for (const auto& [exe, verdict] : rows) {
        std::string dir = FreshFolder("signature-refused");
        std::string log = RunSilently(exe, dir, kNotSigned);
        EXPECT_NE(log.find("\r\nDigital verification: '" + verdict +
                           "'\r\nNot signed correctly so failing now!\r\n"),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find("GetAuthenticodeInformation"), std::string::npos) << log;
        EXPECT_TRUE(std::filesystem::is_empty(dir + "/base")) << "nothing is extracted";
    }
}

TEST_F(Signature, SignerDetailsAreLoggedAndTheProgramNameReachesTheWizard) {
    const struct {
        std::string options, opusLines, programName, moreInfo, token;
    } rows[] = {
        {"-n 'Signed Program' -i 'https://more.example/info'", "", "Signed Program",
         "https://more.example/info", "Signed Program"},
        // Without a program name the build's default goes to the wizard.
        {"-i 'https://more.example/'", "GetProgAndPublisherInfo failed pwszProgramName\r\n", "null",
         "https://more.example/", "Roza"},
    };
    for (const auto& row : rows) {
        // A path longer than MAX_PATH is verified and read whole, not cut. This build stops
        // at its disk-space check, so the log keeps the start of the run.
        std::string dir = FreshFolder("signature-details");
        std::string deep = dir + "/" + std::string(100, 'd') + "/" + std::string(100, 'e') + "/" +
                           std::string(100, 'f');
        std::filesystem::create_directories(deep);
        std::string exe = SignedCopy("KitbagInstaller-bigdisk-unsigned.exe", row.options,
                                     deep + "/installer.exe");
        std::string log = RunSilentlyWithWine(exe, dir, 0x80030070);
        EXPECT_NE(log.find("Digital verification: 'The file \"" + WinPath(exe) +
                           "\" is signed and the signature was verified.\r\n'\r\n"
                           "GetAuthenticodeInformation \r\n" +
                           row.opusLines +
                           "GetProgAndPublisherInfo pPublisheInfo = null\r\n"
                           "GetProgAndPublisherInfo switch MoreInfo 1\r\n"
                           "GetAuthenticodeInformation Fininshed\r\n"
                           "Digital verification: SubjectName 'Kitbag Test Signer'\r\n"
                           "Digital verification: ProgramName '" +
                           row.programName + "'\r\nDigital verification: MoreInfo    '" +
                           row.moreInfo + "'\r\nDigital verification: SerialNumber " + s_serial +
                           "\r\nDigital verification: IssuerName 'Kitbag Test Signer'\r\n"),
                  std::string::npos)
            << log;

        std::string full = FreshFolder("signature-wizard");
        log = RunSilently(
            SignedCopy("KitbagInstaller-unsigned.exe", row.options, full + "/installer.exe"), full,
            0);
        // The wizard's arguments as the worker composes them.
        EXPECT_NE(log.find(" BW_I=\"" + row.token + "\" \r\n"), std::string::npos) << log;
    }
}

} // namespace
