// torv-render: renders audio offline through a VST 2.4 effect module.
#include "render_main.h"

#include <iostream>

int main(int argc, char** argv) {
    return runRender(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
