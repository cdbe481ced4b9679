// The window's platform-free part: the cell grid, paint order and clipping, the highlight pass,
// hit testing, hover and capture.
#include "test_images.h"

#include "VX/VX.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

using Pic = VX_Pic<VX_Pix_A32>;

// Composites pixel words over each other from left to right, starting from the transparent
// black of a new back buffer.
uint32_t stack(std::initializer_list<uint32_t> layers) {
    VX_Pix_A32 p{};
    for (uint32_t s : layers) VX_composite(p, VX_Pix_A32::fromWord(s));
    return p.word();
}

// An opaque-or-not rectangle of one colour that records how it was asked to draw.
struct Solid : VX_Wid {
    struct Call {
        int32_t x, y;
        VX_Rect r;
    };
    Solid(int32_t l, int32_t t, int32_t w, int32_t h, uint32_t c) : colour(c) {
        left = l;
        top = t;
        width = w;
        height = h;
    }
    void draw(VX_Pic_Base<VX_Pix_A32>& dst, int32_t x, int32_t y, const VX_Rect& r) override {
        calls.push_back({x, y, r});
        for (int32_t j = 0; j < r.height(); ++j)
            for (int32_t i = 0; i < r.width(); ++i)
                VX_composite(dst.row(y + j)[x + i], VX_Pix_A32::fromWord(colour));
    }
    bool hitTest(int32_t, int32_t) override { return hit; }
    uint32_t colour;
    bool hit = true;
    std::vector<Call> calls;
};

// A window that records its redraw requests and composites them into a picture of its size.
struct TestWin : VX_Win {
    TestWin(int32_t w, int32_t h) : VX_Win(w, h) { screen.resize(w, h); }
    void redraw(const VX_Rect& r) override {
        redraws.push_back(r);
        compositeInto(screen, r);
    }
    uint32_t at(int x, int y) { return screen.row(y)[x].word(); }
    std::vector<VX_Rect> redraws;
    Pic screen;
};

TEST(WinGrid, EditorSizedWindowHasFourByFourCellsPaintedBottomRowFirst) {
    VX_Win win(210, 236);
    EXPECT_EQ(win.columns, 4);
    EXPECT_EQ(win.rows, 4);
    EXPECT_EQ(win.back.width, 64);
    EXPECT_EQ(win.scratch.height, 64);
    std::vector<std::pair<int, int>> order;
    win.composite(
        {0, 0, 210, 236},
        [](void* c, const VX_Rect& s, int32_t cl, int32_t ct) {
            static_cast<std::vector<std::pair<int, int>>*>(c)->push_back({ct / 64, cl / 64});
            EXPECT_EQ(s, s.intersect({cl, ct, cl + 64, ct + 64}));
        },
        &order);
    ASSERT_EQ(order.size(), 16u);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(order[k].first, 3 - k / 4) << k;
        EXPECT_EQ(order[k].second, k % 4) << k;
    }
    // Rectangles reaching past the window are clamped to it.
    order.clear();
    win.composite(
        {150, 200, 400, 900},
        [](void* c, const VX_Rect& s, int32_t cl, int32_t ct) {
            static_cast<std::vector<std::pair<int, int>>*>(c)->push_back({ct / 64, cl / 64});
            EXPECT_LE(s.right, 210);
            EXPECT_LE(s.bottom, 236);
        },
        &order);
    EXPECT_EQ(order.size(), 2u); // row 3, columns 2 and 3
}

TEST(WinGrid, CellRegistrationFollowsTheRectangle) {
    VX_Win win(210, 236);
    Solid a(60, 0, 10, 10, 0xFF000000);
    a.attach(&win);
    ASSERT_EQ(a.cellEntryCount, 2); // columns 0 and 1
    EXPECT_EQ(a.cellEntries[0].cell, 0);
    EXPECT_EQ(a.cellEntries[1].cell, 1);
    EXPECT_EQ(win.cells[0].count, 1);
    EXPECT_EQ(win.cells[1].count, 1);
    // Attaching again leaves one entry per covered cell.
    a.attach(&win);
    EXPECT_EQ(win.cells[0].count, 1);
    EXPECT_EQ(win.cells[1].count, 1);
    EXPECT_EQ(win.widgets.count, 1);
    // A moved widget is attached again to follow.
    a.left = 130;
    a.top = 60;
    a.attach(&win);
    EXPECT_EQ(win.cells[0].count, 0);
    ASSERT_EQ(a.cellEntryCount, 2);
    EXPECT_EQ(a.cellEntries[0].cell, 2);     // row 0, column 2
    EXPECT_EQ(a.cellEntries[1].cell, 4 + 2); // row 1, column 2
    a.attach(nullptr);
    EXPECT_EQ(win.widgets.count, 0);
    EXPECT_EQ(win.cells[2].count, 0);
    EXPECT_EQ(a.cellEntries, nullptr);
    EXPECT_EQ(a.window.load(), nullptr);
}

