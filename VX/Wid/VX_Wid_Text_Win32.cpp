#include "VX/Wid/VX_Wid_Text_Win32.h"

#include "VX/Win/VX_Win.h"

VX_Wid_Text_Win32::~VX_Wid_Text_Win32() {
    // The DC goes first, so that the font is no longer selected when it is deleted.
    if (picture.memDC) DeleteDC(picture.memDC);
    picture.memDC = nullptr;
    if (font) DeleteObject(font);
}

void VX_Wid_Text_Win32::makeFont() {
    fontWanted = true;
}

// Height -size asks for a character (em) height of size pixels. A font that cannot be made
// leaves the previous one.
void VX_Wid_Text_Win32::createFont() {
    if (!face || size == 0) return;
    HFONT made = CreateFontA(-size,
                             0,
                             0,
                             0,
                             bold ? FW_BOLD : FW_NORMAL,
                             FALSE,
                             FALSE,
                             FALSE,
                             ANSI_CHARSET,
                             OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS,
                             PROOF_QUALITY,
                             DEFAULT_PITCH,
                             face);
    if (!made) return;
    HFONT old = font;
    font = made;
    if (picture.memDC) SelectObject(picture.memDC, font);
    if (old) DeleteObject(old);
}

void VX_Wid_Text_Win32::render(const char* t) {
    // A new size needs a new DIB section; the DC that holds the old one goes with it.
    if ((picture.width != width || picture.height != height) && picture.memDC) {
        DeleteDC(picture.memDC);
        picture.memDC = nullptr;
    }
    if (!sizeSurface()) return;
    if (!picture.memDC) {
        VX_Win* w = window;
        picture.memDC = CreateCompatibleDC(w ? w->back.memDC : nullptr);
        if (!picture.memDC) return;
        SetMapMode(picture.memDC, MM_TEXT);
        SelectObject(picture.memDC, picture.bitmap);
    }
    if (fontWanted.exchange(false)) createFont();
    HDC dc = picture.memDC;
    if (font) SelectObject(dc, font);
    clearSurface();
    SetBkColor(dc, background);
    SetTextColor(dc, colour);
    RECT r{0, 0, width, height};
    const UINT align = horizontal == 0 ? DT_CENTER : horizontal < 0 ? DT_LEFT : DT_RIGHT;
    if (t) DrawTextA(dc, t, -1, &r, DT_SINGLELINE | DT_VCENTER | align);
    GdiFlush(); // GDI has finished with the pixels before they are read
    finishSurface();
}
