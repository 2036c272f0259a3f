#include "shipping/programs/pack_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace kitbag {
namespace {

std::string Parse(std::vector<const char*> args, PackOptions& options) {
    args.insert(args.begin(), "kitbag-pack");
    std::string error;
    return ParsePackOptions(static_cast<int>(args.size()), args.data(), options, error)
               ? std::string("ok")
               : error;
}

std::string Parse(std::vector<const char*> args) {
    PackOptions options;
    return Parse(std::move(args), options);
}

TEST(PackOptions, ModesAndTheOptionsEachNeeds) {
    PackOptions options;
    EXPECT_EQ(Parse({"--payload", "p", "--program", "a.exe", "-o", "x.exe", "--no-sign"}, options),
              "ok");
    EXPECT_EQ(options.mode, PackMode::Pack);
    EXPECT_EQ(Parse({"--payload", "p", "--program", "a.exe", "--no-sign"}), "-o is missing");
    options = {};
    EXPECT_EQ(Parse({"--payload", "p", "--program", "a.exe", "--dry-run", "--no-sign"}, options),
              "ok");
    EXPECT_EQ(options.mode, PackMode::DryRun);
    options = {};
    EXPECT_EQ(Parse({"--list", "Setup.exe"}, options), "ok");
    EXPECT_EQ(options.mode, PackMode::List);
    EXPECT_EQ(options.Get("--list"), "Setup.exe");
    EXPECT_EQ(Parse({"--list", "Setup.exe", "--payload", "p"}), "--list goes alone");
    options = {};
    EXPECT_EQ(Parse({"--help"}, options), "ok");
    EXPECT_EQ(options.mode, PackMode::Help);
    EXPECT_EQ(Parse({"--version", "--payload", "p"}), "--version goes alone");
    EXPECT_EQ(Parse({"--payload"}), "--payload needs a value");
    EXPECT_EQ(Parse({"--dry-run", "--dry-run"}), "--dry-run is given twice");
    EXPECT_EQ(Parse({"--title", "a", "--title", "b"}), "--title is given twice");
    EXPECT_EQ(Parse({"--payload", "p", "--program", "a.exe", "--dryrun"}),
              "unknown argument '--dryrun'");
    // A value that looks like an option is still the value.
    options = {};
    EXPECT_EQ(
        Parse({"--payload", "p", "--program", "a.exe", "--title", "--help", "-o", "x", "--no-sign"},
              options),
        "ok");
    EXPECT_EQ(options.Get("--title"), "--help");
}

TEST(PackOptions, OneCertificateOnePasswordAndNoSigningOptionsWithNoSign) {
    const std::vector<const char*> base = {"--payload", "p", "--program", "a.exe", "-o", "x"};
    auto with = [&](std::vector<const char*> more) {
        std::vector<const char*> args = base;
        args.insert(args.end(), more.begin(), more.end());
        return Parse(args);
    };
    EXPECT_EQ(with({"--sign-cert", "c", "--sign-key", "k"}), "ok");
    EXPECT_EQ(with({"--sign-cert", "c"}), "--sign-cert and --sign-key go together");
    EXPECT_EQ(with({"--pkcs12", "f", "--pass-env", "P", "--timestamp-url", "http://t"}), "ok");
    EXPECT_EQ(with({"--pkcs12", "f", "--sign-cert", "c", "--sign-key", "k"}),
              "--pkcs12 or --sign-cert with --sign-key: one certificate");
    EXPECT_EQ(with({"--pkcs12", "f", "--pass-env", "P", "--pass-file", "f"}),
              "--pass-file or --pass-env: one password");
    EXPECT_EQ(with({"--pass-file", "f"}), "a password needs --pkcs12 or --sign-key");
    EXPECT_EQ(with({"--timestamp-url", "http://t"}),
              "--timestamp-url needs a certificate to sign with");
    EXPECT_EQ(with({"--no-sign"}), "ok");
    EXPECT_EQ(with({}), "name a certificate (--sign-cert with --sign-key, or --pkcs12), or "
                        "--no-sign to sign the installer afterwards");
    EXPECT_EQ(with({"--no-sign", "--pkcs12", "f"}),
              "--no-sign and a certificate contradict each other");
    EXPECT_EQ(with({"--arch", "arm64"}), "--arch is x86 or x64");
    EXPECT_EQ(with({"--no-sign", "--compress"}), "ok");
    EXPECT_EQ(with({"--no-sign", "--store", "--compress"}),
              "--store and --compress contradict each other");
    EXPECT_EQ(with({"--no-sign", "--store", "--threads", "2"}), "ok");
    for (const char* threads : {"0", "257", "-1", "x", "", "99999999999"})
        EXPECT_EQ(with({"--no-sign", "--threads", threads}), "--threads is a number from 1 to 256")
            << threads;
}

TEST(PackOptions, HelpGivesEveryOptionALine) {
    const std::string help = PackHelp();
    for (const char* option : {"--payload DIR",   "--program NAME.exe",
                               "-o OUTPUT.exe",   "--title",
                               "--program-type",  "--disk-mb",
                               "--dotnet",        "--admin-install",
                               "--program-name",  "--product-version",
                               "--company",       "--description",
                               "--copyright",     "--icon",
                               "--splash",        "--sign-cert",
                               "--sign-key",      "--pkcs12",
                               "--pass-file",     "--pass-env",
                               "--timestamp-url", "--no-sign",
                               "--arch",          "--stub",
                               "--compress",      "--store",
                               "--threads N",     "--dry-run",
                               "--list",          "--help",
                               "--version"})
        EXPECT_NE(help.find(std::string("  ") + option), std::string::npos) << option;
    std::size_t start = 0;
    for (std::size_t end; (end = help.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, 100u) << help.substr(start, end - start);
}

} // namespace
} // namespace kitbag
