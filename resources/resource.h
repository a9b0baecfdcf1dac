#pragma once
// Resource numbers of the launcher.
#define IDR_CONFIG 201
#define IDI_LAUNCHER 107
#define IDS_CLASS_NAME 109
#define IDC_LAUNCHER 109
#define IDD_ABOUT 103
#define CMD_ABOUT 104
#define CMD_EXIT 105
#define RT_LAUNCHER 2020
