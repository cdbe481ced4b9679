// The ASIO driver list over an in-memory registry: which entries are listed and how they are
// named, loading by name with its fallback, COM's initialisation, and the calls on the current
// driver with and without one.
#include "rts/fake_asio.h"

// The runtime's parts behind its seams (drivers, calls, backends), tested directly.
#include "VX/Rts/Asio/VX_Asio_calls.h"
#include "VX/Rts/Asio/VX_Asio_drivers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const clsidA = "{11111111-2222-3333-4444-555555555555}";
const char* const clsidB = "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";
const char* const clsidC = "{00000000-0000-0000-0000-00000000000c}";

class RtsAsioList : public ::testing::Test {
protected:
    void TearDown() override {
        VX_asio_drivers_destroy();
        VX_asio_use_system(nullptr);
        EXPECT_EQ(system.openKeys, 0); // every key opened was closed
        EXPECT_EQ(system.comInitialised, 0);
    }
    VX_Asio_Drivers& list() {
        VX_asio_use_system(&system);
        return *VX_asio_drivers(true);
    }
    std::vector<std::string> names(int32_t size = 32) {
        std::vector<std::string> out;
        char text[256];
        for (int32_t i = 0; i < list().count(); ++i) {
            EXPECT_EQ(list().name(i, text, size), 0);
            out.push_back(text);
        }
        return out;
    }
    FakeSystem system;
};

TEST_F(RtsAsioList, ListsRegisteredDriversInRegistryOrder) {
    system.addDriver("Beta", clsidB, "Beta Audio", {});
    system.addDriver("alpha", clsidA, "", {}); // no description: the key's name
    EXPECT_EQ(names(), (std::vector<std::string>{"Beta Audio", "alpha"}));
    EXPECT_EQ(guidText(list().entryAt(1)->clsid), "{11111111-2222-3333-4444-555555555555}");
    EXPECT_EQ(list().entryAt(0)->index, 0);
    EXPECT_EQ(system.comInitialised, 1);
    VX_asio_drivers_destroy();
    EXPECT_EQ(system.comInitialised, 0);
}

TEST_F(RtsAsioList, LongNamesEndInDots) {
    system.addDriver("long", clsidA, std::string("0123456789012345678901234567890123456789"), {});
    system.addDriver("fits", clsidB, std::string(31, 'x'), {});
    system.addDriver("just", clsidC, std::string(32, 'y'), {});
    EXPECT_EQ(names(),
              (std::vector<std::string>{"0123456789012345678901234567...",
                                        std::string(31, 'x'),
                                        std::string(28, 'y') + "..."}));
    char small[8];
    EXPECT_EQ(list().name(0, small, 8), 0);
    EXPECT_STREQ(small, "0123...");
    EXPECT_EQ(list().name(0, nullptr, 32), VX_ASIO_INVALID_PARAMETER);
    EXPECT_EQ(list().name(3, small, 8), VX_ASIO_DRIVER_NOT_FOUND);
}

TEST_F(RtsAsioList, SkipsEntriesWithoutAUsableClassRegistration) {
    system.addDriver("good", clsidA, "Good", {});
    system.setValue(true, "Software\\ASIO\\no server", "CLSID", clsidB);
    system.addKey(false, std::string("CLSID\\") + clsidB); // class key without InprocServer32
    system.setValue(true, "Software\\ASIO\\missing file", "CLSID", clsidC);
    system.setValue(
        false, std::string("CLSID\\") + clsidC + "\\InprocServer32", "", "C:\\gone.dll");
    system.addKey(true, "Software\\ASIO\\no clsid");
    system.setValue(
        true, "Software\\ASIO\\unknown class", "CLSID", "{99999999-9999-9999-9999-999999999999}");
    EXPECT_EQ(names(), std::vector<std::string>{"Good"});
}

