// Collection Manager stand-in: keyed collections of byte blocks addressed by (tag, id), kept
// in insertion order, and their flattened form in a handle.
#pragma once

#include "platform/MacTypes.h"

#include <cstddef>

typedef struct OpaqueCollection* Collection;
typedef FourCharCode CollectionTag;

enum {
    collectionItemLockedErr = -5750,
    // collectionItemNotFoundErr = -5751 is in platform/MacTypes.h
    collectionIndexRangeErr = -5752,
    collectionVersionErr = -5753,
};

// Attribute bits. New items get the collection's default attributes, initially
// kCollectionDefaultAttributes (persistent). A locked item cannot be replaced or removed
// (collectionItemLockedErr) until the lock bit is cleared again.
enum : SInt32 {
    kCollectionNoAttributes = 0x00000000,
    kCollectionAllAttributes = static_cast<SInt32>(0xFFFFFFFF),
    kCollectionUserAttributes = 0x0000FFFF,
    kCollectionDefaultAttributes = 0x40000000,
    kCollectionLockBit = 31,
    kCollectionLockMask = static_cast<SInt32>(0x80000000),
    kCollectionPersistenceBit = 30,
    kCollectionPersistenceMask = 0x40000000,
};

// Every call accepts a null collection: results are then paramErr, 0 or nullptr.
// Look-ups by (tag, id) take constant time, by index logarithmic time; removing items one after
// another stays linear overall.

Collection NewCollection(void);
void DisposeCollection(Collection c);
// A new collection holding copies of all items of c (nullptr without memory).
Collection CloneCollection(Collection c);
// Replaces the items (and default attributes) of dstCollection with copies of those of
// srcCollection; a null destination makes a new collection. Returns the destination, or
// nullptr on failure (the destination is then unchanged).
Collection CopyCollection(Collection srcCollection, Collection dstCollection);
// Removes every item.
void EmptyCollection(Collection c);

SInt32 GetCollectionDefaultAttributes(Collection c);
void SetCollectionDefaultAttributes(Collection c, SInt32 whichAttributes, SInt32 newAttributes);

SInt32 CountCollectionItems(Collection c);

// Adds a copy of itemSize bytes under (tag, id). An existing item with that key keeps its
// position and attributes and gets the new bytes. A negative size is paramErr.
OSErr AddCollectionItem(Collection c, CollectionTag tag, SInt32 id, SInt32 itemSize,
                        const void* itemData);

// With itemData null: *itemSize receives the item's length. With a buffer: at most *itemSize
// bytes (the whole item when itemSize is null) are copied and *itemSize receives the number
// copied. collectionItemNotFoundErr for an absent item.
OSErr GetCollectionItem(Collection c, CollectionTag tag, SInt32 id, SInt32* itemSize,
                        void* itemData);

OSErr RemoveCollectionItem(Collection c, CollectionTag tag, SInt32 id);

// Sets the attribute bits selected by whichAttributes to those of newAttributes.
OSErr SetCollectionItemInfo(Collection c, CollectionTag tag, SInt32 id, SInt32 whichAttributes,
                            SInt32 newAttributes);

// 1-based index, length and attributes of an item; each output may be null.
OSErr GetCollectionItemInfo(Collection c, CollectionTag tag, SInt32 id, SInt32* itemIndex,
                            SInt32* itemSize, SInt32* attributes);

// Index-based variants (1-based, insertion order); collectionIndexRangeErr outside
// 1..CountCollectionItems.
OSErr ReplaceIndexedCollectionItem(Collection c, SInt32 itemIndex, SInt32 itemSize,
                                   const void* itemData);
OSErr GetIndexedCollectionItem(Collection c, SInt32 itemIndex, SInt32* itemSize, void* itemData);
OSErr RemoveIndexedCollectionItem(Collection c, SInt32 itemIndex);
OSErr SetIndexedCollectionItemInfo(Collection c, SInt32 itemIndex, SInt32 whichAttributes,
                                   SInt32 newAttributes);
OSErr GetIndexedCollectionItemInfo(Collection c, SInt32 itemIndex, CollectionTag* tag, SInt32* id,
                                   SInt32* itemSize, SInt32* attributes);

Boolean CollectionTagExists(Collection c, CollectionTag tag);

// Flattened form, all numbers 32-bit little-endian whatever the host:
//   magic 'ZQCL' (0x5A51434C), version 1, item count,
//   then per item in order: tag, id, attributes, length, and `length` bytes.
// Every item is written, whatever its persistence bit.
// FlattenCollectionToHdl resizes the handle to exactly that form (memFullErr when it cannot).
OSErr FlattenCollectionToHdl(Collection aCollection, Handle flattened);

// Adds every item of a flattened collection to aCollection (an item whose key is already
// there replaces that item's bytes and attributes, as later items of the block replace earlier
// ones). The block is checked completely before anything changes: a wrong magic or version
// gives collectionVersionErr; a block too short for its header, a count its bytes cannot hold,
// an item running past the end or bytes left over after the last item give paramErr; a null
// or invalid handle gives nilHandleErr; a locked item that would be replaced gives
// collectionItemLockedErr; memFullErr without memory. On any error the collection is left as
// it was.
OSErr UnflattenCollectionFromHdl(Collection aCollection, Handle flattened);

// The same two over plain bytes, so that a stream can be flattened into and read from in
// place (no counterpart on the Mac). FlattenedCollectionSize gives the exact length of the
// flattened form (0 for a null collection); FlattenCollectionToBytes fills exactly that many
// bytes (paramErr for another size); UnflattenCollectionFromBytes checks and adds like
// UnflattenCollectionFromHdl.
size_t FlattenedCollectionSize(Collection aCollection);
// Room for `items` further items with `bytes` further bytes among them, made in one step (no
// counterpart on the Mac): a caller that knows roughly how much it will add spares the
// collection its repeated growth. Only a hint: noErr, or memFullErr (nothing changed).
OSErr ZEQReserveCollection(Collection aCollection, size_t items, size_t bytes);
OSErr FlattenCollectionToBytes(Collection aCollection, void* bytes, size_t size);
OSErr UnflattenCollectionFromBytes(Collection aCollection, const void* flattened, size_t size);
