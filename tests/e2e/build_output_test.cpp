// What the build promises about the executable itself, checked on the built files.
#include "bitmap_pixels.h"
#include "pe_image.h"
#include "host_run.h"
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <sstream>

namespace {

// Windows' known DLLs (the KnownDLLs list of the session manager), in the lists of Windows 7
// and of Windows 8 to 11 alike: Windows loads these from the system folder whatever lies
// beside the executable. Windows 7's lpk, usp10, urlmon, wininet and iertutil are left out,
// since later versions dropped them from the list; kernel32's own ntdll is never searched.
const std::set<std::string> kKnownDlls = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "difxapi.dll",  "gdi32.dll",    "imagehlp.dll",
    "kernel32.dll", "msctf.dll",   "msvcrt.dll",   "normaliz.dll", "nsi.dll",      "ole32.dll",
    "oleaut32.dll", "psapi.dll",   "rpcrt4.dll",   "sechost.dll",  "setupapi.dll", "shell32.dll",
    "shlwapi.dll",  "user32.dll",  "wldap32.dll",  "ws2_32.dll"};

} // namespace

TEST(BuildOutput, IsAGuiProgramOfItsArchitectureThatImportsOnlyKnownDlls) {
    // Every executable of a build is of its architecture: the installers, the stand-in wizard,
    // the helpers and the Windows builds of the tools.
    const std::uint16_t machine = Testing64BitBuild() ? 0x8664 : 0x14C;
    const std::uint16_t magic = Testing64BitBuild() ? 0x20B : 0x10B;
    int executables = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(BuildPath(""))) {
        const std::string file = entry.path().filename().string();
        if (entry.path().extension() != ".exe" || file.rfind("CMake", 0) == 0 ||
            entry.path().string().find("/CMakeFiles/") != std::string::npos ||
            entry.path().string().find("/wineprefix") != std::string::npos)
            continue;
        ++executables;
        auto image = ReadFile(entry.path().string());
        auto pe = image ? ReadPeFacts(*image) : std::nullopt;
        ASSERT_TRUE(pe.has_value()) << entry.path();
        EXPECT_EQ(pe->machine, machine) << entry.path();
        EXPECT_EQ(pe->magic, magic) << entry.path();
    }
    EXPECT_GE(executables, 20) << BuildPath("");

    auto image = ReadFile(BuildPath("KitbagInstaller.exe"));
    ASSERT_TRUE(image.has_value());
    auto facts = ReadPeFacts(*image);
    ASSERT_TRUE(facts.has_value());
    EXPECT_EQ(facts->subsystem, 2);
    // Every installer build links the same way: the variants and the payload-free stub too.
    int installers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(BuildPath(""))) {
        const std::string file = entry.path().filename().string();
        if (file.rfind("KitbagInstaller", 0) != 0 || entry.path().extension() != ".exe")
            continue;
        ++installers;
        auto image = ReadFile(entry.path().string());
        auto pe = image ? ReadPeFacts(*image) : std::nullopt;
        ASSERT_TRUE(pe.has_value()) << file;
        EXPECT_FALSE(pe->imports.empty()) << file;
        for (std::string name : pe->imports) {
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return std::tolower(c); });
            EXPECT_TRUE(kKnownDlls.count(name)) << file << " imports " << name;
        }
    }
    EXPECT_GE(installers, 2);
}

