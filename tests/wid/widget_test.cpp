// The widget classes through commands, as the editor drives them: the registry, pictures,
// buttons, the knob's value law and drag law, text and the level meter.
#include "support/capture.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// A window that records what it was asked to redraw.
struct RecordingWin : VX_Win {
    RecordingWin() : VX_Win(210, 236) {}
    void redraw(const VX_Rect& r) override { redraws.push_back(r); }
    std::vector<VX_Rect> redraws;
};

// A bound variable that remembers its apply calls.
struct Variable : VX_value {
    void apply(void* data) override { applied.push_back(data); }
    std::vector<void*> applied;
};

int callbacks = 0;
void* callbackData = nullptr;
void countCallback(void* data) {
    ++callbacks;
    callbackData = data;
}

struct Widgets : testing::Test {
    void SetUp() override { callbacks = 0; }
    void TearDown() override {
        for (VX_Object* o : made) VX_cmd("%o -delete", o);
    }
    template <typename T> T* make(const char* command) {
        T* w = nullptr;
        EXPECT_EQ(VX_cmd(command, &w), VX_OK) << command;
        if (w) made.push_back(w);
        return w;
    }
    std::string text(const char* format, VX_Object* o) {
        char out[256];
        int cap = sizeof out;
        EXPECT_EQ(VX_cmd_text(out, &cap, format, o), VX_OK) << format;
        return std::string(out, static_cast<size_t>(cap));
    }
    std::vector<VX_Object*> made;
    RecordingWin win;
};

TEST_F(Widgets, RegistryEndsWithTheWidgetClassesInTableOrder) {
    int n = 0;
    while (_VX[n].name) ++n;
    ASSERT_EQ(n, 33);
    const char* const tail[] = {
        "VX_Wid", "VX_Wid_Pic", "VX_Wid_Butt", "VX_Wid_Knob", "VX_Wid_Pal", "VX_Wid_Text"};
    for (int k = 0; k < 6; ++k) EXPECT_STREQ(_VX[n - 6 + k].name, tail[k]);
    EXPECT_EQ(VX_find_class("VX_Wid")[0].handler.create, nullptr); // abstract
    // Own options in table order, then the base widget's.
    const VX_Option_Entry* knob = VX_find_class("VX_Wid_Knob");
    const char* const own[] = {"res", "com", "val", "dat", "mn", "mx", "var"};
    for (int k = 0; k < 7; ++k) EXPECT_STREQ(knob[k + 1].name, own[k]);
    EXPECT_EQ(knob[8].handler.parent, VX_Wid_options);
    // A text widget continues with the base widget's table: it has no "-res".
    EXPECT_EQ(VX_find_option(VX_find_class("VX_Wid_Text"), "res"), nullptr);
    EXPECT_NE(VX_find_option(VX_find_class("VX_Wid_Pal"), "res"), nullptr);
    VX_Wid_Text* label = make<VX_Wid_Text>("VX_Wid_Text");
    std::string out =
        stdoutOf([&] { EXPECT_EQ(VX_cmd("%o -res tpic", label), VX_ERROR_COMMAND_NOT_PARAM); });
}

TEST_F(Widgets, BaseOptionsSetAndReport) {
    VX_Wid_Pic* w = make<VX_Wid_Pic>("VX_Wid_Pic -l 5.9 -t -3 -w 20 -h 10");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->left, 5); // a float is truncated toward zero
    EXPECT_EQ(w->top, -3);
    EXPECT_EQ(text("%o -l -t -w -h -vis -enabled -win", w), "5 -3 20 10 1 1 0x0");
    w->left = 0;
    w->top = 0;
    ASSERT_EQ(VX_cmd("VX_Wid %o -win %o", w, &win), VX_OK);
    EXPECT_EQ(w->window.load(), &win);
    EXPECT_EQ(win.widgets.count, 1);
    ASSERT_EQ(VX_cmd("VX_Wid %o -enabled 0 -vis 0", w), VX_OK);
    EXPECT_EQ(w->enabled, 0);
    EXPECT_EQ(win.redraws.size(), 2u); // each of them refreshes
    ASSERT_EQ(VX_cmd("VX_Wid %o -win 0", w), VX_OK);
    EXPECT_EQ(w->window.load(), nullptr);
    EXPECT_EQ(win.widgets.count, 0);
    // Deleting an attached widget detaches it first.
    VX_cmd("VX_Wid %o -win %o", w, &win);
    made.clear();
    ASSERT_EQ(VX_cmd("%o -delete", w), VX_OK);
    EXPECT_EQ(win.widgets.count, 0);
    EXPECT_EQ(win.cells[0].count, 0);
}

