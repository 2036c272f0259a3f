// kitbag-pack signing as certificate vendors sign: a PEM certificate with an encrypted key, a
// PKCS#12 file, passwords from a file or the environment, and RFC 3161 time stamps from a
// time-stamp authority on 127.0.0.1 that the tests start themselves (tsa_server.py); and a
// time-stamped, tagged installer run under Wine.
#include "host_run.h"
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A TCP socket on a free port of 127.0.0.1: listening without ever answering, or bound only,
// so that a connection there is refused. Closed at the end.
class LocalPort {
public:
    explicit LocalPort(bool listening) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            (!listening || listen(fd_, 4) == 0) &&
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~LocalPort() {
        if (fd_ >= 0)
            close(fd_);
    }
    LocalPort(const LocalPort&) = delete;
    LocalPort& operator=(const LocalPort&) = delete;
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    bool ok() const { return port_ != 0; }

private:
    int fd_;
    int port_ = 0;
};

// A signer's certificate with an encrypted key, the same in a PKCS#12 file, another
// certificate's key, a time-stamp authority, a product, and the product packed with a time
// stamp and then tagged. Made once for each test process.
class SigningFixture : public ::testing::Test {
protected:
    static void Prepare() {
        if (!dir.empty() && authority > 0)
            return;
        dir = FreshFolder("signing");
        auto openssl = [](const std::string& args) {
            HostRun run = RunHost({"sh", "-c", "openssl " + args}, dir + "/openssl");
            EXPECT_EQ(run.exitCode, 0) << args << "\n" << run.err;
        };
        // O before CN, as vendors' certificates have them; listed most specific first.
        openssl("req -x509 -newkey rsa:2048 -days 2 -subj '/O=Acme Ltd/CN=Acme Signer' -passout "
                "pass:key-s3cret -keyout " +
                ShellQuote(dir + "/key.pem") + " -out " + ShellQuote(dir + "/cert.pem"));
        openssl("pkcs12 -export -in " + ShellQuote(dir + "/cert.pem") + " -inkey " +
                ShellQuote(dir + "/key.pem") +
                " -passin pass:key-s3cret -passout 'pass:p12 pass' -out " +
                ShellQuote(dir + "/cert.p12"));
        openssl("req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Somebody Else' -keyout " +
                ShellQuote(dir + "/other-key.pem") + " -out " +
                ShellQuote(dir + "/other-cert.pem"));
        WriteBytes(dir + "/pass.txt", "key-s3cret\r\nnot this line\n");
        WriteBytes(dir + "/wrong-pass.txt", "key-secret\n");
        WriteBytes(dir + "/product/Setup.exe",
                   ReadFile(BuildPath("wizard/Brasswick.Hopwell.UI.exe")).value_or(""));
        WriteBytes(dir + "/product/data/readme.txt", "Read me.\r\n");
        information = "<info referral=\"signing-test\"/>";
        WriteBytes(dir + "/info.xml", information);
        StartAuthority();

        stampedRun = Pack({"--sign-cert", dir + "/cert.pem", "--sign-key", dir + "/key.pem",
                           "--pass-file", dir + "/pass.txt", "--timestamp-url", Url()},
                          dir + "/Stamped.exe");
        taggedRun = RunHost({KITBAG_TAG_TOOL, "--in", dir + "/Stamped.exe", "--info",
                             dir + "/info.xml", "-o", dir + "/Tagged.exe"},
                            dir + "/tag");
    }

