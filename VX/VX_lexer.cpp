#include "VX/VX_lexer.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Character classes: sign, zero, digit 1-9, point, exponent letter, x, other hex letter,
// separator (space or end of text), other.
enum Class { S, Z, D, P, E, X, H, T, O, classCount };

constexpr unsigned char classOf(unsigned char c) {
    switch (c) {
    case '+':
    case '-':
        return S;
    case '0':
        return Z;
    case '.':
        return P;
    case 'e':
    case 'E':
        return E;
    case 'x':
    case 'X':
        return X;
    case ' ':
    case '\0':
        return T;
    default:
        break;
    }
    if (c >= '1' && c <= '9') return D;
    if ((c >= 'a' && c <= 'd') || c == 'f' || (c >= 'A' && c <= 'D') || c == 'F') return H;
    return O; // also every character outside 7-bit ASCII
}

struct ClassTable {
    unsigned char of[256];
    constexpr ClassTable() : of{} {
        for (int c = 0; c < 256; ++c) of[c] = classOf(static_cast<unsigned char>(c));
    }
};
// Built at compile time rather than at first use: the same table, and no race between threads.
constexpr ClassTable classes;

constexpr int stringState = 11;

// Rows are states 0..11, columns the classes; the separator's column gives the final state.
// clang-format off
constexpr unsigned char transitions[12][classCount] = {
    //  S   Z   D   P   E   X   H   T   O
    {   1,  2,  5,  7, 11, 11, 11, 11, 11}, //  0 start
    {  11,  6,  6,  7, 11, 11, 11, 11, 11}, //  1 after a sign
    {  11,  5,  5,  7,  8,  3, 11,  5, 11}, //  2 leading zero
    {  11,  4,  4, 11,  4, 11,  4, 11, 11}, //  3 after "0x"
    {  11,  4,  4, 11,  4, 11,  4,  4, 11}, //  4 hex digits
    {  11,  5,  5,  7,  8, 11, 11,  5, 11}, //  5 unsigned integer
    {  11,  6,  6,  7,  8, 11, 11,  6, 11}, //  6 signed integer
    {  11,  7,  7, 11,  8, 11, 11,  7, 11}, //  7 fraction
    {   9, 10, 10, 11, 11, 11, 11, 11, 11}, //  8 after exponent letter
    {  11, 10, 10, 11, 11, 11, 11, 11, 11}, //  9 exponent sign
    {  11, 10, 10, 11, 11, 11, 11,  7, 11}, // 10 exponent digits
    {  11, 11, 11, 11, 11, 11, 11, 11, 11}, // 11 string
};
// clang-format on

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// Integers keep their low 32 bits, references their low pointer-sized bits, as a plain
// unsigned accumulation does.
uint32_t readDecimal(const char* p, const char* end) {
    uint32_t v = 0;
    for (; p < end; ++p) v = v * 10u + static_cast<uint32_t>(*p - '0');
    return v;
}

float readFloat(const char* p, const char* end) {
    // Locale-independent: a host may have switched the C locale to a decimal comma.
    if (p < end && *p == '+') ++p;
    float f = 0.0f;
    auto [ptr, ec] = std::from_chars(p, end, f);
    if (ec == std::errc::result_out_of_range) {
        // As strtof does: overflow gives infinity, underflow zero, each with the sign.
        bool negative = *p == '-';
        const char* q = negative ? p + 1 : p;
        bool tiny = true;
        for (; q < end && *q != 'e' && *q != 'E'; ++q)
            if (*q >= '1' && *q <= '9') tiny = false;
        // A mantissa with a nonzero digit overflowed only if its exponent is positive.
        bool positiveExp = true;
        for (const char* r = p; r < end; ++r)
            if ((*r == 'e' || *r == 'E') && r + 1 < end && r[1] == '-') positiveExp = false;
        f = (!tiny && positiveExp) ? std::numeric_limits<float>::infinity() : 0.0f;
        if (negative) f = -f;
    }
    (void)ptr;
    return f;
}

} // namespace

VX_Word VX_lex(const char* text) {
    int state = 0;
    const char* p = text;
    for (;;) {
        unsigned char cls = classes.of[static_cast<unsigned char>(*p)];
        state = transitions[state][cls];
        if (cls == T) break;
        ++p;
    }
    VX_Word w{VX_value(), text, p, state};
    switch (state) {
    case 4: {
        uintptr_t v = 0;
        for (const char* q = text + 2; q < p; ++q)
            v = (v << 4) | static_cast<unsigned>(hexDigit(*q));
        VX_bits b{.raw = v};
        w.value = VX_value(b, VX_TYPE_OBJECT);
        break;
    }
    case 5:
        w.value = VX_value::integer(static_cast<int32_t>(readDecimal(text, p)));
        break;
    case 6: {
        uint32_t magnitude = readDecimal(text + 1, p);
        w.value =
            VX_value::integer(static_cast<int32_t>(*text == '-' ? 0u - magnitude : magnitude));
        break;
    }
    case 7:
        w.value = VX_value::real(readFloat(text, p));
        break;
    default:
        w.state = stringState;
        w.value = VX_value::string(text);
        break;
    }
    return w;
}
