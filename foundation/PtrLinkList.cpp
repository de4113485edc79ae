// PtrLinkList, its element base and its iterator.
#include "foundation/PtrLinkList.h"

LinkElement_Dual::~LinkElement_Dual() {}

LinkElementDualIterator::LinkElementDualIterator(const PtrLinkList& list)
    : mElement(list.First()) {}

LinkElementDualIterator& LinkElementDualIterator::operator++() {
    if (mElement != nullptr) {
        mElement = mElement->mNext;
    }
    return *this;
}

LinkElementDualIterator& LinkElementDualIterator::operator--() {
    if (mElement != nullptr) {
        mElement = mElement->mPrev;
    }
    return *this;
}

LinkElementDualIterator LinkElementDualIterator::operator++(int) {
    return ++*this;
}

LinkElementDualIterator LinkElementDualIterator::operator--(int) {
    return --*this;
}

// The embedded cursor starts empty: nothing reads it.
PtrLinkList::PtrLinkList(LinkElement_Dual* first)
    : mIterator(), mFirst(nullptr), mLast(nullptr), mReserved(0), mCount(0), mValid(0) {
    if (first != nullptr) {
        add(first);
    }
    mValid = 1;
}

PtrLinkList::~PtrLinkList() {
    LinkElement_Dual* element = mFirst;
    while (element != nullptr) {
        LinkElement_Dual* next = element->mNext;
        delete element;
        element = next;
    }
    mFirst = nullptr;
    mLast = nullptr;
    mCount = 0;
}

int PtrLinkList::add(LinkElement_Dual* element) {
    if (element == nullptr) {
        return 0;
    }
    if (mFirst == nullptr) {
        mFirst = element;
        element->mPrev = nullptr;
    } else {
        mLast->mNext = element;
        element->mPrev = mLast;
    }
    element->mNext = nullptr;
    mLast = element;
    ++mCount;
    return 1;
}

LinkElement_Dual* PtrLinkList::index(unsigned short i) const {
    if (i >= mCount) {
        return nullptr;
    }
    LinkElement_Dual* element = mFirst;
    for (unsigned short k = 0; k < i && element != nullptr; ++k) {
        element = element->mNext;
    }
    return element;
}

void PtrLinkList::dumpEntireList(char* title) {
    (void)title;
}
