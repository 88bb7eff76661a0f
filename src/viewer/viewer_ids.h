// Dialog templates and controls of the disk viewers (templates 450-499,
// controls 6000-6499). Plain #defines: the resource compiler reads this file.
#ifndef VEKTREL_VIEWER_VIEWER_IDS_H
#define VEKTREL_VIEWER_VIEWER_IDS_H

#define IDD_VIEW_DISK_DATA 450
#define IDD_VIEW_PARTITION 451

#define IDC_VIEW_REGION_TEXT 6000
#define IDC_VIEW_SECTOR 6001
#define IDC_VIEW_GO 6002
#define IDC_VIEW_DUMP 6003
#define IDC_VIEW_START 6004
#define IDC_VIEW_END 6005
#define IDC_VIEW_PREVIOUS 6006
#define IDC_VIEW_NEXT 6007
#define IDC_VIEW_CYLINDER 6008
#define IDC_VIEW_HEAD 6009
#define IDC_VIEW_SECTOR_LABEL 6010

#endif
