// A product packed with its own version, company, description, copyright, icon and splash:
// what Windows reads of the file, what the About box and the splash show, what --list gives
// back, and what the branding options refuse.
#include "bitmap_pixels.h"
#include "host_run.h"
#include "window_query.h"
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

namespace fs = std::filesystem;

namespace {

bool Convert(const std::vector<std::string>& args, const std::string& scratch) {
    std::vector<std::string> argv = {"convert"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunHost(argv, scratch).exitCode == 0;
}

// The options every pack of these tests takes, and the branding under test.
std::vector<std::string> PackArguments(const std::string& dir, const std::string& output) {
    return {KITBAG_PACK_TOOL,
            "--payload",
            dir + "/product",
            "--program",
            "Setup.exe",
            "--arch",
            PackArchitecture(),
            "--admin-install",
            "0",
            "--title",
            "Acme Product",
            "--product-version",
            "2.3.4.5",
            "--company",
            "Acme Corp",
            "--description",
            "Acme Product Setup",
            "--copyright",
            "Copyright (C) 2026 Acme Corp",
            "--icon",
            dir + "/acme.ico",
            "--splash",
            dir + "/acme.bmp",
            "--sign-cert",
            BuildPath("signing/dev-cert.pem"),
            "--sign-key",
            BuildPath("signing/dev-key.pem"),
            "-o",
            output};
}

class BrandedProduct : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = FreshFolder("branded_product");
        WriteBytes(dir + "/product/Setup.exe",
                   ReadFile(BuildPath("wizard/Brasswick.Hopwell.UI.exe")).value_or(""));
        // Sizes and colours of their own, so that the stub's artwork cannot pass for them.
        artwork = Convert({"-size", "64x64", "xc:#20a060", "-define", "icon:auto-resize=64,20",
                           dir + "/acme.ico"},
                          dir + "/convert") &&
                  Convert({"-size", "425x208", "xc:#2060a0", "-type", "truecolor",
                           "BMP3:" + dir + "/acme.bmp"},
                          dir + "/convert");
        std::vector<std::string> pack = PackArguments(dir, dir + "/AcmeSetup.exe");
        pack.insert(pack.end() - 2, {"--disk-mb", "1"});
        packRun = RunHost(pack, dir + "/pack");
        // The same product asking for more disk than there is: its failure opens the dialog.
        pack = PackArguments(dir, dir + "/AcmeNoSpace.exe");
        pack.insert(pack.end() - 2, {"--disk-mb", "2147483647"});
        noSpaceRun = RunHost(pack, dir + "/pack-no-space");
    }

    static std::string Relative(const std::string& path) {
        return fs::relative(path, BuildPath("")).string();
    }

    static std::string dir;
    static bool artwork;
    static HostRun packRun, noSpaceRun;
};
std::string BrandedProduct::dir;
bool BrandedProduct::artwork = false;
HostRun BrandedProduct::packRun, BrandedProduct::noSpaceRun;

TEST_F(BrandedProduct, WindowsReadsTheProductsVersionTextsIconAndSplashAndListGivesThemBack) {
    ASSERT_TRUE(artwork) << "ImageMagick made no icon or picture";
    ASSERT_EQ(packRun.exitCode, 0) << packRun.err;
    auto facts = ResourceFacts(dir + "/AcmeSetup.exe");
    EXPECT_EQ(facts["version"], "2.3.4.5");
    const std::map<std::string, std::string> texts = {
        {"CompanyName", "Acme Corp"},
        {"FileDescription", "Acme Product Setup"},
        {"FileVersion", "2.3.4.5"},
        {"LegalCopyright", "Copyright (C) 2026 Acme Corp"},
        {"OriginalFilename", "AcmeSetup.exe"},
        {"ProductName", "Acme Product"},
        {"ProductVersion", "2.3.4.5"},
    };
    for (const auto& [key, value] : texts)
        EXPECT_EQ(facts["versionstring[" + key + "]"], value) << key;
    EXPECT_EQ(facts["icongroup[5]"], "64x64,20x20");
    EXPECT_EQ(facts["bitmap[133]"], "425x208x24");
    const std::string splash = BmpPixelCrc(ReadFile(dir + "/acme.bmp").value_or(""));
    EXPECT_FALSE(splash.empty());
    EXPECT_EQ(facts["bitmappixels[133]"], splash);
    EXPECT_EQ(facts["string[1]"], "Acme Product");

    HostRun list = RunHost({KITBAG_PACK_TOOL, "--list", dir + "/AcmeSetup.exe"}, dir + "/list");
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("Version   file 2.3.4.5, product 2.3.4.5\n"), std::string::npos)
        << list.out;
    for (const auto& [key, value] : texts)
        EXPECT_NE(list.out.find("Version   " + key + "  '" + value + "'\n"), std::string::npos)
            << key << "\n"
            << list.out;
    EXPECT_NE(list.out.find("Setting   1  title  'Acme Product'\n"), std::string::npos);
    EXPECT_NE(list.out.find("File      102  Setup.exe  "), std::string::npos);
}

