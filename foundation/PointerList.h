// PointerList: doubly linked list of untyped pointers with two sentinel nodes, and its
// iterators. The list never owns the objects its entries point to.
#pragma once

#include <cstdint>

class PNode {
public:
    PNode();
    PNode(const void* data, PNode* prev, PNode* next);
    virtual ~PNode();

    const void* mData;  // the entry; null in the sentinels
    PNode* mPrev;
    PNode* mNext;
};

class ConstPointerListItr;

// Both iterators hand out the entry as a plain void*: the list's constness is about its
// nodes, not about the objects the entries point to.
class PointerListItr {
public:
    PointerListItr(PNode* node = nullptr) : mNode(node) {}

    // Inline: every walk over a model's lists goes through these.
    void* operator*() const { return mNode != nullptr ? const_cast<void*>(mNode->mData) : nullptr; }
    PointerListItr& operator++() {
        mNode = mNode->mNext;
        return *this;
    }
    PointerListItr& operator--() {
        mNode = mNode->mPrev;
        return *this;
    }
    PointerListItr operator++(int) {
        PointerListItr before = *this;
        mNode = mNode->mNext;
        return before;
    }
    PointerListItr operator--(int) {
        PointerListItr before = *this;
        mNode = mNode->mPrev;
        return before;
    }
    bool operator==(const PointerListItr& other) const { return mNode == other.mNode; }
    bool operator!=(const PointerListItr& other) const { return mNode != other.mNode; }

private:
    friend class PointerList;
    friend class ConstPointerListItr;
    PNode* mNode;
};

class ConstPointerListItr {
public:
    ConstPointerListItr(const PNode* node = nullptr) : mNode(node) {}
    ConstPointerListItr(const PointerListItr& other) : mNode(other.mNode) {}

    void* operator*() const { return mNode != nullptr ? const_cast<void*>(mNode->mData) : nullptr; }
    ConstPointerListItr& operator++() {
        mNode = mNode->mNext;
        return *this;
    }
    ConstPointerListItr& operator--() {
        mNode = mNode->mPrev;
        return *this;
    }
    ConstPointerListItr operator++(int) {
        ConstPointerListItr before = *this;
        mNode = mNode->mNext;
        return before;
    }
    ConstPointerListItr operator--(int) {
        ConstPointerListItr before = *this;
        mNode = mNode->mPrev;
        return before;
    }
    bool operator==(const ConstPointerListItr& other) const { return mNode == other.mNode; }
    bool operator!=(const ConstPointerListItr& other) const { return mNode != other.mNode; }

private:
    const PNode* mNode;
};

class PointerList {
public:
    PointerList();
    PointerList(const PointerList& other);
    PointerList& operator=(const PointerList& other);
    ~PointerList();

    uint32_t Size() const { return mCount; }
    bool Empty() const { return mCount == 0; }

    PointerListItr Begin() { return PointerListItr(mHead->mNext); }
    PointerListItr End() { return PointerListItr(mTail); }
    ConstPointerListItr Begin() const { return ConstPointerListItr(mHead->mNext); }
    ConstPointerListItr End() const { return ConstPointerListItr(mTail); }

    // Null when the list is empty.
    void* Front() const;
    void* Back() const;

    // The returned iterator holds null (and nothing changes) when no node can be allocated.
    PointerListItr InsertBefore(PointerListItr pos, const void* data);
    PointerListItr PushBack(const void* data);
    PointerListItr PushFront(const void* data);

    // Returns the position after the erased entry; an iterator holding null erases nothing
    // and yields Begin().
    PointerListItr Erase(PointerListItr pos);
    PointerListItr Erase(PointerListItr first, PointerListItr last);
    void PopFront();
    void PopBack();
    // Frees the nodes only; the pointed-to objects are left alone.
    void MakeEmpty();

private:
    void Initialize();

    uint32_t mCount;
    // Where the nodes came from: the arena all of them came from, or kNodesFromHeap when any
    // did not (see MakeEmpty).
    const void* mNodeSource;
    PNode* mHead;
    PNode* mTail;
    // The storage of the two sentinels: they live and die with the list, so a list costs no
    // allocation until its first entry. mHead and mTail always point here.
    PNode mHeadNode;
    PNode mTailNode;
};
