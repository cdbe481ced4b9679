// A window: the drawing surface and mouse dispatcher of a set of widgets. It registers its
// widgets in a grid of 64 x 64 cells, composites each cell into a 64 x 64 back buffer and hands
// finished cells to the platform. This part is free of the platform; VX_Win_Win32 shows it.
#pragma once

#include "VX/Pic/VX_Pic.h"
#include "VX/VX_Chain.h"

#include <atomic>

class VX_Wid;

// One widget's registration in one cell. The widget owns the array of its entries.
struct VX_Win_Cell_Entry {
    VX_Chain_Item link{nullptr}; // data: the widget
    VX_Wid* widget = nullptr;
    VX_Chain* chain = nullptr; // the cell's chain of entries
    int32_t cell = 0;          // index of the cell in the grid
};

class VX_Win {
public:
    static constexpr int32_t cellSize = 64;

    VX_Win(int32_t width, int32_t height);
    VX_Win(const VX_Win&) = delete;
    VX_Win& operator=(const VX_Win&) = delete;
    // Detaches every widget that is still attached.
    virtual ~VX_Win();

    int32_t width;
    int32_t height;
    VX_Chain widgets; // attached widgets, in attach order
    // Set and cleared by mouse handling on the window's thread; read by painting.
    std::atomic<VX_Wid*> captured{nullptr};
    std::atomic<VX_Wid*> hovered{nullptr};
    VX_Chain* cells; // columns x rows chains of VX_Win_Cell_Entry, row by row
    int32_t columns;
    int32_t rows;
    VX_Pic<VX_Pix_A32> back;    // one cell is composited here
    VX_Pic<VX_Pix_A32> scratch; // the highlight pass draws a widget here first

    // Repaints the given rectangle of the window now; nothing without a platform window.
    virtual void redraw(const VX_Rect& r);

    // Registers a widget in its window list and in every cell its rectangle covers (within
    // the grid), after the entries already there. Removing unregisters it everywhere.
    void add(VX_Wid* w);
    void remove(VX_Wid* w);

    // The topmost visible widget at (x, y) whose own hit test agrees, or null.
    VX_Wid* widgetAt(int32_t x, int32_t y);

    // Composites the cells that `r` touches, bottom row first, each row from the left, and
    // hands each finished cell's part S (window coordinates) to `emit`; the pixels of S lie
    // in the back buffer at S minus (cellLeft, cellTop). S is composited onto transparent
    // black, so the same widgets always give the same pixels.
    using CellSink = void (*)(void* context, const VX_Rect& s, int32_t cellLeft, int32_t cellTop);
    void composite(const VX_Rect& r, CellSink emit, void* context);
    // Composites `r` into a picture of the window's size: what the screen shows afterwards.
    void compositeInto(VX_Pic_Base<VX_Pix_A32>& target, const VX_Rect& r);

    // Mouse handling in window coordinates, as the platform window receives it. [ui thread]
    void mouseMove(int32_t x, int32_t y);
    void buttonDown(int32_t x, int32_t y);
    void buttonUp(); // also what leaving the window does

    VX_Rect bounds() const { return {0, 0, width, height}; }

private:
    void compositeCell(int32_t column, int32_t row, const VX_Rect& s);
    void highlight(VX_Wid* w, int32_t x, int32_t y, const VX_Rect& src, double k);
};

// Highlight factors: a hovered widget is brightened, a disabled one faded.
inline constexpr double VX_WIN_HOVER_FACTOR = 1.5;
inline constexpr double VX_WIN_DISABLED_FACTOR = 0.4;

// The highlight rule for one pixel: alpha x k when that stays within 255, otherwise the alpha
// is kept and the colours are multiplied by k (each clamped at 255).
VX_Pix_A32 VX_highlight(VX_Pix_A32 p, double k);
