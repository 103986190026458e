// Resource numbers of the Windows dialog (win32/veltrane_win32.rc).
#pragma once

#define IDD_ABOUTBOX 100
#define IDD_VELTRANE_DIALOG 102
#define IDR_MAINFRAME 128
#define IDI_CASING 129
#define IDR_ACCELERATORS 130

// Controls of the main dialog, in tab order.
#define IDC_SELECTION 1001
#define IDC_BROWSE 1002
#define IDC_DIRECTION 1004
#define IDC_CONVERT 1005
#define IDC_PICTURE 1006
// The preview under them, created by the window.
#define IDC_SUMMARY 1010
#define IDC_PLOT 1011
#define IDC_DIAGNOSTICS 1012
// The twist limit under the summary: its label, the field and its unit.
#define IDC_LIMIT_LABEL 1013
#define IDC_LIMIT 1014
#define IDC_LIMIT_UNIT 1015
// Where the outputs go, under the conversion row.
#define IDC_OUTPUT_LABEL 1025
#define IDC_BESIDE_SOURCE 1026
#define IDC_IN_FOLDER 1027
#define IDC_OUTPUT_FOLDER 1028
#define IDC_CHOOSE_FOLDER 1029
// The KVN CSV header items of a TWI source, under the output row.
#define IDC_SITE_LABEL 1030
#define IDC_SITE 1031
#define IDC_BOREHOLE_LABEL 1032
#define IDC_BOREHOLE 1033
#define IDC_DEPTH_UNIT_LABEL 1034
#define IDC_DEPTH_UNIT 1035
#define IDC_TWI_PROBLEM 1036
// Many files at once, after the preview.
#define IDC_RESULTS 1020
#define IDC_RESULTS_STATUS 1021
#define IDC_PROGRESS 1022
#define IDC_CANCEL_RUN 1023
#define IDC_ONLY_NOT_CONVERTED 1024
#define IDC_COMPARE 1037

// The About item of the system menu; system commands keep the low four bits free.
#define IDM_ABOUTBOX 0x0010
// F1 opens the About box.
#define ID_HELP_ABOUT 0xE140
// Ctrl+S and the plot's context menu save the plot as a picture.
#define ID_SAVE_PICTURE 0x8010
// Ctrl+D moves to the direction box (Ctrl+O and Ctrl+Enter send Browse and
// Convert, the buttons' own commands).
#define ID_FOCUS_DIRECTION 0x8011

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
