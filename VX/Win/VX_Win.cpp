#include "VX/Win/VX_Win.h"

#include "VX/Wid/VX_Wid.h"
#include "VX/Wid/VX_Wid_Butt.h"
#include "VX/Wid/VX_Wid_Knob.h"

#include <cstring>
#include <typeinfo>

VX_Win::VX_Win(int32_t w, int32_t h) : width(w > 0 ? w : 0), height(h > 0 ? h : 0) {
    columns = (width - 1) / cellSize + 1;
    rows = (height - 1) / cellSize + 1;
    cells = new VX_Chain[static_cast<size_t>(columns) * rows];
    back.resize(cellSize, cellSize);
    scratch.resize(cellSize, cellSize);
}

// Widgets outlive windows (the editor keeps its widgets while the host closes and reopens the
// window): each one left attached is detached, so that it never refers to this window again.
VX_Win::~VX_Win() {
    while (widgets.count > 0) static_cast<VX_Wid*>(widgets.first()->data)->attach(nullptr);
    delete[] cells;
}

void VX_Win::redraw(const VX_Rect&) {}

void VX_Win::add(VX_Wid* w) {
    widgets.insert(&w->windowLink);
    const VX_Rect r = w->rect().intersect(bounds());
    if (r.empty()) return;
    const int32_t c0 = r.left / cellSize, c1 = (r.right - 1) / cellSize;
    const int32_t r0 = r.top / cellSize, r1 = (r.bottom - 1) / cellSize;
    w->cellEntryCount = (c1 - c0 + 1) * (r1 - r0 + 1);
    w->cellEntries = new VX_Win_Cell_Entry[static_cast<size_t>(w->cellEntryCount)];
    VX_Win_Cell_Entry* e = w->cellEntries;
    for (int32_t row = r0; row <= r1; ++row)
        for (int32_t col = c0; col <= c1; ++col, ++e) {
            e->link.data = w;
            e->widget = w;
            e->cell = row * columns + col;
            e->chain = &cells[e->cell];
            e->chain->insert(&e->link);
        }
}

void VX_Win::remove(VX_Wid* w) {
    widgets.remove(&w->windowLink);
    for (int32_t i = 0; i < w->cellEntryCount; ++i)
        w->cellEntries[i].chain->remove(&w->cellEntries[i].link);
    delete[] w->cellEntries;
    w->cellEntries = nullptr;
    w->cellEntryCount = 0;
    // Mouse state must not keep a widget that is gone.
    VX_Wid* expected = w;
    hovered.compare_exchange_strong(expected, nullptr);
    expected = w;
    captured.compare_exchange_strong(expected, nullptr);
}

VX_Wid* VX_Win::widgetAt(int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= width || y >= height) return nullptr;
    VX_Chain& cell = cells[(y / cellSize) * columns + x / cellSize];
    // Newest first: the widget drawn on top is hit first.
    for (VX_Chain_Item* i = cell.tail.previous; i != &cell.head; i = i->previous) {
        VX_Wid* w = static_cast<VX_Wid*>(i->data);
        if (w->visible && w->rect().contains(x, y) && w->hitTest(x - w->left, y - w->top)) return w;
    }
    return nullptr;
}

VX_Pix_A32 VX_highlight(VX_Pix_A32 p, double k) {
    const double a = p.a * k;
    if (a > 255.0) {
        auto scale = [k](uint8_t c) {
            const double v = c * k;
            return uint8_t(v > 255.0 ? 255 : int(v));
        };
        return {scale(p.b), scale(p.g), scale(p.r), p.a};
    }
    p.a = uint8_t(int(a));
    return p;
}

void VX_Win::highlight(VX_Wid* w, int32_t x, int32_t y, const VX_Rect& src, double k) {
    const int32_t n = src.width();
    for (int32_t j = 0; j < src.height(); ++j)
        std::memset(static_cast<void*>(scratch.row(y + j) + x), 0, sizeof(VX_Pix_A32) * n);
    w->draw(scratch, x, y, src);
    for (int32_t j = 0; j < src.height(); ++j) {
        VX_Pix_A32* s = scratch.row(y + j) + x;
        VX_Pix_A32* d = back.row(y + j) + x;
        for (int32_t i = 0; i < n; ++i) VX_composite(d[i], VX_highlight(s[i], k));
    }
}

