#include "VX/Wid/VX_Wid_Pal.h"

#include "VX/VX_cfuncs.h"
#include "VX/VX_numeric.h"

#include <cstring>

namespace {

// The index channel's byte and the alpha byte of a pixel word.
uint32_t indexBits(int32_t channel) {
    return 0xFF000000u | 0xFFu << (8 * channel);
}

uint32_t blendColour(uint32_t background, uint32_t colour, float f) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const float b = static_cast<float>(background >> shift & 0xFF);
        const float c = static_cast<float>(colour >> shift & 0xFF);
        int32_t v = VX_trunc32((1.0f - f) * b + f * c);
        v = v < 0 ? 0 : v > 255 ? 255 : v;
        out |= static_cast<uint32_t>(v) << shift;
    }
    return out;
}

} // namespace

bool VX_Wid_Pal::matches(VX_Pix_A32 p, int32_t index) const {
    const uint32_t w = p.word();
    const int32_t c = static_cast<int32_t>(w >> (8 * line->channel) & 0xFF);
    return c == index && index >= line->minimum && index <= line->maximum &&
           (w & ~indexBits(line->channel)) == line->key;
}

void VX_Wid_Pal::prepare() {
    VX_Wid_Pal_Line* ln = line;
    for (int32_t y = source.height - 1; y >= 0 && source.data; --y)
        for (int32_t x = 0; x < source.width; ++x) {
            const VX_Pix_A32 p = source.row(y)[x];
            const int32_t c = static_cast<int32_t>(p.word() >> (8 * ln->channel) & 0xFF);
            if (!matches(p, c)) continue;
            VX_Wid_Pal_Line::Box& b = ln->boxes[c];
            if (x < b.minX) b.minX = x;
            if (y < b.minY) b.minY = y;
            if (x > b.maxX) b.maxX = x;
            if (y > b.maxY) b.maxY = y;
        }
    ln->prepared = true;
    // Start from full and come down to empty: every segment is painted once.
    ln->level = 1.0f;
    level(0.0f, false);
}

// The artwork's own transparency is kept: the paint colour's alpha is scaled by the pixel's.
void VX_Wid_Pal::paintIndex(int32_t index, uint32_t colour) {
    if (index < 0 || index > 255 || !picture.data || picture.width != source.width ||
        picture.height != source.height)
        return;
    const VX_Wid_Pal_Line::Box& b = line->boxes[index];
    const VX_Pix_A32 paint = VX_Pix_A32::fromWord(colour);
    // Boxes found in an earlier picture may reach past this one.
    const int32_t maxY = b.maxY < source.height ? b.maxY : source.height - 1;
    const int32_t maxX = b.maxX < source.width ? b.maxX : source.width - 1;
    for (int32_t y = b.minY; y <= maxY; ++y)
        for (int32_t x = b.minX; x <= maxX; ++x) {
            const VX_Pix_A32 s = source.row(y)[x];
            if (!matches(s, index)) continue;
            VX_Pix_A32 d = paint;
            d.a = static_cast<uint8_t>(s.a * paint.a / 255);
            picture.row(y)[x] = d;
        }
}

int VX_Wid_Pal::level(float v, bool noRefresh) {
    VX_Wid_Pal_Line* ln = line;
    if (!ln) return 0;
    if (!ln->prepared) prepare();
    const int32_t mn = ln->minimum, mx = ln->maximum;
    const float n = static_cast<float>(mx - mn + 1);
    const int32_t from = VX_trunc32(n * ln->level + static_cast<float>(mn));
    const float e = n * v + static_cast<float>(mn);
    const int32_t to = VX_trunc32(e);
    const bool rising = to > from;
    ln->level = v;
    // Only indices of the range have pixels: the walk is confined to one step past either end
    // of it, which paints the same and never runs for long.
    if (mn <= mx) {
        const int32_t lo = mn - 1, hi = mx + 1;
        const int32_t first = from < lo ? lo : from > hi ? hi : from;
        const int32_t last = to < lo ? lo : to > hi ? hi : to;
        const int32_t step = rising ? 1 : -1;
        for (int32_t i = first; rising ? i <= last : i >= last; i += step) {
            const float t = static_cast<float>(i - mn) / static_cast<float>(mx - mn);
            const uint32_t levelColour = t >= ln->threshold ? ln->high : ln->on;
            uint32_t paint = rising ? levelColour : ln->background;
            if (i == to)
                paint = blendColour(ln->background, levelColour, e - static_cast<float>(to));
            paintIndex(i, paint);
        }
    }
    if (!noRefresh) refresh();
    return 1;
}