TEST_F(Widgets, PictureTakesItsSizeFromTheResourceUnlessGivenOne) {
    VX_Wid_Pic* own = make<VX_Wid_Pic>("VX_Wid_Pic -res tbg"); // names match in any case
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->width, 63);
    EXPECT_EQ(own->height, 63);
    EXPECT_STREQ(own->resource, "tbg");
    VX_Wid_Pic* sized = make<VX_Wid_Pic>("VX_Wid_Pic -w 210 -h 236 -l 0 -t 0 -res TBG");
    EXPECT_EQ(sized->width, 210);
    EXPECT_EQ(sized->picture.width, 63);
    // A name that is no resource, and a resource that is no picture, leave an empty picture.
    BoxCapture capture;
    VX_Wid_Pic* none = make<VX_Wid_Pic>("VX_Wid_Pic -res nosuchpicture");
    EXPECT_EQ(none->picture.data, nullptr);
    VX_Wid_Pic* wrong = make<VX_Wid_Pic>("VX_Wid_Pic -res torv_test_text");
    EXPECT_EQ(wrong->picture.data, nullptr);
    EXPECT_EQ(wrong->width, 0);
    ASSERT_EQ(capture.boxes.size(), 2u);
    EXPECT_NE(capture.boxes[0].text.find("nosuchpicture"), std::string::npos);
    EXPECT_NE(capture.boxes[1].text.find("Invalid VXIF header"), std::string::npos);
}

TEST_F(Widgets, ButtonValueRefreshesAndCallsBackOnAChangeOnly) {
    VX_Wid_Butt* b = make<VX_Wid_Butt>("VX_Wid_Butt -w 40 -h 24 -l 21 -t 67 -res tbutt");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->strip.frameCount, 2);
    EXPECT_EQ(b->width, 40);
    int marker = 0;
    VX_cmd("%o -com %o -dat %o -win %o", b, reinterpret_cast<void*>(countCallback), &marker, &win);
    win.redraws.clear();
    float reported = -1;
    ASSERT_EQ(VX_cmd("VX_Wid_Butt %o -val %i -val", b, 1, &reported), VX_OK);
    EXPECT_TRUE(b->state);
    EXPECT_EQ(b->frame, 1);
    EXPECT_EQ(reported, 1.0f);
    ASSERT_EQ(win.redraws.size(), 1u);
    EXPECT_EQ(win.redraws[0], (VX_Rect{21, 67, 61, 91}));
    EXPECT_EQ(callbacks, 1);
    EXPECT_EQ(callbackData, &marker);
    VX_cmd("VX_Wid_Butt %o -val %i", b, 1); // the same state again: nothing
    EXPECT_EQ(win.redraws.size(), 1u);
    EXPECT_EQ(callbacks, 1);
    VX_cmd("VX_Wid_Butt %o -val %f", b, 0.0);
    VX_cmd("VX_Wid_Butt %o -val %f -val", b, 0.5, &reported); // 0.5 is not 0: on
    EXPECT_EQ(reported, 1.0f);
    EXPECT_EQ(callbacks, 3);
}

