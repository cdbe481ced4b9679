// The command language through VX_cmd and VX_vcmd, with the framework's own classes.
#include "support/capture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Every test leaves no soundpipe current, whatever it built.
class Command : public testing::Test {
protected:
    void TearDown() override { VX_Soundpipe::current = nullptr; }
};

TEST_F(Command, BuildsAGraphTheWayThePluginDoes) {
    VX_Soundpipe* sp = nullptr;
    int began = -1;
    ASSERT_EQ(VX_cmd("VX_Soundpipe -bl %i -b", &sp, 512, &began), VX_OK);
    ASSERT_NE(sp, nullptr);
    EXPECT_EQ(sp->blockLength, 512);
    EXPECT_EQ(began, 0); // creating it made it current already
    EXPECT_EQ(VX_Soundpipe::current, sp);

    VX_Buffer* in = nullptr;
    ASSERT_EQ(VX_cmd("VX_Buffer -t %o", &in, "buf_i"), VX_OK);
    EXPECT_STREQ(in->title, "buf_i");
    EXPECT_EQ(in->length(), 512);
    EXPECT_EQ(sp->buffers.count, 1);

    int ended = -1;
    ASSERT_EQ(VX_cmd("VX_Soundpipe %o -e", sp, &ended), VX_OK);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(VX_Soundpipe::current, nullptr);
    ASSERT_EQ(VX_cmd("VX_Soundpipe %o -e", sp, &ended), VX_OK);
    EXPECT_EQ(ended, 0);
    int again = -1;
    ASSERT_EQ(VX_cmd("%o -b", sp, &again), VX_OK);
    EXPECT_EQ(again, 1);
    EXPECT_EQ(VX_Soundpipe::current, sp);

    EXPECT_EQ(VX_cmd("%o -delete", in), VX_OK);
    EXPECT_EQ(sp->buffers.count, 0);
    EXPECT_EQ(VX_cmd("%o -delete", sp), VX_OK);
    EXPECT_EQ(VX_Soundpipe::current, nullptr);
}

TEST_F(Command, ClassAloneCreatesAndCurrentNamesTheSoundpipe) {
    VX_Buffer* b = nullptr;
    ASSERT_EQ(VX_cmd("VX_Buffer", &b), VX_OK);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->vxClass, VX_Buffer_options);
    EXPECT_STREQ(b->vxCommand, "VX_Buffer");
    EXPECT_EQ(b->length(), 0); // no soundpipe current: no storage
    EXPECT_EQ(VX_cmd("%o -delete", b), VX_OK);

    VX_Soundpipe* sp = nullptr;
    VX_Soundpipe* same = nullptr;
    ASSERT_EQ(VX_cmd("VX_Soundpipe", &sp), VX_OK);
    ASSERT_EQ(VX_cmd("VX_Soundpipe current", &same), VX_OK);
    EXPECT_EQ(same, sp);
    // The word is compared as a word: "currently" is a new soundpipe.
    VX_Soundpipe* other = nullptr;
    ASSERT_EQ(VX_cmd("VX_Soundpipe currently", &other), VX_OK);
    EXPECT_NE(other, sp);
    VX_cmd("%o -delete", other);
    VX_cmd("%o -delete", sp);
}

TEST_F(Command, ArgumentsAreConsumedLeftToRight) {
    VX_Buffer* b = nullptr;
    int length = 0, limit = 0;
    // Creation pointer, the value of "-l", the query of "-l", the value of "-limit", its query.
    ASSERT_EQ(VX_cmd("VX_Buffer -l %i -l -limit %f -limit", &b, 7, &length, 2.9, &limit), VX_OK);
    EXPECT_EQ(length, 7);
    EXPECT_EQ(limit, 2); // a float is truncated toward zero
    EXPECT_EQ(b->count, 7);
    // An integer given to a float option, and a float's bits through a pointer output.
    VX_Soundpipe* sp = nullptr;
    int bl = 0;
    ASSERT_EQ(VX_cmd("VX_Soundpipe -bl %f -bl", &sp, 100.75, &bl), VX_OK);
    EXPECT_EQ(bl, 100);
    VX_cmd("%o -delete", sp);
    VX_cmd("%o -delete", b);
}

TEST_F(Command, CreationWithOneOptionWordQueriesIt) {
    VX_Buffer* b = nullptr;
    int limit = 0;
    ASSERT_EQ(VX_cmd("VX_Buffer -limit", &b, &limit), VX_OK);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(limit, 0x3fffffff);
    VX_cmd("%o -delete", b);
}

