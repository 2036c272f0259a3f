// The installer's reading of its command line into settings, with a host whose answers the
// fuzzer chooses. Whatever the arguments: a known result, a temporary folder that is what the
// host or the arguments gave, and an argument string whose last argument is the program's
// token.
#include "cmdline/command_line_settings.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/split_arguments.h"
#include "log/log.h"

namespace {

class FakeHost final : public CommandLineHost {
public:
    bool admin = false;
    std::wstring drive;
    std::wstring temp;
    bool IsAdminInstall() const override { return admin; }
    std::wstring SystemDrive() const override { return drive; }
    std::wstring TempPath() const override { return temp; }
    // Like the system: an empty path or one with a character a path cannot hold has no
    // full form; anything else is taken as relative to a fixed folder.
    bool FullPath(const std::wstring& value, std::wstring& full) const override {
        if (value.empty() || value.find_first_of(L"<>|") != std::wstring::npos)
            return false;
        full = L"C:\\base\\" + value;
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    FakeHost host;
    host.admin = in.ConsumeBool();
    host.drive = ConsumeWords(in, 4, L"C:\\D");
    host.temp = ConsumeWords(in, 16, L"C:\\Temp");
    std::wstring programName = ConsumeWords(in, 12, L"Roza ");
    std::vector<std::wstring> args(in.ConsumeIntegralInRange<std::size_t>(0, 10));
    for (auto& arg : args)
        arg = in.ConsumeBool()
                  ? ConsumeWords(in, 32, L"-/tempextractlogkeepdontrunzeroguidIAgreeToTheEULA?|.\\")
                  : ConsumeUtf16(in, 32);

    CommandLineSettings settings;
    ResultCode result = ApplyCommandLine(args, programName, host, settings);
    KITBAG_FUZZ_CHECK(result == result::kSuccess || result == result::kBadCommandLine);
    // The program name is quoted like any value, so the wizard reads it back whole.
    const std::vector<std::wstring> split = SplitArguments(settings.childParams);
    KITBAG_FUZZ_CHECK(!split.empty() && split.back() == L"BW_I=" + programName);
    KITBAG_FUZZ_CHECK(!settings.childParams.empty() && settings.childParams.back() == L' ');
    std::wstring fallback = host.admin ? (host.drive.empty() ? L"C:\\" : host.drive) : host.temp;
    KITBAG_FUZZ_CHECK(settings.tempFolder == fallback ||
                      settings.tempFolder.compare(0, 8, L"C:\\base\\") == 0);
    // Empty the held log text so that it does not grow across runs.
    OpenLog("fuzz.log");
    CloseLog();
    return 0;
}
