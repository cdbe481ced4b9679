// torv.exe's window on the X display: its menus driven as a person drives them (mouse clicks on
// the menu bar, keys in the menus, through xdotool), a command dropped while the audio thread
// holds the lock, Help, the window against its golden picture, and the process's handles and
// heap around 20 driver switches.
#include "host_exe_util.h"

#include "wid/display_support_win32.h"

#include <fstream>
#include <iterator>

namespace {

using namespace hostexe;
using Texts = std::vector<std::string>;
using Ids = std::vector<uint32_t>;

// Opens a menu of the bar with a click, then types the keys into it ("a", "Down Down Return").
bool menu(HostProcess& host, int barItem, const std::string& keys) {
    const HostState s = host.state();
    auto r = s.rects.find("baritem " + std::to_string(barItem));
    if (r == s.rects.end()) return false;
    const long x = (r->second.left + r->second.right) / 2,
               y = (r->second.top + r->second.bottom) / 2;
    if (runHost("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) +
                " click 1 sleep 0.3 key --delay 120 " + keys + " sleep 0.3 mousemove 5 5") != 0)
        return false;
    // The command has run once the host answers again.
    return pumpUntil([&] { return host.state().values.count("phase") > 0; }, 5000);
}

TEST(HostExeUi, MenusDrivenByMouseAndKeysCarryOutTheirCommands) {
    HostProcess host("menus",
                     {{"TORV_TEST_ASIO", "buffer=128"}, {"TORV_TEST_ASIO_2", "buffer=128"}});
    ASSERT_TRUE(host.start());
    ASSERT_TRUE(host.waitBlocks(10));
    EXPECT_EQ(host.state().texts("bar"), (Texts{"&Audio", "&Channel", "&Help (online)"}));

    ASSERT_TRUE(menu(host, 1, "a")); // Channel, Add
    HostState s = host.state();
    EXPECT_EQ(s.routes, (Texts{"1. In 1", "2. In 2"}));
    EXPECT_EQ(s.checked("channel"), (Ids{0x5001}));
    EXPECT_EQ(s.checked("input"), (Ids{0x6001}));
    EXPECT_FALSE(s.find("channel", TorvHost::deleteCommand)->grayed);

    ASSERT_TRUE(menu(host, 1, "Down Return")); // Channel, route 1
    s = host.state();
    EXPECT_EQ(s.checked("channel"), (Ids{0x5000}));
    EXPECT_EQ(s.checked("input"), (Ids{0x6000}));

    ASSERT_TRUE(menu(host, 1, "d")); // Channel, Delete: route 1 goes
    s = host.state();
    EXPECT_EQ(s.routes, (Texts{"1. In 2"}));
    EXPECT_TRUE(s.find("channel", TorvHost::deleteCommand)->grayed);

    ASSERT_TRUE(menu(host, 0, "Down Down Return")); // Audio, the second driver
    s = host.state();
    EXPECT_EQ(s.checked("audio"), (Ids{0x1001}));
    EXPECT_EQ(s.checked("mode"), (Ids{0x2000}));
    EXPECT_EQ(s.texts("mode"), (Texts{" 48.0 kHz, 32 bit, stereo", " 44.1 kHz, 32 bit, stereo"}));

    ASSERT_TRUE(menu(host, 0, "m Down Return")); // Audio, Mode (its first item lit), the second
    s = host.state();
    EXPECT_EQ(s.checked("mode"), (Ids{0x2001}));
    EXPECT_EQ(s.checked("audio"), (Ids{0x1001}));

    ASSERT_TRUE(menu(host, 1, "i Return")); // Channel, Input (its first item lit), that one
    s = host.state();
    EXPECT_EQ(s.routes, (Texts{"1. In 1"}));
    EXPECT_EQ(s.checked("input"), (Ids{0x6000}));
    EXPECT_EQ(s.find("channel", 0x5000)->text, "1. In 1");

    ASSERT_TRUE(host.waitBlocks(20)); // audio still runs
    ASSERT_TRUE(host.close(15000));
}

TEST(HostExeUi, HelpOpensTheMakersPageAndABusyLockNeverSwallowsAClick) {
    HostProcess host("help", {{"TORV_TEST_ASIO", "buffer=128"}});
    ASSERT_TRUE(host.start());
    const std::string title = "www.torvaudio.net 3-rd order Butterworth high-pass";
    EXPECT_EQ(host.title(), title);
    ASSERT_TRUE(menu(host, 2, "")); // a click on "Help (online)"
    EXPECT_EQ(host.state().text("opened"),
              "owner=main verb=open file=https://www.torvaudio.net/ parameters= directory= "
              "show=1");

    // The audio thread keeps the lock longer than a command waits: the command is dropped and
    // the title says so, until the next command runs.
    ASSERT_TRUE(host.holdLock(1500));
    ASSERT_TRUE(host.command(add));
    HostState s = host.state();
    EXPECT_EQ(s.routes.size(), 1u);
    EXPECT_EQ(s.number("dropped"), 1);
    EXPECT_EQ(host.title(), title + " - audio busy: \"Add\" was not carried out, please try again");
    Sleep(600);
    ASSERT_TRUE(host.command(add));
    EXPECT_EQ(host.state().routes.size(), 2u);
    EXPECT_EQ(host.title(), title);
    ASSERT_TRUE(host.close(15000));
}

// The main window, menu bar and client area, as the X server shows it. Regenerate the golden
// picture with TORV_UPDATE_GOLDEN=1 (it is written into the source tree).
TEST(HostExeUi, TheMainWindowLooksAsItsGoldenPicture) {
    HostProcess host("picture", {{"TORV_TEST_ASIO", "buffer=128"}});
    ASSERT_TRUE(host.start());
    // The window and its class as registered: style, icons and background.
    const HostState c = host.state();
    EXPECT_EQ(c.text("class.style"), "0x1800");
    EXPECT_EQ(c.text("class.icon"), "1");
    EXPECT_EQ(c.text("class.smallIcon"), "1");
    EXPECT_EQ(c.number("class.background"), COLOR_BTNFACE + 1);
    const unsigned long style = std::strtoul(c.text("style").c_str(), nullptr, 16);
    EXPECT_EQ(style & 0xCA0000, 0xCA0000u) << c.text("style");
    EXPECT_FALSE(style & WS_THICKFRAME);
    HWND editor = GetWindow(host.window, GW_CHILD);
    char name[32] = "";
    GetClassNameA(editor, name, sizeof name);
    EXPECT_STREQ(name, "TORVEFFECT");
    pumpUntil(nullptr, 500);
    const HostState s = host.state();
    const RECT client = s.rects.at("client"), bar = s.rects.at("baritem 0");
    const int width = client.right - client.left, height = client.bottom - bar.top;
    const Shot shot = grabScreen(client.left, bar.top, width, height, "host_main_window");
    ASSERT_EQ(shot.rgb.size(), static_cast<size_t>(width) * height);
    const std::string shotPng = programDirectory() + "host_main_window.png";
    if (std::getenv("TORV_UPDATE_GOLDEN")) {
        ASSERT_TRUE(CopyFileA(shotPng.c_str(), windowsPath(TORV_HOST_GOLDEN).c_str(), FALSE));
        GTEST_SKIP() << "golden picture written to " << TORV_HOST_GOLDEN;
    }
    // The golden picture as raw pixels, through ImageMagick.
    const std::string raw = programDirectory() + "host_golden.rgb";
    ASSERT_EQ(runHost(std::string("convert '") + TORV_HOST_GOLDEN + "' -depth 8 rgb:'" +
                      unixPath(raw) + "'"),
              0);
    std::ifstream in(raw, std::ios::binary);
    const std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
    ASSERT_EQ(bytes.size(), shot.rgb.size() * 3) << "the window is not the golden picture's size";
    Shot golden{width, height, {}};
    for (size_t k = 0; k < shot.rgb.size(); ++k)
        golden.rgb.push_back(uint32_t(bytes[3 * k]) << 16 | uint32_t(bytes[3 * k + 1]) << 8 |
                             bytes[3 * k + 2]);
    std::string first;
    EXPECT_EQ(differences(shot, golden, first), 0) << first << " (see " << shotPng << ")";
    ASSERT_TRUE(host.close(15000));
}

// Handles and heap of the host after one switch and after 20 more: what a switch takes it
// gives back.
TEST(HostExeUi, TwentyDriverSwitchesKeepHandlesAndHeap) {
    HostProcess host("switches",
                     {{"TORV_TEST_ASIO", "buffer=128"}, {"TORV_TEST_ASIO_2", "buffer=128"}});
    ASSERT_TRUE(host.start());
    ASSERT_TRUE(host.command(driver(1)));
    ASSERT_TRUE(host.command(driver(0)));
    ASSERT_TRUE(host.waitBlocks(10));
    const HostState before = host.state(true);
    for (int k = 0; k < 20; ++k) ASSERT_TRUE(host.command(driver(k % 2 ? 0 : 1)));
    ASSERT_TRUE(host.waitBlocks(10));
    const HostState after = host.state(true);
    std::printf("after 20 driver switches: handles %lld -> %lld, threads %lld -> %lld, heap %lld "
                "-> %lld bytes\n",
                before.number("handles"),
                after.number("handles"),
                before.number("threads"),
                after.number("threads"),
                before.number("heap"),
                after.number("heap"));
    RecordProperty("handles_before", static_cast<int>(before.number("handles")));
    RecordProperty("handles_after", static_cast<int>(after.number("handles")));
    RecordProperty("heap_before", static_cast<int>(before.number("heap")));
    RecordProperty("heap_after", static_cast<int>(after.number("heap")));
    EXPECT_GT(before.number("handles"), 0);
    EXPECT_LE(after.number("handles"), before.number("handles"));
    EXPECT_EQ(after.number("threads"), before.number("threads"));
    EXPECT_LE(after.number("heap"), before.number("heap"));
    ASSERT_TRUE(host.close(15000));
}

} // namespace
