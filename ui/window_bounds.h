#pragma once

#include "core/settings_format.h"

class QWidget;

namespace moxtal {

// Applies the bounds values of a window that were read (top is the field of its top), brought onto
// a screen; the window's own size limits then apply. Bounds are the client area's, as the user sees
// the window placed and sized, so that a restore puts it back exactly and start/close cycles never
// move it under a window manager.
void applyWindowBounds(QWidget* window, const WindowBounds& bounds, const MainCfgRead& read, MainCfgField top);
// A window's bounds as applyWindowBounds takes them. A window that has never been placed is where it
// would first appear: centred over the main window.
WindowBounds windowBounds(const QWidget* window, const QWidget* mainWindow);

// From now on, each time the window is shown it opens wholly on the screen it is on (the screen's
// area without panels), frame included: a window never placed is first centred over the window it
// belongs to, as windowBounds assumes, instead of wherever the window manager would put it.
void openWhollyOnScreen(QWidget* window);

}  // namespace moxtal