    // tsa_server.py in dir/tsa; its port once it has written it.
    static void StartAuthority() {
        const std::string folder = dir + "/tsa";
        fs::create_directories(folder);
        const std::string script = KITBAG_SOURCE_DIR "/tests/e2e/tsa_server.py";
        authority = StartHost({"python3", script, folder});
        ASSERT_GT(authority, 0) << "python3 did not start";
        for (int i = 0; i < 200 && port.empty(); ++i) {
            std::string text = ReadFile(folder + "/port").value_or("");
            if (!text.empty())
                port = text.substr(0, text.find('\n'));
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_FALSE(port.empty()) << "the time-stamp authority did not start";
    }

    static void TearDownTestSuite() {
        if (authority > 0) {
            kill(authority, SIGTERM);
            waitpid(authority, nullptr, 0);
        }
        authority = 0;
        port.clear();
    }

    static std::string Url(const std::string& path = "") {
        return "http://127.0.0.1:" + port + "/" + path;
    }

    // kitbag-pack of the product into output with these signing options.
    static HostRun Pack(const std::vector<std::string>& signing, const std::string& output) {
        // In a session of its own: without a password, osslsigncode may ask at the terminal.
        std::vector<std::string> argv = {"setsid",
                                         "-w",
                                         KITBAG_PACK_TOOL,
                                         "--payload",
                                         dir + "/product",
                                         "--program",
                                         "Setup.exe",
                                         "--arch",
                                         PackArchitecture(),
                                         "--program-name",
                                         "AcmeName",
                                         "-o",
                                         output};
        argv.insert(argv.end(), signing.begin(), signing.end());
        return RunHost(argv, output + ".run");
    }

    // osslsigncode verify against the signer's certificate and the authority's.
    static HostRun Verify(const std::string& file) {
        return RunHost({"osslsigncode", "verify", "-CAfile", dir + "/cert.pem", "-TSA-CAfile",
                        dir + "/tsa/tsa-cert.pem", "-in", file},
                       dir + "/verify");
    }

    static HostRun List(const std::string& file) {
        return RunHost({KITBAG_PACK_TOOL, "--list", file}, dir + "/list");
    }

    static inline std::string dir, information, port;
    static inline pid_t authority = 0;
    static inline HostRun stampedRun, taggedRun;
};

class Signing : public SigningFixture {
protected:
    static void SetUpTestSuite() { Prepare(); }
};

const char kSignerLine[] = "Signer    'CN=Acme Signer, O=Acme Ltd' issued by 'CN=Acme Signer, "
                           "O=Acme Ltd'\n";

TEST_F(Signing, ACertificateWithAnEncryptedKeyAndItsPasswordFile) {
    HostRun run = Pack({"--sign-cert", dir + "/cert.pem", "--sign-key", dir + "/key.pem",
                        "--pass-file", dir + "/pass.txt"},
                       dir + "/Pem.exe");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(", " + PackArchitecture() + ", signed\n"), std::string::npos) << run.out;
    HostRun verify = Verify(dir + "/Pem.exe");
    EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;
    HostRun list = List(dir + "/Pem.exe");
    EXPECT_NE(list.out.find(kSignerLine), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("\nTime stamp none\n"), std::string::npos) << list.out;
}

TEST_F(Signing, APkcs12FileWithItsPasswordFromTheEnvironment) {
    setenv("KITBAG_TEST_P12_PASSWORD", "p12 pass", 1);
    HostRun run = Pack({"--pkcs12", dir + "/cert.p12", "--pass-env", "KITBAG_TEST_P12_PASSWORD"},
                       dir + "/Pfx.exe");
    unsetenv("KITBAG_TEST_P12_PASSWORD");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    HostRun verify = Verify(dir + "/Pfx.exe");
    EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;
    EXPECT_NE(List(dir + "/Pfx.exe").out.find(kSignerLine), std::string::npos);
}

