#include "artwork.h"

#include <algorithm>
#include <iterator>

namespace art {

std::vector<Resource> editorResources() {
    std::vector<Resource> all = panelResources();
    all.push_back(badge());
    all.push_back(button());
    all.push_back(knob());

    static const char* const order[] = {"bgnd", "badge", "alt", "amt", "art", "alm", "arm",
                                        "alb",  "amb",   "arb", "glt", "gmt", "grt", "glm",
                                        "gmm",  "grm",   "glb", "gmb", "grb", "but", "big"};
    auto rank = [](const Resource& r) {
        return std::find_if(
                   std::begin(order), std::end(order), [&](const char* n) { return r.name == n; }) -
               std::begin(order);
    };
    std::stable_sort(all.begin(), all.end(), [&](const Resource& a, const Resource& b) {
        return rank(a) < rank(b);
    });
    return all;
}

} // namespace art
