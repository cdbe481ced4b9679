// Fuzzes the interpreter: creation commands of registered classes with arbitrary option words
// and values ("-delete" now and then anywhere among them), a query of everything, then deletion
// of what was left. Options that take object references get real objects (a window, a meter
// line, a variable, a callback; see widget_world.h), and the mouse then works the window the
// widgets were attached to.
#include "command_builder.h"
#include "widget_world.h"

#include "VX/VX.h"

#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzSilenceMessages();
    WidgetWorld::registerImages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteSource in(data, size);
    std::vector<std::string> commands; // commands must outlive the objects they made
    std::vector<void*> made;
    WidgetWorld world;
    for (int round = 0; round < 8 && !in.empty(); ++round) {
        const char* cls = fuzzClass(in);
        std::string cmd = cls;
        // A number after the class name would be taken as an object reference.
        if (in.below(4) == 0) cmd += in.byte() & 1 ? " current" : " Tahoma";
        void* args[6] = {};
        int argCount = 0;
        for (uint32_t n = in.below(6); n > 0; --n) {
            // Options after a "-delete" must never reach the deleted object.
            const std::string option = in.below(8) == 0 ? "-delete" : fuzzOption(in, cls);
            cmd += ' ';
            cmd += option;
            if (in.byte() & 1) {
                cmd += ' ';
                if (world.objectFor(option, in, args[argCount])) {
                    cmd += "%o";
                    ++argCount;
                } else {
                    cmd += fuzzValue(in);
                }
            }
        }
        commands.push_back(cmd);
        char text[4096];
        int cap = sizeof text;
        VX_cmd_text(text,
                    &cap,
                    commands.back().c_str(),
                    args[0],
                    args[1],
                    args[2],
                    args[3],
                    args[4],
                    args[5]);
        // The created object's reference is the first word of a result that starts with one.
        void* obj = nullptr;
        if (text[0] == '0' && text[1] == 'x')
            obj = reinterpret_cast<void*>(std::strtoull(text + 2, nullptr, 16));
        if (VX_cmd_deleted_its_object())
            std::erase(made, obj); // "VX_Soundpipe current" may have named an earlier one
        else if (obj)
            made.push_back(obj);
    }
    world.gestures(in);
    // "VX_Soundpipe current" hands out an object made earlier: delete each object once, the
    // newest first.
    for (size_t i = made.size(); i-- > 0;) {
        bool seen = false;
        for (size_t j = i + 1; j < made.size(); ++j) seen |= made[j] == made[i];
        if (!seen) VX_cmd("%o -delete", made[i]);
    }
    VX_Soundpipe::current = nullptr;
    return 0;
}
