// The colours and the light of the whole look: an indigo-slate faceplate, a darker recessed
// well for the controls, light from the top left, and one orchid accent that matches the
// "Filter" label the editor writes in COLORREF 0x00A57BBD.
#pragma once

#include "canvas.h"

namespace art::palette {

inline const Colour faceplate = rgb(0x262A3A);  // background of the panel
inline const Colour well = rgb(0x181B26);       // fill of the control group
inline const Colour edge = rgb(0x07080C);       // darkest edges
inline const Colour rimLight = rgb(0x7880A0);   // bevels facing the light
inline const Colour rimShade = rgb(0x1A1D28);   // bevels facing away
inline const Colour rim = rgb(0x323749);        // body of raised rims
inline const Colour socket = rgb(0x0E1017);     // recess under the knob
inline const Colour track = rgb(0x343A4E);      // unlit part of the value arc
inline const Colour accent = rgb(0xE08CC8);     // lit arc, lit switch, logo mark
inline const Colour accentDeep = rgb(0x9C5C9A); // the accent in shadow
inline const Colour ink = rgb(0xEEF0F7);        // logo letters, knob pointer
inline const Colour inkShade = rgb(0xA9AEC4);   // bottom of the logo letters
inline const Colour capTop = rgb(0x4C5269);     // knob cap facing the light
inline const Colour capBottom = rgb(0x1D202B);  // knob cap facing away

// Light falls from the top left. A surface whose outward normal is (nx, ny) (unit length, y
// down) is lit by the returned amount: 1 facing the light, -1 facing away.
inline double lit(double nx, double ny) {
    return -0.316 * nx - 0.949 * ny;
}

} // namespace art::palette