void VX_Win::compositeCell(int32_t column, int32_t row, const VX_Rect& s) {
    const int32_t cellLeft = column * cellSize, cellTop = row * cellSize;
    VX_Chain& cell = cells[row * columns + column];
    // Every paint starts from transparent black: with the divisor of 256 even an opaque pixel
    // keeps a trace of what it covers, so without this a repaint would depend on whatever the
    // previous cell left in the buffer.
    for (int32_t y = s.top; y < s.bottom; ++y)
        std::memset(static_cast<void*>(back.row(y - cellTop) + (s.left - cellLeft)),
                    0,
                    sizeof(VX_Pix_A32) * s.width());
    VX_Wid* const hover = hovered.load();
    // Oldest first, so that later widgets are drawn over earlier ones.
    for (VX_Chain_Item* i = cell.first(); !cell.isEnd(i); i = i->next) {
        VX_Wid* w = static_cast<VX_Wid*>(i->data);
        if (!w->visible) continue;
        const VX_Rect wr = w->rect();
        const VX_Rect area = wr.intersect(s);
        if (area.empty()) continue;
        const VX_Rect src = area.offset(-wr.left, -wr.top);
        const int32_t x = area.left - cellLeft, y = area.top - cellTop;
        const bool enabled = w->enabled != 0;
        if (w != hover && enabled)
            w->draw(back, x, y, src);
        else
            highlight(w, x, y, src, enabled ? VX_WIN_HOVER_FACTOR : VX_WIN_DISABLED_FACTOR);
    }
}

void VX_Win::composite(const VX_Rect& rect, CellSink emit, void* context) {
    const VX_Rect r = rect.intersect(bounds());
    if (r.empty() || !back.data || !scratch.data) return;
    const int32_t firstRow = r.top / cellSize, lastRow = (r.bottom - 1) / cellSize;
    const int32_t firstColumn = r.left / cellSize, lastColumn = (r.right - 1) / cellSize;
    for (int32_t row = lastRow; row >= firstRow; --row)
        for (int32_t col = firstColumn; col <= lastColumn; ++col) {
            const VX_Rect cell{col * cellSize,
                               row * cellSize,
                               col * cellSize + cellSize,
                               row * cellSize + cellSize};
            const VX_Rect s = cell.intersect(r);
            compositeCell(col, row, s);
            emit(context, s, cell.left, cell.top);
        }
}

namespace {
struct Copy {
    VX_Pic_Base<VX_Pix_A32>* target;
    const VX_Pic_Base<VX_Pix_A32>* back;
};
} // namespace

void VX_Win::compositeInto(VX_Pic_Base<VX_Pix_A32>& target, const VX_Rect& r) {
    if (!target.data || target.width < width || target.height < height) return;
    Copy copy{&target, &back};
    composite(
        r,
        [](void* context, const VX_Rect& s, int32_t cellLeft, int32_t cellTop) {
            const Copy* c = static_cast<const Copy*>(context);
            for (int32_t y = s.top; y < s.bottom; ++y)
                std::memcpy(static_cast<void*>(c->target->row(y) + s.left),
                            c->back->row(y - cellTop) + (s.left - cellLeft),
                            sizeof(VX_Pix_A32) * s.width());
        },
        &copy);
}

// Only buttons and knobs react to the mouse: the exact classes, not what derives from them.
static bool interactive(const VX_Wid* w) {
    return w && (typeid(*w) == typeid(VX_Wid_Knob) || typeid(*w) == typeid(VX_Wid_Butt));
}

void VX_Win::mouseMove(int32_t x, int32_t y) {
    if (VX_Wid* c = captured.load()) {
        c->drag(x - c->left, y - c->top); // unclamped: a drag may leave the widget
        return;
    }
    x = x < 0 ? 0 : x >= width ? width - 1 : x;
    y = y < 0 ? 0 : y >= height ? height - 1 : y;
    VX_Wid* w = widgetAt(x, y);
    if (!interactive(w)) w = nullptr;
    VX_Wid* old = hovered.load();
    if (w == old) return;
    hovered = w;
    if (old) redraw(old->rect());
    if (w) redraw(w->rect());
}

void VX_Win::buttonDown(int32_t x, int32_t y) {
    VX_Wid* h = hovered.load();
    if (!h || !h->enabled) return;
    captured = h;
    h->press(x - h->left, y - h->top);
}

void VX_Win::buttonUp() {
    if (VX_Wid* c = captured.exchange(nullptr)) c->release();
}