TEST_F(Widgets, ButtonPressGoesThroughItsVariable) {
    VX_Wid_Butt* b = make<VX_Wid_Butt>("VX_Wid_Butt -w 40 -h 24 -res tbutt");
    // Without a variable it toggles itself.
    b->press(10, 10);
    EXPECT_TRUE(b->state);
    b->press(10, 10);
    EXPECT_FALSE(b->state);
    // With one, it writes the negated state and leaves setting itself to the apply.
    Variable var;
    int data = 0;
    VX_cmd("%o -var %o -dat %o", b, &var, &data);
    b->press(10, 10);
    EXPECT_FALSE(b->state);
    EXPECT_EQ(var.type, VX_TYPE_INT);
    EXPECT_EQ(var.value.i, 1);
    ASSERT_EQ(var.applied.size(), 1u);
    EXPECT_EQ(var.applied[0], &data);
    // Only opaque enough artwork reacts: not the cut corner, not the soft rim (alpha 100).
    EXPECT_FALSE(b->hitTest(0, 0));
    EXPECT_FALSE(b->hitTest(20, 0));
    EXPECT_TRUE(b->hitTest(20, 12));
}

struct Knob : Widgets {
    VX_Wid_Knob* knob = nullptr;
    void SetUp() override {
        Widgets::SetUp();
        knob =
            make<VX_Wid_Knob>("VX_Wid_Knob -w 32 -h 32 -l 71 -t 126 -res tknob -mn 20 -mx 10000");
        ASSERT_NE(knob, nullptr);
        ASSERT_EQ(knob->strip.frameCount, 265);
        VX_cmd("%o -win %o -com %o", knob, &win, reinterpret_cast<void*>(countCallback));
        win.redraws.clear();
        callbacks = 0;
    }
    int frameFor(double v) {
        VX_cmd("VX_Wid_Knob %o -val %f", knob, v);
        return knob->frame;
    }
};

TEST_F(Knob, ValueMapsToFramesByTruncationWithoutClamping) {
    EXPECT_EQ(frameFor(20), 0);
    EXPECT_EQ(frameFor(10000), 264);
    EXPECT_EQ(frameFor(9999.99), 263);
    EXPECT_EQ(frameFor(1500), 39);
    float v = 0;
    VX_cmd("%o -val", knob, &v);
    EXPECT_NEAR(v, 20 + 39 / 264.0 * 9980, 1e-3); // about 1494.3
    // Frame 3 reports a value that, rounded to single precision, maps back to frame 2.
    knob->frame = 3;
    VX_cmd("%o -val", knob, &v);
    EXPECT_NEAR(v, 133.40909f, 1e-4);
    EXPECT_EQ(knob->frameOf(v), 2);
    // Every refresh on a frame of the strip redraws and calls back, changed or not.
    win.redraws.clear();
    callbacks = 0;
    frameFor(1500);
    frameFor(1500);
    EXPECT_EQ(win.redraws.size(), 2u);
    EXPECT_EQ(callbacks, 2);
    // Outside the range the frame leaves the strip: no redraw, no callback, until it returns.
    EXPECT_EQ(frameFor(20000), 528);
    EXPECT_EQ(frameFor(-100), -3);
    EXPECT_EQ(win.redraws.size(), 2u);
    EXPECT_EQ(callbacks, 2);
    EXPECT_FALSE(knob->hitTest(16, 16));
    frameFor(5000);
    EXPECT_EQ(callbacks, 3);
}

TEST_F(Knob, DraggingTurnsOneFramePerPixelAndMovesTheAnchorAtTheEnds) {
    frameFor(20);
    knob->press(10, 10);
    knob->drag(310, 10); // 300 pixels right: past the end
    EXPECT_EQ(knob->frame, 264);
    knob->drag(300, 10); // 10 back: turns at once
    EXPECT_EQ(knob->frame, 254);
    knob->drag(305, 15); // 5 right and 5 down cancel out
    EXPECT_EQ(knob->frame, 254);
    knob->drag(300, 0); // up turns it up
    EXPECT_EQ(knob->frame, 264);
    knob->press(0, 0);
    knob->drag(-1000, 0);
    EXPECT_EQ(knob->frame, 0);
    knob->drag(-990, 0);
    EXPECT_EQ(knob->frame, 10);
}

