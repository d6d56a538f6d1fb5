// Resource and control identifiers of the main dialog, the About box, the menu bar and the icon.
// The numbers are fixed: the templates, the menu and the command table refer to each other by them.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN_DIALOG 102
#define IDR_MAINFRAME 128

// Command value of the About entry appended to the main dialog's system menu.
#define IDM_ABOUTBOX 0x0010

#define IDC_CLEAR 3
#define IDC_INPUT_LIST 1004
#define IDC_OUTPUT_FILE 1005
#define IDC_LOG 1006
#define IDC_OUTPUT_FORM 1007
#define IDC_PEM 1008
#define IDC_DER 1009
#define IDC_DES64 1010
#define IDC_3DES128 1011
#define IDC_3DES192 1012
#define IDC_RC2_40 1013
#define IDC_FORM_GROUP 1014
#define IDC_CRYPT_GROUP 1015
#define IDC_DEPTH 1016
#define IDC_DEPTH_LABEL 1017
#define IDC_RC2_128 1018
#define IDC_NO_ENCRYPT 1019
