// The pictures of the main window's tiles, drawn as vectors by our own code.
#pragma once

#include "ui/win32/canvas.h"
#include "ui/window.h"

namespace ui::win32 {

// Draws `picture` into the square (x, y, size) of the canvas.
void DrawTilePicture(Canvas& canvas, Picture picture, double x, double y, double size);

// The program's own mark (a disk with a copy arrow), for the splash window.
void DrawProgramMark(Canvas& canvas, double x, double y, double size);

}  // namespace ui::win32
