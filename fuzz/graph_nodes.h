// What the graph fuzzer knows about each node class: the options that take buffers, numbers
// or words. Options every node has (mode, clock, on, debug, before) are the fuzzer's own.
// A node class joins the fuzzing by a row in graphNodeClasses (graph_nodes.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

enum class GraphOptionKind {
    Buffer, // an object reference, only ever one of the graph's real buffers
    Number, // an integer or a float, mostly within [low, high], now and then an extreme
    Word,   // one of `words`, now and then a word that is not among them
    Query,  // the option without a value (some options act on it, e.g. make a part)
    Make,   // the same, keeping the reference it reports for Handle options
    Handle, // a reference some Make option reported (of any node, perhaps deleted since)
};

struct GraphOption {
    const char* name; // without the "-"
    GraphOptionKind kind;
    double low = 0, high = 0;           // Number
    const char* const* words = nullptr; // Word: null-terminated list
};

struct GraphNodeClass {
    const char* name;
    const GraphOption* options;
    size_t optionCount;
};

extern const GraphNodeClass graphNodeClasses[];
extern const size_t graphNodeClassCount;
