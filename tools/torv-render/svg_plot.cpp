#include "svg_plot.h"

#include "plugin/highpass_law.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace svg {
namespace {

// Page layout in SVG user units.
constexpr double pageW = 880, pageH = 640;
constexpr double left = 80, right = 850;
constexpr double gainTop = 66, gainBottom = 420;
constexpr double devTop = 470, devBottom = 580;

const char* const measuredColour = "#1f5fbf";
const char* const idealColour = "#e07020";

std::string num(double v) {
    char s[32];
    std::snprintf(s, sizeof s, "%.1f", v);
    return s;
}

std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

struct Axis {
    double lo, hi, pixelLo, pixelHi;
    bool log;
    double operator()(double v) const {
        const double t = log ? (std::log10(v) - std::log10(lo)) / (std::log10(hi) - std::log10(lo))
                             : (v - lo) / (hi - lo);
        return pixelLo + t * (pixelHi - pixelLo);
    }
};

// Nearest 1-2-5 value at or below (down) or at or above (up) v.
double niceBound(double v, bool up) {
    const double decade = std::pow(10.0, std::floor(std::log10(v)));
    const double steps[] = {1, 2, 5, 10};
    if (up) {
        for (double s : steps)
            if (s * decade >= v * (1 - 1e-9)) return s * decade;
        return 10 * decade;
    }
    for (int i = 3; i >= 0; --i)
        if (steps[i] * decade <= v * (1 + 1e-9)) return steps[i] * decade;
    return decade;
}

std::string text(double x, double y, const std::string& s, const char* anchor = "middle",
                 const char* extra = "") {
    return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" text-anchor=\"" + anchor + "\"" +
           extra + ">" + escape(s) + "</text>\n";
}

std::string line(double x1, double y1, double x2, double y2, const char* style) {
    return "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" +
           num(y2) + "\" " + style + "/>\n";
}

// Vertical grid with labels at 1, 2 and 5 of each decade, for one panel.
std::string frequencyGrid(const Axis& x, double top, double bottom, bool labels) {
    std::string out;
    for (double decade = std::pow(10.0, std::floor(std::log10(x.lo))); decade <= x.hi; decade *= 10)
        for (int m = 1; m <= 9; ++m) {
            const double f = m * decade;
            if (f < x.lo * (1 - 1e-9) || f > x.hi * (1 + 1e-9)) continue;
            const bool major = m == 1 || m == 2 || m == 5;
            out +=
                line(x(f), top, x(f), bottom, major ? "stroke=\"#c8c8c8\"" : "stroke=\"#ececec\"");
            if (labels && major) out += text(x(f), bottom + 18, frequencyLabel(f));
        }
    return out;
}

std::string polyline(const std::vector<std::pair<double, double>>& xy, const char* style) {
    std::string pts;
    for (const auto& [px, py] : xy) pts += num(px) + "," + num(py) + " ";
    return "<polyline fill=\"none\" points=\"" + pts + "\" " + style + "/>\n";
}

} // namespace

std::string frequencyLabel(double hz) {
    char s[32];
    if (hz >= 1000)
        std::snprintf(s, sizeof s, "%gk", hz / 1000);
    else
        std::snprintf(s, sizeof s, "%g", hz);
    return s;
}