VX_value VX_Wid_Pal::m_ln(VX_Object* o, VX_value v) {
    VX_Wid_Pal* p = static_cast<VX_Wid_Pal*>(o);
    void* l = nullptr;
    if (VX_wid_read_object(v, l)) p->line = static_cast<VX_Wid_Pal_Line*>(l);
    return VX_value::object(p->line);
}

namespace {

VX_Wid_Pal* self(VX_Object* o) {
    return static_cast<VX_Wid_Pal*>(o);
}

VX_Object* create() {
    return new VX_Wid_Pal();
}

// The display copy starts as the artwork; a meter without a size takes the picture's.
VX_value res(VX_Object* o, VX_value v) {
    VX_Wid_Pal* p = self(o);
    if (v.type == VX_TYPE_STRING) {
        p->resource = v.value.s;
        p->source.map(VX_resource(p->resource));
        if (p->source.data) {
            if (p->picture.width != p->source.width || p->picture.height != p->source.height ||
                !p->picture.data)
                p->picture.resize(p->source.width, p->source.height);
            if (p->picture.data)
                std::memcpy(static_cast<void*>(p->picture.data),
                            p->source.data,
                            sizeof(VX_Pix_A32) *
                                static_cast<size_t>(int64_t(p->source.width) * p->source.height));
        }
        if (p->width == 0) p->width = p->picture.width;
        if (p->height == 0) p->height = p->picture.height;
    }
    return VX_value::string(p->resource);
}

// Options of the line: without a line they change nothing and report nothing.
template <int32_t VX_Wid_Pal_Line::*field> VX_value index(VX_Object* o, VX_value v) {
    VX_Wid_Pal_Line* ln = self(o)->line;
    if (!ln) return VX_EMPTY;
    VX_take_int(ln->*field, v);
    return VX_value::integer(ln->*field);
}

template <uint32_t VX_Wid_Pal_Line::*field> VX_value colour(VX_Object* o, VX_value v) {
    VX_Wid_Pal_Line* ln = self(o)->line;
    if (!ln) return VX_EMPTY;
    VX_wid_read_colour(v, ln->*field);
    return VX_value::integer(static_cast<int32_t>(ln->*field));
}

VX_value threshold(VX_Object* o, VX_value v) {
    VX_Wid_Pal_Line* ln = self(o)->line;
    if (!ln) return VX_EMPTY;
    if (v.isNumber()) ln->threshold = v.asFloat();
    return VX_value::real(ln->threshold);
}

VX_value channel(VX_Object* o, VX_value v) {
    static const char* const letters[] = {"b", "g", "r"};
    VX_Wid_Pal_Line* ln = self(o)->line;
    if (!ln) return VX_EMPTY;
    if (v.type == VX_TYPE_STRING) {
        const char* at = std::strchr("bgr", v.value.s[0]);
        if (at && *at) ln->channel = static_cast<int32_t>(at - "bgr");
        ln->key &= ~indexBits(ln->channel);
    }
    return VX_value::string(letters[ln->channel]);
}

VX_value levelOption(VX_Object* o, VX_value v) {
    if (self(o)->line && v.isNumber()) self(o)->level(v.asFloat(), false);
    return VX_EMPTY;
}

} // namespace

constinit const VX_Option_Entry VX_Wid_Pal_options[] = {
    VX_CREATE(create),
    VX_OPTION("res", res),
    VX_OPTION("mn", index<&VX_Wid_Pal_Line::minimum>),
    VX_OPTION("rl", threshold),
    VX_OPTION("mx", index<&VX_Wid_Pal_Line::maximum>),
    VX_OPTION("bg", colour<&VX_Wid_Pal_Line::background>),
    VX_OPTION("fg", colour<&VX_Wid_Pal_Line::on>),
    VX_OPTION("rg", colour<&VX_Wid_Pal_Line::high>),
    VX_OPTION("cg", colour<&VX_Wid_Pal_Line::key>),
    VX_OPTION("ch", channel),
    VX_OPTION("ln", VX_Wid_Pal::m_ln),
    VX_OPTION("level", levelOption),
    VX_PARENT(VX_Wid_options),
};
