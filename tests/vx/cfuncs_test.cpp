// Error codes, the error report and resources.
#include "support/capture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(Errors, CodesAreTheirMessagesComparedByPointer) {
    EXPECT_STREQ(VX_OK, "Operation OK");
    EXPECT_STREQ(VX_ERROR_RESOURCE_CANNOT_LOCK, "Cannot lock resource");
    EXPECT_STREQ(VX_ERROR_AUDIO_CANNOT_OUTPUT_CLOSE, "Cannot close output audio device");
    EXPECT_STREQ(VX_ERROR_MEMORY_CANNOT_REALLOC, "Cannot re-allocate memory");
    const VX_error all[] = {VX_OK,
                            VX_ERROR_UNKNOWN,
                            VX_ERROR_FILE_CANNOT_OPEN,
                            VX_ERROR_FILE_CANNOT_READ,
                            VX_ERROR_FILE_CANNOT_CLOSE,
                            VX_ERROR_MEMORY_CANNOT_ALLOCATE,
                            VX_ERROR_MEMORY_CANNOT_REALLOC,
                            VX_ERROR_MEMORY_CANNOT_FREE,
                            VX_ERROR_PARAM_REQUIRED,
                            VX_ERROR_RESOURCE_CANNOT_LOAD,
                            VX_ERROR_RESOURCE_CANNOT_FIND,
                            VX_ERROR_RESOURCE_CANNOT_LOCK,
                            VX_ERROR_AUDIO,
                            VX_ERROR_AUDIO_CANNOT_OPEN,
                            VX_ERROR_AUDIO_CANNOT_INPUT_STOP,
                            VX_ERROR_AUDIO_CANNOT_INPUT_CLOSE,
                            VX_ERROR_AUDIO_CANNOT_OUTPUT_RESET,
                            VX_ERROR_AUDIO_CANNOT_OUTPUT_CLOSE,
                            VX_ERROR_COMMAND_NOT_FOUND,
                            VX_ERROR_COMMAND_NOT_PARAM,
                            VX_ERROR_COMMAND_NOT_SPACE};
    for (size_t i = 0; i < std::size(all); ++i)
        for (size_t j = i + 1; j < std::size(all); ++j) EXPECT_NE(all[i], all[j]);
}

TEST(Errors, ReportLayoutInAnErrorBox) {
    BoxCapture capture;
    VX_error_func("VX/x.cpp", 42, "proc", "Jul 13 2013", "21:36:34", "Cannot open file");
    ASSERT_EQ(capture.boxes.size(), 1u);
    EXPECT_EQ(capture.boxes[0].text,
              "Error: Cannot open file\nFile: VX/x.cpp\nLine: 42\nProc: "
              "proc\nDate: Jul 13 2013\nTime: 21:36:34");
    EXPECT_EQ(capture.boxes[0].caption, "ERROR");
    EXPECT_EQ(capture.boxes[0].type, unsigned{VX_MB_OK});
}

TEST(Errors, LongReportsAreCutToTheBuffer) {
    BoxCapture capture;
    std::string huge(10000, 'm');
    VX_error_func("f", 1, "p", "d", "t", huge.c_str());
    ASSERT_EQ(capture.boxes.size(), 1u);
    EXPECT_EQ(capture.boxes[0].text.size(), 4095u);
}

TEST(Resources, FoundByNameWithoutRegardToCase) {
    BoxCapture capture;
    std::size_t size = 0;
    const char* data = static_cast<const char*>(VX_resource_sized("torv_test_text", &size));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(data, size), "Torv resource test text.\n");
    EXPECT_EQ(VX_resource("TORV_TEST_TEXT"), data); // borrowed, never copied
    EXPECT_TRUE(capture.boxes.empty());
}

TEST(Resources, MissingIsReportedByName) {
    BoxCapture capture;
    EXPECT_EQ(VX_resource("NO_SUCH_PICTURE"), nullptr);
    ASSERT_EQ(capture.boxes.size(), 1u);
    const std::string& t = capture.boxes[0].text;
    EXPECT_EQ(
        t.rfind("Error: NO_SUCH_PICTURE\nFile: VX/VX_cfuncs\nLine: 121\nProc: VX_resource\nDate: ",
                0),
        0u)
        << t;
    EXPECT_EQ(capture.boxes[0].caption, "ERROR");
}

#ifdef _WIN32
TEST(Resources, AnotherTypeIsNotFound) {
    BoxCapture capture;
    EXPECT_EQ(VX_resource("TORV_TEST_RCDATA"), nullptr);
    ASSERT_EQ(capture.boxes.size(), 1u);
    EXPECT_NE(capture.boxes[0].text.find("Error: TORV_TEST_RCDATA\n"), std::string::npos);
    EXPECT_NE(capture.boxes[0].text.find("\nLine: 121\n"), std::string::npos);
}
#endif

TEST(ValueRecord, EmptyAndPointerSized) {
    EXPECT_EQ(VX_EMPTY.type, VX_TYPE_NONE);
    EXPECT_EQ(VX_EMPTY.length, -1);
    EXPECT_EQ(VX_EMPTY.value.raw, 0u);
    // On 32-bit targets the record is {vtable, 32-bit value, type, length}.
    EXPECT_EQ(sizeof(VX_bits), sizeof(void*));
    if (sizeof(void*) == 4) EXPECT_EQ(sizeof(VX_value), 16u);
    VX_value v = VX_value::object(&v);
    EXPECT_EQ(v.value.p, &v);
}

} // namespace
