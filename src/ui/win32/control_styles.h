// Styles of the host's own window classes that the resource script uses.
// Plain #defines: the resource compiler reads this file.
#ifndef VEKTREL_UI_WIN32_CONTROL_STYLES_H
#define VEKTREL_UI_WIN32_CONTROL_STYLES_H

// "VektrelPie" drawn as a square of one of the pie's colours: the legend.
#define VEKTREL_PIE_KEY_USED 0x0001
#define VEKTREL_PIE_KEY_FREE 0x0002

#endif
