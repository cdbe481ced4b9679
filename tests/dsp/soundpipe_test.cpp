// The soundpipe's processing order, the buffers with their crossfade, and the effect base's
// options and per-block calls, watched through a probe node.
#include "support/capture.h"
#include "support/signal.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Records what the soundpipe asks of it; optionally fills the array it gets for its buffer.
class Probe : public VX_Effect {
public:
    explicit Probe(std::vector<std::string>* log = nullptr, const char* name = "")
        : log(log), name(name) {}
    void process() override {
        ++processed;
        transitions.push_back(transition());
        if (log) log->push_back(name);
        if (throws) throw std::runtime_error("node failed");
        if (!buffer) return;
        int32_t* a = access(buffer);
        arrays.push_back(a);
        const int32_t n = lengthOf(buffer);
        if (fill) std::fill(a, a + n, *fill);
        seen.assign(a, a + n);
    }
    void prepare() override {
        ++prepares;
        if (!refusePrepare) prepared = true;
    }
    void clockChanged() override { ++clockChanges; }
    void reset() override { ++resets; }

    std::vector<std::string>* log;
    const char* name;
    VX_Buffer* buffer = nullptr;
    const int32_t* fill = nullptr;
    bool throws = false;
    bool refusePrepare = false;
    int processed = 0, prepares = 0, clockChanges = 0, resets = 0;
    std::vector<int> transitions;
    std::vector<int32_t*> arrays;
    std::vector<int32_t> seen;
};

class Soundpipe : public testing::Test {
protected:
    void SetUp() override { VX_cmd("VX_Soundpipe -bl %i", &sp, 4); }
    void TearDown() override {
        for (auto it = made.rbegin(); it != made.rend(); ++it) delete *it;
        VX_cmd("%o -delete", sp);
        VX_Soundpipe::current = nullptr;
    }
    template <typename T> T* keep(T* o) {
        made.push_back(o);
        return o;
    }
    VX_Buffer* buffer() {
        VX_Buffer* b = nullptr;
        VX_cmd("VX_Buffer", &b);
        return keep(b);
    }
    void set(VX_Effect* e, const char* option, int value) {
        std::string cmd = std::string("VX_Effect %o -") + option + " %i";
        VX_cmd(cmd.c_str(), e, value);
    }

    VX_Soundpipe* sp = nullptr;
    std::vector<VX_Object*> made;
};

TEST_F(Soundpipe, RunsNodesInChainOrderAndInsertsBeforeTheInsertionPoint) {
    std::vector<std::string> log;
    Probe* a = keep(new Probe(&log, "a"));
    Probe* b = keep(new Probe(&log, "b"));
    VX_Effect* point = nullptr;
    VX_cmd("%o -be %o -be", sp, b, &point);
    EXPECT_EQ(point, b);
    keep(new Probe(&log, "c"));
    keep(new Probe(&log, "d"));
    VX_cmd("%o -be %o", sp, nullptr);
    keep(new Probe(&log, "e"));
    sp->process();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "c", "d", "b", "e"}));

    // "-before" moves a node within the current soundpipe's chain and reports what follows.
    VX_Effect* next = nullptr;
    VX_cmd("VX_Effect %o -before %o -before", b, a, &next);
    EXPECT_EQ(next, a);
    log.clear();
    sp->process();
    EXPECT_EQ(log, (std::vector<std::string>{"b", "a", "c", "d", "e"}));

    // A deleted insertion point is forgotten: later nodes go to the end.
    VX_cmd("%o -be %o", sp, a);
    made.erase(std::find(made.begin(), made.end(), a));
    VX_cmd("VX_Effect %o -delete", a);
    EXPECT_EQ(sp->insertionPoint, nullptr);
    keep(new Probe(&log, "f"));
    log.clear();
    sp->process();
    EXPECT_EQ(log, (std::vector<std::string>{"b", "c", "d", "e", "f"}));
}

