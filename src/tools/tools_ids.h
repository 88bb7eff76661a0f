// Dialog templates and controls of the auxiliary tools (templates 500-549,
// controls 6500-6999). Plain #defines: the resource compiler reads this file.
#ifndef VEKTREL_TOOLS_TOOLS_IDS_H
#define VEKTREL_TOOLS_TOOLS_IDS_H

#define IDD_INSTALL_DRIVER 500

#define IDC_DRIVER_PATH 6500
#define IDC_DRIVER_BROWSE 6501
#define IDC_DRIVER_INSTALL 6502

#endif
