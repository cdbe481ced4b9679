// The lexer's automaton: every final state, and the words at its edges.

// The interpreter's private lexer, tested directly.
#include "VX/VX_lexer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

struct Case {
    const char* text;
    int state;
    int type;
};

TEST(Lexer, EveryFinalStateAndItsConversion) {
    const Case cases[] = {
        {"512", 5, VX_TYPE_INT},
        {"0", 5, VX_TYPE_INT},
        {"007", 5, VX_TYPE_INT},
        {"-1", 6, VX_TYPE_INT},
        {"+3", 6, VX_TYPE_INT},
        {"-0", 6, VX_TYPE_INT},
        {".618", 7, VX_TYPE_FLOAT},
        {"1.", 7, VX_TYPE_FLOAT},
        {"0.5", 7, VX_TYPE_FLOAT},
        {"1e5", 7, VX_TYPE_FLOAT},
        {"-2.5E+2", 7, VX_TYPE_FLOAT},
        {"+.25e-1", 7, VX_TYPE_FLOAT},
        {"0x00A57BBD", 4, VX_TYPE_OBJECT},
        {"0XfF", 4, VX_TYPE_OBJECT},
        {"Tahoma", 11, VX_TYPE_STRING},
        {"-delete", 11, VX_TYPE_STRING},
        {"0x", 11, VX_TYPE_STRING},
        {"1e", 11, VX_TYPE_STRING},
        {"-", 11, VX_TYPE_STRING},
        {"", 11, VX_TYPE_STRING},
        {"1e5x", 11, VX_TYPE_STRING},
        {"00x1", 11, VX_TYPE_STRING},
        {"-0x1", 11, VX_TYPE_STRING},
        {"1.2.3", 11, VX_TYPE_STRING},
        {"e5", 11, VX_TYPE_STRING},
        {"+-1", 11, VX_TYPE_STRING},
        {"0x1.5", 11, VX_TYPE_STRING},
        {"\xc3\xa9", 11, VX_TYPE_STRING},
        {"1e+", 11, VX_TYPE_STRING},
    };
    for (const Case& c : cases) {
        VX_Word w = VX_lex(c.text);
        EXPECT_EQ(w.state, c.state) << c.text;
        EXPECT_EQ(w.value.type, c.type) << c.text;
        EXPECT_EQ(w.end, c.text + std::strlen(c.text)) << c.text;
    }
}

TEST(Lexer, ValuesOfNumbersAndReferences) {
    EXPECT_EQ(VX_lex("512").value.value.i, 512);
    EXPECT_EQ(VX_lex("007").value.value.i, 7);
    EXPECT_EQ(VX_lex("-1").value.value.i, -1);
    EXPECT_EQ(VX_lex("+3").value.value.i, 3);
    EXPECT_EQ(VX_lex("4294967295").value.value.i, -1); // low 32 bits
    EXPECT_EQ(VX_lex("-2147483648").value.value.i, INT32_MIN);
    EXPECT_FLOAT_EQ(VX_lex(".618").value.value.f, 0.618f);
    EXPECT_EQ(VX_lex(".618").value.value.f, 0.618f); // rounded once, as a float literal is
    EXPECT_EQ(VX_lex("1.").value.value.f, 1.0f);
    EXPECT_EQ(VX_lex("-2.5E+2").value.value.f, -250.0f);
    EXPECT_EQ(VX_lex("+.25e-1").value.value.f, 0.025f);
    EXPECT_EQ(VX_lex("0x00A57BBD").value.value.raw, 0x00A57BBDu);
    EXPECT_EQ(VX_lex("0XfF").value.value.raw, 0xFFu);
    const char* s = "Tahoma";
    EXPECT_EQ(VX_lex(s).value.value.s, s);
}

TEST(Lexer, StopsAtTheFirstSpace) {
    const char* text = "-bl 512";
    VX_Word w = VX_lex(text);
    EXPECT_EQ(w.value.type, VX_TYPE_STRING);
    EXPECT_EQ(w.end, text + 3);
    VX_Word n = VX_lex(w.end + 1);
    EXPECT_EQ(n.value.value.i, 512);
}

TEST(Lexer, FloatsIgnoreTheCLocale) {
    // Hosts may switch the C locale to one with a decimal comma; the commands' numbers stay
    // read with a point.
    EXPECT_EQ(VX_lex("1000.5").value.value.f, 1000.5f);
    EXPECT_EQ(VX_lex("1e39").value.value.f, HUGE_VALF);
    EXPECT_EQ(VX_lex("-1e39").value.value.f, -HUGE_VALF);
    EXPECT_EQ(VX_lex("1e-60").value.value.f, 0.0f);
}

} // namespace
