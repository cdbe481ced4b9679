// The editor through the effect's entry point, on a window that composites without a screen:
// the host's editor calls, the panel's widgets, the parameters shown on them in both
// directions, the mouse, presets through the file dialog, and the dialog itself.
#include "plugin/test_host.h"
#include "support/capture.h"

#include "plugin/VX_Main_Vst_Editor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace testhost;
namespace fs = std::filesystem;

namespace {

// The host's parent window: any pointer will do where there is no window system.
int parentWindow;

class Editor : public ::testing::Test {
protected:
    void SetUp() override {
        app = e.object();
        editor = static_cast<VX_Main_Vst_Editor*>(app->getEditor());
        ASSERT_NE(editor, nullptr);
    }
    bool open() { return dispatch(e.get(), effEditOpen, 0, 0, &parentWindow) == 1; }
    void close() { dispatch(e.get(), effEditClose); }
    template <typename T = VX_Wid> T* slot(VX_Application::Slot s) {
        return static_cast<T*>(app->widgets[s]);
    }
    VX_Wid_Knob* knob() { return slot<VX_Wid_Knob>(VX_Application::slotKnob); }
    VX_Wid_Butt* button() { return slot<VX_Wid_Butt>(VX_Application::slotStateButton); }
    const char* readoutShown() {
        return slot<VX_Wid_Text>(VX_Application::slotReadout)->text.load();
    }
    bool filtersOn() {
        int32_t high = -1, band = -1;
        VX_cmd("VX_Effect %o -on", app->graph->highpass, &high);
        VX_cmd("VX_Effect %o -on", app->graph->bandpass, &band);
        EXPECT_EQ(high, band);
        return high != 0;
    }
    // The editor's window as it would be on the screen, pixel words row by row.
    std::vector<uint32_t> picture() {
        VX_Pic<VX_Pix_A32> p;
        p.resize(210, 236);
        editor->window->compositeInto(p, editor->window->bounds());
        std::vector<uint32_t> words(size_t(210) * 236);
        for (size_t k = 0; k < words.size(); ++k) words[k] = p.data[k].word();
        return words;
    }
    static uint32_t at(const std::vector<uint32_t>& p, int x, int y) {
        return p[size_t(y) * 210 + x];
    }
    // The mouse at a widget's centre, pressed, moved by (dx, dy), released.
    void dragFromCentre(VX_Wid* w, int dx, int dy) {
        VX_Win* win = editor->window;
        const int x = w->left + w->width / 2, y = w->top + w->height / 2;
        win->mouseMove(x, y);
        win->buttonDown(x, y);
        win->mouseMove(x + dx, y + dy);
        win->buttonUp();
    }

