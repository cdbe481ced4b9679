// vxcmd: runs framework commands and prints each result text and error code.
//
//   vxcmd 'VX_Soundpipe -bl 512 -b' ...     one command per argument
//   vxcmd < script                          one command per line (see command_script.h)
//
// Exits with 0 when every command returned VX_OK, else 1.
#include "command_script.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::puts("usage: vxcmd [command ...]\n"
                  "Runs each argument, or each line of standard input, as a framework command\n"
                  "and prints its result text and error code. 'name = command' keeps the\n"
                  "first word of the result; '$name' stands for it in later commands.");
        return 0;
    }
    VX_Command_Script script(stdout);
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) script.runLine(argv[i]);
    } else {
        for (std::string line; std::getline(std::cin, line);) script.runLine(line);
    }
    if (script.failures() > 0) {
        std::fprintf(stderr, "vxcmd: %d command(s) failed\n", script.failures());
        return 1;
    }
    return 0;
}