TEST_F(Command, NegativeNumbersAreValuesNotOptions) {
    VX_Soundpipe* sp = nullptr;
    VX_cmd("VX_Soundpipe -bl 64", &sp);
    VX_Buffer* b = nullptr;
    int length = 0;
    ASSERT_EQ(VX_cmd("VX_Buffer -l 5 -l -1 -l", &b, &length), VX_OK);
    EXPECT_EQ(b->requested, -1);
    EXPECT_EQ(length, 64);
    EXPECT_EQ(b->followed, sp);
    VX_cmd("%o -delete", b);
    VX_cmd("%o -delete", sp);
}

TEST_F(Command, NullReferences) {
    EXPECT_EQ(VX_cmd("%o -delete", nullptr), VX_OK);
    EXPECT_EQ(VX_cmd("VX_Buffer %o -delete", nullptr), VX_OK);
    // Anything but "-delete" on a null object is refused rather than crashing.
    std::string out =
        stdoutOf([] { EXPECT_EQ(VX_cmd("VX_Buffer %o -l 5", nullptr), VX_ERROR_PARAM_REQUIRED); });
    EXPECT_EQ(out, "tqrun: VX_Buffer %o -l 5\ntqrun: param 'l 5' given no object\n");
}

// Once a handler has deleted the command's object the command stops: nothing after it may touch
// the freed object, and deleting twice is refused. The interpreter says whether the command it
// ran last deleted its object.
TEST_F(Command, AnObjectDeletedMidCommandStopsTheCommand) {
    VX_Buffer* b = nullptr;
    std::string out =
        stdoutOf([&] { EXPECT_EQ(VX_cmd("VX_Buffer -delete -l 5", &b), VX_ERROR_PARAM_REQUIRED); });
    EXPECT_EQ(out, "tqrun: VX_Buffer -delete -l 5\ntqrun: object deleted before 'l 5'\n");
    EXPECT_TRUE(VX_cmd_deleted_its_object());

    VX_cmd("VX_Buffer", &b);
    out =
        stdoutOf([&] { EXPECT_EQ(VX_cmd("%o -l 8 -delete -delete", b), VX_ERROR_PARAM_REQUIRED); });
    EXPECT_EQ(out, "tqrun: %o -l 8 -delete -delete\ntqrun: object deleted before 'delete'\n");
    EXPECT_TRUE(VX_cmd_deleted_its_object());

    // With result text: the reference of the object made, then nothing more.
    char text[64];
    int capacity = sizeof text;
    stdoutOf([&] {
        EXPECT_EQ(VX_cmd_text(text, &capacity, "VX_Buffer -delete -l"), VX_ERROR_PARAM_REQUIRED);
    });
    EXPECT_EQ(std::strncmp(text, "0x", 2), 0);

    // "-delete" at the end completes the command; commands that delete nothing say so.
    VX_cmd("VX_Buffer", &b);
    int length = 0;
    EXPECT_EQ(VX_cmd("%o -l 4 -l", b, &length), VX_OK);
    EXPECT_EQ(length, 4);
    EXPECT_FALSE(VX_cmd_deleted_its_object());
    EXPECT_EQ(VX_cmd("%o -l 4 -delete", b), VX_OK);
    EXPECT_TRUE(VX_cmd_deleted_its_object());
    EXPECT_EQ(VX_cmd("%o -delete", nullptr), VX_OK);
    EXPECT_FALSE(VX_cmd_deleted_its_object());
}

TEST_F(Command, UnknownCommandMessage) {
    VX_error e = VX_OK;
    std::string out = stdoutOf([&] { e = VX_cmd("VX_Bufer -l 5"); });
    EXPECT_EQ(e, VX_ERROR_COMMAND_NOT_FOUND);
    EXPECT_STREQ(e, "Command not found");
    EXPECT_EQ(out, "tqrun: command 'VX_Bufer -l 5' not found\n");
    // Numbers and reference literals are not class names.
    out = stdoutOf([&] { e = VX_cmd("0x10 -delete"); });
    EXPECT_EQ(e, VX_ERROR_COMMAND_NOT_FOUND);
    EXPECT_EQ(out, "tqrun: command '0x10 -delete' not found\n");
    // A class name is matched as a whole word.
    out = stdoutOf([&] { e = VX_cmd("VX_Buffers"); });
    EXPECT_EQ(e, VX_ERROR_COMMAND_NOT_FOUND);
}

