// A program for checking how Windows programs are run under Wine: it exits with the code it is
// given, prints its arguments, reports an error through the framework, or waits (itself or in a
// child process).
#include "VX/VX.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "exit") == 0 && argc == 3) return std::atoi(argv[2]);
    if (std::strcmp(mode, "args") == 0) {
        for (int i = 2; i < argc; ++i) std::printf("[%s]\n", argv[i]);
        return 0;
    }
    if (std::strcmp(mode, "report") == 0 && argc == 3) {
        // Without VX_MESSAGES=stderr this is a modal box that nobody closes.
        VX_REPORT(argv[2]);
        return 0;
    }
    if (std::strcmp(mode, "sleep") == 0 && argc >= 3) {
        Sleep(static_cast<DWORD>(std::atoi(argv[2])) * 1000);
        return 0;
    }
    bool detach = std::strcmp(mode, "detach") == 0;
    if ((std::strcmp(mode, "spawn") == 0 || detach) && argc == 4) {
        // spawn: a child that outlives the time limit unless the whole process tree is killed.
        // detach: a child that outlives this program and holds its output open, as Wine's own
        // helper processes do.
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string command = std::string("\"") + self + "\" sleep " + argv[2] + " " + argv[3];
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child;
        if (!CreateProcessA(self,
                            command.data(),
                            nullptr,
                            nullptr,
                            FALSE,
                            0,
                            nullptr,
                            nullptr,
                            &startup,
                            &child))
            return 3;
        std::puts("spawned");
        std::fflush(stdout);
        if (!detach) WaitForSingleObject(child.hProcess, INFINITE);
        return 0;
    }
    std::fputs("usage: wine_probe exit <code> | args [arg...] | report <message> | "
               "sleep <seconds> | spawn|detach <seconds> <tag>\n",
               stderr);
    return 2;
}
