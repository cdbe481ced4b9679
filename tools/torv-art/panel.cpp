// The panel: the faceplate background, the window's outer rim, the recessed control group with
// its rim, and the group's fill.
//
// Both rims are drawn once around a 40 x 40 rectangle and cut into nine 10 x 10 pieces: corners
// from the corners, edges from the middle of each side, where the rim runs straight, so that an
// edge piece repeats without a seam and meets its corners exactly. Everything a rim shows lies
// in the outer 6 pixels of a piece; the inner 4 stay transparent. The group's fill is laid
// 4 pixels under the group pieces on every side: pieces drawn before it lose their inner part
// to it, pieces drawn after it let it show through, and both look the same.
#include "artwork.h"

#include "detmath.h"
#include "noise.h"
#include "palette.h"

#include <cmath>

namespace art {
namespace {

constexpr int piece = 10;
constexpr int reference = 40;
constexpr double outerRadius = 7;
constexpr double groupRadius = 6;

struct Bevel {
    double depth; // distance inside the rectangle's edge; negative outside
    double light; // how much the rim there faces the light, -1 ... 1
};

using Profile = std::function<Colour(const Bevel&)>;

Canvas rimReference(double radius, const Profile& profile) {
    const Shape rect = box(0, 0, reference, reference, radius);
    Canvas canvas(reference, reference);
    canvas.paintSampled([&](double x, double y) {
        const double d = rect.distance(x, y), e = 0.01;
        const double nx = rect.distance(x + e, y) - rect.distance(x - e, y);
        const double ny = rect.distance(x, y + e) - rect.distance(x, y - e);
        const double len = std::sqrt(nx * nx + ny * ny);
        const double light = len > 0 ? palette::lit(nx / len, ny / len) : 0;
        return profile({-d, light});
    });
    return canvas;
}

void cutPieces(const Canvas& rim, char prefix, std::vector<Resource>& out) {
    const int far = reference - piece, mid = (reference - piece) / 2;
    const struct {
        const char* name;
        int x, y;
    } cuts[] = {{"lt", 0, 0},
                {"mt", mid, 0},
                {"rt", far, 0},
                {"lm", 0, mid},
                {"rm", far, mid},
                {"lb", 0, far},
                {"mb", mid, far},
                {"rb", far, far}};
    for (const auto& c : cuts)
        out.push_back({std::string(1, prefix) + c.name, rim.image(c.x, c.y, piece, piece)});
}

// The window's rim: a thin dark edge, a bevel catching the light, and a slope that settles
// into the faceplate. Outside the rounded corners the window is near black.
Colour outerProfile(const Bevel& b) {
    using namespace palette;
    const double t = b.depth;
    if (t < 0) return edge;
    if (t < 1) return edge;
    if (t < 2) return mix(rimShade, rimLight, clamp01(0.5 + 0.6 * b.light));
    if (t < 5) {
        const Colour body = mix(rim, faceplate, (t - 2) / 3);
        return scaled(body, 1 + 0.12 * b.light * (5 - t) / 3);
    }
    if (t < 6) return {0, 0, 0, 0.22};
    return {0, 0, 0, 0};
}

// The group's rim: raised on its outside, falling into the well on its inside, so that the
// well's top and left walls lie in shadow and its bottom and right walls catch some light.
Colour groupProfile(const Bevel& b) {
    using namespace palette;
    const double t = b.depth;
    if (t < 0) return {0, 0, 0, 0};
    if (t < 1) return edge;
    if (t < 2) return mix(rimShade, rimLight, clamp01(0.35 + 0.55 * b.light));
    if (t < 4) return scaled(rim, 0.92 + 0.1 * b.light);
    if (t < 5) return mix(edge, rim, clamp01(0.35 - 0.5 * b.light));
    if (t < 6) return mix(edge, well, clamp01(0.5 - 0.5 * b.light));
    return {0, 0, 0, 0};
}

// A surface of the panel: its base colour with grain at two scales and a speckle, slightly
// bluer in the grain, repeating every `size` pixels.
struct Grain {
    double broad;
    int broadCell;
    double fine;
    int fineCell;
    double speckle;
    std::uint32_t seed;
};

Resource texture(const char* name, int size, const Colour& base, const Grain& g) {
    Canvas canvas(size, size);
    canvas.paintPixels([&](int x, int y) {
        const double v = g.broad * valueNoise(x, y, g.broadCell, size, g.seed) +
                         g.fine * valueNoise(x, y, g.fineCell, size, g.seed + 1) +
                         g.speckle * hashNoise(x, y, g.seed + 2);
        return Colour{base.r + v, base.g + v, base.b + 1.2 * v, 1};
    });
    return {name, canvas.image()};
}

} // namespace

std::vector<Resource> panelResources() {
    std::vector<Resource> out;
    out.push_back(texture("bgnd", 63, palette::faceplate, {2.2, 21, 1.1, 7, 1.4, 11}));
    cutPieces(rimReference(outerRadius, outerProfile), 'a', out);
    cutPieces(rimReference(groupRadius, groupProfile), 'g', out);
    out.push_back(texture("gmm", 128, palette::well, {1.4, 32, 0.8, 8, 1.0, 21}));
    return out;
}

} // namespace art