TEST_F(Knob, ADragWritesTheVariableInsteadOfRefreshing) {
    Variable var;
    int data = 0;
    VX_cmd("%o -var %o -dat %o", knob, &var, &data);
    frameFor(20);
    win.redraws.clear();
    callbacks = 0;
    knob->press(0, 0);
    knob->drag(39, 0);
    EXPECT_EQ(knob->frame, 39);
    EXPECT_EQ(var.type, VX_TYPE_FLOAT);
    EXPECT_EQ(var.length, -1);
    EXPECT_EQ(var.value.f, knob->valueOf(39));
    ASSERT_EQ(var.applied.size(), 1u);
    EXPECT_EQ(var.applied[0], &data);
    EXPECT_TRUE(win.redraws.empty()); // the apply is expected to send the value back
    EXPECT_EQ(callbacks, 0);
}

TEST_F(Knob, RangeChangesKeepTheValue) {
    frameFor(5000);
    const int before = knob->frame;
    float mn = 0;
    VX_cmd("%o -mn %f -mn", knob, 20.0, &mn);
    EXPECT_EQ(mn, 20.0f);
    // The value goes through single precision and back by truncation: it may come back one
    // frame lower, never further.
    EXPECT_GE(knob->frame, before - 1);
    EXPECT_LE(knob->frame, before);
    // A fresh knob: value 0, range 0 ... 100. Raising the minimum to 20 keeps value 0, which is
    // now below the range.
    VX_Wid_Knob* fresh = make<VX_Wid_Knob>("VX_Wid_Knob -res tknob -mn 20");
    EXPECT_EQ(fresh->frame, -66);
    VX_cmd("%o -mx 10000", fresh);
    EXPECT_EQ(fresh->frame, 0);
}

TEST_F(Knob, WithoutAResourceOrAWindowNothingMoves) {
    VX_Wid_Knob* bare = make<VX_Wid_Knob>("VX_Wid_Knob -mn 0 -mx 100");
    bare->frame = 5;
    float v = 0;
    VX_cmd("%o -val %f -val", bare, 50.0, &v);
    EXPECT_EQ(bare->frame, 5);
    EXPECT_EQ(v, 500.0f); // mn + frame / 1 * (mx - mn): a strip without frames divides by 1
    // Detached, the knob follows the value but neither redraws nor calls back.
    VX_cmd("%o -win 0", knob);
    frameFor(10000);
    EXPECT_EQ(knob->frame, 264);
    EXPECT_TRUE(win.redraws.empty());
    EXPECT_EQ(callbacks, 0);
}

struct Text : Widgets {
    VX_Wid_Text* label = nullptr;
    void SetUp() override {
        Widgets::SetUp();
        label = make<VX_Wid_Text>("VX_Wid_Text -l 10 -t 10 -w 80 -h 16 -text Filter");
        ASSERT_NE(label, nullptr);
    }
    // Draws the widget alone onto transparent black and returns the picture.
    VX_Pic<VX_Pix_A32>& render() {
        out.resize(label->width, label->height);
        std::memset(static_cast<void*>(out.data), 0, size_t(out.width) * out.height * 4);
        label->draw(out, 0, 0, {0, 0, label->width, label->height});
        return out;
    }
    // Columns that have any opaque pixel: first and last.
    std::pair<int, int> inked() {
        int first = -1, last = -1;
        for (int x = 0; x < out.width; ++x)
            for (int y = 0; y < out.height; ++y)
                if (out.row(y)[x].a) {
                    if (first < 0) first = x;
                    last = x;
                }
        return {first, last};
    }
    VX_Pic<VX_Pix_A32> out;
};

TEST_F(Text, OptionsSetAndReport) {
    EXPECT_EQ(text("%o -text -color -size -horz -bold", label), "Filter 16777215 0 0 0");
    VX_cmd("VX_Wid_Text %o -color 0x00A57BBD -horz -1 -size 12 -bold 3", label);
    EXPECT_EQ(label->colour, 0x00A57BBDu);
    EXPECT_EQ(text("%o -color -horz -size -bold", label), "10845117 -1 12 1");
}

