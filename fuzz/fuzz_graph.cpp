// Fuzzes the signal graph: a soundpipe, a few buffers, nodes of the classes in graph_nodes.cpp
// made and configured by commands with random options (buffer options only ever name real
// buffers), run for several blocks of random lengths while nodes are switched, reconfigured,
// moved and deleted, then everything is deleted again.
#include "command_builder.h"
#include "graph_nodes.h"

#include "VX/VX.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace {

struct Graph {
    VX_Soundpipe* soundpipe = nullptr;
    int32_t blockLength = 0;
    std::vector<VX_Buffer*> buffers;
    std::vector<VX_Effect*> nodes;
    std::vector<void*> handles; // references reported by Make options
};

double fuzzNumber(ByteSource& in, double low, double high) {
    static const double extremes[] = {0.0,
                                      -0.0,
                                      1.0,
                                      -1.0,
                                      0.5,
                                      127.0,
                                      -127.0,
                                      2147483647.0,
                                      -2147483648.0,
                                      1e30,
                                      -1e30,
                                      std::numeric_limits<double>::infinity(),
                                      std::numeric_limits<double>::quiet_NaN()};
    if (in.below(6) == 0) return extremes[in.below(std::size(extremes))];
    return low + (high - low) * (in.below(65536) / 65535.0);
}

// Sets one number through an integer or a float argument.
void setNumber(ByteSource& in, const std::string& prefix, void* target, double value) {
    const bool asInteger = in.byte() & 1;
    if (asInteger) {
        const double clamped =
            std::isnan(value) ? 0 : std::fmax(-2147483648.0, std::fmin(value, 2147483647.0));
        VX_cmd((prefix + " %i").c_str(), target, static_cast<int>(clamped));
    } else {
        VX_cmd((prefix + " %f").c_str(), target, value);
    }
}

const char* fuzzWord(ByteSource& in, const char* const* words) {
    size_t count = 0;
    while (words[count]) ++count;
    if (in.below(8) == 0) return "sideways";
    return words[in.below(static_cast<uint32_t>(count))];
}

VX_Buffer* someBuffer(ByteSource& in, Graph& g) {
    return g.buffers[in.below(static_cast<uint32_t>(g.buffers.size()))];
}

void configure(ByteSource& in, Graph& g, VX_Effect* node, const GraphNodeClass& cls) {
    const GraphOption& o = cls.options[in.below(static_cast<uint32_t>(cls.optionCount))];
    const std::string prefix = std::string(cls.name) + " %o -" + o.name;
    switch (o.kind) {
    case GraphOptionKind::Buffer:
        VX_cmd((prefix + " %o").c_str(), node, someBuffer(in, g));
        break;
    case GraphOptionKind::Number:
        setNumber(in, prefix, node, fuzzNumber(in, o.low, o.high));
        break;
    case GraphOptionKind::Word:
        VX_cmd((prefix + " %s").c_str(), node, fuzzWord(in, o.words));
        break;
    case GraphOptionKind::Query:
    case GraphOptionKind::Make: {
        void* report = nullptr;
        VX_cmd(prefix.c_str(), node, &report);
        if (o.kind == GraphOptionKind::Make && report) g.handles.push_back(report);
        break;
    }
    case GraphOptionKind::Handle:
        if (!g.handles.empty())
            VX_cmd((prefix + " %o").c_str(),
                   node,
                   g.handles[in.below(static_cast<uint32_t>(g.handles.size()))]);
        break;
    }
}

// The options every node has.
void configureBase(ByteSource& in, Graph& g, VX_Effect* node) {
    static const char* const modes[] = {"set", "add", "sub", "stn", "adn", "sbn", nullptr};
    switch (in.below(5)) {
    case 0:
        VX_cmd("VX_Effect %o -mode %s", node, fuzzWord(in, modes));
        break;
    case 1: {
        static const int clocks[] = {44100, 48000, 96000, 8000, 1, 0, -44100, 2147483647};
        setNumber(in, "VX_Effect %o -clock", node, clocks[in.below(std::size(clocks))]);
        break;
    }
    case 2:
        VX_cmd("VX_Effect %o -on %i", node, static_cast<int>(in.below(2)));
        break;
    case 3:
        VX_cmd("VX_Effect %o -debug %i", node, static_cast<int>(in.below(2)));
        break;
    default:
        if (!g.nodes.empty())
            VX_cmd("VX_Effect %o -before %o",
                   node,
                   g.nodes[in.below(static_cast<uint32_t>(g.nodes.size()))]);
        break;
    }
}

