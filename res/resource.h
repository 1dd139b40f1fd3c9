// Resource ids of the program: fixed numbers, named once here.
#pragma once

#define IDR_MAINFRAME 128
// The animated hourglass drawn over a tree node while it is filled.
#define IDR_HOURGLASS 140

// Dialog templates.
#define IDD_BACKUP_DIALOG 102
#define IDD_PROGRESS 142
#define IDD_BROWSE_FOLDER 147
#define IDD_FOLDER_NAME_INPUT 149
#define IDD_OVERWRITE_FILES 150
#define IDD_HELP 152

// Controls of the main dialog.
#define IDC_SHEET_PLACEHOLDER 1002
// Controls of the progress dialog.
#define IDC_PROGRESS_BAR 1017
#define IDC_PROGRESS_CANCEL 1023
#define IDC_PROGRESS_STATUS 1025
// Controls of the folder browser and of the new-folder dialog.
#define IDC_FOLDER_TREE 1026
#define IDC_CREATE_NEW_FOLDER 1032
#define IDC_FOLDER_NAME 1007
// Controls of the help dialog.
#define IDC_HELP_TEXT 1038
// Controls of the overwrite files dialog.
#define IDC_OVERWRITE_REMEMBER 1036
#define IDC_OVERWRITE_MESSAGE 1037

// String table.
#define IDS_COPYING_FILES 2
#define IDS_VERIFYING_FILES 3
#define IDS_REGKEY_FAILED 4
#define IDS_INSERT_NEXT_MEDIA 6
#define IDS_ENTER_VALID_BACKUP_PATH 7
#define IDS_ENTER_FOLDER_NAME 8
#define IDS_ERROR 12
#define IDS_WRITE_FAILED 15
#define IDS_MEDIA_FULL 20
#define IDS_BACKUP_CANCELLED 21
#define IDS_VERIFY_CANCELLED 22
#define IDS_BACKUP_SUCCEEDED 23
#define IDS_RESTORE_CANCELLED 25
#define IDS_RESTORE_SUCCEEDED 26
#define IDS_UNKNOWN_ERROR 27
#define IDS_LESS_THAN_5MB 29
#define IDS_COMMAND_LINE_HELP 30
#define IDS_BACKUP_DIR_EXISTS 31
#define IDS_INFORMATION 32
#define IDS_DO_YOU_WANT_TO_CONTINUE 33
#define IDS_PATH_INVALID 35
#define IDS_NO_PATH_ENTERED 36
#define IDS_NO_BACKUP_FOUND 37
#define IDS_INSERT_DISK 38
#define IDS_ENTER_VALID_PATH 39
#define IDS_VERIFY_FAILED 41
#define IDS_DEFAULT_MEDIA_PATH 42
#define IDS_CANCELLING 43
#define IDS_FILE_EXISTS_IN 44
#define IDS_FILE_EXISTS 45
#define IDS_NOT_ENOUGH_SPACE 46
#define IDS_ORVEX 47
#define IDS_BAD_FOLDER_NAME 48
#define IDS_BACKUP_FINISHED_WITH_ERRORS 49
#define IDS_BACKUP_DAMAGED 50
#define IDS_RESTORE_FINISHED_WITH_ERRORS 51
#define IDS_NEW_FOLDER_NAME_INVALID 52
// Messages of a restore.
#define IDS_DATA_PATH_KEPT 60
#define IDS_NOTHING_RESTORED 61
#define IDS_NO_VALID_BACKUP_INI 62
#define IDS_BACKUP_INCOMPLETE 63
#define IDS_INCOMPLETE_CANCELLED 64
#define IDS_INCOMPLETE_FAILED_FILES 65
#define IDS_INCOMPLETE_VERIFY_FAILURES 66
// Messages of a backup's media and its end.
#define IDS_INSERT_AS_DISK 90
#define IDS_MEDIUM_ALREADY_USED 91
#define IDS_MEDIUM_NO_ROOM 92
#define IDS_BACKUP_STATE_NOT_WRITTEN 93
#define IDS_DATA_PATH_MISSING 94
#define IDS_CASES_KEPT_NOT_IN_BACKUP 95
#define IDS_CASES_KEPT_FAILED 96
#define IDS_RESTORATION_DATA_KEPT 97
#define IDS_REGISTRY_NEEDS_ADMIN 98
// Messages of a check.
#define IDS_CHECKING_FILES 99
#define IDS_CHECK_PASSED 100
#define IDS_CHECK_FAILED 101
#define IDS_CHECK_NO_CHECKSUMS 102
#define IDS_CHECK_CANCELLED 103
#define IDS_CHECK_UNLISTED 104
#define IDS_AND_MORE 105

// Pages of the main dialog's property sheet.
#define IDD_PROPPAGE_BACKUP 129
#define IDD_PROPPAGE_RESTORE 130
#define IDD_PROPPAGE_OPTIONS 131
// Controls of the Backup page; the Restore page shares the media field, its
// label and the browse button.
#define IDC_START_BACKUP 1001
#define IDC_REQUIRED_SPACE 1004
#define IDC_MEDIA_PATH 1007
#define IDC_BROWSE 1008
#define IDC_BACKUP_NAME 1011
#define IDC_SELECT_MODIFIED 1012
#define IDC_MEDIA_LABEL 1014
#define IDC_BACKUP_TREE 1039
// Controls of the Restore page.
#define IDC_RESTORE_TREE 1000
#define IDC_RESTORE 1005
#define IDC_CHECK_BACKUP 1040
// Controls of the Options page.
#define IDC_VERIFY_AFTER_BACKUP 1009
#define IDC_DELETE_RESTORATIONS 1010
#define IDC_BACKUP_TIFF_IMAGES 1013