std::string responsePlot(const std::vector<response::Point>& points, const response::Setup& setup,
                         const std::string& subtitle) {
    if (points.empty()) return {};
    double fMin = points.front().hz, fMax = points.front().hz, lowest = 0;
    for (const auto& p : points) {
        fMin = std::min(fMin, p.hz);
        fMax = std::max(fMax, p.hz);
        lowest = std::min({lowest, p.measuredDb, p.idealDb});
    }
    const Axis x{niceBound(fMin, false), niceBound(fMax, true), left, right, true};
    const double floorDb = std::clamp(std::floor(lowest / 10) * 10, -120.0, -40.0);
    const Axis y{floorDb, 5.0, gainBottom, gainTop, false};
    const double dbStep = floorDb < -80 ? 20 : 10;

    // Deviation where the ideal gain is above -60 dB, on a symmetric axis of at least 0.5 dB.
    double worst = 0;
    for (const auto& p : points)
        if (p.idealDb > -60) worst = std::max(worst, std::fabs(p.measuredDb - p.idealDb));
    const double devRange = niceBound(std::max(0.5, worst * 1.1), true);
    const Axis dev{-devRange, devRange, devBottom, devTop, false};

    std::string s = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(pageW) +
                    "\" height=\"" + num(pageH) + "\" viewBox=\"0 0 " + num(pageW) + " " +
                    num(pageH) +
                    "\" font-family=\"Helvetica, Arial, sans-serif\" font-size=\"13\">\n"
                    "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
                    "<clipPath id=\"gain\"><rect x=\"" +
                    num(left) + "\" y=\"" + num(gainTop) + "\" width=\"" + num(right - left) +
                    "\" height=\"" + num(gainBottom - gainTop) +
                    "\"/></clipPath>\n"
                    "<clipPath id=\"dev\"><rect x=\"" +
                    num(left) + "\" y=\"" + num(devTop) + "\" width=\"" + num(right - left) +
                    "\" height=\"" + num(devBottom - devTop) + "\"/></clipPath>\n";
    char title[120];
    std::snprintf(title,
                  sizeof title,
                  "Frequency response: cutoff %.1f Hz, sample rate %g Hz",
                  setup.cutoffHz,
                  setup.sampleRate);
    s += text(pageW / 2, 26, title, "middle", " font-size=\"17\" font-weight=\"bold\"");
    s += text(pageW / 2, 46, subtitle, "middle", " fill=\"#505050\"");

    // Gain panel: grid, cutoff and -3 dB guides, ideal curve, measured points.
    s += frequencyGrid(x, gainTop, gainBottom, false);
    for (double db = floorDb; db <= 0.0; db += dbStep) {
        s += line(left, y(db), right, y(db), "stroke=\"#c8c8c8\"");
        char label[16];
        std::snprintf(label, sizeof label, "%g", db);
        s += text(left - 8, y(db) + 4, label, "end");
    }
    const char* guide = "stroke=\"#707070\" stroke-dasharray=\"2,4\"";
    if (setup.cutoffHz > x.lo && setup.cutoffHz < x.hi) {
        s += line(x(setup.cutoffHz), gainTop, x(setup.cutoffHz), gainBottom, guide);
        char label[64];
        std::snprintf(label, sizeof label, "cutoff %.1f Hz", setup.cutoffHz);
        // The label goes on the side of the line with room for it.
        const bool rightHalf = x(setup.cutoffHz) > (left + right) / 2;
        s += text(x(setup.cutoffHz) + (rightHalf ? -6 : 6),
                  gainTop + 16,
                  label,
                  rightHalf ? "end" : "start",
                  " fill=\"#505050\"");
    }
    s += line(left, y(-3), right, y(-3), guide);
    s += text(left + 6, y(-3) - 5, "-3 dB", "start", " fill=\"#505050\"");

    std::vector<std::pair<double, double>> ideal, measured;
    for (int i = 0; i <= 400; ++i) {
        const double f = x.lo * std::pow(x.hi / x.lo, i / 400.0);
        ideal.emplace_back(
            x(f), y(std::max(highpass_law::butterworthDb(f, setup.cutoffHz), floorDb - 20)));
    }
    for (const auto& p : points)
        measured.emplace_back(x(p.hz), y(std::max(p.measuredDb, floorDb - 20)));
    s += "<g clip-path=\"url(#gain)\">\n";
    s += polyline(ideal,
                  (std::string("stroke=\"") + idealColour +
                   "\" stroke-width=\"2.5\" stroke-dasharray=\"8,5\"")
                      .c_str());
    s += polyline(measured,
                  (std::string("stroke=\"") + measuredColour + "\" stroke-width=\"1.5\"").c_str());
    for (const auto& [px, py] : measured)
        s += "<circle cx=\"" + num(px) + "\" cy=\"" + num(py) + "\" r=\"3.5\" fill=\"" +
             measuredColour + "\"/>\n";
    s += "</g>\n";
    s += "<rect x=\"" + num(left) + "\" y=\"" + num(gainTop) + "\" width=\"" + num(right - left) +
         "\" height=\"" + num(gainBottom - gainTop) + "\" fill=\"none\" stroke=\"#404040\"/>\n";
    s += text(24,
              (gainTop + gainBottom) / 2,
              "Gain (dB)",
              "middle",
              (" transform=\"rotate(-90 24 " + num((gainTop + gainBottom) / 2) + ")\"").c_str());

    // Legend in the lower right, where a high-pass curve leaves room.
    const double lx = right - 330, ly = gainBottom - 62;
    s += "<rect x=\"" + num(lx) + "\" y=\"" + num(ly) +
         "\" width=\"320\" height=\"52\" fill=\"white\" stroke=\"#a0a0a0\"/>\n";
    s += line(lx + 10,
              ly + 18,
              lx + 50,
              ly + 18,
              (std::string("stroke=\"") + measuredColour + "\" stroke-width=\"1.5\"").c_str());
    s += "<circle cx=\"" + num(lx + 30) + "\" cy=\"" + num(ly + 18) + "\" r=\"3.5\" fill=\"" +
         measuredColour + "\"/>\n";
    s += text(lx + 60, ly + 22, "measured (sine bursts)", "start");
    s += line(lx + 10,
              ly + 38,
              lx + 50,
              ly + 38,
              (std::string("stroke=\"") + idealColour +
               "\" stroke-width=\"2.5\" stroke-dasharray=\"8,5\"")
                  .c_str());
    s += text(lx + 60, ly + 42, "ideal 3rd-order Butterworth high-pass", "start");

    // Deviation panel.
    s += frequencyGrid(x, devTop, devBottom, true);
    for (double d : {-devRange, 0.0, devRange}) {
        s +=
            line(left, dev(d), right, dev(d), d == 0 ? "stroke=\"#909090\"" : "stroke=\"#c8c8c8\"");
        char label[32];
        std::snprintf(label, sizeof label, "%+g", d);
        s += text(left - 8, dev(d) + 4, d == 0 ? "0" : label, "end");
    }
    std::vector<std::pair<double, double>> deviation;
    for (const auto& p : points)
        if (p.idealDb > -60) deviation.emplace_back(x(p.hz), dev(p.measuredDb - p.idealDb));
    s += "<g clip-path=\"url(#dev)\">\n";
    s += polyline(deviation,
                  (std::string("stroke=\"") + measuredColour + "\" stroke-width=\"1.5\"").c_str());
    for (const auto& [px, py] : deviation)
        s += "<circle cx=\"" + num(px) + "\" cy=\"" + num(py) + "\" r=\"3\" fill=\"" +
             measuredColour + "\"/>\n";
    s += "</g>\n";
    s += "<rect x=\"" + num(left) + "\" y=\"" + num(devTop) + "\" width=\"" + num(right - left) +
         "\" height=\"" + num(devBottom - devTop) + "\" fill=\"none\" stroke=\"#404040\"/>\n";
    s += text(left,
              devTop - 8,
              "Measured minus ideal (dB), where the ideal gain is above -60 dB",
              "start",
              " fill=\"#404040\"");
    s += text((left + right) / 2, pageH - 18, "Frequency (Hz)");
    s += "</svg>\n";
    return s;
}

} // namespace svg
