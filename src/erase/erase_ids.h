// Dialog templates and controls of the deletion wizard (templates 200-249,
// controls 3000-3499). Plain #defines: the resource compiler reads this file.
#ifndef VEKTREL_ERASE_ERASE_IDS_H
#define VEKTREL_ERASE_ERASE_IDS_H

#define IDD_DELETE_DISK 200
#define IDD_DELETE_METHOD 201
#define IDD_DELETE_PROGRESS 202
#define IDD_DELETE_REPORT 203

// Method page
#define IDC_METHOD_DESCRIPTION 3001

// Progress page (labels and values are the common IDC_TEXTn / IDC_VALUEn)
#define IDC_DELETE_WARNING 3010
#define IDC_DELETE_PROGRESS_GROUP 3011
#define IDC_START_DELETION 3012

// Report page
#define IDC_REPORT_CONFIGURATION 3020
#define IDC_REPORT_RESULT 3021
#define IDC_SNAPSHOT 3022
#define IDC_SAVE_REPORT 3023
#define IDC_VIEW_REGION 3024

#endif
