// The effect's editor as the host sees it: its size, and the window it shows the
// application's widgets in while the host has it open. The widgets and their state belong to
// the application and outlive every opening; the window lives as long as the editor.
#pragma once

#include "plugin/VX_Application.h"
#include "plugin/vst/aeffeditor.h"

class VX_Main_Vst_Editor : public AEffEditor {
public:
    VX_Main_Vst_Editor(AudioEffect* effect, VX_Application* application);
    // Closes first when still open.
    ~VX_Main_Vst_Editor() override;

    // {0, 0, height, width} of the application's editor. [ui thread]
    bool getRect(ERect** rect) override;
    // Sizes the parent to the editor, shows the window in it, attaches the widgets and paints
    // them. Opening again moves the editor to the new parent. [ui thread]
    bool open(void* parent) override;
    // Detaches the widgets and hides the window. [ui thread]
    void close() override;
    // Everything is drawn when it changes.
    void idle() override {}

    VX_Win* window;
    VX_Application* application;

private:
    ERect rect{};
};