TEST_F(Text, RendersOpaqueTextOnATransparentGroundInItsColourAndAlignment) {
    VX_cmd("VX_Wid_Text %o -color 0x00A57BBD -horz -1", label);
    render();
    // COLORREF 0x00BBGGRR: blue A5, green 7B, red BD. What was drawn is opaque, whatever its
    // shade (GDI smooths the edges toward the black ground); the ground is transparent.
    const uint32_t ink = 0xFFBD7BA5;
    bool full = false;
    const VX_Pic<VX_Pix_A32>& own = label->picture;
    ASSERT_EQ(own.width, 80);
    for (int k = 0; k < own.width * own.height; ++k) {
        const VX_Pix_A32 p = own.data[k];
        if (p.word() == 0) continue;
        ASSERT_EQ(p.a, 255) << k;
        ASSERT_TRUE(p.b <= 0xA5 && p.g <= 0x7B && p.r <= 0xBD) << std::hex << p.word();
        full |= p.word() == ink;
    }
    EXPECT_TRUE(full);
    const auto [leftFirst, leftLast] = inked();
    EXPECT_LE(leftFirst, 2);
    VX_cmd("%o -horz 1", label);
    label->update();
    render();
    const auto [rightFirst, rightLast] = inked();
    EXPECT_GE(rightLast, 77);
    EXPECT_EQ(rightLast - rightFirst, leftLast - leftFirst); // the same text, moved
    VX_cmd("%o -horz 0", label);
    label->update();
    render();
    const auto [first, last] = inked();
    EXPECT_LE(std::abs(first - (79 - last)), 2);
#ifndef _WIN32
    // The built-in font: "Filter" is six glyphs of 5 with a pixel between, exactly placed.
    EXPECT_EQ(leftFirst, 0);
    EXPECT_EQ(rightLast, 79);
    EXPECT_EQ(first, (80 - (6 * 6 - 1)) / 2);
#endif
    // Black text is the transparent ground: nothing shows.
    VX_cmd("%o -color 0", label);
    label->update();
    render();
    EXPECT_EQ(inked().first, -1);
}

TEST_F(Text, RendersAgainOnANewReferenceOrAfterUpdate) {
    char buffer[16] = "20 Hz";
    VX_cmd("%o -text %s", label, buffer);
    render();
    const std::pair<int, int> before = inked();
    // The same buffer rewritten: the reference did not change, nothing is rendered...
    std::snprintf(buffer, sizeof buffer, "10000 Hz");
    render();
    EXPECT_EQ(inked(), before);
    // ...until update.
    label->update();
    render();
    EXPECT_NE(inked(), before);
    // "-text" alone redraws nothing.
    VX_cmd("%o -win %o", label, &win);
    win.redraws.clear();
    VX_cmd("%o -text %s", label, "other");
    EXPECT_TRUE(win.redraws.empty());
    label->refresh();
    EXPECT_EQ(win.redraws.size(), 1u);
}

TEST_F(Text, FontChangesOnlyWhenTheyDiffer) {
    struct Counting : VX_Wid_Text {
        void makeFont() override { ++made; }
        int made = 0;
    } t;
    const char* tahoma = "Tahoma";
    VX_cmd("VX_Wid_Text %o -font %s -size 12", &t, tahoma);
    EXPECT_EQ(t.made, 2);
    VX_cmd("VX_Wid_Text %o -font %s -size 12 -bold 0", &t, tahoma); // all as they are
    EXPECT_EQ(t.made, 2);
    VX_cmd("VX_Wid_Text %o -bold 1 -size 13", &t);
    EXPECT_EQ(t.made, 4);
}