TEST_F(RtsAsioList, ClassKeysCompareWithoutCase) {
    // The driver's key names its class in upper case, the class key is in lower case.
    system.setValue(
        true, "Software\\ASIO\\upper", "CLSID", "{ABCDEF01-2345-6789-ABCD-EF0123456789}");
    system.setValue(
        false, "CLSID\\{abcdef01-2345-6789-abcd-ef0123456789}\\InprocServer32", "", "C:\\u.dll");
    system.files.insert("C:\\u.dll");
    EXPECT_EQ(names(), std::vector<std::string>{"upper"});
    EXPECT_EQ(guidText(list().entryAt(0)->clsid), "{abcdef01-2345-6789-abcd-ef0123456789}");
}

TEST_F(RtsAsioList, NoAsioKeyMeansNoDriversAndNoCom) {
    FakeSystem empty;
    empty.machine.children.clear();
    VX_asio_use_system(&empty);
    EXPECT_EQ(VX_asio_drivers(true)->count(), 0);
    EXPECT_EQ(empty.comInitialised, 0);
    VX_asio_drivers_destroy();
}

TEST_F(RtsAsioList, OpenAndCloseByIndex) {
    system.addDriver("a", clsidA, "A", {});
    VX_Asio_Driver* d = nullptr;
    EXPECT_EQ(list().open(0, nullptr), VX_ASIO_INVALID_PARAMETER);
    EXPECT_EQ(list().open(1, &d), VX_ASIO_DRIVER_NOT_FOUND);
    EXPECT_EQ(list().open(0, &d), 0);
    EXPECT_EQ(d, system.created.at(0));
    EXPECT_EQ(list().open(0, &d), VX_ASIO_DRIVER_OPEN);
    EXPECT_EQ(list().close(0), 0);
    EXPECT_EQ(system.created[0]->references, 0);
    EXPECT_EQ(list().close(0), 0); // nothing loaded: still 0
    system.creationFailures["{11111111-2222-3333-4444-555555555555}"] =
        static_cast<int32_t>(0x80004005);
    EXPECT_EQ(list().open(0, &d), static_cast<int32_t>(0x80004005));
}

TEST_F(RtsAsioList, LoadingByNameReleasesThePreviousDriver) {
    system.addDriver("a", clsidA, "Same", {});
    system.addDriver("b", clsidB, "Same", {});
    system.addDriver("c", clsidC, "Other", {});
    EXPECT_FALSE(list().load("Nobody"));
    EXPECT_EQ(VX_asio_current(), nullptr);
    ASSERT_TRUE(list().load("Same"));
    EXPECT_EQ(list().currentIndex, 0); // the first of two equal names
    ASSERT_TRUE(list().load("Other"));
    EXPECT_EQ(list().currentIndex, 2);
    EXPECT_EQ(system.created[0]->references, 0);
    EXPECT_EQ(VX_asio_current(), system.created[1]);
    VX_asio_drivers_destroy(); // releases what is loaded
    EXPECT_EQ(system.created[1]->references, 0);
    EXPECT_EQ(VX_asio_current(), nullptr);
}

TEST_F(RtsAsioList, ADriverThatCannotBeCreatedBringsThePreviousOneBack) {
    system.addDriver("a", clsidA, "Good", {});
    system.addDriver("b", clsidB, "Broken", {});
    system.creationFailures["{aaaaaaaa-bbbb-cccc-dddd-eeeeeeeeeeee}"] =
        static_cast<int32_t>(0x80040154);
    ASSERT_TRUE(list().load("Good"));
    EXPECT_FALSE(list().load("Broken"));
    EXPECT_EQ(list().currentIndex, 0);
    ASSERT_EQ(system.created.size(), 2u); // "Good" created again
    EXPECT_EQ(VX_asio_current(), system.created[1]);
    // With nothing before it, a failed load leaves no driver.
    list().closeCurrent();
    EXPECT_FALSE(list().load("Broken"));
    EXPECT_EQ(VX_asio_current(), nullptr);
    EXPECT_EQ(list().currentIndex, -1);
}

