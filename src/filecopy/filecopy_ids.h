// Dialog templates and controls of the file copy wizard (templates
// 350-359, controls 3700-3799). Plain #defines: the resource compiler reads
// this file.
#ifndef VEKTREL_FILECOPY_FILECOPY_IDS_H
#define VEKTREL_FILECOPY_FILECOPY_IDS_H

#define IDD_BACKUP_FILES 350
#define IDD_BIT1 351
#define IDD_CLONE1 352

#define IDC_FC_TREE 3700
#define IDC_FC_SHOW_ITEMS 3701
#define IDC_FC_SHOW_FOLDERS 3702
#define IDC_FC_SELECTION 3703
#define IDC_FC_DEST_LABEL 3704
#define IDC_FC_DEST 3705
#define IDC_FC_NOTE 3706
#define IDC_FC_START 3707
#define IDC_FC_CURRENT 3708
#define IDC_FC_PERCENT 3709
#define IDC_FC_REMAINING 3710
#define IDC_FC_FREE 3711
#define IDC_FC_COPIED 3712
#define IDC_FC_BROWSE 3713

#endif
