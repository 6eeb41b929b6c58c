// Whether this process can open a window at all. Qt aborts the program when
// it finds no display; the programs ask first and explain instead.
#pragma once

// True when a Qt platform is named (QT_QPA_PLATFORM) or an X11 or Wayland
// display is set (DISPLAY, WAYLAND_DISPLAY).
bool WindowSystemAvailable();
