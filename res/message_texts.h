/* The message texts of the string table, shared by the resource script and the tests.
   Plain C string literals: windres and the compiler read the escapes alike. */
#ifndef KITBAG_MESSAGE_TEXTS_H
#define KITBAG_MESSAGE_TEXTS_H

/* clang-format off */

#define TEXT_ABOUT_MENU "&About %s..."
#define TEXT_DISK_SPACE "Insufficient disk space on drive '%s'. %ld Mb of free disk space is required."
#define TEXT_BAD_BUILD "Contact Technical Support. Incorrect %s build."
#define TEXT_VERSION_LINE "%s Version %d.%d.%d.%d"
#define TEXT_ABOUT_CAPTION "About %s"
#define TEXT_DOTNET_REQUIRED "%s requires %s. Please download from the Microsoft Download Center and retry."
#define TEXT_NOT_ADMIN "You need local administrator privileges to run %s."
#define TEXT_MSI_ENGINE "%s requires MSI Engine 2.0. This can be downloaded from the Microsoft Download Center."
#define TEXT_CORRUPT_FILE "A file is corrupt. Download %s and retry."
#define TEXT_WIZARD_EXIT_CODE "%s failed with exit code 0x%8x."
#define TEXT_RUN_FAILED "Failed to run %s error 0x%8x."
#define TEXT_USAGE "Command line '%s' incorrect.\nValid switches include:- \n\textract [path]\tlog [path]\ttemp [path]\n\nExample\n\t log c:\\log.txt /IAgreeToTheEULA"
#define TEXT_DOTNET_SP_REQUIRED "%s requires %s SP %d. Please download from the Microsoft Download Center and retry."
#define TEXT_PROCESSOR_MODE "%s failed to switch into processor mode (%s)"
#define TEXT_VERIFY_QUESTION "Verification of %s failed. Do you wish continue?"
#define TEXT_DLL_REDIRECTION "%s cannot run: a file or folder ending in '.exe.local' lies beside it and could make it load libraries other than Windows' own. Delete it and start %s again."
#define TEXT_WORKING_FOLDER_REFUSED "%s cannot use the folder '%s': %s. Delete the folder, or name another one with temp [path], and start %s again."
/* clang-format on */

#endif
