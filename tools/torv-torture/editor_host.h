// What the editor checks need from the window system: a host's frame window for the editor,
// its message loop, the mouse on the editor, and the process's GUI object counts. Platform
// files: editor_host_win32.cpp, editor_host_posix.cpp (no window system: the editor composites
// without a screen, and there is no mouse).
#pragma once

#include <cstdint>

// A top-level window of the host for an editor to open in; null when none can be made.
void* makeParentWindow(int index);
void destroyParentWindow(void* parent);
// The number of child windows the parent holds (the editor's), or -1 where not known.
int childWindows(void* parent);
// Dispatches waiting messages for about `ms` milliseconds (at least once).
void pumpWindowMessages(int ms);
// A press on the editor at (x, y), a drag by dx pixels and the release, sent to the editor's
// window as the mouse would; false where there is no window to send them to. [ui thread]
bool dragInEditor(void* parent, int x, int y, int dx);
// GDI objects and USER objects of the process, or -1 where not known.
int64_t gdiObjects();
int64_t userObjects();
