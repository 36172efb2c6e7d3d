// The common controls (comctl32's part of our subset): the status bar. Built on the public
// API as comctl32 is built on user32; user only registers the controls' classes with its own
// built-in ones, so that they exist before the program's first class, as on Win32.
#pragma once

namespace win32::commctrl {

// Registers the window classes of the common controls ("msctls_statusbar32").
void register_classes();

}  // namespace win32::commctrl
