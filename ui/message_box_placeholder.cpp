// PLACEHOLDER until the installer's own message dialog exists: the signature question and
// the failure message are shown in system message boxes. Only an explicit Yes goes on.
#include "app/kitbag_installer_app.h"
#include "framework/format.h"
#include "res/resource_ids.h"
#include "ui/failure_presenter.h"
#include "ui/signature_question.h"

int AskToContinueUnverified(const std::wstring& verdict) {
    std::wstring heading =
        Format(LoadResString(IDS_VERIFY_QUESTION).c_str(), LoadResString(IDS_PRODUCT));
    std::wstring body = heading + L"\n\n" + verdict;
    int answer = MessageBoxW(nullptr, body.c_str(), LoadResString(IDS_PRODUCT).c_str(),
                             MB_YESNO | MB_ICONWARNING);
    return answer == IDYES ? 1 : 2;
}

void PresentFailure(const FailureMessage& message) {
    std::wstring body = message.text;
    if (!message.link.empty())
        body += L"\n\n" + message.link;
    MessageBoxW(nullptr, body.c_str(), LoadResString(IDS_PRODUCT).c_str(), MB_OK | MB_ICONERROR);
}
