#include "display_support_win32.h"

#include <cstdio>
#include <fstream>
#include <iterator>

void pumpMessages() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        pumpMessages();
        if (done && done()) return true;
        if (GetTickCount() - start >= timeoutMs) return !done;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

std::string programDirectory() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe);
    return dir.erase(dir.find_last_of("\\/") + 1);
}

// Wine shows the Unix root as drive Z:.
std::string unixPath(const std::string& windowsPath) {
    std::string p = windowsPath;
    if (p.size() >= 2 && (p[0] == 'Z' || p[0] == 'z') && p[1] == ':') p.erase(0, 2);
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

// Wine starts Unix programs without giving back a process handle, so the command writes its
// exit code into a file when it ends.
int runHost(const std::string& command, DWORD timeoutMs) {
    static int serial = 0;
    const std::string marker = programDirectory() + "host-" +
                               std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(++serial) + ".done";
    DeleteFileA(marker.c_str());
    std::string line = "/bin/sh -c \"" + command + " >/dev/null 2>&1; echo $? >'" +
                       unixPath(marker) + ".tmp'; mv '" + unixPath(marker) + ".tmp' '" +
                       unixPath(marker) + "'\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(
            nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    if (!pumpUntil([&] { return GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; },
                   timeoutMs))
        return -1;
    int code = -1;
    std::ifstream(marker) >> code;
    DeleteFileA(marker.c_str());
    return code;
}

Shot grabWindow(HWND window, int width, int height) {
    Shot s{width, height, std::vector<uint32_t>(size_t(width) * height)};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HDC dc = GetDC(window);
    BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    GdiFlush();
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    for (size_t k = 0; k < s.rgb.size(); ++k) s.rgb[k] = p[k] & 0xFFFFFF;
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return s;
}

namespace {

// Raw 8-bit RGB of the given size, read and deleted; no pixels when the size is not right.
Shot readRgb(const std::string& raw, int width, int height) {
    Shot s{width, height, {}};
    std::vector<unsigned char> bytes;
    {
        std::ifstream in(raw, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    DeleteFileA(raw.c_str());
    if (bytes.size() != size_t(width) * height * 3) return s;
    s.rgb.resize(size_t(width) * height);
    for (size_t k = 0; k < s.rgb.size(); ++k)
        s.rgb[k] =
            uint32_t(bytes[3 * k]) << 16 | uint32_t(bytes[3 * k + 1]) << 8 | bytes[3 * k + 2];
    return s;
}

} // namespace

Shot grabScreen(int x, int y, int width, int height, const std::string& name) {
    Shot s{width, height, {}};
    const std::string dir = programDirectory();
    const std::string raw = dir + name + ".rgb";
    const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "+" +
                                 std::to_string(x) + "+" + std::to_string(y);
    DeleteFileA(raw.c_str());
    if (runHost("import -window root -crop " + geometry + " -depth 8 rgb:'" + unixPath(raw) +
                "' && import -window root -crop " + geometry + " png:'" +
                unixPath(dir + name + ".png") + "'") != 0)
        return s;
    return readRgb(raw, width, height);
}

Shot readPicture(const std::string& unixFile, int width, int height) {
    const std::string raw = programDirectory() + "picture.rgb";
    DeleteFileA(raw.c_str());
    if (runHost("convert '" + unixFile + "' -depth 8 rgb:'" + unixPath(raw) + "'") != 0)
        return {width, height, {}};
    return readRgb(raw, width, height);
}

Shot colours(const VX_Pic_Base<VX_Pix_A32>& p, const VX_Rect& r) {
    Shot s{r.width(), r.height(), {}};
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) s.rgb.push_back(p.row(y)[x].word() & 0xFFFFFF);
    return s;
}

int differences(const Shot& a, const Shot& b, std::string& first) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) {
        first = "sizes differ: " + std::to_string(a.width) + "x" + std::to_string(a.height) +
                " and " + std::to_string(b.width) + "x" + std::to_string(b.height);
        return -1;
    }
    int n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.at(x, y) != b.at(x, y) && n++ == 0) {
                char text[96];
                std::snprintf(text,
                              sizeof text,
                              "at %d,%d: %06X and %06X",
                              x,
                              y,
                              unsigned(a.at(x, y)),
                              unsigned(b.at(x, y)));
                first = text;
            }
    return n;
}
