#include "wizard_log_win.h"

#include "file_output_win.h"
#include "tests/tools/wide_conversion_win.h"

void WizardLog::Line(const std::wstring& text) const {
    if (m_path)
        AppendToFile(*m_path,
                     WideToCodePage(L"Kitbag sample wizard: " + text + L"\r\n", CP_THREAD_ACP));
}