TEST(WinPaint, WidgetAcrossTwoCellsIsDrawnOncePerCellClippedToIt) {
    TestWin win(128, 64);
    Solid bg(0, 0, 128, 64, 0xFF000000);
    Solid w(50, 10, 30, 20, 0xFF00FF00);
    bg.attach(&win);
    w.attach(&win);
    win.redraw(win.bounds());
    ASSERT_EQ(w.calls.size(), 2u);
    // Left cell: widget columns 0 ... 13 at cell x 50; right cell: 14 ... 29 at cell x 0.
    EXPECT_EQ(w.calls[0].x, 50);
    EXPECT_EQ(w.calls[0].y, 10);
    EXPECT_EQ(w.calls[0].r, (VX_Rect{0, 0, 14, 20}));
    EXPECT_EQ(w.calls[1].x, 0);
    EXPECT_EQ(w.calls[1].r, (VX_Rect{14, 0, 30, 20}));
    EXPECT_EQ(win.at(63, 10), stack({0xFF000000, 0xFF00FF00}));
    EXPECT_EQ(win.at(63, 10), 0xFE00FE00u); // opaque over opaque: within 1
    EXPECT_EQ(win.at(64, 29), stack({0xFF000000, 0xFF00FF00}));
    EXPECT_EQ(win.at(80, 10), stack({0xFF000000}));
    // A dirty rectangle touches only its cells, and only the part inside it.
    w.calls.clear();
    win.redraw({70, 15, 75, 18});
    ASSERT_EQ(w.calls.size(), 1u);
    EXPECT_EQ(w.calls[0].r, (VX_Rect{20, 5, 25, 8}));
    EXPECT_EQ(w.calls[0].x, 6);
}

TEST(WinPaint, LaterWidgetsAreDrawnOverEarlierOnesAndInvisibleOnesNotAtAll) {
    TestWin win(64, 64);
    Solid bg(0, 0, 64, 64, 0xFF000000);
    Solid red(10, 10, 20, 20, 0xFFFF0000);
    Solid half(20, 20, 20, 20, 0x800000FF);
    bg.attach(&win);
    red.attach(&win);
    half.attach(&win);
    win.redraw(win.bounds());
    EXPECT_EQ(win.at(15, 15), stack({0xFF000000, 0xFFFF0000}));
    // Half blue over red: r = 254 + (-254 * 128 >> 8), b = 0 + (255 * 128 >> 8), and alpha
    // composites too: 254 + (-126 * 128 >> 8).
    EXPECT_EQ(win.at(25, 25), stack({0xFF000000, 0xFFFF0000, 0x800000FF}));
    EXPECT_EQ(win.at(25, 25), 0xBF7F007Fu);
    red.visible = 0;
    win.redraw(win.bounds());
    EXPECT_EQ(win.at(15, 15), stack({0xFF000000}));
    EXPECT_EQ(win.at(25, 25), stack({0xFF000000, 0x800000FF}));
}

TEST(WinPaint, ARepaintGivesTheSamePixelsWhateverWasPaintedBefore) {
    TestWin win(128, 64);
    Solid left(0, 0, 64, 64, 0xFF305070);
    Solid right(64, 0, 64, 64, 0xFFD0E0F0);
    Solid dot(20, 20, 8, 8, 0x80FF8000);
    left.attach(&win);
    right.attach(&win);
    dot.attach(&win);
    win.redraw(win.bounds());
    const uint32_t whole = win.at(22, 22), plain = win.at(40, 40);
    // The right cell, painted last, leaves its own colours in the back buffer; a small repaint
    // of the left cell must not see them.
    win.redraw({64, 0, 128, 64});
    win.redraw({21, 21, 45, 45});
    EXPECT_EQ(win.at(22, 22), whole);
    EXPECT_EQ(win.at(40, 40), plain);
    EXPECT_EQ(plain, stack({0xFF305070}));
}

