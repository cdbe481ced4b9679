// The editor side of a VST 2.4 effect: what the host calls when it shows the effect's window.
#pragma once

#include "plugin/vst/vst_abi.h"

class AudioEffect;

// A key event as the host passes it with effEditKeyDown and effEditKeyUp.
struct VstKeyCode {
    VstInt32 character;     // ASCII character, or 0
    unsigned char virt;     // virtual key code, or 0
    unsigned char modifier; // modifier key bits
};

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect = nullptr) : effect(effect) {}
    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;
    virtual ~AEffEditor() = default;

    virtual AudioEffect* getEffect() { return effect; }
    // Stores a pointer to the editor's own rectangle; false when it has none.
    virtual bool getRect(ERect** rect) {
        if (rect) *rect = nullptr;
        return false;
    }
    // ptr is the parent window the host gives the editor.
    virtual bool open(void* ptr) {
        systemWindow = ptr;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual bool setKnobMode(VstInt32) { return false; }
    virtual bool onWheel(float) { return false; }
    virtual bool onKeyDown(VstKeyCode&) { return false; }
    virtual bool onKeyUp(VstKeyCode&) { return false; }

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
};
