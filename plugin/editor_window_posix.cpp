#include "plugin/editor_window.h"

VX_Win* editorWindowCreate(int32_t width, int32_t height) {
    return new VX_Win(width, height);
}

bool editorWindowShow(VX_Win*, void* parent) {
    return parent != nullptr;
}

void editorWindowHide(VX_Win*) {}
