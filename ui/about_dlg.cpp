#include "about_dlg.h"

#include "framework/format.h"
#include "framework/win_app.h"
#include "res/resource_ids.h"
#include "ui/version_resource.h"

namespace {

// The numbers of the version resource in res/KitbagInstaller.rc, for a file without one.
const int kBuildVersion[4] = {1, 8, 2, 358};

// The file's own version resource: a packed product's version and copyright, not the build's.
VersionFacts OwnVersion() {
    VersionFacts facts;
    HMODULE module = AfxGetInstanceHandle();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data != nullptr)
        ReadVersionFacts(static_cast<const unsigned char*>(data), SizeofResource(module, found),
                         facts);
    return facts;
}

} // namespace

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    std::wstring product = LoadResString(IDS_PRODUCT);
    SetWindowText(Format(LoadResString(IDS_ABOUT_CAPTION).c_str(), product));
    VersionFacts own = OwnVersion();
    if (GetDlgItem(m_hWnd, IDC_VERSION_LINE) != nullptr) {
        int version[4];
        for (int i = 0; i < 4; ++i)
            version[i] = own.hasFixedInfo ? own.fileVersion[i] : kBuildVersion[i];
        std::wstring line = Format(LoadResString(IDS_VERSION_LINE).c_str(), product, version[0],
                                   version[1], version[2], version[3]);
        SetDlgItemTextW(m_hWnd, IDC_VERSION_LINE, line.c_str());
    }
    if (!own.legalCopyright.empty() && GetDlgItem(m_hWnd, IDC_COPYRIGHT) != nullptr)
        SetDlgItemTextW(m_hWnd, IDC_COPYRIGHT,
                        reinterpret_cast<const wchar_t*>(own.legalCopyright.c_str()));
    return TRUE;
}
