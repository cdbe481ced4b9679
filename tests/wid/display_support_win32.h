// What the display tests need from the machine around the Windows program: its pictures of
// the screen and the mouse of the X server (xdotool), reached from inside Wine.
#pragma once

#include "VX/VX.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Dispatches the messages that are waiting.
void pumpMessages();
// Pumps messages for the given time, or until the condition holds (checked after each pump).
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// The directory of the test program, as Windows and as Unix see it (with a trailing slash).
std::string programDirectory();
std::string unixPath(const std::string& windowsPath);

// Runs a shell command of the host system (xdotool, import) and pumps messages while it runs;
// returns its exit code, or -1 when it did not end within the time.
int runHost(const std::string& command, DWORD timeoutMs = 20000);

// Pixels as words 0x00RRGGBB, row by row.
struct Shot {
    int width = 0, height = 0;
    std::vector<uint32_t> rgb;
    uint32_t at(int x, int y) const { return rgb[size_t(y) * width + x]; }
};

// The window's pixels as GDI reads them back from its DC.
Shot grabWindow(HWND window, int width, int height);
// The pixels of the X server's screen (ImageMagick's import of the root window); also saved
// as <program directory>/<name>.png for people to look at.
Shot grabScreen(int x, int y, int width, int height, const std::string& name);
// An image file of the host system (a PNG), read through ImageMagick; no pixels when it cannot
// be read or has another size.
Shot readPicture(const std::string& unixFile, int width, int height);
// A picture's colours in the same form (alpha dropped).
Shot colours(const VX_Pic_Base<VX_Pix_A32>& p, const VX_Rect& r);

// The number of pixels that differ, and the first of them described.
int differences(const Shot& a, const Shot& b, std::string& first);