TEST_F(RtsAsioList, CallsWithoutADriverAnswerNeutrally) {
    list();
    int32_t in = 5, out = 5, a = 1, b = 1, c = 1, d = 1;
    EXPECT_EQ(VX_asio_get_channels(&in, &out), ASE_NotPresent);
    EXPECT_EQ(in + out, 0);
    EXPECT_EQ(VX_asio_get_buffer_size(&a, &b, &c, &d), ASE_NotPresent);
    EXPECT_EQ(a + b + c + d, 0);
    ASIOChannelInfo info{};
    info.type = 19;
    EXPECT_EQ(VX_asio_get_channel_info(&info), ASE_NotPresent);
    EXPECT_EQ(info.channelGroup, -1);
    EXPECT_EQ(info.type, 0);
    EXPECT_STREQ(info.name, "None");
    ASIOBufferInfo infos[2];
    int marker;
    infos[0].buffers[0] = infos[1].buffers[1] = &marker;
    EXPECT_EQ(VX_asio_create_buffers(infos, 2, 64, nullptr), ASE_NotPresent);
    EXPECT_EQ(infos[0].buffers[0], nullptr);
    EXPECT_EQ(infos[1].buffers[1], nullptr);
    EXPECT_EQ(VX_asio_start(), ASE_NotPresent);
    EXPECT_EQ(VX_asio_stop(), ASE_NotPresent);
    EXPECT_EQ(VX_asio_can_sample_rate(48000), ASE_NotPresent);
    EXPECT_EQ(VX_asio_set_sample_rate(48000), ASE_NotPresent);
    EXPECT_EQ(VX_asio_exit(), ASE_OK);
    ASIODriverInfo driverInfo{};
    EXPECT_EQ(VX_asio_init(&driverInfo), ASE_NotPresent);
    EXPECT_STREQ(driverInfo.name, "No ASIO Driver");
}

TEST_F(RtsAsioList, InitNamesTheDriverOrForgetsItWithoutReleasing) {
    FakeDriverSetup setup;
    setup.name = "Fake Name From Driver";
    system.addDriver("a", clsidA, "A", setup);
    setup.failing = {"init"};
    setup.errorMessage = "Device unplugged";
    system.addDriver("b", clsidB, "B", setup);

    ASSERT_TRUE(list().load("A"));
    ASIODriverInfo info{};
    EXPECT_EQ(VX_asio_init(&info), ASE_OK);
    EXPECT_STREQ(info.name, "Fake Name From Driver");
    EXPECT_EQ(info.driverVersion, 7);
    EXPECT_STREQ(info.errorMessage, "No ASIO Driver Error");

    ASSERT_TRUE(list().load("B"));
    FakeDriver* b = system.created.back();
    EXPECT_EQ(VX_asio_init(&info), ASE_NotPresent);
    EXPECT_STREQ(info.name, "No ASIO Driver");
    EXPECT_EQ(info.driverVersion, 0);
    EXPECT_STREQ(info.errorMessage, "Device unplugged");
    EXPECT_EQ(VX_asio_current(), nullptr);
    EXPECT_EQ(b->references, 1); // forgotten, not released...
    ASSERT_TRUE(list().load("A"));
    EXPECT_EQ(b->references, 0); // ...until the list closes its entry
}

TEST_F(RtsAsioList, TheForwardingObjectAnswersItsOwnComMethodsItself) {
    system.addDriver("a", clsidA, "A", {});
    ASSERT_TRUE(list().load("A"));
    FakeDriver* d = system.created[0];
    VX_Asio_Forward forward;
    forward.driver = d;
    void* object = &forward;
    EXPECT_EQ(forward.queryInterface(nullptr, &object), static_cast<int32_t>(0x80004002));
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(forward.addRef(), 1u);
    EXPECT_EQ(forward.release(), 1u);
    EXPECT_EQ(d->references, 1);
    EXPECT_TRUE(d->log.empty());
    // Everything else reaches the driver.
    double rate = 0;
    int32_t n = 0;
    EXPECT_EQ(forward.getSampleRate(&rate), ASE_OK);
    EXPECT_EQ(forward.getClockSources(nullptr, &n), ASE_OK);
    EXPECT_EQ(forward.future(1, nullptr), ASE_InvalidParameter);
    EXPECT_EQ(forward.outputReady(), ASE_NotPresent);
    EXPECT_EQ(
        d->log,
        (std::vector<std::string>{"getSampleRate", "getClockSources", "future", "outputReady"}));
}

} // namespace
