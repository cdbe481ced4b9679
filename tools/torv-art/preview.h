// Previews of the whole editor, composited from the resources the way the editor's window
// draws them, for judging the artwork by eye.
#pragma once

#include "artwork.h"

#include <ostream>
#include <string>
#include <vector>

namespace art {

// Writes editor*.png into `folder`: the editor in its start state, switched off (controls
// faded), with the knob at its ends and middle, and with the knob under the mouse. The texts
// are drawn by ImageMagick with Wine's Tahoma when both are there, else left out.
bool writePreviews(const std::vector<Resource>& resources, const std::string& folder,
                   std::ostream& err);

} // namespace art