TEST_F(Signing, EachRefusalEndsWithItsReasonAndLeavesTheOutputAsItWas) {
    LocalPort refusing(false), silent(true);
    ASSERT_TRUE(refusing.ok() && silent.ok());
    const std::vector<std::string> pem = {"--sign-cert",    dir + "/cert.pem", "--sign-key",
                                          dir + "/key.pem", "--pass-file",     dir + "/pass.txt"};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> all = pem;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    const struct {
        const char* what;
        std::vector<std::string> options;
        std::string reason;
    } rows[] = {
        {"a wrong password",
         {"--sign-cert", dir + "/cert.pem", "--sign-key", dir + "/key.pem", "--pass-file",
          dir + "/wrong-pass.txt"},
         "the password does not open the key '" + dir + "/key.pem'"},
        {"a wrong PKCS#12 password",
         {"--pkcs12", dir + "/cert.p12", "--pass-env", "KITBAG_TEST_WRONG_PASSWORD"},
         "the password does not open the PKCS#12 file '" + dir + "/cert.p12'"},
        {"a missing variable",
         {"--pkcs12", dir + "/cert.p12", "--pass-env", "KITBAG_TEST_NO_SUCH_VARIABLE"},
         "--pass-env names the environment variable 'KITBAG_TEST_NO_SUCH_VARIABLE', which is "
         "not set"},
        {"an encrypted key without its password",
         {"--sign-cert", dir + "/cert.pem", "--sign-key", dir + "/key.pem"},
         "cannot read the key '" + dir +
             "/key.pem': it needs a password (--pass-file or --pass-env), or it is not a key"},
        {"another certificate's key",
         {"--sign-cert", dir + "/cert.pem", "--sign-key", dir + "/other-key.pem"},
         "the key '" + dir + "/other-key.pem' does not belong to the certificate '" + dir +
             "/cert.pem'"},
        {"nothing listening for time stamps", with({"--timestamp-url", refusing.Url()}),
         "the time-stamp authority at '" + refusing.Url() +
             "' gave no time stamp (nothing answers there)"},
        {"an authority out of order", with({"--timestamp-url", Url("fail")}),
         "the time-stamp authority at '" + Url("fail") +
             "' gave no time stamp (it answered with an error)"},
        {"an authority that never answers", with({"--timestamp-url", silent.Url()}),
         "the time-stamp authority at '" + silent.Url() + "' did not answer within 2 seconds"},
    };
    setenv("KITBAG_TEST_WRONG_PASSWORD", "not it", 1);
    setenv("KITBAG_TIMESTAMP_TIMEOUT", "2", 1);
    const std::string folder = dir + "/refused";
    fs::create_directories(folder);
    for (const auto& row : rows) {
        WriteBytes(folder + "/Setup.exe", "the old installer");
        HostRun run = Pack(row.options, folder + "/Setup.exe");
        EXPECT_EQ(run.exitCode, 1) << row.what;
        const std::string line = "kitbag-pack: " + row.reason + "; nothing written\n";
        EXPECT_NE(run.err.find(line), std::string::npos) << row.what << ":\n" << run.err;
        EXPECT_EQ(ReadFile(folder + "/Setup.exe"), "the old installer") << row.what;
        for (const auto& entry : fs::directory_iterator(folder))
            EXPECT_EQ(entry.path().filename(), "Setup.exe") << row.what << ": a file left";
    }
    unsetenv("KITBAG_TEST_WRONG_PASSWORD");
    unsetenv("KITBAG_TIMESTAMP_TIMEOUT");
}

TEST_F(Signing, ATimeStampedInstallerVerifiesAndListsItsTimeStampAlsoWhenTagged) {
    ASSERT_EQ(stampedRun.exitCode, 0) << stampedRun.err;
    EXPECT_NE(stampedRun.out.find(", signed and time-stamped\n"), std::string::npos)
        << stampedRun.out;
    ASSERT_EQ(taggedRun.exitCode, 0) << taggedRun.err;
    for (const char* file : {"/Stamped.exe", "/Tagged.exe"}) {
        HostRun verify = Verify(dir + file);
        EXPECT_EQ(verify.exitCode, 0) << file << verify.out << verify.err;
        EXPECT_NE(verify.out.find("Timestamp Server Signature verification: ok"), std::string::npos)
            << file << verify.out;
        EXPECT_NE(verify.out.find("Issuer: /O=Kitbag Tests/CN=Kitbag Test Time Stamps"),
                  std::string::npos)
            << file << verify.out;

        HostRun list = List(dir + file);
        ASSERT_EQ(list.exitCode, 0) << list.err;
        EXPECT_NE(list.out.find(kSignerLine), std::string::npos) << list.out;
        const std::size_t at = list.out.find("\nTime stamp ");
        ASSERT_NE(at, std::string::npos) << list.out;
        const std::string line = list.out.substr(at + 1, list.out.find('\n', at + 1) - at - 1);
        EXPECT_EQ(line.substr(34), " by 'CN=Kitbag Test Time Stamps, O=Kitbag Tests' (RFC 3161)")
            << line;
        // The authority's clock is this machine's: the time is within minutes of now.
        std::tm stamped{};
        ASSERT_TRUE(strptime(line.c_str(), "Time stamp %Y-%m-%d %H:%M:%S UTC", &stamped)) << line;
        const double age = std::difftime(std::time(nullptr), timegm(&stamped));
        EXPECT_LT(std::abs(age), 600.0) << line;
    }
    HostRun list = List(dir + "/Tagged.exe");
    EXPECT_NE(list.out.find("Tag       " + std::to_string(information.size()) + " bytes:\n" +
                            information + "\n"),
              std::string::npos)
        << list.out;
    HostRun show = RunHost({KITBAG_TAG_TOOL, "--in", dir + "/Tagged.exe", "--show"}, dir + "/show");
    EXPECT_EQ(show.exitCode, 0) << show.err;
    EXPECT_EQ(show.out, information);
}

