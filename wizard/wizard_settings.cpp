#include "wizard_settings.h"

#include "tests/tools/ascii_case.h"
#include "tests/tools/unsigned_text.h"

namespace {

constexpr std::uint32_t kSilentLingerMs = 500;

std::optional<std::wstring> NonEmpty(const EnvironmentLookup& lookup, const wchar_t* name) {
    auto value = lookup(name);
    if (!value || value->empty())
        return std::nullopt;
    return value;
}

std::wstring Ignored(const wchar_t* name, const std::wstring& value, const wchar_t* expected) {
    return std::wstring(L"ignoring ") + name + L"='" + value + L"', expected " + expected;
}

void ReadNumber(const EnvironmentLookup& lookup, const wchar_t* name, WizardSettings& settings,
                std::optional<std::uint32_t>& target) {
    auto text = NonEmpty(lookup, name);
    if (!text)
        return;
    std::uint32_t value = 0;
    if (ParseUnsigned32(*text, value))
        target = value;
    else
        settings.problems.push_back(Ignored(name, *text, L"a decimal or 0x hexadecimal number"));
}

void ReadNumber(const EnvironmentLookup& lookup, const wchar_t* name, WizardSettings& settings,
                std::uint32_t& target) {
    std::optional<std::uint32_t> value;
    ReadNumber(lookup, name, settings, value);
    if (value)
        target = *value;
}

void ReadWindowMode(const EnvironmentLookup& lookup, WizardSettings& settings) {
    const wchar_t* name = L"KITBAG_WIZARD_WINDOW";
    auto text = NonEmpty(lookup, name);
    if (!text)
        return;
    if (EqualIgnoringAsciiCase(*text, L"normal"))
        settings.window = WindowMode::Normal;
    else if (EqualIgnoringAsciiCase(*text, L"none"))
        settings.window = WindowMode::None;
    else if (EqualIgnoringAsciiCase(*text, L"hidden-first"))
        settings.window = WindowMode::HiddenFirst;
    else
        settings.problems.push_back(Ignored(name, *text, L"normal, none or hidden-first"));
}

} // namespace

WizardSettings ReadWizardSettings(const EnvironmentLookup& lookup, bool silent) {
    WizardSettings settings;
    if (silent)
        settings.lingerMs = kSilentLingerMs;
    ReadNumber(lookup, L"KITBAG_WIZARD_EXIT_CODE", settings, settings.exitCode);
    ReadNumber(lookup, L"KITBAG_WIZARD_DELAY_MS", settings, settings.delayMs);
    ReadWindowMode(lookup, settings);
    ReadNumber(lookup, L"KITBAG_WIZARD_HIDDEN_MS", settings, settings.hiddenMs);
    ReadNumber(lookup, L"KITBAG_WIZARD_LINGER_MS", settings, settings.lingerMs);
    settings.recordPath = NonEmpty(lookup, L"KITBAG_WIZARD_RECORD");
    ReadNumber(lookup, L"KITBAG_WIZARD_SPAWN_HOLDER", settings, settings.spawnHolderMs);
    return settings;
}
