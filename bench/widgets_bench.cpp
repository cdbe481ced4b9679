// Painting a window shaped like the editor (210 x 236): a repeated 63 x 63 background, the outer
// frame of eight 10 x 10 pieces, the control group's nine pieces with its 128 x 128 centre, a
// 40 x 24 button, a 64 x 64 knob of 265 frames and one line of text. Measured: a full paint,
// and one knob step (the knob turned by a frame and its rectangle painted again).
//
// Natively the cells are copied into a picture of the window's size; on Windows each cell is
// blitted from the window's memory DC into a memory bitmap, as a paint into a window does. One
// iteration is one paint (bench-callgrind's per-sample figure does not apply here).
#include "vx_image.h"

#include "VX/VX.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

uint32_t argb(int a, int r, int g, int b) {
    return uint32_t(a) << 24 | uint32_t(r & 255) << 16 | uint32_t(g & 255) << 8 | uint32_t(b & 255);
}

// Artwork of the editor's sizes, with soft (partly transparent) edges where the editor's have
// them.
std::vector<uint8_t> picture(int w, int h, int seed, bool soft) {
    vximage::Picture p{w, h, std::vector<uint32_t>(size_t(w) * h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int edge = std::min(std::min(x, w - 1 - x), std::min(y, h - 1 - y));
            const int a = soft && edge < 3 ? 80 + 50 * edge : 255;
            p.pixels[size_t(y) * w + x] = argb(a, seed + x, seed * 3 + y, x ^ y);
        }
    return vximage::packPicture(p);
}

std::vector<uint8_t> strip(int side_w, int side_h, int frames) {
    vximage::Strip s{
        side_w, side_h, frames, std::vector<uint32_t>(size_t(side_w) * side_h * frames)};
    for (int f = 0; f < frames; ++f)
        for (int y = 0; y < side_h; ++y)
            for (int x = 0; x < side_w; ++x) {
                const int dx = 2 * x - side_w, dy = 2 * y - side_h;
                const bool inside = dx * dx + dy * dy < side_w * side_w;
                // The pointer's tiles change from frame to frame, the rest is shared.
                const bool pointer = inside && (x + f / 8) % 16 == 0 && y < side_h / 2;
                s.pixels[(size_t(f) * side_h + y) * side_w + x] =
                    !inside   ? 0
                    : pointer ? argb(255, 255, 200, 60)
                              : argb(255, 60 + y, 70 + y, 90);
            }
    std::vector<uint8_t> out;
    size_t tiles = 0;
    std::string error;
    vximage::packStrip(s, out, tiles, error);
    return out;
}

#ifdef _WIN32
using Window = VX_Win_Win32;
#else
using Window = VX_Win;
#endif

struct Editor {
    static constexpr int W = 210, H = 236;
    std::vector<std::vector<uint8_t>> resources;
    std::vector<std::unique_ptr<VX_Wid>> widgets;
    Window win{W, H};
    VX_Wid_Knob* knob = nullptr;
    VX_Pic<VX_Pix_A32> screen;
#ifdef _WIN32
    HDC target = nullptr;
    HBITMAP targetBitmap = nullptr;
#endif

    const uint8_t* keep(std::vector<uint8_t> bytes) {
        resources.push_back(std::move(bytes));
        return resources.back().data();
    }
    template <typename T> T* add(int l, int t, int w, int h) {
        auto widget = std::make_unique<T>();
        widget->left = l;
        widget->top = t;
        widget->width = w;
        widget->height = h;
        T* raw = widget.get();
        widgets.push_back(std::move(widget));
        return raw;
    }
    void pic(int l, int t, int w, int h, int pw, int ph, int seed, bool soft) {
        add<VX_Wid_Pic>(l, t, w, h)->picture.map(keep(picture(pw, ph, seed, soft)));
    }

    Editor() {
        pic(0, 0, W, H, 63, 63, 10, false);
        const int p = 10, gl = 10, gt = 56, gw = 190, gh = 170;
        // Outer frame: corners, then edges, as the editor's table orders them.
        pic(0, 0, p, p, p, p, 1, true);
        pic(p, 0, W - 2 * p, p, p, p, 2, true);
        pic(W - p, 0, p, p, p, p, 3, true);
        pic(0, p, p, H - 2 * p, p, p, 4, true);
        pic(W - p, p, p, H - 2 * p, p, p, 5, true);
        pic(0, H - p, p, p, p, p, 6, true);
        pic(p, H - p, W - 2 * p, p, p, p, 7, true);
        pic(W - p, H - p, p, p, p, p, 8, true);
        pic(25, 8, 160, 30, 160, 30, 9, true); // the badge
        auto* title = add<VX_Wid_Text>(10, 35, 190, 20);
        title->text = "3-rd order Butterworth high-pass";
        title->face = "Tahoma";
        title->size = 12;
        title->makeFont();
        pic(gl, gt, p, p, p, p, 11, true);
        pic(gl + p, gt, gw - 2 * p, p, p, p, 12, true);
        pic(gl + gw - p, gt, p, p, p, p, 13, true);
        pic(gl, gt + p, p, gh - 2 * p, p, p, 14, true);
        pic(gl + p - 4, gt + p - 4, gw - 2 * p + 8, gh - 2 * p + 8, 128, 128, 15, false);
        pic(gl + gw - p, gt + p, p, gh - 2 * p, p, p, 16, true);
        pic(gl, gt + gh - p, p, p, p, p, 17, true);
        pic(gl + p, gt + gh - p, gw - 2 * p, p, p, p, 18, true);
        pic(gl + gw - p, gt + gh - p, p, p, p, p, 19, true);
        auto* button = add<VX_Wid_Butt>(gl + 11, gt + 11, 40, 24);
        button->strip.map(keep(strip(40, 24, 2)));
        button->resource = "but";
        knob = add<VX_Wid_Knob>(gl + 61, gt + 70, 64, 64);
        knob->strip.map(keep(strip(64, 64, 265)));
        knob->resource = "big";
        knob->frame = 39;
        for (auto& w : widgets) w->attach(&win);
        screen.resize(W, H);
#ifdef _WIN32
        // No window is needed to paint: the memory DC and the target are memory bitmaps.
        win.back.memDC = CreateCompatibleDC(nullptr);
        SelectObject(win.back.memDC, win.back.bitmap);
        target = CreateCompatibleDC(nullptr);
        targetBitmap = CreateCompatibleBitmap(win.back.memDC, W, H);
        SelectObject(target, targetBitmap);
#endif
        paint(win.bounds()); // renders the text once
    }
    ~Editor() {
        for (auto& w : widgets) w->attach(nullptr);
#ifdef _WIN32
        DeleteDC(target);
        DeleteObject(targetBitmap);
#endif
    }

    void paint(const VX_Rect& r) {
#ifdef _WIN32
        win.paint(target, r);
        GdiFlush();
#else
        win.compositeInto(screen, r);
#endif
    }
};

void BM_FullPaint(benchmark::State& state) {
    Editor editor;
    for (auto _ : state) {
        editor.paint(editor.win.bounds());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FullPaint)->Unit(benchmark::kMicrosecond);

void BM_KnobStep(benchmark::State& state) {
    Editor editor;
    int frame = 0;
    for (auto _ : state) {
        frame = frame == 264 ? 0 : frame + 1;
        editor.knob->frame = frame;
        editor.paint(editor.knob->rect());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_KnobStep)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