TEST(WinHitTest, NewestVisibleWidgetThatAgreesWins) {
    VX_Win win(128, 128);
    Solid bottom(0, 0, 128, 128, 0xFF000000);
    Solid middle(10, 10, 50, 50, 0xFF000000);
    Solid top(20, 20, 50, 50, 0xFF000000);
    bottom.attach(&win);
    middle.attach(&win);
    top.attach(&win);
    EXPECT_EQ(win.widgetAt(25, 25), &top);
    EXPECT_EQ(win.widgetAt(15, 15), &middle);
    EXPECT_EQ(win.widgetAt(65, 65), &top); // in another cell: the top widget is there too
    EXPECT_EQ(win.widgetAt(100, 5), &bottom);
    top.hit = false; // its own hit test refuses: the one below is hit
    EXPECT_EQ(win.widgetAt(25, 25), &middle);
    middle.visible = 0;
    EXPECT_EQ(win.widgetAt(25, 25), &bottom);
    EXPECT_EQ(win.widgetAt(-1, 5), nullptr);
    EXPECT_EQ(win.widgetAt(5, 128), nullptr);
}

TEST(WinHighlight, HoverBrightensAndDisabledFades) {
    // Alpha 200 x 1.5 is beyond 255: alpha stays and colours are multiplied, clamped at 255.
    EXPECT_EQ(VX_highlight(VX_Pix_A32::fromWord(0xC8204080), 1.5).word(), 0xC83060C0u);
    EXPECT_EQ(VX_highlight(VX_Pix_A32::fromWord(0xC8F0A001), 1.5).word(), 0xC8FFF001u);
    // Alpha 100 becomes 150, colours unchanged.
    EXPECT_EQ(VX_highlight(VX_Pix_A32::fromWord(0x64204080), 1.5).word(), 0x96204080u);
    // Disabled: 40 % of the alpha.
    EXPECT_EQ(VX_highlight(VX_Pix_A32::fromWord(0xFF204080), 0.4).word(), 0x66204080u);
    EXPECT_EQ(VX_highlight(VX_Pix_A32::fromWord(0x64204080), 0.4).word(), 0x28204080u);

    TestWin win(64, 64);
    Solid bg(0, 0, 64, 64, 0xFF000000);
    Solid w(8, 8, 8, 8, 0xC8204080);
    bg.attach(&win);
    w.attach(&win);
    win.redraw(win.bounds());
    EXPECT_EQ(win.at(10, 10), stack({0xFF000000, 0xC8204080}));
    // The highlight pass draws the widget onto transparent black first, changes that, and
    // composites the result.
    const uint32_t drawn = stack({0xC8204080});
    EXPECT_EQ(drawn, 0x9C193264u); // alpha 200 * 200 >> 8 = 156
    w.enabled = 0;
    win.redraw(win.bounds());
    EXPECT_EQ(win.at(10, 10), stack({0xFF000000, 0x3E193264})); // 156 * 0.4 = 62
    w.enabled = 1;
    win.hovered = &w;
    win.redraw(win.bounds());
    EXPECT_EQ(win.at(10, 10), stack({0xFF000000, 0xEA193264})); // 156 * 1.5 = 234
    EXPECT_EQ(win.at(20, 20), stack({0xFF000000}));             // nothing outside the widget
}

// A window with a background, a picture, a knob and a button, as the editor has them.
struct MouseWin : testing::Test {
    void SetUp() override {
        ASSERT_TRUE(knob.strip.map(knobBytes.data()));
        knob.resource = "tknob";
        knob.left = 40;
        knob.top = 20;
        knob.width = knob.height = 32;
        ASSERT_TRUE(button.strip.map(buttonBytes.data()));
        button.resource = "tbutt";
        button.left = 10;
        button.top = 70;
        button.width = 40;
        button.height = 24;
        bg.attach(&win);
        pic.attach(&win);
        knob.attach(&win);
        button.attach(&win);
        win.redraws.clear();
    }
    std::vector<uint8_t> knobBytes = testimages::packed(testimages::knob(32, 265));
    std::vector<uint8_t> buttonBytes = testimages::packed(testimages::button());
    TestWin win{128, 128};
    Solid bg{0, 0, 128, 128, 0xFF000000};
    Solid pic{80, 80, 20, 20, 0xFF808080};
    VX_Wid_Knob knob;
    VX_Wid_Butt button;
};

