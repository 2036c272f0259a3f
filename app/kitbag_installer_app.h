#pragma once
// The application object: the settings and results of the run, and its ordered sequence.
#include "common/result_codes.h"
#include "framework/win_app.h"
#include "payload/resource.h"

#include <atomic>
#include <cstdint>
#include <string>

class CKitbagInstallerApp : public CWinApp {
public:
    CKitbagInstallerApp();

    BOOL InitInstance() override;
    int ExitInstance() override;

    // Reads the command line into the settings below; 0 or result::kBadCommandLine. Read again
    // on the worker thread (for the wizard's arguments, once the program name is known), it
    // leaves m_bSilent, which the main thread reads meanwhile, as the first reading set it:
    // the same command line says the same.
    ResultCode ProcessCommandLine();
    // The payload stage, run on the worker thread; stores the wizard's exit code.
    ResultCode RunEmbeddedResources(DWORD& exitCode);
    // Starts the wizard in the working folder and waits for it.
    ResultCode RunWizard(const std::wstring& programPath, const std::wstring& params,
                         DWORD& exitCode);
    // Asks once for another temporary folder; 0 when the user gave one, else result::kFail.
    ResultCode PromptForTempFolder(std::wstring& folder);
    // Deletes the payload files and the working folder with everything in it.
    void RemoveWorkingFolder();
    bool CheckFrameworkVersion();
    bool CheckDiskSpace();
    void LogSignatureInformation();
    // Turns a result into the run's one message: a dialog, or the log in a silent run.
    void ShowFailure(ResultCode result);

    ResultCode m_nRunResult = 0;
    DWORD m_nExitCode = 0;
    std::atomic<std::int32_t> m_nPromptDepth{0}; // prompts the worker has open
    HANDLE m_hRunFinished = nullptr;
    HANDLE m_hWizardVisible = nullptr;
    bool m_bZeroGuid = false;
    bool m_bRemoveFolder = true;
    bool m_bRunWizard = true;
    bool m_bSilent = false;
    bool m_bCommandLineRead = false;
    std::wstring m_strProgramName;
    std::wstring m_strTempFolder;
    std::wstring m_strChildParams;
    ResourceList m_lstResources;
    std::int64_t m_nRequiredDiskMB = 0;
    std::int64_t m_nFreeDiskMB = 0;
    std::wstring m_strTempDrive;
    std::wstring m_strRequiredFramework = L"Unknown .NET Version";
    std::int32_t m_nRequiredFrameworkSP = 0;
    std::int32_t m_nRequiredFrameworkMajor = 2;

private:
    ResultCode RunChecks();
    ResultCode CheckOwnSignature();
    ResultCode RunPayloadStage();
};

extern CKitbagInstallerApp theApp;
