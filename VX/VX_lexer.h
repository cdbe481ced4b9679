// The command language's lexer: a finite automaton over character classes that reads one word
// and converts it by the state it ends in.
#pragma once

#include "VX/VX_value.h"

struct VX_Word {
    VX_value value;    // type 2 integer, 3 float, 4 string (pointer to the word) or 5 reference
    const char* begin; // first character of the word
    const char* end;   // the separator after it: a space or the terminating zero
    int state;         // final state of the automaton: 4, 5, 6, 7 or 11
};

// Reads the word that starts at `text`.
VX_Word VX_lex(const char* text);
