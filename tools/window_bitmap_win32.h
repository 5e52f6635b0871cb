// The Win32 main window as drawn on the screen, menu bar and status bar
// included, saved as a 24-bit BMP file. False when there is no window or
// the file cannot be written.
#pragma once

bool SaveMainWindowBitmap(const char* file);