TEST_F(Command, UnknownParamMessageAndWhatStays) {
    VX_Buffer* b = nullptr;
    VX_error e = VX_OK;
    std::string out = stdoutOf([&] { e = VX_cmd("VX_Buffer -l 9 -bl 512 -limit 3", &b); });
    EXPECT_EQ(e, VX_ERROR_COMMAND_NOT_PARAM);
    EXPECT_STREQ(e, "Param not found");
    EXPECT_EQ(out,
              "tqrun: VX_Buffer -l 9 -bl 512 -limit 3\ntqrun: param 'bl 512 -limit 3' not found\n");
    // What was done before the error stays done; what follows is not.
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->count, 9);
    EXPECT_EQ(b->limit, 0x3fffffff);
    // An option of an unrelated class is not found along this chain.
    out = stdoutOf([&] { e = VX_cmd("%o -on 1", b); });
    EXPECT_EQ(e, VX_ERROR_COMMAND_NOT_PARAM);
    EXPECT_EQ(out, "tqrun: %o -on 1\ntqrun: param 'on 1' not found\n");
    VX_cmd("%o -delete", b);
}

TEST_F(Command, OptionNamesAreWholeWords) {
    VX_Soundpipe* sp = nullptr;
    int b = -1, bl = -1;
    ASSERT_EQ(VX_cmd("VX_Soundpipe -bl 33 -b -bl", &sp, &b, &bl), VX_OK);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(bl, 33);
    VX_error e = VX_OK;
    stdoutOf([&] { e = VX_cmd("%o -blx", sp); });
    EXPECT_EQ(e, VX_ERROR_COMMAND_NOT_PARAM);
    VX_cmd("%o -delete", sp);
}

TEST_F(Command, ResultTextAndItsCapacity) {
    VX_Soundpipe* sp = nullptr;
    VX_cmd("VX_Soundpipe -bl 16", &sp);
    char buf[64];
    int cap = sizeof buf;
    ASSERT_EQ(VX_cmd_text(buf, &cap, "VX_Buffer -t %o -l 12 -l -limit 2.5 -limit -t", "hello"),
              VX_OK);
    // The created object first, then each query's report, separated by single spaces.
    std::string text(buf);
    EXPECT_EQ(cap, static_cast<int>(text.size()));
    ASSERT_EQ(text.rfind("0x", 0), 0u);
    std::string rest = text.substr(text.find(' ') + 1);
    EXPECT_EQ(rest, "12 2 hello");
    VX_Buffer* b = reinterpret_cast<VX_Buffer*>(std::stoull(text.substr(2), nullptr, 16));
    EXPECT_EQ(b->count, 12);

    // Exactly the capacity fits (without a terminating zero); one byte less does not, and
    // nothing is written past the capacity.
    const char* query = "%o -l -limit";
    char exact[32];
    int need = sizeof exact;
    ASSERT_EQ(VX_cmd_text(exact, &need, query, b), VX_OK);
    EXPECT_STREQ(exact, "12 2");
    EXPECT_EQ(need, 4);
    char small[8];
    std::memset(small, 'x', sizeof small);
    int cap4 = 4;
    EXPECT_EQ(VX_cmd_text(small, &cap4, query, b), VX_OK);
    EXPECT_EQ(std::string(small, 4), "12 2");
    std::memset(small, 'x', sizeof small);
    int cap3 = 3;
    EXPECT_EQ(VX_cmd_text(small, &cap3, query, b), VX_ERROR_COMMAND_NOT_SPACE);
    EXPECT_STREQ(VX_ERROR_COMMAND_NOT_SPACE, "Not enough space for command result");
    EXPECT_EQ(cap3, 3); // not replaced on failure
    EXPECT_EQ(std::string(small, 3), "12 ");
    EXPECT_EQ(small[3], 'x');

    // Floats are written with "%f"; a reference with every digit of the pointer.
    // A reference is written with every hexadecimal digit of the pointer.
    VX_Effect* node = nullptr;
    VX_cmd("VX_Effect_Zero", &node);
    char f[64];
    int fcap = sizeof f;
    VX_cmd_text(f, &fcap, "VX_Soundpipe %o -be %o -be", sp, node);
    char expected[64];
    std::snprintf(expected,
                  sizeof expected,
                  "0x%llX",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(node)));
    EXPECT_STREQ(f, expected);
    // Only a node of the soundpipe's own chain is taken as its insertion point.
    fcap = sizeof f;
    VX_cmd_text(f, &fcap, "VX_Soundpipe %o -be 0x00A57BBD -be 5 -be", sp);
    EXPECT_STREQ(f, expected);
    VX_cmd("%o -delete", node);
    EXPECT_EQ(sp->insertionPoint, nullptr);

    VX_cmd("%o -delete", b);
    VX_cmd("%o -delete", sp);
}