TEST_F(Soundpipe, MembershipFollowsTheCurrentSoundpipe) {
    int result = -1;
    VX_cmd("%o -e", sp, &result);
    EXPECT_EQ(result, 1);
    VX_cmd("%o -e", sp, &result); // not current: reports 0, changes nothing
    EXPECT_EQ(result, 0);
    Probe* orphan = keep(new Probe());
    EXPECT_EQ(orphan->soundpipe, nullptr);
    VX_Buffer* loose = buffer();
    EXPECT_EQ(loose->length(), 0);
    EXPECT_EQ(loose->main, nullptr);
    VX_cmd("%o -b", sp, &result);
    EXPECT_EQ(result, 1);
    VX_cmd("%o -b", sp, &result); // already current
    EXPECT_EQ(result, 0);
    sp->process();
    EXPECT_EQ(orphan->processed, 0);

    // "-before" takes a node that is in no chain into the current one; a node of another
    // soundpipe is left where it is.
    Probe* member = keep(new Probe());
    VX_cmd("VX_Effect %o -before %o", orphan, member);
    EXPECT_EQ(orphan->soundpipe, sp);
    VX_Soundpipe* other = nullptr;
    VX_cmd("VX_Soundpipe", &other);
    Probe* stranger = new Probe();
    VX_cmd("%o -b", sp, nullptr); // nothing: "other" is current now
    EXPECT_EQ(VX_Soundpipe::current, other);
    VX_cmd("%o -e", other, nullptr);
    VX_cmd("%o -b", sp, nullptr);
    VX_cmd("VX_Effect %o -before %o", stranger, member);
    EXPECT_EQ(stranger->item.chain, &other->nodes);
    // The soundpipe's destructor lets go of its members; they outlive it safely.
    VX_cmd("%o -delete", other);
    EXPECT_EQ(stranger->soundpipe, nullptr);
    delete stranger;
}

TEST_F(Soundpipe, EmptyChainOnlyResetsCrossfadeStates) {
    VX_Buffer* b = buffer();
    b->fadeState = 1;
    b->main[0] = 42;
    EXPECT_EQ(sp->process(), 0);
    EXPECT_EQ(b->fadeState, 0);
    EXPECT_EQ(b->main[0], 42);
}

TEST_F(Soundpipe, NodeSwitchedOffRunsOneLastBlockThenResets) {
    Probe* p = keep(new Probe());
    sp->process();
    set(p, "on", 0);
    sp->process();
    EXPECT_EQ(p->resets, 1);
    EXPECT_FALSE(p->on);
    sp->process();
    EXPECT_EQ(p->processed, 2);
    EXPECT_EQ(p->transitions, (std::vector<int>{0, -1}));
    set(p, "on", 1);
    sp->process();
    sp->process();
    EXPECT_EQ(p->transitions, (std::vector<int>{0, -1, 1, 0}));
    EXPECT_EQ(p->resets, 1);
    // Toggling twice between blocks cancels out.
    set(p, "on", 0);
    set(p, "on", 1);
    sp->process();
    EXPECT_EQ(p->transitions.back(), 0);
    EXPECT_EQ(p->resets, 1);
}

TEST_F(Soundpipe, PrepareRunsUntilItSucceedsAndDeletedNodesAreNotVisited) {
    Probe* p = keep(new Probe());
    p->refusePrepare = true;
    sp->process();
    sp->process();
    EXPECT_EQ(p->prepares, 2);
    EXPECT_EQ(p->processed, 0);
    p->refusePrepare = false;
    sp->process();
    sp->process();
    EXPECT_EQ(p->prepares, 3);
    EXPECT_EQ(p->processed, 2);

    Probe* gone = new Probe();
    sp->process();
    VX_cmd("VX_Effect %o -delete", gone); // ASan would see a visit of the freed node
    EXPECT_EQ(sp->nodes.count, 1);
    sp->process();
    EXPECT_EQ(p->processed, 4);
}

