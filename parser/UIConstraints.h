// UI constraint and requirement forests: edges from a (keyword, option) pair to another,
// both held as numbers of the process-wide constraint string pool, and the query records.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class PPDXControl;

// The entries of one option of one keyword: (target keyword number, target option number)
// pairs in insertion order. Duplicates stay.
class ItemConstraintList {
public:
    explicit ItemConstraintList(long key);
    ItemConstraintList(const ItemConstraintList& other);
    ItemConstraintList& operator=(const ItemConstraintList& other);
    virtual ~ItemConstraintList();

    void insert(std::pair<long, long> target);
    void insert(long targetKey, long targetOption);

    ItemConstraintList& operator+=(const ItemConstraintList& other);
    // Appends to this list, like +=, and returns this list.
    ItemConstraintList& operator+(const ItemConstraintList& other);

    unsigned long size() const { return mEntries.size(); }
    // A copy of entry i; i must be below size().
    std::pair<long, long> operator[](unsigned long i) const;

    long Key() const { return mKey; }

private:
    int32_t mKey;
    std::vector<std::pair<int32_t, int32_t>> mEntries;
};

// All options of one keyword, by ascending option number.
class KeyConstraintTree {
public:
    explicit KeyConstraintTree(long key);
    virtual ~KeyConstraintTree();
    KeyConstraintTree(const KeyConstraintTree&) = delete;
    KeyConstraintTree& operator=(const KeyConstraintTree&) = delete;

    void insert(long option, std::pair<long, long> target);
    // A new list owned by the caller, never null: the entries of `option`, or with -1 the
    // entries of every option, list after list in ascending option number.
    ItemConstraintList* GetItemConstraintList(long option);

    long Key() const { return mKey; }

private:
    int32_t mKey;
    std::map<int32_t, std::unique_ptr<ItemConstraintList>> mLists;
};

// All keywords of one forest (constraints or requirements), by ascending keyword number.
class ConstraintForest {
public:
    ConstraintForest();
    virtual ~ConstraintForest();
    ConstraintForest(const ConstraintForest&) = delete;
    ConstraintForest& operator=(const ConstraintForest&) = delete;

    void insert(long key, long option, std::pair<long, long> target);
    void insert(long key, long option, long targetKey, long targetOption);
    // Null when `key` has no tree; otherwise a new list owned by the caller.
    ItemConstraintList* GetConstraintList(long key, long option);

private:
    std::map<int32_t, std::unique_ptr<KeyConstraintTree>> mTrees;
};

// One answer of a constraint query: the target control (null when no control has the target
// keyword) and the 1-based item of the target popup, or kNoConstraintItem. Packed: the item
// directly follows the pointer and records directly follow each other.
#pragma pack(push, 1)
struct SharedConstraintRec {
    PPDXControl* control;
    uint16_t item;
};
#pragma pack(pop)

constexpr uint16_t kNoConstraintItem = 0xFFFF;

// Constraint and requirement statements stored since the process started; never reset.
extern unsigned long gProcessedConstraints;
extern unsigned long gProcessedRequires;
