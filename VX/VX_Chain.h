// Intrusive doubly linked chain with sentinel head and tail. An object that can be in a chain
// embeds a VX_Chain_Item whose data is the object itself; chains list objects without owning
// them.
#pragma once

#include <cstdint>

class VX_Chain;

class VX_Chain_Item {
public:
    explicit VX_Chain_Item(void* data = nullptr) : data(data) {}
    VX_Chain_Item(const VX_Chain_Item&) = delete;
    VX_Chain_Item& operator=(const VX_Chain_Item&) = delete;

    VX_Chain_Item* previous = nullptr;
    VX_Chain_Item* next = nullptr;
    void* data;
    VX_Chain* chain = nullptr; // the chain the item is in, or null
};

class VX_Chain {
public:
    VX_Chain() { init(); }
    VX_Chain(const VX_Chain&) = delete;
    VX_Chain& operator=(const VX_Chain&) = delete;

    VX_Chain_Item head;
    VX_Chain_Item tail;
    int32_t count = 0;
    uint32_t changes = 0; // counts insertions and removals, so that users can tell a new order

    void init();
    // Links the item in just before `before` (at the end when null). An item already in a
    // chain, this one or another, stays where it is.
    void insert(VX_Chain_Item* item, VX_Chain_Item* before = nullptr);
    // Unlinks the item if it is in this chain; otherwise nothing happens. Returns the item.
    VX_Chain_Item* remove(VX_Chain_Item* item);

    VX_Chain_Item* first() { return head.next; }
    bool isEnd(const VX_Chain_Item* item) const { return item == &tail; }

    // Visits the data of every item from head to tail; the visitor may remove the item it is
    // given (the next item is taken before the call).
    template <typename T, typename F> void forEach(F&& visit) {
        for (VX_Chain_Item* i = head.next; i != &tail;) {
            VX_Chain_Item* next = i->next;
            visit(static_cast<T*>(i->data));
            i = next;
        }
    }
};
