#include "plugin/VX_Main_Vst_Editor.h"

#include "plugin/editor_window.h"

VX_Main_Vst_Editor::VX_Main_Vst_Editor(AudioEffect* effect, VX_Application* application)
    : AEffEditor(effect), window(editorWindowCreate(application->width, application->height)),
      application(application) {
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<int16_t>(application->height);
    rect.right = static_cast<int16_t>(application->width);
}

VX_Main_Vst_Editor::~VX_Main_Vst_Editor() {
    close();
    delete window;
}

bool VX_Main_Vst_Editor::getRect(ERect** r) {
    if (r) *r = &rect;
    return true;
}

bool VX_Main_Vst_Editor::open(void* parent) {
    if (systemWindow && systemWindow != parent) close();
    if (!editorWindowShow(window, parent)) return false;
    systemWindow = parent;
    application->attach(window);
    window->redraw(window->bounds());
    return true;
}

void VX_Main_Vst_Editor::close() {
    if (!systemWindow) return;
    application->detach();
    editorWindowHide(window);
    systemWindow = nullptr;
}
