#include "shipping/packing/payload_plan.h"

#include <gtest/gtest.h>

namespace kitbag {
namespace {

TEST(PayloadPlan, NamesTheInstallerCouldNotWriteFaithfullyAreRefused) {
    for (const std::string bad :
         {"", "/abs.txt", "a*b.txt", "../up.txt", "lib/../x.dll", "C:/x.dll", "file.txt:stream",
          "back\\slash.txt", "what?.txt", "trailing./x.dll", "blank /x.dll", "x.dll.", "con",
          "NUL.txt", "lib/com1.dll", "caf\xc3\xa9.txt", "tab\t.txt", "a//b.txt"})
        EXPECT_FALSE(CheckName(bad).empty()) << bad;
    for (const std::string good : {"setup.exe", "lib/x.dll", "a..b.txt", "with blank.txt",
                                   ".hidden", "console.txt", "com10.dll", "Read Me.TXT"})
        EXPECT_EQ(CheckName(good), "") << good;
    EXPECT_EQ(kMaxNameLength, 155u);
    EXPECT_EQ(CheckName(std::string(151, 'n') + ".exe"), "");
    EXPECT_FALSE(CheckName(std::string(152, 'n') + ".exe").empty());
}

TEST(PayloadPlan, ProgramRuleMatchesTheInstallers) {
    for (const char* name :
         {"setup.exe", "Setup.EXE", "app.exe.config", "bin\\tool.exe", "a.exe.exe"})
        EXPECT_TRUE(QualifiesAsProgram(name)) << name;
    for (const char* name : {".exe", ".exe.config", "readme.txt", "setup.ex", "exe"})
        EXPECT_FALSE(QualifiesAsProgram(name)) << name;
}

TEST(PayloadPlan, ProgramGetsTheLowestIdAndTheManifestNamesEveryFile) {
    std::vector<PayloadFile> files = {
        {"b.exe.config", 3}, {"lib/Engine.dll", 20}, {"Setup.exe", 1000}, {"a.exe", 7}};
    PayloadPlan plan;
    std::string error;
    ASSERT_TRUE(PlanPayload(files, "Setup.exe", plan, error)) << error;
    EXPECT_EQ(plan.manifest, "102*Setup.exe*1000*103*a.exe*7*104*b.exe.config*3*"
                             "105*lib\\Engine.dll*20");
    EXPECT_EQ(plan.totalBytes, 1030u);
    ASSERT_EQ(plan.files.size(), 4u);
    EXPECT_EQ(plan.files[3].path, "lib/Engine.dll");

    ASSERT_TRUE(PlanPayload(files, "lib\\Engine.dll", plan, error) == false);
    EXPECT_NE(error.find("would not start"), std::string::npos) << error;
    ASSERT_TRUE(PlanPayload({{"bin/run.exe", 1}, {"x.exe", 1}}, "bin\\run.exe", plan, error))
        << error;
    EXPECT_EQ(plan.manifest, "102*bin\\run.exe*1*103*x.exe*1");
}

TEST(PayloadPlan, FoldersTheInstallerWouldMangleAreRefused) {
    const struct {
        std::vector<PayloadFile> files;
        const char* program;
        const char* reason;
    } rows[] = {
        {{}, "setup.exe", "no files"},
        {{{"setup.exe", 1}, {"Data.bin", 1}, {"data.BIN", 1}}, "setup.exe", "differ only in case"},
        {{{"setup.exe", 1}, {"lib", 1}, {"LIB/x.dll", 1}}, "setup.exe", "a folder of the same"},
        {{{"setup.exe", 1}}, "other.exe", "not in the folder"},
        {{{"Setup.exe", 1}}, "setup.exe", "there is 'Setup.exe'"},
        {{{"run.cmd", 1}}, "run.cmd", "would not start"},
        {{{"setup.exe", 1}, {"a*b", 1}}, "setup.exe", "separator"},
        {{{"setup.exe", 0x80000000ull}}, "setup.exe", "larger than"},
    };
    for (const auto& row : rows) {
        PayloadPlan plan;
        std::string error;
        EXPECT_FALSE(PlanPayload(row.files, row.program, plan, error)) << row.reason;
        EXPECT_NE(error.find(row.reason), std::string::npos) << error;
    }
}

TEST(PayloadPlan, ResourceIdsLimitTheNumberOfFiles) {
    std::vector<PayloadFile> files = {{"setup.exe", 1}};
    for (std::size_t i = 1; i < kMaxFiles; ++i)
        files.push_back({"f" + std::to_string(i), 0});
    PayloadPlan plan;
    std::string error;
    ASSERT_TRUE(PlanPayload(files, "setup.exe", plan, error)) << error;
    EXPECT_EQ(plan.files.back().id, 65535);
    files.push_back({"one-more", 0});
    EXPECT_FALSE(PlanPayload(files, "setup.exe", plan, error));
    EXPECT_NE(error.find("65434"), std::string::npos) << error;
}

} // namespace
} // namespace kitbag