TEST_F(Soundpipe, AFailingNodeEndsTheBlock) {
    Probe* first = keep(new Probe());
    Probe* second = keep(new Probe());
    first->throws = true;
    EXPECT_EQ(sp->process(), 0);
    EXPECT_EQ(second->processed, 0);
    first->throws = false;
    sp->process();
    EXPECT_EQ(second->processed, 1);
}

TEST_F(Soundpipe, ClearZeroesMainArraysAndResetsNodes) {
    VX_Buffer* b = buffer();
    Probe* p = keep(new Probe());
    for (int i = 0; i < 8; ++i) b->main[i] = 7; // main and shadow
    sp->clear();
    EXPECT_EQ(std::vector<int32_t>(b->main, b->main + 4), std::vector<int32_t>(4, 0));
    EXPECT_EQ(b->shadow[0], 7);
    EXPECT_EQ(p->resets, 1);
}

TEST_F(Soundpipe, BufferLengthFollowsTheBlockLengthWithinItsStorage) {
    VX_cmd("%o -bl %i", sp, 512);
    VX_Buffer* b = buffer();
    int length = 0;
    VX_cmd("%o -l %i -l", b, -1, &length);
    EXPECT_EQ(length, 512);
    EXPECT_EQ(b->count, 512);
    EXPECT_EQ(b->shadow, b->main + 512);
    EXPECT_EQ(std::count(b->main, b->main + 512, 0), 512);
    VX_cmd("%o -bl %i", sp, 100);
    VX_cmd("%o -l", b, &length);
    EXPECT_EQ(length, 100);
    VX_cmd("%o -bl %i", sp, 1000); // grew past the storage: only what the storage holds
    VX_cmd("%o -l", b, &length);
    EXPECT_EQ(length, 512);
    VX_cmd("%o -bl %i", sp, -5);
    EXPECT_EQ(b->length(), 0);

    VX_cmd("%o -l %i -l", b, 0, &length);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(b->main, nullptr);
    VX_cmd("%o -l %i -l", b, 65537, &length); // beyond any block: no storage
    EXPECT_EQ(length, 0);
    VX_cmd("%o -l %i -l", b, 65536, &length);
    EXPECT_EQ(length, 65536);
    VX_cmd("%o -l %i -l", b, -2, &length);
    EXPECT_EQ(length, 0);

    int limit = 0;
    VX_cmd("%o -limit %f -limit", b, 2.9, &limit);
    EXPECT_EQ(limit, 2);
    b->position = 700;
    VX_cmd("%o -l %i", b, 300);
    EXPECT_EQ(b->position, 100); // reduced modulo the new count
}

TEST_F(Soundpipe, DeletedBufferLeavesTheChain) {
    VX_Buffer* b = nullptr;
    VX_cmd("VX_Buffer", &b);
    EXPECT_EQ(sp->buffers.count, 1);
    VX_cmd("%o -delete", b);
    EXPECT_EQ(sp->buffers.count, 0);
    sp->process(); // would touch the freed buffer otherwise
}

// Objects of one soundpipe may outlive it or point into another: nothing may be left pointing
// at a soundpipe or node that is gone.
TEST_F(Soundpipe, NoReferenceOutlivesWhatItNames) {
    VX_Buffer* b = buffer(); // in sp's chain, following sp
    VX_Soundpipe* other = nullptr;
    VX_cmd("VX_Soundpipe -bl 8", &other); // now current
    VX_cmd("%o -l -1", b);                // follows the other one, still in sp's chain
    EXPECT_EQ(b->followed, other);
    EXPECT_EQ(b->length(), 8);
    VX_cmd("%o -delete", other);
    EXPECT_EQ(b->followed, nullptr);
    EXPECT_EQ(b->length(), 0);
    VX_cmd("%o -b", sp, nullptr);

    // A node of another soundpipe cannot become the insertion point.
    VX_Soundpipe* third = nullptr;
    VX_cmd("VX_Soundpipe", &third);
    Probe* foreign = new Probe();
    VX_cmd("%o -e", third, nullptr);
    VX_cmd("%o -b", sp, nullptr);
    VX_cmd("%o -be %o", sp, foreign);
    EXPECT_EQ(sp->insertionPoint, nullptr);
    delete foreign;
    VX_cmd("%o -delete", third);
    Probe* later = keep(new Probe());
    EXPECT_EQ(later->soundpipe, sp);
}

