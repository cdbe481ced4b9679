#include "VX/Wid/VX_Wid_Pal_Line.h"

#include <climits>

VX_Wid_Pal_Line::VX_Wid_Pal_Line() {
    for (Box& b : boxes) b = {INT_MAX, INT_MAX, 0, 0};
}
