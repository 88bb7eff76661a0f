// Dialog templates and controls of the bad-sector scan (templates 250-299,
// controls 3500-3999). Plain #defines: the resource compiler reads this file.
#ifndef VEKTREL_SCAN_SCAN_IDS_H
#define VEKTREL_SCAN_SCAN_IDS_H

#define IDD_SCAN_DISK 250
#define IDD_SCAN 251
#define IDD_SCAN_SUMMARY 252

#define IDC_START_SCAN 3500
#define IDC_SCAN_ERRORS 3501
#define IDC_SCAN_SHOW_ERRORS 3502
#define IDC_SCAN_TARGET 3503
#define IDC_SCAN_SECTOR 3504
#define IDC_SCAN_REMAINING 3505

#endif