struct Meter : Widgets {
    VX_Wid_Pal* pal = nullptr;
    VX_Wid_Pal_Line line;
    void SetUp() override {
        Widgets::SetUp();
        pal = make<VX_Wid_Pal>("VX_Wid_Pal -res tmeter");
        ASSERT_NE(pal, nullptr);
        ASSERT_EQ(pal->picture.width, testimages::meterIndices);
        VX_cmd("%o -ln %o -cg %i -ch r -mn 0 -mx 99 -rl %f -bg %i -fg %i -rg %i",
               pal,
               &line,
               static_cast<int>(testimages::meterKey | 0xFF0000),
               0.8,
               static_cast<int>(0xFF000000u),
               static_cast<int>(0xFF00FF00u),
               static_cast<int>(0xFFFF0000u));
    }
    uint32_t shown(int index, int row = 2) { return pal->picture.row(row)[index].word(); }
};

TEST_F(Meter, LineOptionsAndTheChannelLetter) {
    EXPECT_EQ(line.key, testimages::meterKey); // "-ch" cleared the red byte and alpha
    EXPECT_EQ(line.channel, 2);
    EXPECT_EQ(text("%o -mn -mx -ch -rl", pal), "0 99 r 0.800000");
    VX_cmd("%o -ch green", pal);
    EXPECT_EQ(line.channel, 1);
    const char* letter = nullptr;
    VX_cmd("%o -ch red -ch", pal, &letter);
    EXPECT_STREQ(letter, "r");
    EXPECT_EQ(line.channel, 2);
    VX_cmd("%o -ch g", pal);
    line.key = 0xFFFFFFFF;
    VX_cmd("%o -ch x", pal); // no such channel: unchanged, but the key is cleared all the same
    EXPECT_EQ(line.channel, 1);
    EXPECT_EQ(line.key, 0x00FF00FFu);
    // Without a line, nothing changes and nothing is reported.
    VX_Wid_Pal* bare = make<VX_Wid_Pal>("VX_Wid_Pal -res tmeter");
    EXPECT_EQ(text("%o -mn 5 -mn -level 0.5", bare), "");
    EXPECT_EQ(bare->picture.row(2)[0].word(), testimages::meter().pixels[2 * 100]);
}

TEST_F(Meter, HalfLevelPaintsUpToTheBoundaryIndexInBackground) {
    VX_cmd("%o -level 0.5", pal);
    EXPECT_EQ(shown(0), 0xFF00FF00u);
    EXPECT_EQ(shown(49), 0xFF00FF00u);
    EXPECT_EQ(shown(50), 0xFF000000u); // e = 50, f = 0: pure background
    EXPECT_EQ(shown(51), 0xFF000000u);
    EXPECT_EQ(shown(10, 0), testimages::meter().pixels[10]); // the frame never changes
    // Above the threshold the high colour; the half transparent artwork keeps its alpha.
    VX_cmd("%o -level 1.0", pal);
    EXPECT_EQ(shown(79), 0xFF00FF00u);
    EXPECT_EQ(shown(80), 0xFFFF0000u); // 80 / 99 >= 0.8
    EXPECT_EQ(shown(99, 2), 0xFFFF0000u);
    EXPECT_EQ(shown(99, 3), 0x80FF0000u);
}

TEST_F(Meter, ASmallRiseVisitsOnlyTheBoundaryWithAHalfwayBlend) {
    VX_cmd("%o -level 0.25", pal);
    const uint32_t next = shown(26);
    VX_cmd("%o -level 0.255", pal);
    // from = 25, e = 25.5, to = 25: background and the on colour half and half.
    EXPECT_EQ(shown(25), 0xFF007F00u);
    EXPECT_EQ(shown(26), next);
    EXPECT_EQ(shown(24), 0xFF00FF00u);
}

TEST_F(Meter, HostileLevelsEndQuickly) {
    for (float v : {1e30f, -1e30f, NAN, INFINITY, -3.0f, 7.0f}) pal->level(v, false);
    pal->level(0.0f, false);
    EXPECT_EQ(shown(0), 0xFF000000u);
    line.minimum = 300; // a range outside the indices paints nothing
    line.maximum = 200;
    pal->level(0.7f, false);
    EXPECT_EQ(shown(70), 0xFF000000u);
}

} // namespace