    Effect e;
    VX_Main_Vst* app = nullptr;
    VX_Main_Vst_Editor* editor = nullptr;
};

TEST_F(Editor, TheHostSeesAnEditorOf210By236AndOpensAndClosesIt) {
    EXPECT_TRUE(e->flags & effFlagsHasEditor);
    ERect* r = nullptr;
    EXPECT_EQ(dispatch(e.get(), effEditGetRect, 0, 0, &r), 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->top, 0);
    EXPECT_EQ(r->left, 0);
    EXPECT_EQ(r->right, 210);
    EXPECT_EQ(r->bottom, 236);
    EXPECT_EQ(dispatch(e.get(), effEditOpen, 0, 0, nullptr), 0) << "no parent, no editor";
    EXPECT_FALSE(editor->isOpen());
    ASSERT_TRUE(open());
    EXPECT_TRUE(editor->isOpen());
    EXPECT_EQ(app->window, editor->window);
    EXPECT_EQ(knob()->window.load(), editor->window);
    EXPECT_EQ(dispatch(e.get(), effEditIdle), 0);
    close();
    EXPECT_FALSE(editor->isOpen());
    EXPECT_EQ(knob()->window.load(), nullptr);
    EXPECT_EQ(editor->window->widgets.count, 0);
}

TEST_F(Editor, ThePanelHas25WidgetsInItsSlotsAndTwoEmptyPresetSlots) {
    int made = 0;
    for (VX_Object* w : app->widgets) made += w != nullptr;
    EXPECT_EQ(made, 25);
    EXPECT_EQ(app->widgets[VX_Application::slotLoadButton], nullptr);
    EXPECT_EQ(app->widgets[VX_Application::slotSaveButton], nullptr);
    struct Where {
        VX_Application::Slot slot;
        int l, t, w, h;
    };
    for (const Where& g : {Where{VX_Application::slotBackground, 0, 0, 210, 236},
                           Where{VX_Application::slotOuterRightMiddle, 200, 10, 10, 216},
                           Where{VX_Application::slotOuterMiddleBottom, 10, 226, 190, 10},
                           Where{VX_Application::slotBadge, 25, 8, 160, 30},
                           Where{VX_Application::slotTitle, 10, 35, 190, 20},
                           Where{VX_Application::slotGroupMiddle, 16, 62, 178, 158},
                           Where{VX_Application::slotGroupRightBottom, 190, 216, 10, 10},
                           Where{VX_Application::slotStateButton, 21, 67, 40, 24},
                           Where{VX_Application::slotFilterLabel, 62, 70, 80, 16},
                           Where{VX_Application::slotCutoffLabel, 55, 104, 96, 18},
                           Where{VX_Application::slotKnob, 71, 126, 64, 64},
                           Where{VX_Application::slotReadout, 71, 194, 64, 18}}) {
        VX_Wid* w = slot(g.slot);
        ASSERT_NE(w, nullptr) << g.slot;
        EXPECT_EQ(w->rect(), (VX_Rect{g.l, g.t, g.l + g.w, g.t + g.h})) << g.slot;
    }
    EXPECT_EQ(knob()->strip.frameCount, 265);
    EXPECT_EQ(button()->strip.frameCount, 2);
    EXPECT_EQ(slot<VX_Wid_Text>(VX_Application::slotCutoffLabel)->colour, 0xE0C0C0u);
    EXPECT_EQ(slot<VX_Wid_Text>(VX_Application::slotFilterLabel)->colour, 0x00A57BBDu);
}

TEST_F(Editor, ClosingTheEffectDeletesTheWidgetsAndNamesTheTwoEmptySlots) {
    ASSERT_TRUE(open()); // and left open: the effect closes its editor itself
    AEffect* record = e.get();
    std::string out;
    out = stdoutOf([&] { record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f); });
    size_t count = 0;
    for (size_t at = out.find("NULL WIDGET\n"); at != std::string::npos;
         at = out.find("NULL WIDGET\n", at + 1))
        ++count;
    EXPECT_EQ(count, 2u) << out;
    // The fixture's own close must not run on the deleted record.
    new (&e) Effect();
}

TEST_F(Editor, TheInitialStateShowsOnAndTheKnobAt1500) {
    EXPECT_TRUE(button()->state);
    EXPECT_EQ(button()->frame, 1);
    EXPECT_EQ(knob()->frame, 39);
    EXPECT_STREQ(readoutShown(), "239 Hz");
    EXPECT_EQ(readoutShown(), app->readoutText());
}

TEST_F(Editor, TheReadOutShowsTheCutoffOfTheKnobValue) {
    ASSERT_TRUE(open());
    for (auto [v, shown] : {std::pair{20.0f, "20 Hz"},
                            std::pair{5000.0f, "2505 Hz"},
                            std::pair{1000.0f, "116 Hz"},
                            std::pair{10000.0f, "10000 Hz"}}) {
        VX_Application::Param& f = app->params[VX_Application::paramFrequency];
        f.value.f = v;
        f.apply(static_cast<VX_Application*>(app));
        EXPECT_STREQ(readoutShown(), shown) << v;
        EXPECT_EQ(knob()->frame, knob()->frameOf(v)) << v;
    }
}

