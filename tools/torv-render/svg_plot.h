// The frequency response as an SVG picture: gain over a logarithmic frequency axis, measured
// against ideal, with the cutoff marked, and beneath it the deviation from the ideal curve.
#pragma once

#include "tools/vsthost/response.h"

#include <string>
#include <vector>

namespace svg {

// `subtitle` names what was measured (e.g. the effect's product string); may be empty.
std::string responsePlot(const std::vector<response::Point>& points, const response::Setup& setup,
                         const std::string& subtitle);

// 1, 2 and 5 times a power of ten, the way axis labels read: "20", "500", "1k", "20k".
std::string frequencyLabel(double hz);

} // namespace svg
