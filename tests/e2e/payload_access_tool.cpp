// payload_access <path>: prints the access list of a file or folder in its string form, as
// the system reads it back. Returns 0, or 2 when it cannot be read.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2)
        return 2;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(argv[1], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return 2;
    wchar_t* text = nullptr;
    BOOL ok = ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr);
    LocalFree(descriptor);
    if (!ok)
        return 2;
    std::printf("%ls\n", text);
    LocalFree(text);
    return 0;
}
