/* What the installer's own-signature check costs alone: one WinVerifyTrust call on FILE with
 * the installer's settings (generic Authenticode policy, no UI, no revocation check).
 * Ends with the call's status.   verifyonly.exe FILE */
#include <windows.h>

#include <softpub.h>
#include <wintrust.h>

int wmain(int argc, wchar_t** argv) {
    WINTRUST_FILE_INFO file = {0};
    WINTRUST_DATA data = {0};
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    if (argc != 2)
        return 2;
    file.cbStruct = sizeof file;
    file.pcwszFilePath = argv[1];
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_IGNORE;
    data.dwProvFlags = WTD_SAFER_FLAG;
    return (int)WinVerifyTrust(NULL, &action, &data);
}
