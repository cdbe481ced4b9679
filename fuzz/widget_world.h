// What the command fuzzer gives widget commands to work with: a window that composites every
// redraw, a level-meter line, a bound variable and a callback, for the options that take
// object references ("-win", "-ln", "-var", "-dat", "-com"), and small pictures and
// filmstrips registered as the resources "fpic", "fstrip" and "fmeter".
#pragma once

#include "command_builder.h"

#include "VX/VX.h"

#include <memory>
#include <string>

class WidgetWorld {
public:
    WidgetWorld();
    ~WidgetWorld();

    // The object for an option that takes a reference, or no object (null) when the option
    // takes none; `arg` receives the reference to pass for "%o" (possibly null).
    bool objectFor(const std::string& option, ByteSource& in, void*& arg);

    // Mouse moves, presses, drags and releases at fuzzed places, each followed by painting.
    void gestures(ByteSource& in);

    // Registers the fuzz images once per process.
    static void registerImages();

private:
    struct Win;
    std::unique_ptr<Win> win;
    VX_Wid_Pal_Line line;
    VX_value variable;
};