TEST_F(Command, WordsHandedToHandlersAreTerminatedAndLasting) {
    // The text itself is never written: commands are string constants in read-only memory.
    static const char inner[] = "VX_Buffer -t Filter -l 3";
    static const char last[] = "VX_Buffer -l 3 -t Filter";
    VX_Buffer* a = nullptr;
    VX_Buffer* b = nullptr;
    ASSERT_EQ(VX_cmd(inner, &a), VX_OK);
    ASSERT_EQ(VX_cmd(last, &b), VX_OK);
    EXPECT_STREQ(a->title, "Filter");
    EXPECT_STREQ(b->title, "Filter");
    // A word that ends the text is the text's own; one inside it is a lasting copy.
    EXPECT_EQ(b->title, last + std::strlen(last) - 6);
    EXPECT_TRUE(a->title < inner || a->title >= inner + sizeof inner);
    EXPECT_STREQ(inner, "VX_Buffer -t Filter -l 3");
    // Equal words share one copy, so repeated commands do not grow the pool.
    VX_Buffer* c = nullptr;
    VX_cmd(inner, &c);
    EXPECT_EQ(c->title, a->title);
    for (VX_Buffer* x : {a, b, c}) VX_cmd("%o -delete", x);
}

TEST_F(Command, DirectivesAtTheEdges) {
    VX_Buffer* b = nullptr;
    int limit = 0;
    // "%" at the end yields nothing: the option runs as a query.
    ASSERT_EQ(VX_cmd("VX_Buffer -limit %", &b, &limit), VX_OK);
    EXPECT_EQ(limit, 0x3fffffff);
    // An unknown directive letter consumes no argument and yields nothing.
    int after = 0;
    ASSERT_EQ(VX_cmd("%o -limit %q -limit %i -limit", b, &limit, 17, &after), VX_OK);
    EXPECT_EQ(after, 17);
    VX_cmd("%o -delete", b);
}

TEST_F(Command, AbstractClassesCannotBeCreated) {
    VX_error e = VX_OK;
    std::string out = stdoutOf([&] { e = VX_cmd("VX_Effect -on 1"); });
    EXPECT_EQ(e, VX_ERROR_COMMAND_NOT_FOUND);
    EXPECT_EQ(out, "tqrun: command 'VX_Effect -on 1' cannot create an object\n");
    out = stdoutOf([&] { e = VX_cmd("VX_Object"); });
    EXPECT_EQ(e, VX_ERROR_COMMAND_NOT_FOUND);
}

TEST(Registry, LookupFollowsTheParentChain) {
    EXPECT_EQ(VX_find_class("VX_Buffer -l 5"), VX_Buffer_options);
    EXPECT_EQ(VX_find_class("VX_Buf"), nullptr);
    EXPECT_STREQ(VX_class_name(VX_Effect_options), "VX_Effect");
    // Own options first: the buffer's "-delete" shadows the root's.
    EXPECT_EQ(VX_find_option(VX_Buffer_options, "delete"), VX_Buffer_options[4].handler.option);
    EXPECT_EQ(VX_find_option(VX_Soundpipe_options, "delete"), VX_Object_options[1].handler.option);
    EXPECT_EQ(VX_find_option(VX_Soundpipe_options, "l"), nullptr);
    // The creation entries are never matched by name.
    EXPECT_EQ(VX_find_option(VX_Buffer_options, ""), nullptr);
    // Every class name is unique and every table ends in the root's.
    for (const VX_Class_Entry* c = _VX; c->name; ++c) {
        EXPECT_EQ(VX_find_class(c->name), c->options) << c->name;
        const VX_Option_Entry* t = c->options;
        for (;;) {
            const VX_Option_Entry* e = t + 1;
            while (e->name) ++e;
            if (!e->handler.parent) break;
            t = e->handler.parent;
        }
        EXPECT_EQ(t, VX_Object_options) << c->name;
    }
}

TEST(Registry, WordComparison) {
    EXPECT_TRUE(VX_word_equal("bl", "bl"));
    EXPECT_TRUE(VX_word_equal("bl", "bl 512"));
    EXPECT_TRUE(VX_word_equal("bl 512", "bl"));
    EXPECT_FALSE(VX_word_equal("b", "bl"));
    EXPECT_FALSE(VX_word_equal("bl", "b"));
    EXPECT_FALSE(VX_word_equal("Bl", "bl"));
    EXPECT_TRUE(VX_word_equal("", " x"));
}

} // namespace
