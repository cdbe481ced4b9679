#include "preview.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace art {
namespace {

constexpr int editorWidth = 210, editorHeight = 236;
const char* const fontFolder = "/usr/share/wine/fonts/";

struct Rect {
    int left, top, width, height;
};

// One widget's picture: a resource frame (repeated across the widget when smaller) or a text.
struct Layer {
    const pngio::Image* image;
    int frameTop, frameWidth, frameHeight;
    Rect rect;
};

// The window's compositing rule: d += ((s - d) * s.A) >> 8 on every channel, alpha included.
void composite(std::uint32_t& d, std::uint32_t s) {
    const int sa = static_cast<int>(s >> 24);
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int dc = static_cast<int>((d >> shift) & 0xFF),
                  sc = static_cast<int>((s >> shift) & 0xFF);
        out |= static_cast<std::uint32_t>(dc + (((sc - dc) * sa) >> 8)) << shift;
    }
    d = out;
}

std::uint32_t layerPixel(const Layer& l, int i, int j) {
    return l.image->at(i % l.frameWidth, l.frameTop + j % l.frameHeight);
}

void draw(pngio::Image& window, const Layer& l) {
    for (int j = 0; j < l.rect.height; ++j)
        for (int i = 0; i < l.rect.width; ++i)
            composite(window.at(l.rect.left + i, l.rect.top + j), layerPixel(l, i, j));
}

// The window's pass for a disabled (k = 0.4) or hovered (k = 1.5) widget: drawn onto
// transparent black first, then alpha or colour scaled, then composited.
void drawScaled(pngio::Image& window, const Layer& l, double k) {
    for (int j = 0; j < l.rect.height; ++j) {
        for (int i = 0; i < l.rect.width; ++i) {
            std::uint32_t p = 0;
            composite(p, layerPixel(l, i, j));
            const std::uint32_t a = p >> 24;
            const double scaledAlpha = a * k;
            if (scaledAlpha > 255) {
                std::uint32_t q = a << 24;
                for (int shift = 0; shift < 24; shift += 8) {
                    const double c = ((p >> shift) & 0xFF) * k;
                    q |= static_cast<std::uint32_t>(c > 255 ? 255 : c) << shift;
                }
                p = q;
            } else {
                p = (p & 0xFFFFFF) | static_cast<std::uint32_t>(scaledAlpha) << 24;
            }
            composite(window.at(l.rect.left + i, l.rect.top + j), p);
        }
    }
}

struct Text {
    std::string text, colour, font, gravity;
    Rect rect;
};

// A text as the editor's text widget shows it: drawn over black, every pixel that is not black
// made opaque, the rest transparent.
bool renderText(const Text& t, const std::string& folder, pngio::Image& out) {
    const std::string file = folder + "/.text.png";
    char command[1024];
    std::snprintf(command,
                  sizeof command,
                  "convert -size %dx%d xc:black -font '%s%s' -pointsize 12 -fill '%s' -gravity %s "
                  "-annotate +0+0 '%s' 'PNG32:%s' 2>/dev/null",
                  t.rect.width,
                  t.rect.height,
                  fontFolder,
                  t.font.c_str(),
                  t.colour.c_str(),
                  t.gravity.c_str(),
                  t.text.c_str(),
                  file.c_str());
    std::string error;
    if (std::system(command) != 0 || !pngio::read(file, out, error)) return false;
    std::remove(file.c_str());
    for (std::uint32_t& p : out.pixels) p = (p & 0xFFFFFF) ? (p | 0xFF000000u) : 0;
    return true;
}

struct State {
    const char* file;
    bool on;
    float value; // the knob's position, 20 ... 10 000
    bool knobHovered;
};

// All frames of a filmstrip in rows, over the group's fill, to see the motion at a glance.
pngio::Image contactSheet(const Resource& strip, const Resource& fill, int columns) {
    const int fw = strip.image.width, fh = strip.image.height / strip.frames;
    const int rows = (strip.frames + columns - 1) / columns;
    pngio::Image sheet;
    sheet.width = columns * fw;
    sheet.height = rows * fh;
    sheet.pixels.resize(static_cast<size_t>(sheet.width) * sheet.height);
    for (int y = 0; y < sheet.height; ++y)
        for (int x = 0; x < sheet.width; ++x)
            sheet.at(x, y) = fill.image.at(x % fill.image.width, y % fill.image.height);
    for (int f = 0; f < strip.frames; ++f) {
        const Layer l{&strip.image, f * fh, fw, fh, {f % columns * fw, f / columns * fh, fw, fh}};
        draw(sheet, l);
    }
    for (std::uint32_t& p : sheet.pixels) p |= 0xFF000000u;
    return sheet;
}

} // namespace

