// The Win32 dialog host, as the program's entry point sees it.
#pragma once

#include <memory>

#include "ui/window.h"

namespace ui::win32 {

// The common controls (version 6 through the manifest) and the host's own
// window classes; once, before the first window.
void InitCommonControls();

// Pages as modal dialogs made from the program's resource script.
std::unique_ptr<Host> CreateDialogHost();

}  // namespace ui::win32