TEST_F(BrandedProduct, TheAboutBoxShowsTheProductsVersionAndCopyright) {
    ASSERT_EQ(noSpaceRun.exitCode, 0) << noSpaceRun.err;
    std::string run = FreshFolder("branded_about");
    auto running = std::async(std::launch::async, [&] {
        return RunInstaller(Relative(dir + "/AcmeNoSpace.exe"), "", run, {}, 90000);
    });
    ASSERT_EQ(RunWineStatus({BuildPath("uiprobe.exe"), "texts", "Acme Product"}, run), 0)
        << "no message dialog";
    Probe({"syscommand", "Acme Product", "16"});
    auto about = Controls("About Acme Product");
    Screenshot("branded_about_box");
    EXPECT_EQ(about["1001"], "Static|1|Acme Product Version 2.3.4.5");
    EXPECT_EQ(about["1002"], "Static|1|Copyright (C) 2026 Acme Corp");
    Probe({"click", "About Acme Product", "1"});
    Probe({"close", "Acme Product"});
    WineRun result = running.get();
    EXPECT_EQ(result.exitCode, 0x80030070u) << result.output;
}

TEST_F(BrandedProduct, TheSplashShowsTheProductsPictureAndTheProgramRuns) {
    ASSERT_EQ(packRun.exitCode, 0) << packRun.err;
    std::string run = FreshFolder("branded_splash");
    auto running = StartInstaller(Relative(dir + "/AcmeSetup.exe"), "", run,
                                  {{"KITBAG_WIZARD_RECORD", WinPath(run + "/record.txt")},
                                   {"KITBAG_WIZARD_DELAY_MS", "3000"},
                                   {"KITBAG_WIZARD_LINGER_MS", "500"}});
    std::string colours;
    for (int i = 0; i < 100 && colours.empty(); ++i) {
        if (SplashVisible(ListWindows(), "acmesetup")) {
            std::string shot = Screenshot("branded_splash");
            HostRun histogram =
                RunHost({"convert", shot, "-format", "%c", "histogram:info:-"}, run + "/histogram");
            colours = histogram.out;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    WineRun result = running.get();
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(FileExists(run + "/record.txt")) << "the program was not started";
    ASSERT_FALSE(colours.empty()) << "the splash was never seen";
    // The product's blue fills most of the splash.
    EXPECT_NE(colours.find("(32,96,160)"), std::string::npos) << colours.substr(0, 2000);
}

TEST(BrandingRefusals, EachEndsNonZeroWithItsReasonAndWritesNothing) {
    std::string dir = FreshFolder("branding_refusals");
    WriteBytes(dir + "/product/Setup.exe", "MZ program");
    ASSERT_TRUE(Convert(
        {"-size", "64x64", "xc:#20a060", "-define", "icon:auto-resize=64,20", dir + "/acme.ico"},
        dir + "/convert"));
    ASSERT_TRUE(Convert(
        {"-size", "425x208", "xc:#2060a0", "-type", "truecolor", "BMP3:" + dir + "/acme.bmp"},
        dir + "/convert"));
    ASSERT_TRUE(Convert(
        {"-size", "640x480", "xc:#2060a0", "-type", "truecolor", "BMP3:" + dir + "/large.bmp"},
        dir + "/convert"));
    ASSERT_TRUE(Convert({"-size", "425x208", "xc:#2060a0", "-type", "truecolormatte", "-define",
                         "bmp:format=bmp4", "BMP:" + dir + "/alpha.bmp"},
                        dir + "/convert"));
    const struct {
        const char* what;
        std::string option, value, reason;
    } rows[] = {
        {"three numbers", "--product-version", "1.2.3", "--product-version"},
        {"a number too large", "--product-version", "1.2.3.65536", "--product-version"},
        {"a splash of another size", "--splash", dir + "/large.bmp", "640 x 480"},
        {"a splash with alpha", "--splash", dir + "/alpha.bmp", "32-bit"},
        {"an icon as splash", "--splash", dir + "/acme.ico", "not a BMP file"},
        {"a picture as icon", "--icon", dir + "/acme.bmp", "--icon"},
        {"a missing icon", "--icon", dir + "/none.ico", "none.ico"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> argv = PackArguments(dir, dir + "/out/Setup.exe");
        for (std::size_t i = 0; i + 1 < argv.size(); ++i)
            if (argv[i] == row.option)
                argv[i + 1] = row.value;
        HostRun run = RunHost(argv, dir + "/run");
        EXPECT_NE(run.exitCode, 0) << row.what;
        EXPECT_NE(run.err.find(row.reason), std::string::npos) << row.what << ": " << run.err;
        EXPECT_NE(run.err.find("nothing written"), std::string::npos) << row.what;
        EXPECT_FALSE(fs::exists(dir + "/out/Setup.exe")) << row.what;
    }
}

} // namespace
