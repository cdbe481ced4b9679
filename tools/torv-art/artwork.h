// Every picture the generator makes: the editor's resources and the host's icons.
#pragma once

#include <png_io.h>

#include <string>
#include <vector>

namespace art {

// One resource of the editor: `image` holds `frames` frames of equal height stacked top to
// bottom (1 for a plain picture).
struct Resource {
    std::string name;
    pngio::Image image;
    int frames = 1;
};

// The 19 editor resources, in the order the editor creates its widgets.
std::vector<Resource> editorResources();

// The panel: background, outer frame and group frame pieces, group fill.
std::vector<Resource> panelResources();
Resource badge();
Resource button();
Resource knob();

// An icon with its images from smallest to largest.
struct Icon {
    std::string name;
    std::vector<pngio::Image> images;
};

// The host's large icon "icon" and small icon "ComboSmallIcon".
std::vector<Icon> hostIcons();

} // namespace art
