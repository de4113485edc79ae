// PointerList, its nodes and iterators.
#include "foundation/PointerList.h"

#include <new>

PNode::PNode() : mData(nullptr), mPrev(nullptr), mNext(nullptr) {}

PNode::PNode(const void* data, PNode* prev, PNode* next) : mData(data), mPrev(prev), mNext(next) {}

PNode::~PNode() {
    mPrev = nullptr;
    mNext = nullptr;
}

void* PointerListItr::operator*() const {
    return mNode != nullptr ? const_cast<void*>(mNode->mData) : nullptr;
}

PointerListItr& PointerListItr::operator++() {
    mNode = mNode->mNext;
    return *this;
}

PointerListItr& PointerListItr::operator--() {
    mNode = mNode->mPrev;
    return *this;
}

PointerListItr PointerListItr::operator++(int) {
    PointerListItr before = *this;
    mNode = mNode->mNext;
    return before;
}

PointerListItr PointerListItr::operator--(int) {
    PointerListItr before = *this;
    mNode = mNode->mPrev;
    return before;
}

void* ConstPointerListItr::operator*() const {
    return mNode != nullptr ? const_cast<void*>(mNode->mData) : nullptr;
}

ConstPointerListItr& ConstPointerListItr::operator++() {
    mNode = mNode->mNext;
    return *this;
}

ConstPointerListItr& ConstPointerListItr::operator--() {
    mNode = mNode->mPrev;
    return *this;
}

ConstPointerListItr ConstPointerListItr::operator++(int) {
    ConstPointerListItr before = *this;
    mNode = mNode->mNext;
    return before;
}

ConstPointerListItr ConstPointerListItr::operator--(int) {
    ConstPointerListItr before = *this;
    mNode = mNode->mPrev;
    return before;
}

PointerList::PointerList() {
    Initialize();
}

PointerList::PointerList(const PointerList& other) {
    Initialize();
    *this = other;
}

PointerList& PointerList::operator=(const PointerList& other) {
    if (this == &other) {
        return *this;
    }
    MakeEmpty();
    for (ConstPointerListItr it = other.Begin(); it != other.End(); ++it) {
        PushBack(*it);
    }
    return *this;
}

PointerList::~PointerList() {
    MakeEmpty();
}

// The sentinels are members of the list rather than two allocations of their own: an empty
// list, of which a model has many (the flags of every control, the kind lists of every
// container), then costs no heap block at all.
void PointerList::Initialize() {
    mCount = 0;
    mHead = &mHeadNode;
    mTail = &mTailNode;
    mHead->mPrev = nullptr;
    mHead->mNext = mTail;
    mTail->mPrev = mHead;
    mTail->mNext = nullptr;
}

void* PointerList::Front() const {
    return mCount == 0 ? nullptr : *Begin();
}

void* PointerList::Back() const {
    return mCount == 0 ? nullptr : *(--End());
}

PointerListItr PointerList::InsertBefore(PointerListItr pos, const void* data) {
    PNode* next = pos.mNode;
    if (next == nullptr) {
        return PointerListItr();
    }
    PNode* node = new (std::nothrow) PNode(data, next->mPrev, next);
    if (node == nullptr) {
        return PointerListItr();
    }
    next->mPrev->mNext = node;
    next->mPrev = node;
    ++mCount;
    return PointerListItr(node);
}

PointerListItr PointerList::PushBack(const void* data) {
    return InsertBefore(End(), data);
}

PointerListItr PointerList::PushFront(const void* data) {
    return InsertBefore(Begin(), data);
}

PointerListItr PointerList::Erase(PointerListItr pos) {
    PNode* node = pos.mNode;
    if (node == nullptr) {
        return Begin();
    }
    if (node->mPrev == nullptr || node->mNext == nullptr) {
        // A sentinel (head has no prev, tail no next) is never erased.
        return End();
    }
    PNode* next = node->mNext;
    node->mPrev->mNext = next;
    next->mPrev = node->mPrev;
    delete node;
    --mCount;
    return PointerListItr(next);
}

PointerListItr PointerList::Erase(PointerListItr first, PointerListItr last) {
    // Stops at a sentinel too, so that a range that never meets last cannot run away.
    while (first != last && first.mNode != nullptr && first.mNode->mNext != nullptr) {
        first = Erase(first);
    }
    return last;
}

void PointerList::PopFront() {
    if (mCount != 0) {
        Erase(Begin());
    }
}

void PointerList::PopBack() {
    if (mCount != 0) {
        Erase(--End());
    }
}

void PointerList::MakeEmpty() {
    while (mCount != 0) {
        PopFront();
    }
}
