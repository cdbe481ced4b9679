// Windows can be created and painted under Wine only on a display: the runner starts one for
// suites that ask for it.
#include <gtest/gtest.h>

#include <windows.h>

namespace {

LRESULT CALLBACK plainWindow(HWND window, UINT message, WPARAM w, LPARAM l) {
    return DefWindowProcA(window, message, w, l);
}

void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

TEST(Display, WindowIsCreatedShownAndPainted) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = plainWindow;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "TorvDisplayCheck";
    ASSERT_NE(RegisterClassA(&windowClass), 0);

    RECT frame{0, 0, 210, 236};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowExA(0,
                                  "TorvDisplayCheck",
                                  "Torv",
                                  WS_OVERLAPPEDWINDOW,
                                  40,
                                  40,
                                  frame.right - frame.left,
                                  frame.bottom - frame.top,
                                  nullptr,
                                  nullptr,
                                  instance,
                                  nullptr);
    ASSERT_NE(window, nullptr) << "no display? error " << GetLastError();
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    pumpMessages();
    EXPECT_TRUE(IsWindowVisible(window));

    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 210);
    EXPECT_EQ(client.bottom, 236);

    // What is drawn into the window can be read back from it.
    HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(0x12, 0x34, 0x56));
    FillRect(dc, &client, brush);
    GdiFlush();
    EXPECT_EQ(GetPixel(dc, 100, 100), RGB(0x12, 0x34, 0x56));
    DeleteObject(brush);
    ReleaseDC(window, dc);

    EXPECT_TRUE(DestroyWindow(window));
    pumpMessages();
    EXPECT_TRUE(UnregisterClassA("TorvDisplayCheck", instance));
}

} // namespace
