#include "failure_text.h"

#include "framework/format.h"
#include "res/resource_ids.h"

std::wstring FrameworkDownloadLink(std::int32_t major, std::int32_t servicePack) {
    switch (major) {
    case 2:
        return L"https://dotnet.microsoft.com/download/dotnet-framework/net20";
    case 3:
        return L"https://dotnet.microsoft.com/download/dotnet-framework/net35-sp1";
    case 4:
        return servicePack > 0 ? L"https://dotnet.microsoft.com/download/dotnet-framework/net48"
                               : L"https://dotnet.microsoft.com/download/dotnet-framework/net40";
    default:
        return {};
    }
}

FailureMessage ChooseFailureMessage(const FailureFacts& facts, const StringLookup& strings) {
    const std::wstring product = strings(IDS_PRODUCT);
    auto text = [&](unsigned id) { return strings(id); };
    FailureMessage m;
    switch (facts.result) {
    case result::kBadCommandLine:
        m.text = Format(text(IDS_USAGE).c_str(), facts.commandLine);
        break;
    case result::kInsufficientDiskSpace:
        m.text = Format(text(IDS_DISK_SPACE).c_str(), facts.tempDrive,
                        static_cast<std::int32_t>(facts.requiredDiskMB));
        break;
    case result::kWrongProcessorMode:
        m.text = Format(text(IDS_PROCESSOR_MODE).c_str(), product, strings(IDS_PROGRAM_TYPE));
        break;
    case result::kFail:
        m.text = Format(text(IDS_BAD_BUILD).c_str(), product);
        break;
    case result::kCorruptFile:
        m.text = Format(text(IDS_CORRUPT_FILE).c_str(), product);
        break;
    case result::kFrameworkMissing:
        if (facts.requiredFrameworkSP == 0)
            m.text = Format(text(IDS_DOTNET_REQUIRED).c_str(), product, facts.requiredFramework);
        else
            m.text = Format(text(IDS_DOTNET_SP_REQUIRED).c_str(), product, facts.requiredFramework,
                            facts.requiredFrameworkSP);
        m.link = FrameworkDownloadLink(facts.requiredFrameworkMajor, facts.requiredFrameworkSP);
        break;
    case result::kNotAdministrator:
        m.text = Format(text(IDS_NOT_ADMIN).c_str(), product);
        break;
    case result::kInstallerEngineTooOld:
        m.text = Format(text(IDS_MSI_ENGINE).c_str(), product);
        break;
    case result::kDllRedirection:
        m.text = Format(text(IDS_DLL_REDIRECTION).c_str(), product, product);
        break;
    case result::kWorkingFolderRefused:
        m.text = Format(text(IDS_WORKING_FOLDER_REFUSED).c_str(), product, facts.refusedFolder,
                        facts.refusalReason, product);
        break;
    case result::kSuccess:
        if (facts.exitCode == result::kWizardRuntimeFailed)
            m.text = Format(text(IDS_DOTNET_REQUIRED).c_str(), product, L".NET 2") +
                     L"\r\n(.NET 4 was detected.)";
        else
            m.text = Format(text(IDS_WIZARD_EXIT_CODE).c_str(), product, facts.exitCode);
        break;
    default:
        m.text = Format(text(IDS_RUN_FAILED).c_str(), product, facts.result);
        break;
    }
    return m;
}