TEST_F(Signing, AnUnsignedInstallerCanBeSignedAfterwards) {
    HostRun run = Pack({"--no-sign"}, dir + "/Unsigned.exe");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(", not signed\n"), std::string::npos) << run.out;
    EXPECT_NE(List(dir + "/Unsigned.exe").out.find("\nSignature none\n"), std::string::npos);
    HostRun sign = RunHost({"osslsigncode", "sign", "-certs", dir + "/other-cert.pem", "-key",
                            dir + "/other-key.pem", "-ts", Url(), "-in", dir + "/Unsigned.exe",
                            "-out", dir + "/SignedLater.exe"},
                           dir + "/sign");
    ASSERT_EQ(sign.exitCode, 0) << sign.out << sign.err;
    HostRun verify =
        RunHost({"osslsigncode", "verify", "-CAfile", dir + "/other-cert.pem", "-TSA-CAfile",
                 dir + "/tsa/tsa-cert.pem", "-in", dir + "/SignedLater.exe"},
                dir + "/verify");
    EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;
    HostRun list = List(dir + "/SignedLater.exe");
    EXPECT_NE(list.out.find("Signer    'CN=Somebody Else' issued by 'CN=Somebody Else'\n"),
              std::string::npos)
        << list.out;
    EXPECT_NE(list.out.find("' (RFC 3161)\n"), std::string::npos) << list.out;
}

class SigningUnderWine : public SigningFixture {
protected:
    static void SetUpTestSuite() { Prepare(); }
};

TEST_F(SigningUnderWine, ATimeStampedTaggedInstallerVerifiesItselfAndRunsItsProgram) {
    ASSERT_EQ(taggedRun.exitCode, 0) << stampedRun.err << taggedRun.err;
    const std::string base = dir + "/base";
    fs::create_directories(base);
    auto run = RunInstaller(
        fs::relative(dir + "/Tagged.exe", BuildPath("")).string(),
        "log run.log temp \"" + WinPath(base) + "\" /keep /IAgreeToTheEULA", dir,
        {{"KITBAG_WIZARD_RECORD", WinPath(dir + "/record.txt")}, {"KITBAG_WIZARD_WINDOW", "none"}});
    ASSERT_TRUE(run.finished) << run.output;
    const std::string log = ReadFile(dir + "/run.log").value_or("");
    // A signature that does not verify ends a silent run with 0x800B0100 before anything else.
    EXPECT_EQ(run.exitCode, 0u) << log;
    EXPECT_NE(log.find("BW_I=\"AcmeName\""), std::string::npos) << log;
    EXPECT_TRUE(FileExists(dir + "/record.txt")) << "the program was not started\n" << log;
    std::vector<fs::path> folders;
    for (const auto& entry : fs::directory_iterator(base))
        folders.push_back(entry.path());
    ASSERT_EQ(folders.size(), 1u) << log;
    EXPECT_EQ(ReadFile((folders[0] / "info.xml").string()), information);
    EXPECT_EQ(ReadFile((folders[0] / "data/readme.txt").string()), "Read me.\r\n");

    // The same file with one byte of its code changed is refused: the signature is checked.
    std::string tampered = ReadFile(dir + "/Tagged.exe").value_or("");
    ASSERT_GT(tampered.size(), 0x1000u);
    tampered[0x1000] = static_cast<char>(tampered[0x1000] ^ 1);
    WriteBytes(dir + "/Tampered.exe", tampered);
    auto bad = RunInstaller(fs::relative(dir + "/Tampered.exe", BuildPath("")).string(),
                            "/IAgreeToTheEULA", dir);
    EXPECT_EQ(bad.exitCode, 0x800B0100u) << bad.output;
}

