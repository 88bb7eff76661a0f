// The file browser's template and controls (template 105, controls
// 1160-1169 of the application's ranges). Plain #defines: the resource
// compiler reads this file.
#ifndef VEKTREL_APP_FILE_BROWSER_IDS_H
#define VEKTREL_APP_FILE_BROWSER_IDS_H

#define IDD_FILE_BROWSER 105

#define IDC_FB_LOOKIN_LABEL 1160
#define IDC_FB_DRIVES 1161
#define IDC_FB_UP 1162
#define IDC_FB_NEWFOLDER 1163
#define IDC_FB_FOLDER 1164
#define IDC_FB_NAME_LABEL 1165
#define IDC_FB_NAME 1166
#define IDC_FB_TYPE_LABEL 1167
#define IDC_FB_TYPE 1168

#endif
