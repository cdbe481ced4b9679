// The editor's window on the platform: a framework window shown inside the parent window a
// host gives the editor. On Windows it is a child window of that parent; elsewhere there is no
// window system to show it in, and the window only composites (what the tests look at).
#pragma once

#include "VX/Win/VX_Win.h"

// A window of the editor's size, not shown yet.
VX_Win* editorWindowCreate(int32_t width, int32_t height);
// Gives the parent the window's size and shows the window in it; false when the parent is not
// a window it can be shown in. [ui thread]
bool editorWindowShow(VX_Win* window, void* parent);
// Takes the window out of its parent again. [ui thread]
void editorWindowHide(VX_Win* window);
