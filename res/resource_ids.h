/* Resource ids shared by the resource script and the code. Plain C: windres reads it. */
#ifndef KITBAG_RESOURCE_IDS_H
#define KITBAG_RESOURCE_IDS_H

/* Dialog templates */
#define IDD_ABOUTBOX 100
#define IDD_KITBAGINSTALLER_DIALOG 102
#define IDD_SPLASH 131
#define IDD_TEMP_FOLDER 146

/* Pictures (resource type PICTURE, ui/picture_bitmap.h) and icons */
#define IDB_HEADER 130
#define IDB_SPLASH 133
#define IDR_MAINFRAME 5
#define IDI_ABOUT 128

/* Controls */
#define IDC_BODY 1000
#define IDC_LINK 1001
#define IDC_VERSION_LINE 1001
#define IDC_COPYRIGHT 1002
#define IDC_TITLE_LINE 1003
#define IDC_DRIVE 1005
#define IDC_PICTURE 1006

/* System-menu command of the about box */
#define IDM_ABOUTBOX 0x0010

/* String table: build settings */
#define IDS_PROGRAM_TYPE 0
#define IDS_PRODUCT 1
#define IDS_REQUIRED_DISK_MB 103
#define IDS_DOTNET_20 138
#define IDS_DOTNET_30 139
#define IDS_DOTNET_35 140
#define IDS_DOTNET_40_CLIENT 141
#define IDS_DOTNET_40_FULL 142
#define IDS_DOTNET_45_CLIENT 143
#define IDS_DOTNET_45_FULL 144
#define IDS_ADMIN_INSTALL 145
#define IDS_PROGRAM_NAME 201

/* String table: texts */
#define IDS_ABOUT_MENU 101
#define IDS_DISK_SPACE 102
#define IDS_BAD_BUILD 104
#define IDS_VERSION_LINE 105
#define IDS_ABOUT_CAPTION 106
#define IDS_DOTNET_REQUIRED 108
#define IDS_NOT_ADMIN 109
#define IDS_MSI_ENGINE 110
#define IDS_CORRUPT_FILE 111
#define IDS_WIZARD_EXIT_CODE 112
#define IDS_RUN_FAILED 113
#define IDS_USAGE 114
#define IDS_DOTNET_SP_REQUIRED 115
#define IDS_PROCESSOR_MODE 135
#define IDS_VERIFY_QUESTION 137
#define IDS_DLL_REDIRECTION 150
#define IDS_WORKING_FOLDER_REFUSED 151

#endif