TEST_F(MouseWin, HoverMovesBetweenKnobsAndButtonsOnly) {
    win.mouseMove(56, 36); // the knob's centre
    EXPECT_EQ(win.hovered.load(), &knob);
    ASSERT_EQ(win.redraws.size(), 1u);
    EXPECT_EQ(win.redraws[0], knob.rect());
    win.mouseMove(57, 36);
    EXPECT_EQ(win.redraws.size(), 1u); // still the knob: nothing to redraw
    // Onto the background: the knob's rectangle once, and nothing hovered.
    win.mouseMove(5, 5);
    EXPECT_EQ(win.hovered.load(), nullptr);
    ASSERT_EQ(win.redraws.size(), 2u);
    EXPECT_EQ(win.redraws[1], knob.rect());
    // A picture never lights up.
    win.mouseMove(90, 90);
    EXPECT_EQ(win.hovered.load(), nullptr);
    EXPECT_EQ(win.redraws.size(), 2u);
    // The knob's transparent corner is background too; the button's lamp is the button.
    win.mouseMove(41, 21);
    EXPECT_EQ(win.hovered.load(), nullptr);
    win.mouseMove(20, 80);
    EXPECT_EQ(win.hovered.load(), &button);
    // Coordinates outside the window are clamped to its edge.
    win.mouseMove(-50, 500);
    EXPECT_EQ(win.hovered.load(), nullptr);
}

TEST_F(MouseWin, PressDragAndReleaseGoToTheHoveredKnob) {
    knob.frame = 100;
    win.mouseMove(56, 36);
    win.buttonDown(56, 36);
    EXPECT_EQ(win.captured.load(), &knob);
    EXPECT_EQ(knob.framePress, 100);
    EXPECT_EQ(knob.pressX, 16); // widget coordinates
    win.mouseMove(66, 33);      // 10 right, 3 up
    EXPECT_EQ(knob.frame, 113);
    win.mouseMove(-20, 200); // far outside: still the knob's drag, unclamped
    EXPECT_EQ(knob.frame, 0);
    EXPECT_EQ(win.hovered.load(), &knob);
    win.buttonUp();
    EXPECT_EQ(win.captured.load(), nullptr);
    const int before = knob.frame;
    win.mouseMove(70, 36); // no longer captured: only hover changes
    EXPECT_EQ(knob.frame, before);
}

TEST_F(MouseWin, APressOnADisabledWidgetCapturesNothing) {
    win.mouseMove(56, 36);
    knob.enabled = 0;
    win.buttonDown(56, 36);
    EXPECT_EQ(win.captured.load(), nullptr);
    win.buttonDown(5, 5); // nothing hovered there after a move; the press goes by the last move
    EXPECT_EQ(win.captured.load(), nullptr);
}

TEST_F(MouseWin, ADisabledHoveredKnobIsDrawnFaded) {
    win.hovered = &knob;
    knob.enabled = 0;
    win.redraw(win.bounds());
    const uint32_t drawn = stack({knob.strip.pixel(0, 16, 16).word()});
    EXPECT_EQ(win.at(56, 36),
              stack({0xFF000000, VX_highlight(VX_Pix_A32::fromWord(drawn), 0.4).word()}));
}

TEST(WinLifetime, DestroyingAWindowDetachesItsWidgets) {
    Solid a(0, 0, 100, 100, 0xFF000000);
    {
        VX_Win win(128, 128);
        a.attach(&win);
        win.hovered = &a;
    }
    EXPECT_EQ(a.window.load(), nullptr);
    EXPECT_EQ(a.cellEntryCount, 0);
    a.attach(nullptr); // nothing left to touch
    VX_Win other(64, 64);
    a.attach(&other);
    EXPECT_EQ(other.widgets.count, 1);
}

} // namespace