const GraphNodeClass* classOf(VX_Effect* node) {
    const char* name = VX_class_name(node->vxClass);
    for (size_t i = 0; i < graphNodeClassCount; ++i)
        if (name && std::string(name) == graphNodeClasses[i].name) return &graphNodeClasses[i];
    return nullptr;
}

void makeNode(ByteSource& in, Graph& g) {
    const GraphNodeClass& cls =
        graphNodeClasses[in.below(static_cast<uint32_t>(graphNodeClassCount))];
    VX_Effect* node = nullptr;
    VX_cmd(cls.name, &node);
    if (!node) return;
    g.nodes.push_back(node);
    for (uint32_t n = in.below(8); n > 0; --n) configure(in, g, node, cls);
    for (uint32_t n = in.below(4); n > 0; --n) configureBase(in, g, node);
}

void fillInputs(ByteSource& in, Graph& g) {
    uint32_t seed = in.int32() | 1u;
    for (VX_Buffer* b : g.buffers)
        for (int32_t k = 0; k < 2 * b->count; ++k) {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            b->main[k] = static_cast<int32_t>(seed) >> (seed & 7);
        }
}

// Something the user interface might do between two blocks.
void betweenBlocks(ByteSource& in, Graph& g) {
    switch (in.below(8)) {
    case 0:
    case 1:
        if (!g.nodes.empty()) {
            VX_Effect* node = g.nodes[in.below(static_cast<uint32_t>(g.nodes.size()))];
            VX_cmd("VX_Effect %o -on %i", node, node->requestedOn ? 0 : 1);
        }
        break;
    case 2:
        if (!g.nodes.empty()) {
            const size_t i = in.below(static_cast<uint32_t>(g.nodes.size()));
            VX_cmd("%o -delete", g.nodes[i]);
            g.nodes.erase(g.nodes.begin() + static_cast<long>(i));
        }
        break;
    case 3:
        if (!g.nodes.empty()) {
            VX_Effect* node = g.nodes[in.below(static_cast<uint32_t>(g.nodes.size()))];
            if (const GraphNodeClass* cls = classOf(node)) configure(in, g, node, *cls);
            configureBase(in, g, node);
        }
        break;
    case 4:
        makeNode(in, g);
        break;
    case 5: {
        // A buffer sized again: to follow the block length, or to a length of its own.
        const int32_t lengths[] = {-1, 0, 1, g.blockLength, static_cast<int32_t>(in.below(4097))};
        VX_cmd("%o -l %i", someBuffer(in, g), lengths[in.below(std::size(lengths))]);
        break;
    }
    case 6:
        fillInputs(in, g);
        break;
    default:
        if (!g.nodes.empty() && in.below(2))
            VX_cmd(
                "%o -be %o", g.soundpipe, g.nodes[in.below(static_cast<uint32_t>(g.nodes.size()))]);
        else
            VX_cmd("%o -be %o", g.soundpipe, nullptr);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzSilenceMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteSource in(data, size);
    Graph g;
    // The block length comes first: buffers that follow it are sized when they are made.
    g.blockLength = 1 + static_cast<int32_t>(in.below(4096));
    VX_cmd("VX_Soundpipe -bl %i", &g.soundpipe, g.blockLength);
    for (uint32_t n = 1 + in.below(4); n > 0; --n) {
        VX_Buffer* b = nullptr;
        if (in.below(3) == 0)
            VX_cmd("VX_Buffer -l %i", &b, static_cast<int>(in.below(4097)));
        else
            VX_cmd("VX_Buffer", &b);
        g.buffers.push_back(b);
    }
    fillInputs(in, g);
    for (uint32_t n = in.below(9); n > 0; --n) {
        makeNode(in, g);
        if (in.below(4) == 0) betweenBlocks(in, g);
    }

    for (uint32_t round = 1 + in.below(16); round > 0 && !in.empty(); --round) {
        // Mostly at or below the length the buffers were made for; now and then beyond it.
        const uint32_t choice = in.below(16);
        g.soundpipe->blockLength =
            choice == 0   ? g.blockLength + static_cast<int32_t>(in.below(5000))
            : choice == 1 ? -static_cast<int32_t>(in.below(3))
                          : static_cast<int32_t>(in.below(g.blockLength + 1));
        g.soundpipe->process();
        for (uint32_t n = in.below(3); n > 0; --n) betweenBlocks(in, g);
    }

    for (auto it = g.nodes.rbegin(); it != g.nodes.rend(); ++it) VX_cmd("%o -delete", *it);
    for (VX_Buffer* b : g.buffers) VX_cmd("%o -delete", b);
    VX_cmd("%o -delete", g.soundpipe);
    VX_Soundpipe::current = nullptr;
    return 0;
}
