// Control and dialog-template ids shared by the pages and the resource
// script. Plain #defines, because the resource compiler reads this file.
//
// Number ranges, one per subsystem, so that each keeps its own header:
//   templates: app 100-149, duplicate 150-199, erase 200-249, scan 250-299,
//              partition 300-349, filecopy 350-399, health 400-449,
//              viewer 450-499, tools 500-549
//   controls:  common 1000-1099, app 1100-1999, duplicate 2000-2999,
//              erase 3000-3499, scan 3500-3999, partition 4000-4999,
//              filecopy 5000-5499, health 5500-5999, viewer 6000-6499,
//              tools 6500-6999
//   menu commands: 32768 and up (the partition manager's are fixed at 0x800B..0x8011)
#ifndef VEKTREL_UI_CONTROL_IDS_H
#define VEKTREL_UI_CONTROL_IDS_H

// IDOK (1) and IDCANCEL (2) are the usual button ids; pages use
// win::IDOK and win::IDCANCEL, the resource script the ones of <windows.h>.

// Common controls of the wizard pages
#define IDC_BACK 1001
#define IDC_NEXT 1002
#define IDC_HEADING 1003
#define IDC_SUBHEADING 1004
#define IDC_GROUP 1005
#define IDC_INSTRUCTION 1006
#define IDC_LIST 1007
#define IDC_MAP 1008
#define IDC_PROGRESS 1009
#define IDC_RUN_EXPLORER 1010
#define IDC_VIEW 1011
#define IDC_LEGEND_UNALLOCATED 1012
#define IDC_LEGEND_PRIMARY 1013
#define IDC_LEGEND_LOGICAL 1014
#define IDC_LEGEND_FREELOGICAL 1015
#define IDC_LEGEND_BOX_UNALLOCATED 1016
#define IDC_LEGEND_BOX_PRIMARY 1017
#define IDC_LEGEND_BOX_LOGICAL 1018
#define IDC_LEGEND_BOX_FREELOGICAL 1019
#define IDC_TEXT1 1020
#define IDC_TEXT2 1021
#define IDC_TEXT3 1022
#define IDC_TEXT4 1023
#define IDC_TEXT5 1024
#define IDC_TEXT6 1025
#define IDC_TEXT7 1026
#define IDC_TEXT8 1027
#define IDC_VALUE1 1030
#define IDC_VALUE2 1031
#define IDC_VALUE3 1032
#define IDC_VALUE4 1033
#define IDC_VALUE5 1034
#define IDC_VALUE6 1035
#define IDC_VALUE7 1036
#define IDC_VALUE8 1037
#define IDC_FINISH 1040
#define IDC_ELAPSED 1041
#define IDC_STATUS 1042
#define IDC_PROGRESS_DETAIL 1043  // percentage, rate and remaining time of a long run

// Main window (templates 100-149, controls 1100-1199)
#define IDD_MAIN 100
#define IDD_ABOUT 101
#define IDD_RESTART 102
#define IDD_WAIT 103
#define IDD_SPLASH 104
#define IDR_MAINMENU 110
#define IDI_MAINICON 111
#define IDC_TILE_ONECLICK 1101
#define IDC_TILE_DUPLICATE 1102
#define IDC_TILE_FILES 1103
#define IDC_TILE_DELETE 1104
#define IDC_TILE_SCAN 1105
#define IDC_TILE_PARTMANAGER 1106
#define IDC_TILE_PARTVIEW 1107
#define IDC_TILE_HEALTH 1108
#define IDC_TILE_BOOTUSB 1109
#define IDC_TILE_LABEL_FIRST 1111
#define IDC_DESCRIPTION 1120
#define IDC_CLOCK 1121
#define IDC_SIMULATED 1122
#define IDC_ABOUT_TEXT 1130
#define IDC_RESTART_TEXT 1140
#define IDC_RESTART_FIRST 1141
#define IDC_RESTART_SECOND 1142
#define IDC_WAIT_TEXT 1150
#define IDC_WAIT_PROGRESS 1151

// Main menu commands
#define ID_ACTIONS_ONECLICK 32771
#define ID_ACTIONS_DUPLICATEDISK 32772
#define ID_ACTIONS_FILES 32773
#define ID_ACTIONS_DELETEDISK 32774
#define ID_ACTIONS_SCANNEWDISK 32775
#define ID_ACTIONS_DRIVERINSTALLATION 32776
#define ID_ACTIONS_EXIT 32777
#define ID_HELP_VEKTRELHELP 32778
#define ID_HELP_ABOUTVEKTREL 32779
#define ID_ACTIONS_PARTITIONMANAGER 32780
#define ID_ACTIONS_PARTITIONVIEW 32781
#define ID_ACTIONS_DISKHEALTH 32782
#define ID_ACTIONS_CREATEBOOTABLEUSB 32783

#endif