// What a product team ships: every branding option, a PKCS#12 file with its password from the
// environment, a time stamp, then a tag.
TEST_F(SigningUnderWine, AProductPackedWithEveryOptionShowsItselfVerifiesAndRuns) {
    ASSERT_EQ(RunHost({"convert", "-size", "48x48", "xc:#20a060", "-define",
                       "icon:auto-resize=48,24", dir + "/acme.ico"},
                      dir + "/convert")
                  .exitCode,
              0);
    ASSERT_EQ(RunHost({"convert", "-size", "425x208", "xc:#2060a0", "-type", "truecolor",
                       "BMP3:" + dir + "/acme.bmp"},
                      dir + "/convert")
                  .exitCode,
              0);
    setenv("KITBAG_TEST_P12_PASSWORD", "p12 pass", 1);
    HostRun pack = Pack({"--pkcs12",
                         dir + "/cert.p12",
                         "--pass-env",
                         "KITBAG_TEST_P12_PASSWORD",
                         "--timestamp-url",
                         Url(),
                         "--title",
                         "Acme Product",
                         "--product-version",
                         "4.0.1.77",
                         "--company",
                         "Acme Ltd",
                         "--description",
                         "Acme Product Setup",
                         "--copyright",
                         "Copyright (C) 2026 Acme Ltd",
                         "--icon",
                         dir + "/acme.ico",
                         "--splash",
                         dir + "/acme.bmp",
                         "--admin-install",
                         "0"},
                        dir + "/AcmeSetup.exe");
    unsetenv("KITBAG_TEST_P12_PASSWORD");
    ASSERT_EQ(pack.exitCode, 0) << pack.err;
    HostRun tag = RunHost({KITBAG_TAG_TOOL, "--in", dir + "/AcmeSetup.exe", "--info",
                           dir + "/info.xml", "-o", dir + "/AcmeTagged.exe"},
                          dir + "/tag");
    ASSERT_EQ(tag.exitCode, 0) << tag.err;

    HostRun verify = Verify(dir + "/AcmeTagged.exe");
    EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;
    EXPECT_NE(verify.out.find("Timestamp Server Signature verification: ok"), std::string::npos)
        << verify.out;
    HostRun list = List(dir + "/AcmeTagged.exe");
    for (const std::string& line :
         {std::string("Version   file 4.0.1.77, product 4.0.1.77"),
          std::string("Version   CompanyName  'Acme Ltd'"),
          std::string("Version   FileDescription  'Acme Product Setup'"),
          std::string("Version   LegalCopyright  'Copyright (C) 2026 Acme Ltd'"),
          std::string("Version   ProductName  'Acme Product'"),
          std::string("Version   OriginalFilename  'AcmeSetup.exe'"), std::string(kSignerLine),
          std::string("Tag       " + std::to_string(information.size()) + " bytes:")})
        EXPECT_NE(list.out.find(line), std::string::npos) << line << "\n" << list.out;
    EXPECT_NE(list.out.find("\nTime stamp 20"), std::string::npos) << list.out;

    auto facts = ResourceFacts(dir + "/AcmeTagged.exe");
    EXPECT_EQ(facts["version"], "4.0.1.77");
    EXPECT_EQ(facts["versionstring[CompanyName]"], "Acme Ltd");
    EXPECT_EQ(facts["icongroup[5]"], "48x48,24x24");
    EXPECT_EQ(facts["bitmap[133]"], "425x208x24");

    const std::string base = dir + "/acme-base";
    fs::create_directories(base);
    auto run = RunInstaller(fs::relative(dir + "/AcmeTagged.exe", BuildPath("")).string(),
                            "log acme.log temp \"" + WinPath(base) + "\" /IAgreeToTheEULA", dir,
                            {{"KITBAG_WIZARD_RECORD", WinPath(dir + "/acme-record.txt")},
                             {"KITBAG_WIZARD_WINDOW", "none"}});
    ASSERT_TRUE(run.finished) << run.output;
    const std::string log = ReadFile(dir + "/acme.log").value_or("");
    EXPECT_EQ(run.exitCode, 0u) << log;
    EXPECT_TRUE(FileExists(dir + "/acme-record.txt")) << "the program was not started\n" << log;
    EXPECT_TRUE(fs::is_empty(base)) << "the working folder is left";
}

} // namespace
