// UI constraint and requirement forests: option lists, keyword trees and forests.
#include "parser/UIConstraints.h"

#include <new>

unsigned long gProcessedConstraints = 0;
unsigned long gProcessedRequires = 0;

// ---- ItemConstraintList

ItemConstraintList::ItemConstraintList(long key) : mKey(static_cast<int32_t>(key)) {}

ItemConstraintList::ItemConstraintList(const ItemConstraintList& other)
    : mKey(other.mKey), mEntries(other.mEntries) {}

ItemConstraintList& ItemConstraintList::operator=(const ItemConstraintList& other) {
    if (this != &other) {
        mKey = other.mKey;
        mEntries = other.mEntries;
    }
    return *this;
}

ItemConstraintList::~ItemConstraintList() = default;

void ItemConstraintList::insert(std::pair<long, long> target) {
    insert(target.first, target.second);
}

void ItemConstraintList::insert(long targetKey, long targetOption) {
    mEntries.emplace_back(static_cast<int32_t>(targetKey), static_cast<int32_t>(targetOption));
}

ItemConstraintList& ItemConstraintList::operator+=(const ItemConstraintList& other) {
    if (this == &other) {
        // Appending a list to itself doubles it; copy first so the source does not move.
        const std::vector<std::pair<int32_t, int32_t>> copy(other.mEntries);
        mEntries.insert(mEntries.end(), copy.begin(), copy.end());
    } else {
        mEntries.insert(mEntries.end(), other.mEntries.begin(), other.mEntries.end());
    }
    return *this;
}

ItemConstraintList& ItemConstraintList::operator+(const ItemConstraintList& other) {
    return *this += other;
}

std::pair<long, long> ItemConstraintList::operator[](unsigned long i) const {
    const std::pair<int32_t, int32_t>& entry = mEntries[i];
    return {entry.first, entry.second};
}

// ---- KeyConstraintTree

KeyConstraintTree::KeyConstraintTree(long key) : mKey(static_cast<int32_t>(key)) {}

KeyConstraintTree::~KeyConstraintTree() = default;

void KeyConstraintTree::insert(long option, std::pair<long, long> target) {
    std::unique_ptr<ItemConstraintList>& list = mLists[static_cast<int32_t>(option)];
    if (!list) {
        // A slot without its list would break every later query: without memory for the
        // list the slot goes again and the edge is dropped.
        list.reset(new (std::nothrow) ItemConstraintList(option));
        if (!list) {
            mLists.erase(static_cast<int32_t>(option));
            return;
        }
    }
    list->insert(target);
}

ItemConstraintList* KeyConstraintTree::GetItemConstraintList(long option) {
    ItemConstraintList* result = new ItemConstraintList(option);
    if (option == -1) {
        for (const auto& [number, list] : mLists) {
            *result += *list;
        }
    } else {
        auto found = mLists.find(static_cast<int32_t>(option));
        if (found != mLists.end()) {
            *result += *found->second;
        }
    }
    return result;
}

// ---- ConstraintForest

ConstraintForest::ConstraintForest() = default;

ConstraintForest::~ConstraintForest() = default;

void ConstraintForest::insert(long key, long option, std::pair<long, long> target) {
    std::unique_ptr<KeyConstraintTree>& tree = mTrees[static_cast<int32_t>(key)];
    if (!tree) {
        tree.reset(new (std::nothrow) KeyConstraintTree(key));
        if (!tree) {
            mTrees.erase(static_cast<int32_t>(key));
            return;
        }
    }
    tree->insert(option, target);
}

void ConstraintForest::insert(long key, long option, long targetKey, long targetOption) {
    insert(key, option, std::pair<long, long>(targetKey, targetOption));
}

ItemConstraintList* ConstraintForest::GetConstraintList(long key, long option) {
    auto found = mTrees.find(static_cast<int32_t>(key));
    if (found == mTrees.end()) {
        return nullptr;
    }
    return found->second->GetItemConstraintList(option);
}
