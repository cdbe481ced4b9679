// The widget base: a rectangle of a window that draws itself into the window's back buffer and
// may react to the mouse. Widgets are made and driven by commands ("VX_Wid %o -win %o").
//
// Threads: options may arrive on any thread (a host automates parameters from its own). Such
// an option changes the widget's state words, which are atomic, and asks the window to redraw;
// the window paints on its own thread (see VX_Win_Win32). Mouse hooks and "-win" run on the
// window's thread.
#pragma once

#include "VX/Pic/VX_Pic.h"
#include "VX/VX_Chain.h"
#include "VX/VX_Object.h"

#include <atomic>

class VX_Win;
struct VX_Win_Cell_Entry;

class VX_Wid : public VX_Object {
public:
    VX_Wid() = default;
    // Detaches from the window first.
    ~VX_Wid() override;

    std::atomic<VX_Win*> window{nullptr};
    VX_Chain_Item windowLink{this}; // in the window's widget list
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::atomic<int32_t> visible{1};
    std::atomic<int32_t> enabled{1};
    VX_Win_Cell_Entry* cellEntries = nullptr; // owned, one per covered cell
    int32_t cellEntryCount = 0;

    // Paints the part `r` of the widget (widget coordinates) into `dst` at (x, y).
    virtual void draw(VX_Pic_Base<VX_Pix_A32>& dst, int32_t x, int32_t y, const VX_Rect& r);
    // Brings a cached rendering up to date.
    virtual void update();
    // update(), then the window (if any) redraws the widget's rectangle.
    virtual void refresh();
    // Mouse hooks in widget coordinates. [ui thread]
    virtual void press(int32_t x, int32_t y);
    virtual void drag(int32_t x, int32_t y);
    virtual bool hitTest(int32_t x, int32_t y);
    virtual void release();

    // Attaches to a window (null: only detaches). Attaching again re-registers the cells, so a
    // moved widget is attached once more. [ui thread]
    void attach(VX_Win* w);

    // The widget's rectangle in window coordinates, clamped to the 32-bit range.
    VX_Rect rect() const;
};

// A bound variable's change hook: a widget writes a user change into the variable, then calls
// apply with its data pointer.
using VX_Wid_Callback = void (*)(void* data);

// Option helpers shared by the widget classes (integer and float options read their values
// as the nodes do, VX/VX_numeric.h).
// Colours take any number; a hexadecimal word ("0x00A57BBD") arrives as a reference and is
// taken by its low 32 bits.
bool VX_wid_read_colour(const VX_value& v, uint32_t& out);
// References given as "%o"; the number 0 stands for null.
bool VX_wid_read_object(const VX_value& v, void*& out);

extern const VX_Option_Entry VX_Wid_options[];
