// The small images the widget tests draw with, made by code: the PNGs under tests/data/images
// are what these functions make (a native test checks it), and the tests embed them packed.
#pragma once

#include "vx_image.h"

namespace testimages {

vximage::Picture picture();                // 10 x 10, colours and alpha varying across it
vximage::Picture background();             // 63 x 63, opaque, no two columns or rows alike
vximage::Strip button();                   // 40 x 24, 2 frames (off, on), transparent corners
vximage::Strip knob(int side, int frames); // a disc whose pointer turns from frame to frame
// A level meter of 100 x 6: column x is index x (in red) in rows 1 to 4, key green 0x20 and
// blue 0x40; rows 0 and 5 are a dark frame.
vximage::Picture meter();

// Pixel words of the meter's key colour and its index channel.
constexpr uint32_t meterKey = 0x00002040;
constexpr int meterIndices = 100;

// The files under tests/data/images and what makes each.
struct Entry {
    const char* file;
    vximage::Picture (*make)();
    int frames; // 0: a picture; otherwise the filmstrip's frame count
};
extern const Entry committed[];
extern const int committedCount;

// The packed resource of a picture or a strip, as torv-pack makes it.
std::vector<uint8_t> packed(const vximage::Picture& p);
std::vector<uint8_t> packed(const vximage::Strip& s);

} // namespace testimages