TEST_F(Editor, EachInstanceHasItsOwnReadOut) {
    Effect other;
    e->setParameter(e.get(), 1, 0.0f);
    other->setParameter(other.get(), 1, 1.0f);
    EXPECT_STREQ(readoutShown(), "20 Hz");
    EXPECT_STREQ(static_cast<VX_Wid_Text*>(other.object()->widgets[VX_Application::slotReadout])
                     ->text.load(),
                 "10000 Hz");
}

TEST_F(Editor, AutomationMovesTheKnobAndTheReadOutOpenOrClosed) {
    e->setParameter(e.get(), 1, 0.5f); // closed: the state changes, nothing is drawn
    EXPECT_EQ(knob()->frame, knob()->frameOf(5010.0f));
    EXPECT_STREQ(readoutShown(), "2515 Hz");
    ASSERT_TRUE(open());
    const std::vector<uint32_t> before = picture();
    e->setParameter(e.get(), 1, 1.0f);
    EXPECT_EQ(knob()->frame, 264);
    EXPECT_STREQ(readoutShown(), "10000 Hz");
    EXPECT_NE(picture(), before) << "the knob's picture follows";
    e->setParameter(e.get(), 0, 0.0f);
    EXPECT_FALSE(button()->state);
}

TEST_F(Editor, ClickingTheButtonSwitchesStateAndTheFiltersAndFadesTheControls) {
    ASSERT_TRUE(open());
    VX_Win* win = editor->window;
    const std::vector<uint32_t> on = picture();
    win->mouseMove(41, 79);
    ASSERT_EQ(win->hovered.load(), button());
    win->buttonDown(41, 79);
    win->buttonUp();
    EXPECT_EQ(e->getParameter(e.get(), 0), 0.0f);
    EXPECT_FALSE(button()->state);
    EXPECT_EQ(button()->frame, 0);
    EXPECT_FALSE(filtersOn());
    for (auto s :
         {VX_Application::slotCutoffLabel, VX_Application::slotKnob, VX_Application::slotReadout})
        EXPECT_FALSE(slot(s)->enabled) << s;
    EXPECT_TRUE(slot(VX_Application::slotFilterLabel)->enabled);

    // The knob is drawn at 40 %: over the panel its pixels are darker than when on.
    win->mouseMove(150, 20); // nothing hovered, no highlight
    const std::vector<uint32_t> off = picture();
    int faded = 0;
    for (int y = 126; y < 190; ++y)
        for (int x = 71; x < 135; ++x) faded += at(off, x, y) != at(on, x, y);
    EXPECT_GT(faded, 1000);

    // Faded, the knob ignores a press.
    const int frame = knob()->frame;
    dragFromCentre(knob(), 50, 0);
    EXPECT_EQ(knob()->frame, frame);
    EXPECT_EQ(app->params[VX_Application::paramFrequency].value.f, 1500.0f);

    // Clicked again, everything is back as it was.
    win->mouseMove(41, 79);
    win->buttonDown(41, 79);
    win->buttonUp();
    win->mouseMove(150, 20);
    EXPECT_TRUE(filtersOn());
    EXPECT_EQ(picture(), on);
}

TEST_F(Editor, DraggingTheKnob225PixelsRightReachesTheTop) {
    ASSERT_TRUE(open());
    ASSERT_EQ(knob()->frame, 39);
    dragFromCentre(knob(), 225, 0);
    EXPECT_EQ(knob()->frame, 264);
    EXPECT_EQ(app->params[VX_Application::paramFrequency].value.f, 10000.0f);
    EXPECT_EQ(e->getParameter(e.get(), 1), 1.0f);
    EXPECT_STREQ(readoutShown(), "10000 Hz");
    EXPECT_EQ(app->cutoff, 10000.0f);
}

TEST_F(Editor, CloseAndReopenShowsTheSameStateWithTheSameWidgets) {
    ASSERT_TRUE(open());
    e->setParameter(e.get(), 1, 0.25f);
    e->setParameter(e.get(), 0, 0.0f);
    const std::vector<uint32_t> shown = picture();
    VX_Object* before[VX_Application::slotCount];
    std::copy(std::begin(app->widgets), std::end(app->widgets), before);
    close();
    ASSERT_TRUE(open());
    for (int s = 0; s < VX_Application::slotCount; ++s) EXPECT_EQ(app->widgets[s], before[s]) << s;
    const std::vector<uint32_t> again = picture();
    EXPECT_EQ(again, shown);
    // Opened twice without a close: still one set of widgets in the window.
    ASSERT_TRUE(open());
    EXPECT_EQ(editor->window->widgets.count, 25);
}

