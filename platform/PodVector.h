// PodVector: a growable array of trivially copyable elements on malloc/realloc, for the
// Collection Manager's million-entry tables.
#pragma once

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

// Unlike std::vector, growth goes through realloc, which moves a large block by remapping its
// pages rather than copying them, and a zero-filled table comes from calloc, whose fresh pages
// need no clearing. Only what the collections use is here; allocation failure throws
// std::bad_alloc as std::vector does, and leaves the array as it was.
template <typename T>
class PodVector {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    PodVector() = default;
    PodVector(const PodVector&) = delete;
    PodVector& operator=(const PodVector&) = delete;
    ~PodVector() { std::free(mData); }

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
        void* grown = std::realloc(mData, count * sizeof(T));
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
        void* fresh = std::calloc(count == 0 ? 1 : count, sizeof(T));
        if (fresh == nullptr)
            throw std::bad_alloc();
        std::free(mData);
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
