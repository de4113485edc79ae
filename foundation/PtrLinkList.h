// PtrLinkList: an intrusive doubly linked list that owns its elements (objects derived from
// LinkElement_Dual), with the iterator LinkElementDualIterator.
#pragma once

#include <cstdint>

class LinkElement_Dual {
public:
    LinkElement_Dual() : mNext(nullptr), mPrev(nullptr) {}
    virtual ~LinkElement_Dual();

    LinkElement_Dual* mNext;
    LinkElement_Dual* mPrev;
};

class PtrLinkList;

// Postfix forms move first and then return the new position.
class LinkElementDualIterator {
public:
    LinkElementDualIterator() : mElement(nullptr) {}
    explicit LinkElementDualIterator(const PtrLinkList& list);

    LinkElement_Dual* operator*() const { return mElement; }
    LinkElementDualIterator& operator++();
    LinkElementDualIterator& operator--();
    LinkElementDualIterator operator++(int);
    LinkElementDualIterator operator--(int);
    bool operator==(const LinkElementDualIterator& other) const {
        return mElement == other.mElement;
    }
    bool operator!=(const LinkElementDualIterator& other) const {
        return mElement != other.mElement;
    }

private:
    LinkElement_Dual* mElement;
};

class PtrLinkList {
public:
    explicit PtrLinkList(LinkElement_Dual* first = nullptr);
    virtual ~PtrLinkList();

    // 0 for a null element (nothing changes), else 1; the list takes ownership.
    int add(LinkElement_Dual* element);
    // The element at 0-based position i, or null when i is not less than the count.
    LinkElement_Dual* index(unsigned short i) const;
    void dumpEntireList(char* title);

    LinkElement_Dual* First() const { return mFirst; }
    uint32_t Count() const { return mCount; }

    PtrLinkList(const PtrLinkList&) = delete;
    PtrLinkList& operator=(const PtrLinkList&) = delete;

protected:
    LinkElementDualIterator mIterator;  // embedded cursor, unused by the list itself
    LinkElement_Dual* mFirst;
    LinkElement_Dual* mLast;
    uint32_t mReserved;
    uint32_t mCount;
    int32_t mValid;
};
