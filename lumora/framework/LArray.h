// The framework's dynamic array of fixed-size elements: codes, pointers and
// 32-byte names. Elements are copied in and out by value; an optional
// comparator keeps them sorted. One iteration cursor per array.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

// Element size of pointer arrays.
constexpr int kPointerSize = static_cast<int>(sizeof(void*));

// Orders two elements given by address.
class LComparator {
public:
    enum { kAfter = 1, kBefore = 2, kEqual = 3 };
    virtual ~LComparator() = default;
    // kAfter when a sorts after b, kBefore when before, kEqual when equal.
    virtual int Compare(const void* a, const void* b) const = 0;
};

// Compares two texts without regard to (ASCII) case: <0, 0 or >0; only the
// first `count` characters when a count is given.
int CompareNames(const char* a, const char* b, int count = 0x7fffffff);

// 32-bit signed values (class codes).
class LIntComparator : public LComparator {
public:
    int Compare(const void* a, const void* b) const override;
};

// NUL-terminated texts (32-byte name fields), without regard to case.
class LNameComparator : public LComparator {
public:
    int Compare(const void* a, const void* b) const override;
};

class LArray {
public:
    // The array owns the comparator.
    LArray(int sorted = 0, LComparator* comparator = nullptr, int elemSize = 4);
    LArray(const LArray&) = delete;
    LArray& operator=(const LArray&) = delete;
    virtual ~LArray();

    virtual int Add(const void* elem);
    virtual int InsertAt(const void* elem, int index);
    virtual int SetAt(const void* elem, int index);
    virtual void* GetAt(int index) const;
    virtual int CopyAt(void* dst, int index) const;
    virtual int Find(const void* elem) const;
    virtual void Remove(const void* elem);
    virtual void RemoveAt(int index);
    virtual void* First();
    virtual void* Next();
    virtual void* Last();
    virtual void* Prev();
    virtual int GetLastIndex() const { return m_LastIndex; }
    virtual void* GetData() { return m_Data.empty() ? nullptr : m_Data.data(); }
    virtual int SortedFind(const void* elem, int* pos) const;
    virtual int Bisect(const void* elem, int* hi, int* lo, int* pos) const;
    virtual int IsSorted() const { return m_Sorted; }
    virtual LComparator* GetComparator() const { return m_Comparator; }
    virtual void SetComparator(LComparator* comparator);
    virtual int Sort();

    int GetElemSize() const { return m_ElemSize; }

    // Pointer arrays: the element at index read as a pointer.
    template <typename T>
    T* PtrAt(int index) const {
        void* slot = GetAt(index);
        if (!slot) return nullptr;
        T* p;
        std::memcpy(&p, slot, sizeof p);
        return p;
    }
    template <typename T>
    int AddPtr(T* p) {
        static_assert(sizeof p == kPointerSize);
        return Add(&p);
    }
    template <typename T>
    int FindPtr(T* p) const {
        return Find(&p);
    }

private:
    std::vector<std::uint8_t> m_Data;
    int m_ElemSize;
    int m_LastIndex = -1;
    int m_Cursor = 0;
    LComparator* m_Comparator;
    int m_Sorted;
};