// ---- Presets through the file dialog ---------------------------------------------------------

std::string answer;
bool answerWith(bool, char* file, size_t capacity) {
    if (answer.empty()) return false;
    std::snprintf(file, capacity, "%s", answer.c_str());
    return true;
}

class EditorPresets : public Editor {
protected:
    void SetUp() override {
        Editor::SetUp();
        previous = VX_Dlg_File::setAnswerer(answerWith);
        path = (fs::temp_directory_path() / "torv-editor-preset.torv").string();
        fs::remove(path);
    }
    void TearDown() override {
        VX_Dlg_File::setAnswerer(previous);
        fs::remove(path);
    }
    VX_Dlg_File::Answerer previous = nullptr;
    std::string path;
};

TEST_F(EditorPresets, APresetLoadedThroughTheDialogMovesKnobButtonAndReadOut) {
    ASSERT_TRUE(open());
    e->setParameter(e.get(), 1, 0.5f);
    e->setParameter(e.get(), 0, 0.0f);
    answer = path;
    BoxCapture boxes;
    app->saveVariable.apply(static_cast<VX_Application*>(app));
    ASSERT_TRUE(fs::exists(path));
    e->setParameter(e.get(), 1, 0.0f);
    e->setParameter(e.get(), 0, 1.0f);
    editor->window->mouseMove(41, 79); // hovered when the dialog opens
    app->loadVariable.apply(static_cast<VX_Application*>(app));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(app->params[VX_Application::paramFrequency].value.f, 5010.0f);
    EXPECT_EQ(knob()->frame, knob()->frameOf(5010.0f));
    EXPECT_STREQ(readoutShown(), "2515 Hz");
    EXPECT_FALSE(button()->state);
    EXPECT_FALSE(knob()->enabled);
    EXPECT_EQ(editor->window->hovered.load(), nullptr) << "the dialog took the mouse";
    EXPECT_STREQ(app->presetDialog.file, path.c_str()) << "kept for the next call";
}

TEST_F(EditorPresets, ACancelledDialogLoadsAndSavesNothing) {
    answer.clear();
    BoxCapture boxes;
    app->saveVariable.apply(static_cast<VX_Application*>(app));
    app->loadVariable.apply(static_cast<VX_Application*>(app));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(app->params[VX_Application::paramFrequency].value.f, 1500.0f);
}

TEST(FileDialog, ANameWithoutExtensionGetsTheFiltersOwn) {
    const char torv[] = "Preset file (*.torv)\0*.torv\0";
    EXPECT_STREQ(VX_Dlg_File(nullptr, torv).defaultExtension(), "torv");
    EXPECT_STREQ(VX_Dlg_File(nullptr, "Everything\0*.*\0").defaultExtension(), "");
    EXPECT_STREQ(VX_Dlg_File(nullptr, "Two\0*.a;*.b\0").defaultExtension(), "a");
    EXPECT_STREQ(VX_Dlg_File(nullptr, "Any\0*.t?rv\0").defaultExtension(), "");
    EXPECT_STREQ(VX_Dlg_File(nullptr, "").defaultExtension(), "");
    EXPECT_STREQ(VX_Dlg_File(nullptr, nullptr).defaultExtension(), "");
    Effect e;
    EXPECT_STREQ(e.object()->presetDialog.defaultExtension(), "torv");
}

TEST(FileDialog, WithoutADesktopOrAnAnswerNothingIsChosen) {
    VX_Dlg_File d(nullptr, "Preset file (*.torv)\0*.torv\0");
    EXPECT_EQ(d.open(), nullptr);
    EXPECT_EQ(d.save(), nullptr);
}

} // namespace
