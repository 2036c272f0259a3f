#include "shipping/signing/signing.h"
#include "shipping/base/scratch_folder.h"
#include "shipping/base/files.h"
#include "shipping/base/process.h"

#include <algorithm>
#include <cstdlib>

namespace fs = std::filesystem;

namespace kitbag {
namespace {

PackOptions Options(std::map<std::string, std::string> values) {
    PackOptions options;
    options.values = std::move(values);
    return options;
}

class Password : public test::ScratchFolder {
protected:
    void TearDown() override {
        unsetenv("KITBAG_TEST_PASSWORD");
        ScratchFolder::TearDown();
    }
    // The password read, or "error: <reason>".
    std::string Read(const PackOptions& options) {
        std::optional<std::string> password;
        std::string error;
        if (!ReadPassword(options, password, error))
            return "error: " + error;
        return password ? "'" + *password + "'" : "none";
    }
};

TEST_F(Password, TheFilesFirstLineWithoutItsLineEnd) {
    const struct {
        std::string bytes, read;
    } rows[] = {
        {"s3cret", "'s3cret'"},
        {"s3cret\n", "'s3cret'"},
        {"s3cret\r\nsecond line\n", "'s3cret'"},
        {" spaced out \n", "' spaced out '"},
        {"", "''"},
        {"\n", "''"},
        {"in\rside\n", "error: the password holds a line end or a zero byte, which osslsigncode "
                       "cannot take"},
        {std::string("ze\0ro", 5), "error: the password holds a line end or a zero byte, which "
                                   "osslsigncode cannot take"},
        {std::string(4095, 'p'), "'" + std::string(4095, 'p') + "'"},
        {std::string(4096, 'p'), "error: the password is 4096 bytes long; osslsigncode takes at "
                                 "most 4095"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Read(Options({{"--pass-file", Write("pass.txt", row.bytes)}})), row.read);
    fs::create_directories(root / "folder");
    EXPECT_EQ(Read(Options({{"--pass-file", (root / "folder").string()}})),
              "error: --pass-file '" + (root / "folder").string() + "' is a folder, not a file");
    EXPECT_EQ(Read(Options({{"--pass-file", (root / "none").string()}})).rfind("error: ", 0), 0u);
    EXPECT_EQ(Read(Options({})), "none");
}

TEST_F(Password, TheVariableNamedWhichMustBeSet) {
    EXPECT_EQ(Read(Options({{"--pass-env", "KITBAG_TEST_PASSWORD"}})),
              "error: --pass-env names the environment variable 'KITBAG_TEST_PASSWORD', which is "
              "not set");
    setenv("KITBAG_TEST_PASSWORD", "p12 pass", 1);
    EXPECT_EQ(Read(Options({{"--pass-env", "KITBAG_TEST_PASSWORD"}})), "'p12 pass'");
    setenv("KITBAG_TEST_PASSWORD", "", 1);
    EXPECT_EQ(Read(Options({{"--pass-env", "KITBAG_TEST_PASSWORD"}})), "''");
    setenv("KITBAG_TEST_PASSWORD", "two\nlines", 1);
    EXPECT_NE(Read(Options({{"--pass-env", "KITBAG_TEST_PASSWORD"}})).find("a line end"),
              std::string::npos);
}

TEST(SignArguments, ThePasswordIsNeverOnTheCommandLine) {
    const PackOptions pem = Options({{"--sign-cert", "c.pem"},
                                     {"--sign-key", "k.pem"},
                                     {"--pass-file", "pw"},
                                     {"--program-name", "Acme"},
                                     {"--timestamp-url", "http://127.0.0.1:9/"}});
    EXPECT_EQ(SignArguments(pem, std::string("hunter2"), "in.exe", "out.exe"),
              (std::vector<std::string>{
                  "osslsigncode", "sign", "-certs", "c.pem", "-key", "k.pem", "-readpass", "-",
                  "-n", "Acme", "-ts", "http://127.0.0.1:9/", "-in", "in.exe", "-out", "out.exe"}));
    const PackOptions p12 = Options({{"--pkcs12", "a.pfx"}});
    EXPECT_EQ(SignArguments(p12, std::nullopt, "in.exe", "out.exe"),
              (std::vector<std::string>{"osslsigncode", "sign", "-pkcs12", "a.pfx", "-in", "in.exe",
                                        "-out", "out.exe"}));
    // osslsigncode reads no empty password from its input; an empty one hides nothing.
    EXPECT_EQ(SignArguments(p12, std::string(), "in.exe", "out.exe"),
              (std::vector<std::string>{"osslsigncode", "sign", "-pkcs12", "a.pfx", "-pass", "",
                                        "-in", "in.exe", "-out", "out.exe"}));
}

TEST(SignArguments, ASigningTimeGoesToOsslsigncode) {
    EXPECT_EQ(SignArguments(Options({{"--pkcs12", "a.pfx"}}), std::nullopt, "in.exe", "out.exe",
                            std::string("1700000000")),
              (std::vector<std::string>{"osslsigncode", "sign", "-pkcs12", "a.pfx", "-time",
                                        "1700000000", "-in", "in.exe", "-out", "out.exe"}));
}

TEST(SigningFailure, OsslsigncodesMessagesGiveOneLineReasons) {
    const PackOptions pem = Options({{"--sign-cert", "c.pem"},
                                     {"--sign-key", "k.pem"},
                                     {"--timestamp-url", "http://127.0.0.1:9/"}});
    const PackOptions p12 = Options({{"--pkcs12", "a.pfx"}});
    // What osslsigncode 2.9 says in each case, shortened.
    const struct {
        const PackOptions& options;
        bool password;
        int status;
        std::string messages, reason;
    } rows[] = {
        {pem, true, 255,
         "Failed to decode private key file: k.pem (Wrong password?)\nFailed to read key or "
         "certificates\n",
         "the password does not open the key 'k.pem'"},
        {pem, false, 255, "Failed to decode private key file: k.pem (Wrong password?)\n",
         "cannot read the key 'k.pem': it needs a password (--pass-file or --pass-env), or it is "
         "not a key"},
        {p12, true, 255,
         "Failed to parse PKCS#12 file: a.pfx (Wrong password?)\n...:PKCS12_parse:mac verify "
         "failure:...\n",
         "the password does not open the PKCS#12 file 'a.pfx'"},
        {pem, true, 255,
         "Failed to checking the consistency of a private key: k.pem\n...:X509_check_private_"
         "key:key values mismatch:...\n",
         "the key 'k.pem' does not belong to the certificate 'c.pem'"},
        {pem, true, 1,
         "HTTP failure: Failed to get data from http://127.0.0.1:9/\nRFC 3161 timestamping "
         "failed\n...:BIO_connect:Connection refused:...\n",
         "the time-stamp authority at 'http://127.0.0.1:9/' gave no time stamp (nothing answers "
         "there)"},
        {pem, true, 1,
         "HTTP failure: Failed to get data from http://127.0.0.1:9/\nRFC 3161 timestamping "
         "failed\n...:parse_http_line1:received error:...:code=500, reason=out of order\n",
         "the time-stamp authority at 'http://127.0.0.1:9/' gave no time stamp (it answered with "
         "an error)"},
        {pem, true, kProgramTimedOut, "Connecting to http://127.0.0.1:9/\n",
         "the time-stamp authority at 'http://127.0.0.1:9/' did not answer within 60 seconds"},
        {p12, true, 255, "...:X509_check_private_key:key values mismatch:...\n",
         "the key in the PKCS#12 file 'a.pfx' does not belong to its certificate"},
        {pem, true, -1, "", "cannot run osslsigncode (is it installed, and on PATH?)"},
        {pem, true, kProgramKilled, "", "osslsigncode was ended by a signal before it had signed"},
        {pem, true, 3, "Something new\n", "osslsigncode could not sign (exit status 3)"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SigningFailure(row.options, row.password, row.status, row.messages), row.reason);
}

// osslsigncode replaced by a script that keeps its arguments, its input and a -readpass file,
// and then signs (copies -in to -out), fails, or waits, as KITBAG_FAKE_SIGNER says; its
// version is KITBAG_FAKE_VERSION's, 2.9 without it.
class SignImageWithAFakeSigner : public test::ScratchFolder {
protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        const std::string bin = (root / "bin").string();
        Write("bin/osslsigncode",
              "#!/bin/sh\n"
              "[ \"$1\" = --version ] && { echo \"osslsigncode "
              "${KITBAG_FAKE_VERSION:-2.9}, using:\"; exit 0; }\n"
              "printf '%s\\n' \"$@\" > \"$KITBAG_FAKE_DIR/args\"\n"
              "cat > \"$KITBAG_FAKE_DIR/stdin\"\n"
              "while [ $# -gt 1 ]; do\n"
              "  case $1 in -in) in=$2;; -out) out=$2;;\n"
              "  -readpass) [ \"$2\" = - ] || cp \"$2\" \"$KITBAG_FAKE_DIR/passfile\";;\n"
              "  esac; shift\n"
              "done\n"
              "case $KITBAG_FAKE_SIGNER in\n"
              "ok) cp \"$in\" \"$out\"; echo Succeeded;;\n"
              "wrong) echo partial > \"$out\"\n"
              "  echo 'Failed to decode private key file: k (Wrong "
              "password?)' >&2; exit 255;;\n"
              "wait) echo Connecting; exec sleep 30;;\n"
              "esac\n");
        fs::permissions(bin + "/osslsigncode", fs::perms::owner_all);
        path = std::getenv("PATH");
        setenv("PATH", (bin + ":" + path).c_str(), 1);
        setenv("KITBAG_FAKE_DIR", root.c_str(), 1);
        in = Write("in.exe", "unsigned image");
        out = (root / "out.exe").string();
    }
    void TearDown() override {
        setenv("PATH", path.c_str(), 1);
        unsetenv("KITBAG_FAKE_DIR");
        unsetenv("KITBAG_FAKE_SIGNER");
        unsetenv("KITBAG_TIMESTAMP_TIMEOUT");
        unsetenv("KITBAG_FAKE_VERSION");
        ScratchFolder::TearDown();
    }
    std::string Read(const std::string& name) {
        Bytes bytes;
        std::string error;
        ReadWholeFile((root / name).string(), bytes, error);
        return std::string(bytes.begin(), bytes.end());
    }

    std::string path, in, out;
};

TEST_F(SignImageWithAFakeSigner, ThePasswordGoesThroughStandardInputOnly) {
    setenv("KITBAG_FAKE_SIGNER", "ok", 1);
    const PackOptions options = Options({{"--sign-cert", "c.pem"},
                                         {"--sign-key", "k.pem"},
                                         {"--pass-file", Write("pw.txt", "hunter2\nnext\n")}});
    EXPECT_EQ(SignImage(options, in, out), "");
    EXPECT_EQ(Read("out.exe"), "unsigned image");
    EXPECT_EQ(Read("stdin"), "hunter2");
    EXPECT_EQ(Read("args").find("hunter2"), std::string::npos) << Read("args");
    EXPECT_NE(Read("args").find("-readpass\n-\n"), std::string::npos) << Read("args");
}

TEST_F(SignImageWithAFakeSigner, AFailureLeavesNoOutputAndSaysWhy) {
    setenv("KITBAG_FAKE_SIGNER", "wrong", 1);
    setenv("KITBAG_TEST_PASSWORD", "nope", 1);
    const PackOptions options =
        Options({{"--pkcs12", "a.pfx"}, {"--pass-env", "KITBAG_TEST_PASSWORD"}});
    EXPECT_EQ(SignImage(options, in, out), "the password does not open the PKCS#12 file 'a.pfx'");
    EXPECT_FALSE(fs::exists(out));
    unsetenv("KITBAG_TEST_PASSWORD");
    // The password is wanted before osslsigncode runs.
    fs::remove(root / "args");
    EXPECT_NE(SignImage(options, in, out).find("which is not set"), std::string::npos);
    EXPECT_FALSE(fs::exists(root / "args"));
}

TEST_F(SignImageWithAFakeSigner, AnAuthorityThatDoesNotAnswerIsGivenUpOn) {
    setenv("KITBAG_FAKE_SIGNER", "wait", 1);
    setenv("KITBAG_TIMESTAMP_TIMEOUT", "1", 1);
    const PackOptions options = Options({{"--sign-cert", "c.pem"},
                                         {"--sign-key", "k.pem"},
                                         {"--timestamp-url", "http://127.0.0.1:9/"}});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SignImage(options, in, out),
              "the time-stamp authority at 'http://127.0.0.1:9/' did not answer within 1 second");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_FALSE(fs::exists(out));
}

// osslsigncode before 2.9 opens a file named '-' for '-readpass -': the password reaches it
// through a file of a private folder instead, removed once it has signed.
TEST_F(SignImageWithAFakeSigner, AnOsslsigncodeBefore29GetsThePasswordInAPrivateFile) {
    EXPECT_TRUE(ReadsPasswordFromInput("osslsigncode 3.0, using:\n"));
    EXPECT_FALSE(ReadsPasswordFromInput("osslsigncode 1.7.1\n"));
    EXPECT_FALSE(ReadsPasswordFromInput(""));
    setenv("KITBAG_FAKE_SIGNER", "ok", 1);
    setenv("KITBAG_FAKE_VERSION", "2.5", 1);
    const PackOptions options = Options({{"--sign-cert", "c.pem"},
                                         {"--sign-key", "k.pem"},
                                         {"--pass-file", Write("pw.txt", "hunter2\n")}});
    EXPECT_EQ(SignImage(options, in, out), "");
    EXPECT_EQ(Read("out.exe"), "unsigned image");
    EXPECT_EQ(Read("passfile"), "hunter2");
    EXPECT_EQ(Read("stdin"), "");
    const std::string args = Read("args");
    const std::size_t at = args.find("-readpass\n");
    ASSERT_NE(at, std::string::npos) << args;
    const std::string file = args.substr(at + 10, args.find('\n', at + 10) - at - 10);
    EXPECT_NE(file, "-");
    EXPECT_FALSE(fs::exists(file)) << "the password file is left";
    EXPECT_EQ(args.find("hunter2"), std::string::npos) << args;
}

} // namespace
} // namespace kitbag
