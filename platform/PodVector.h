// PodVector: a growable array of trivially copyable elements for the Collection Manager's
// million-entry tables, and the large-block functions beneath it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

// Blocks of 128 KiB or more are mapped directly, in power-of-two sizes: they grow by
// remapping their pages (never by copying), ask for huge pages from 2 MiB on (one fault per
// 2 MiB instead of one per 4 KiB), and when freed are kept for reuse, pages and all, up to a
// limit, so that a cache saved or read again touches no fresh page. Smaller ones are ordinary
// heap blocks. The caller passes the block's current size, which decides where it lives.
namespace largeblock {
constexpr size_t kLargeBlock = 128 * 1024;
// A block of `bytes` (zero-filled when `zeroed`); null without memory.
void* Allocate(size_t bytes, bool zeroed);
// Grows or shrinks a block of `oldBytes` to `newBytes`, keeping its contents; null (the block
// unchanged) without memory.
void* Resize(void* block, size_t oldBytes, size_t newBytes);
void Free(void* block, size_t bytes);
}  // namespace largeblock

// Unlike std::vector, a large array grows without copying and a zero-filled one without
// clearing (see largeblock above). Only what the collections use is here; allocation failure throws
// std::bad_alloc as std::vector does, and leaves the array as it was.
template <typename T>
class PodVector {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    PodVector() = default;
    PodVector(const PodVector&) = delete;
    PodVector& operator=(const PodVector&) = delete;
    ~PodVector() { largeblock::Free(mData, mCapacity * sizeof(T)); }

    size_t size() const { return mSize; }
    size_t capacity() const { return mCapacity; }
    bool empty() const { return mSize == 0; }
    T* begin() { return mData; }
    T* end() { return mData + mSize; }
    const T* begin() const { return mData; }
    const T* end() const { return mData + mSize; }
    T& operator[](size_t i) { return mData[i]; }
    const T& operator[](size_t i) const { return mData[i]; }

    void reserve(size_t count) {
        if (count <= mCapacity)
            return;
        if (count > SIZE_MAX / sizeof(T))
            throw std::bad_alloc();
        void* grown = mData == nullptr
                          ? largeblock::Allocate(count * sizeof(T), false)
                          : largeblock::Resize(mData, mCapacity * sizeof(T), count * sizeof(T));
        if (grown == nullptr)
            throw std::bad_alloc();
        mData = static_cast<T*>(grown);
        mCapacity = count;
    }
    // Room made by reserve is required.
    void push_back(const T& value) { mData[mSize++] = value; }
    void clear() { mSize = 0; }
    // Keeps the first `count` elements (count <= size()).
    void truncate(size_t count) { mSize = count; }
    // Replaces the contents with `count` zero-filled elements.
    void assign_zeroed(size_t count) {
        if (count > SIZE_MAX / sizeof(T))
            throw std::bad_alloc();
        void* fresh = largeblock::Allocate(count * sizeof(T), true);
        if (fresh == nullptr)
            throw std::bad_alloc();
        largeblock::Free(mData, mCapacity * sizeof(T));
        mData = static_cast<T*>(fresh);
        mSize = mCapacity = count;
    }
    void fill_zero() {
        if (mSize != 0)
            std::memset(static_cast<void*>(mData), 0, mSize * sizeof(T));
    }
    void swap(PodVector& other) noexcept {
        std::swap(mData, other.mData);
        std::swap(mSize, other.mSize);
        std::swap(mCapacity, other.mCapacity);
    }

private:
    T* mData = nullptr;
    size_t mSize = 0;
    size_t mCapacity = 0;
};