// Three nodes on one buffer of 4 samples: a steady writer, a node switched on or off that
// writes its own value, and a steady reader after them that sees the crossfade.
TEST_F(Soundpipe, SwitchingCrossfadesOverOneBlock) {
    VX_Buffer* b = buffer();
    const int32_t dry = 1000, wet = 2000;
    Probe* writer = keep(new Probe());
    Probe* switched = keep(new Probe());
    Probe* reader = keep(new Probe());
    writer->buffer = switched->buffer = reader->buffer = b;
    writer->fill = &dry;
    switched->fill = &wet;

    set(switched, "on", 0);
    sp->process(); // last block with the node: fades out
    EXPECT_EQ(switched->arrays.back(), b->shadow);
    EXPECT_EQ(reader->seen, (std::vector<int32_t>{2000, 1750, 1500, 1250}));
    sp->process(); // off: the reader sees the writer alone
    EXPECT_EQ(reader->seen, std::vector<int32_t>(4, dry));
    EXPECT_EQ(switched->processed, 1);

    set(switched, "on", 1);
    sp->process(); // first block: fades in, from main at 0 to (n-1)/n of shadow at n-1
    EXPECT_EQ(switched->arrays.back(), b->shadow);
    EXPECT_EQ(reader->arrays.back(), b->main);
    EXPECT_EQ(reader->seen, (std::vector<int32_t>{1000, 1250, 1500, 1750}));
    sp->process();
    EXPECT_EQ(reader->seen, std::vector<int32_t>(4, wet));
}

TEST_F(Soundpipe, AccessWithTheSameTransitionChangesNothing) {
    VX_Buffer* b = buffer();
    for (int i = 0; i < 4; ++i) b->main[i] = i;
    EXPECT_EQ(b->access(1), b->shadow);
    b->shadow[0] = 99;
    EXPECT_EQ(b->access(1), b->shadow); // no second copy
    EXPECT_EQ(b->shadow[0], 99);
    VX_Buffer* empty = nullptr;
    VX_cmd("VX_Buffer -l %i", &empty, 0);
    keep(empty);
    EXPECT_EQ(empty->access(1), nullptr);
}

TEST_F(Soundpipe, EffectBaseOptions) {
    Probe* p = keep(new Probe());
    char text[128];
    int cap = sizeof text;
    VX_cmd_text(text, &cap, "VX_Effect %o -mode -clock -on -debug", p);
    EXPECT_STREQ(text, "set 0 1 0");

    const char* mode = nullptr;
    VX_cmd("VX_Effect %o -mode adn -mode", p, &mode);
    EXPECT_STREQ(mode, "adn");
    VX_cmd("VX_Effect %o -mode sideways -mode", p, &mode);
    EXPECT_STREQ(mode, "adn");
    VX_cmd("VX_Effect %o -mode %i -mode", p, 2, &mode); // not a word: unchanged
    EXPECT_STREQ(mode, "adn");

    int clock = 0;
    VX_cmd("VX_Effect %o -clock %f -clock", p, 44100.7, &clock);
    EXPECT_EQ(clock, 44100);
    EXPECT_EQ(p->clockChanges, 1); // the query calls nothing
    VX_cmd("VX_Effect %o -clock %i", p, 48000);
    EXPECT_EQ(p->clock, 48000);
    EXPECT_EQ(p->clockChanges, 2);

    int flag = -1;
    VX_cmd("VX_Effect %o -debug %i -debug", p, 5, &flag);
    EXPECT_EQ(flag, 1);
    VX_cmd("VX_Effect %o -on %f -on", p, 0.0, &flag);
    EXPECT_EQ(flag, 0);
}

} // namespace
