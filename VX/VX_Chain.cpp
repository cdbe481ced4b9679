#include "VX/VX_Chain.h"

void VX_Chain::init() {
    head.previous = nullptr;
    head.next = &tail;
    tail.previous = &head;
    tail.next = nullptr;
    head.data = tail.data = nullptr;
    head.chain = tail.chain = nullptr;
    count = 0;
}

void VX_Chain::insert(VX_Chain_Item* item, VX_Chain_Item* before) {
    if (item->chain) return;
    // `before` must be an item of this chain; anything else would splice two chains together.
    if (!before || before->chain != this) before = &tail;
    item->chain = this;
    item->next = before;
    item->previous = before->previous;
    before->previous->next = item;
    before->previous = item;
    ++count;
    ++changes;
}

VX_Chain_Item* VX_Chain::remove(VX_Chain_Item* item) {
    if (item->chain != this) return item;
    item->previous->next = item->next;
    item->next->previous = item->previous;
    item->previous = item->next = nullptr;
    item->chain = nullptr;
    --count;
    ++changes;
    return item;
}
