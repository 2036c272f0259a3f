#include "ui/failure_text.h"

#include "res/message_texts.h"
#include "res/resource_ids.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

std::wstring Lookup(unsigned id) {
    static const std::map<unsigned, std::wstring> texts{
        {IDS_PRODUCT, L"Kitbag"},
        {IDS_PROGRAM_TYPE, L"AnyCPU"},
        {IDS_DISK_SPACE, L"" TEXT_DISK_SPACE},
        {IDS_BAD_BUILD, L"" TEXT_BAD_BUILD},
        {IDS_DOTNET_REQUIRED, L"" TEXT_DOTNET_REQUIRED},
        {IDS_NOT_ADMIN, L"" TEXT_NOT_ADMIN},
        {IDS_MSI_ENGINE, L"" TEXT_MSI_ENGINE},
        {IDS_CORRUPT_FILE, L"" TEXT_CORRUPT_FILE},
        {IDS_WIZARD_EXIT_CODE, L"" TEXT_WIZARD_EXIT_CODE},
        {IDS_RUN_FAILED, L"" TEXT_RUN_FAILED},
        {IDS_USAGE, L"" TEXT_USAGE},
        {IDS_DOTNET_SP_REQUIRED, L"" TEXT_DOTNET_SP_REQUIRED},
        {IDS_PROCESSOR_MODE, L"" TEXT_PROCESSOR_MODE},
        {IDS_DLL_REDIRECTION, L"" TEXT_DLL_REDIRECTION},
        {IDS_WORKING_FOLDER_REFUSED, L"" TEXT_WORKING_FOLDER_REFUSED}};
    auto it = texts.find(id);
    return it == texts.end() ? L"" : it->second;
}

TEST(FailureText, EachResultCodeGetsItsMessage) {
    const std::wstring retry = L". Please download from the Microsoft Download Center and retry.";
    const std::wstring disk =
        L"Insufficient disk space on drive 'C:'. 500 Mb of free disk space is required.";
    const struct {
        std::uint32_t result, exitCode;
        std::int64_t diskMB;
        std::int32_t sp, major;
        std::wstring text, link;
    } rows[] = {
        {0x80030057, 0, 0, 0, 2,
         L"Command line '/x %d' incorrect.\nValid switches include:- \n\textract [path]\tlog "
         L"[path]\ttemp [path]\n\nExample\n\t log c:\\log.txt /IAgreeToTheEULA",
         L""},
        {0x80030070, 0, 500, 0, 2, disk, L""},
        {0x80030070, 0, 0x1000001F4, 0, 2, disk, L""},
        {0x80004004, 0, 0, 0, 2, L"Kitbag failed to switch into processor mode (AnyCPU)", L""},
        {0x80004005, 0, 0, 0, 2, L"Contact Technical Support. Incorrect Kitbag build.", L""},
        {0x80040167, 0, 0, 0, 2, L"A file is corrupt. Download Kitbag and retry.", L""},
        {0x80110409, 0, 0, 0, 4, L"Kitbag requires .NET X" + retry, FrameworkDownloadLink(4, 0)},
        {0x80110409, 0, 0, 0, 7, L"Kitbag requires .NET X" + retry, L""},
        {0x80110409, 0, 0, 2, 4, L"Kitbag requires .NET X SP 2" + retry,
         FrameworkDownloadLink(4, 2)},
        {0x80110413, 0, 0, 0, 2, L"You need local administrator privileges to run Kitbag.", L""},
        {1613, 0, 0, 0, 2,
         L"Kitbag requires MSI Engine 2.0. This can be downloaded from the Microsoft Download "
         L"Center.",
         L""},
        {0, 0x80131700, 0, 0, 2, L"Kitbag requires .NET 2" + retry + L"\r\n(.NET 4 was detected.)",
         L""},
        {0, 5, 0, 0, 2, L"Kitbag failed with exit code 0x       5.", L""},
        {1, 0, 0, 0, 2, L"Failed to run Kitbag error 0x       1.", L""},
        {0x800B0100, 0, 0, 0, 2, L"Failed to run Kitbag error 0x800b0100.", L""},
        {0x80040201, 0, 0, 0, 2,
         L"Kitbag cannot run: a file or folder ending in '.exe.local' lies beside it and could "
         L"make it load libraries other than Windows' own. Delete it and start Kitbag again.",
         L""},
        {0x80040202, 0, 0, 0, 2,
         L"Kitbag cannot use the folder 'C:\\t\\{0}': it is a link. Delete the folder, or name "
         L"another one with temp [path], and start Kitbag again.",
         L""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << (&row - rows));
        FailureFacts facts;
        facts.result = static_cast<ResultCode>(row.result);
        facts.exitCode = row.exitCode;
        facts.commandLine = L"/x %d";
        facts.tempDrive = L"C:";
        facts.requiredDiskMB = row.diskMB;
        facts.requiredFramework = L".NET X";
        facts.requiredFrameworkSP = row.sp;
        facts.requiredFrameworkMajor = row.major;
        facts.refusedFolder = L"C:\\t\\{0}";
        facts.refusalReason = L"it is a link";
        FailureMessage m = ChooseFailureMessage(facts, Lookup);
        EXPECT_EQ(row.text, m.text);
        EXPECT_EQ(row.link, m.link);
    }
}

TEST(FailureText, FrameworkLinksDifferByMajorAndServiceLevel) {
    const std::set<std::wstring> links{FrameworkDownloadLink(2, 0), FrameworkDownloadLink(3, 0),
                                       FrameworkDownloadLink(4, 0), FrameworkDownloadLink(4, 1),
                                       L""};
    EXPECT_EQ(5u, links.size());
    EXPECT_EQ(L"", FrameworkDownloadLink(7, 0));
}

} // namespace