bool writePreviews(const std::vector<Resource>& resources, const std::string& folder,
                   std::ostream& err) {
    std::map<std::string, const Resource*> byName;
    for (const Resource& r : resources) byName[r.name] = &r;
    auto layer = [&](const char* name, Rect rect, int frame = 0) {
        const Resource& r = *byName.at(name);
        const int fh = r.image.height / r.frames;
        return Layer{&r.image, frame * fh, r.image.width, fh, rect};
    };

    const Text title{
        "3-rd order Butterworth high-pass", "#FFFFFF", "tahoma.ttf", "center", {10, 35, 190, 20}};
    const Text filter{"Filter", "#BD7BA5", "tahomabd.ttf", "west", {62, 70, 80, 16}};
    const Text cutoff{"Cutoff frequency", "#C0C0E0", "tahoma.ttf", "center", {55, 104, 96, 18}};
    std::map<std::string, pngio::Image> texts;
    bool haveTexts = true;
    for (const Text* t : {&title, &filter, &cutoff})
        haveTexts = haveTexts && renderText(*t, folder, texts[t->text]);
    if (!haveTexts) err << "torv-art: no ImageMagick or no Wine fonts: previews without texts\n";

    const State states[] = {{"editor.png", true, 1500, false},
                            {"editor-off.png", false, 1500, false},
                            {"editor-min.png", true, 20, false},
                            {"editor-mid.png", true, 5010, false},
                            {"editor-max.png", true, 10000, false},
                            {"editor-hover.png", true, 7000, true}};
    for (const State& s : states) {
        pngio::Image window;
        window.width = editorWidth;
        window.height = editorHeight;
        window.pixels.assign(static_cast<size_t>(editorWidth) * editorHeight, 0);

        draw(window, layer("bgnd", {0, 0, 210, 236}));
        draw(window, layer("alt", {0, 0, 10, 10}));
        draw(window, layer("amt", {10, 0, 190, 10}));
        draw(window, layer("art", {200, 0, 10, 10}));
        draw(window, layer("alm", {0, 10, 10, 216}));
        draw(window, layer("arm", {200, 10, 10, 216}));
        draw(window, layer("alb", {0, 226, 10, 10}));
        draw(window, layer("amb", {10, 226, 190, 10}));
        draw(window, layer("arb", {200, 226, 10, 10}));
        draw(window, layer("badge", {25, 8, 160, 30}));
        auto drawText = [&](const Text& t, bool enabled) {
            if (!haveTexts) return;
            const pngio::Image& img = texts.at(t.text);
            const Layer l{&img, 0, img.width, img.height, t.rect};
            if (enabled)
                draw(window, l);
            else
                drawScaled(window, l, 0.4);
        };
        drawText(title, true);
        draw(window, layer("glt", {10, 56, 10, 10}));
        draw(window, layer("gmt", {20, 56, 170, 10}));
        draw(window, layer("grt", {190, 56, 10, 10}));
        draw(window, layer("glm", {10, 66, 10, 150}));
        draw(window, layer("gmm", {16, 62, 178, 158}));
        draw(window, layer("grm", {190, 66, 10, 150}));
        draw(window, layer("glb", {10, 216, 10, 10}));
        draw(window, layer("gmb", {20, 216, 170, 10}));
        draw(window, layer("grb", {190, 216, 10, 10}));
        draw(window, layer("but", {21, 67, 40, 24}, s.on ? 1 : 0));
        drawText(filter, true);
        drawText(cutoff, s.on);
        // The knob's frame and the read-out's frequency, as the editor derives them.
        const int frame = static_cast<int>(264 * static_cast<long double>(s.value - 20) / 9980);
        const float t = (s.value - 20) / 9980, hz = 9980 * (t * t) + 20;
        const Layer knob = layer("big", {71, 126, 64, 64}, frame);
        if (!s.on)
            drawScaled(window, knob, 0.4);
        else if (s.knobHovered)
            drawScaled(window, knob, 1.5);
        else
            draw(window, knob);
        if (haveTexts) {
            char readout[32];
            std::snprintf(readout, sizeof readout, "%.0f Hz", static_cast<double>(hz));
            const Text r{readout, "#B0B0B0", "tahoma.ttf", "center", {71, 194, 64, 18}};
            haveTexts = renderText(r, folder, texts[r.text]);
            drawText(r, s.on);
        }

        // The screen shows colour only: the window's own alpha goes nowhere.
        for (std::uint32_t& p : window.pixels) p |= 0xFF000000u;
        std::string error;
        if (!pngio::write(folder + "/" + s.file, window, error)) {
            err << "torv-art: " << error << "\n";
            return false;
        }
    }
    std::string error;
    if (!pngio::write(folder + "/knob-frames.png",
                      contactSheet(*byName.at("big"), *byName.at("gmm"), 12),
                      error)) {
        err << "torv-art: " << error << "\n";
        return false;
    }
    return true;
}

} // namespace art
