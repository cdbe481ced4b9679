// A line of text rendered into the widget's own picture and composited like a picture. The text
// is kept by reference: it is rendered again when the reference changes or after update(). The
// rendering itself (fonts, glyphs) belongs to the platform classes.
//
// Threads: "-text" and update() may come from any thread; they only change words. Rendering
// happens in draw, on the thread that paints the window.
#pragma once

#include "VX/Wid/VX_Wid_Pic.h"

class VX_Wid_Text_Base : public VX_Wid_Pic {
public:
    std::atomic<const char*> text{"test string"};
    uint32_t colour = 0xFFFFFF; // COLORREF 0x00BBGGRR
    uint32_t background = 0;    // COLORREF; black, which becomes transparent
    const char* face = nullptr; // font face, by reference
    int32_t size = 0;           // character height in pixels
    int32_t horizontal = 0;     // 0 centre, negative left, positive right
    bool bold = false;

    // The next draw renders the text again.
    void update() override;
    void draw(VX_Pic_Base<VX_Pix_A32>& dst, int32_t x, int32_t y, const VX_Rect& r) override;
    // A new face, size or weight takes effect at the next rendering.
    virtual void makeFont();

protected:
    // Renders the text into the picture at the widget's size. [painting thread]
    virtual void render(const char* t);

    // Gives the picture the widget's size; false when there is no surface to render into.
    bool sizeSurface();
    // All pixels transparent black.
    void clearSurface();
    // Whatever was drawn over the black background (text and its soft edges) becomes opaque;
    // the background stays transparent.
    void finishSurface();

    const char* rendered = nullptr; // the text reference last rendered
    std::atomic<bool> stale{true};
};

// A COLORREF (0x00BBGGRR) as the pixel GDI writes for it: alpha 0.
inline VX_Pix_A32 VX_colorref_pixel(uint32_t c) {
    return {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 0};
}

extern const VX_Option_Entry VX_Wid_Text_options[];