TEST(BuildOutput, CarriesItsSettingsTextsVersionAndManifest) {
    auto r = ResourceFacts(BuildPath("KitbagInstaller.exe"));
    EXPECT_EQ(r["string[0]"], "AnyCPU");
    EXPECT_EQ(r["string[1]"], "Kitbag");
    EXPECT_EQ(r["string[103]"], "500");
    for (int id = 138; id <= 144; ++id)
        EXPECT_EQ(r["string[" + std::to_string(id) + "]"], "0") << id;
    EXPECT_EQ(r["string[145]"], "1");
    EXPECT_EQ(r["string[201]"], "Roza");
    EXPECT_EQ(r["string[113]"], "Failed to run %s error 0x%8x.");
    EXPECT_EQ(r["string[114]"],
              "Command line '%s' incorrect.\\nValid switches include:- \\n\\textract [path]\\tlog "
              "[path]\\ttemp [path]\\n\\nExample\\n\\t log c:\\\\log.txt /IAgreeToTheEULA");
    EXPECT_EQ(r["version"], "1.8.2.358");

    const std::string& manifest = r["manifest"];
    for (const char* part :
         {"name=\"KitbagInstaller.exe\"", "version=\"1.0.0.0\"",
          "Microsoft.Windows.Common-Controls", "requireAdministrator", "uiAccess=\"false\"",
          "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
          "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    // Windows refuses to start an image whose manifest names another architecture.
    const std::string architecture = Testing64BitBuild() ? "amd64" : "X86";
    std::size_t named = 0;
    for (auto at = manifest.find("processorArchitecture="); at != std::string::npos;
         at = manifest.find("processorArchitecture=", at + 1)) {
        ++named;
        EXPECT_EQ(manifest.substr(at, 24 + architecture.size()),
                  "processorArchitecture=\"" + architecture + "\"");
    }
    EXPECT_EQ(named, 2u) << "the program's identity and the common controls' " << manifest;
    if (Testing64BitBuild()) {
        EXPECT_EQ(manifest.find("X86"), std::string::npos) << manifest;
    }

    for (int id : {100, 102, 131, 146})
        EXPECT_EQ(r["dialog[" + std::to_string(id) + "]"], "present") << id;
    // The pictures, stored compressed and expanded by the installer's own code: pixel for
    // pixel the artwork they were made from.
    EXPECT_EQ(r["bitmap[130]"], "634x78x24");
    EXPECT_EQ(r["bitmap[133]"], "425x208x24");
    EXPECT_EQ(r["bitmappixels[130]"],
              BmpPixelCrc(ReadFile(BuildPath("artwork/header.bmp")).value_or("")));
    EXPECT_EQ(r["bitmappixels[133]"],
              BmpPixelCrc(ReadFile(BuildPath("artwork/splash.bmp")).value_or("")));
    EXPECT_EQ(r["icongroup[5]"], "48x48,32x32,16x16");
}

TEST(BuildOutput, PayloadResourcesMatchTheirManifest) {
    auto r = ResourceFacts(BuildPath("KitbagInstaller.exe"));
    auto manifest = ReadFile(BuildPath("payload/manifest.txt"));
    ASSERT_TRUE(manifest.has_value());
    EXPECT_EQ(r["toolkit[101]"], std::to_string(manifest->size()));
    EXPECT_EQ(r["toolkit[102]"], "13608144");
    // Every other size is named in the manifest right after its id and name.
    std::istringstream fields(*manifest);
    std::vector<std::string> parts;
    for (std::string f; std::getline(fields, f, '*');)
        parts.push_back(f);
    ASSERT_EQ(parts.size(), 24u);
    for (std::size_t i = 0; i + 2 < parts.size(); i += 3)
        EXPECT_EQ(r["toolkit[" + parts[i] + "]"], parts[i + 2]) << parts[i + 1];
}

// sbverify hashes an image section by section, as the Authenticode format describes; osslsigncode
// and Windows hash the file straight through. Every section's raw size must be a multiple of
// the file alignment for both to agree.
TEST(BuildOutput, EverySignedInstallerPassesAVerifierHashingSectionBySection) {
    int verified = 0;
    for (const auto& entry : std::filesystem::directory_iterator(BuildPath(""))) {
        const std::string file = entry.path().filename().string();
        if (file.rfind("KitbagInstaller", 0) != 0 || entry.path().extension() != ".exe")
            continue;
        auto image = ReadFile(entry.path().string());
        auto facts = image ? ReadPeFacts(*image) : std::nullopt;
        if (!facts || facts->certificateTableSize == 0)
            continue;
        HostRun run = RunHost(
            {"sbverify", "--cert", BuildPath("signing/dev-cert.pem"), entry.path().string()},
            FreshFolder("sbverify") + "/run");
        EXPECT_EQ(run.exitCode, 0) << file << "\n" << run.out << run.err;
        ++verified;
    }
    EXPECT_GE(verified, 5);
}

TEST(BuildOutput, SignedBesideItsUnsignedTwin) {
    auto signedImage = ReadFile(BuildPath("KitbagInstaller.exe"));
    auto unsignedImage = ReadFile(BuildPath("KitbagInstaller-unsigned.exe"));
    ASSERT_TRUE(signedImage && unsignedImage);
    EXPECT_GT(signedImage->size(), unsignedImage->size());
    // The certificate table entry of the data directory is set only in the signed one.
    auto signedFacts = ReadPeFacts(*signedImage);
    auto unsignedFacts = ReadPeFacts(*unsignedImage);
    ASSERT_TRUE(signedFacts && unsignedFacts);
    EXPECT_EQ(signedFacts->certificateTableSize, signedImage->size() - unsignedImage->size());
    EXPECT_EQ(unsignedFacts->certificateTableSize, 0u);
}
