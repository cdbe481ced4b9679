// The command script runner behind vxcmd: names for results, errors that run nothing, and the
// text it prints.
#include "command_script.h"

#include "support/capture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Runs lines through a script whose output goes to a temporary file; returns that output.
class ScriptTest : public ::testing::Test {
protected:
    std::FILE* file = std::tmpfile();
    VX_Command_Script script{file};
    BoxCapture boxes;

    ~ScriptTest() override { std::fclose(file); }

    std::string run(const std::string& line) {
        long start = std::ftell(file);
        stdoutOf([&] { script.runLine(line); });
        std::fseek(file, start, SEEK_SET);
        std::string text;
        for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
        return text;
    }
};

// The first word of the result line that follows the command's "> " line.
std::string wordAfterCommand(const std::string& out) {
    const size_t line = out.find('\n') + 1;
    return out.substr(line, out.find_first_of(" \n", line) - line);
}

TEST_F(ScriptTest, NamedResultsStandForTheObjectsTheyMade) {
    std::string made = run("pipe = VX_Soundpipe -bl 512 -b");
    const std::string* pipe = script.lookup("pipe");
    ASSERT_NE(pipe, nullptr);
    EXPECT_EQ(pipe->rfind("0x", 0), 0u);
    EXPECT_EQ(made, "> VX_Soundpipe -bl 512 -b\n" + *pipe + " 0\nVX_OK \"Operation OK\"\n");

    run("buf = VX_Buffer -t buf_i");
    ASSERT_NE(script.lookup("buf"), nullptr);
    EXPECT_EQ(run("VX_Buffer $buf -l"),
              "> VX_Buffer " + *script.lookup("buf") + " -l\n512\nVX_OK \"Operation OK\"\n");
    EXPECT_NE(run("VX_Buffer $buf -t").find("\nbuf_i\n"), std::string::npos);

    EXPECT_NE(run("VX_Soundpipe $pipe -e").find("\n1\nVX_OK"), std::string::npos);
    std::string buf = *script.lookup("buf");
    run("VX_Buffer $buf -delete");
    run("VX_Soundpipe $pipe -delete");
    EXPECT_EQ(script.failures(), 0);
    // Deleted objects lose their names and cannot be worked on again.
    EXPECT_EQ(script.lookup("buf"), nullptr);
    EXPECT_EQ(run("VX_Buffer " + buf + " -l"),
              "error: '" + buf + "' is not an object made by this script\n");
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ScriptTest, FailedCommandsPrintTheirCodeAndCount) {
    EXPECT_EQ(run("VX_Nothing -x"),
              "> VX_Nothing -x\nVX_ERROR_COMMAND_NOT_FOUND \"Command not found\"\n");
    EXPECT_EQ(script.failures(), 1);

    // The buffer is made before the unknown option fails: it keeps its name, to be deleted.
    std::string out = run("b = VX_Buffer -nosuch 3");
    ASSERT_NE(script.lookup("b"), nullptr);
    EXPECT_EQ(out,
              "> VX_Buffer -nosuch 3\n" + *script.lookup("b") +
                  "\nVX_ERROR_COMMAND_NOT_PARAM \"Param not found\"\n");
    EXPECT_EQ(script.failures(), 2);
    EXPECT_TRUE(script.runLine("VX_Buffer $b -delete"));
}

// An object deleted by a command, also by the command that made it or by one that fails after
// deleting it, is forgotten with its names: nothing can reach the freed object through them.
TEST_F(ScriptTest, ObjectsDeletedByTheirOwnCommandAreForgotten) {
    // The object is made and deleted by one command, which succeeds.
    std::string out = run("x = VX_Buffer -delete");
    EXPECT_TRUE(out.ends_with("\nVX_OK \"Operation OK\"\n")) << out;
    const std::string made = wordAfterCommand(out);
    EXPECT_EQ(script.lookup("x"), nullptr);
    EXPECT_EQ(run("VX_Buffer $x -l 5"), "error: 'x' names an object that has been deleted\n");
    EXPECT_EQ(run("VX_Buffer " + made + " -l 5"),
              "error: '" + made + "' is not an object made by this script\n");

    run("b = VX_Buffer");
    run("c = VX_Buffer $b -l"); // a name for a query's result is not a name of the object
    const std::string b = *script.lookup("b");
    out = run("VX_Buffer $b -delete -l 5");
    EXPECT_NE(out.find("VX_ERROR_PARAM_REQUIRED"), std::string::npos) << out;
    EXPECT_EQ(run("VX_Buffer $b -l"), "error: 'b' names an object that has been deleted\n");
    EXPECT_EQ(run("VX_Buffer " + b + " -l"),
              "error: '" + b + "' is not an object made by this script\n");
    ASSERT_NE(script.lookup("c"), nullptr);
    // A name given again stands for the new object.
    run("x = VX_Buffer");
    ASSERT_NE(script.lookup("x"), nullptr);
    EXPECT_TRUE(script.runLine("VX_Buffer $x -delete"));
    EXPECT_EQ(script.failures(), 5);
}

TEST_F(ScriptTest, LinesThatCannotRunAreRefusedBeforeTheInterpreter) {
    // Nothing of these reaches the interpreter: no "> " line is printed.
    EXPECT_EQ(run("VX_Buffer $missing -delete"), "error: 'missing' has not been given a value\n");
    // The interpreter would take any number after the class as the object to work on.
    EXPECT_EQ(run("VX_Buffer 0x1234 -l"), "error: '0x1234' is not an object made by this script\n");
    EXPECT_EQ(run("VX_Buffer 77 -l"), "error: '77' is not an object made by this script\n");
    EXPECT_EQ(run("VX_Buffer -1.5"), "error: '-1.5' is not an object made by this script\n");
    EXPECT_EQ(run("VX_Buffer -l %i"),
              "error: '%i': directives need arguments; write the value itself\n");
    EXPECT_EQ(run("1x = VX_Buffer"), "error: '1x' cannot be a name\n");
    EXPECT_EQ(run("x ="), "error: no command after 'x ='\n");
    EXPECT_EQ(script.failures(), 7);
}

TEST_F(ScriptTest, BlanksCommentsAndLineEndsAreTolerated) {
    EXPECT_EQ(run(""), "");
    EXPECT_EQ(run("   \t "), "");
    EXPECT_EQ(run("# VX_Nothing"), "");
    std::string out = run("  b   =  VX_Buffer\t -l   0 \r");
    EXPECT_EQ(out.rfind("> VX_Buffer -l 0\n", 0), 0u) << out;
    ASSERT_NE(script.lookup("b"), nullptr);
    run("VX_Buffer $b -delete");
    EXPECT_EQ(script.failures(), 0);
}

TEST(ErrorNames, EveryCodeHasItsName) {
    EXPECT_STREQ(VX_error_name(VX_OK), "VX_OK");
    EXPECT_STREQ(VX_error_name(VX_ERROR_RESOURCE_CANNOT_LOCK), "VX_ERROR_RESOURCE_CANNOT_LOCK");
    EXPECT_STREQ(VX_error_name(VX_ERROR_COMMAND_NOT_SPACE), "VX_ERROR_COMMAND_NOT_SPACE");
    // Codes are compared by pointer, not by text.
    char copy[] = "Operation OK";
    EXPECT_STREQ(VX_error_name(copy), "unknown code");
}

} // namespace
