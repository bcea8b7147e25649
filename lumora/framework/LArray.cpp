#include "lumora/framework/LArray.h"

#include <cstring>
#include <cctype>

int LIntComparator::Compare(const void* a, const void* b) const {
    std::int32_t x, y;
    std::memcpy(&x, a, 4);
    std::memcpy(&y, b, 4);
    return x > y ? kAfter : x < y ? kBefore : kEqual;
}

int CompareNames(const char* a, const char* b, int count) {
    for (; count > 0; --count, ++a, ++b) {
        const int x = std::tolower(static_cast<unsigned char>(*a)), y = std::tolower(static_cast<unsigned char>(*b));
        if (x != y || x == 0) return x - y;
    }
    return 0;
}

int LNameComparator::Compare(const void* a, const void* b) const {
    int c = CompareNames(static_cast<const char*>(a), static_cast<const char*>(b));
    return c > 0 ? kAfter : c < 0 ? kBefore : kEqual;
}

LArray::LArray(int sorted, LComparator* comparator, int elemSize)
    : m_ElemSize(elemSize > 0 ? elemSize : 4), m_Comparator(comparator), m_Sorted(sorted && comparator ? 1 : 0) {}

LArray::~LArray() { delete m_Comparator; }

int LArray::Add(const void* elem) { return InsertAt(elem, m_LastIndex + 1); }

int LArray::InsertAt(const void* elem, int index) {
    if (m_Sorted) {
        SortedFind(elem, &index);
    } else if (index < 0) {
        index = 0;
    } else if (index > m_LastIndex + 1) {
        index = m_LastIndex + 1;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(elem);
    m_Data.insert(m_Data.begin() + static_cast<std::ptrdiff_t>(index) * m_ElemSize, bytes, bytes + m_ElemSize);
    ++m_LastIndex;
    return index;
}

int LArray::SetAt(const void* elem, int index) {
    if (index < 0 || index > m_LastIndex) return -1;
    if (m_Sorted) {
        RemoveAt(index);
        return Add(elem);
    }
    std::memcpy(m_Data.data() + static_cast<std::size_t>(index) * m_ElemSize, elem, m_ElemSize);
    return index;
}

void* LArray::GetAt(int index) const {
    // Negative indices are refused like those past the end.
    if (index < 0 || index > m_LastIndex) return nullptr;
    return const_cast<std::uint8_t*>(m_Data.data()) + static_cast<std::size_t>(index) * m_ElemSize;
}

int LArray::CopyAt(void* dst, int index) const {
    const void* src = GetAt(index);
    if (!src) return 0;
    std::memcpy(dst, src, m_ElemSize);
    return 1;
}

int LArray::Find(const void* elem) const {
    if (m_LastIndex < 0) return -1;
    if (m_Sorted) {
        int pos = 0;
        return SortedFind(elem, &pos) ? pos : -1;
    }
    for (int i = 0; i <= m_LastIndex; ++i)
        if (std::memcmp(GetAt(i), elem, m_ElemSize) == 0) return i;
    return -1;
}

void LArray::Remove(const void* elem) { RemoveAt(Find(elem)); }

void LArray::RemoveAt(int index) {
    if (index < 0 || index > m_LastIndex) return;
    auto first = m_Data.begin() + static_cast<std::ptrdiff_t>(index) * m_ElemSize;
    m_Data.erase(first, first + m_ElemSize);
    if (--m_LastIndex < 0) {
        m_Data.clear();
        m_Data.shrink_to_fit();
    }
}

void* LArray::First() {
    m_Cursor = 0;
    return GetAt(m_Cursor);
}

void* LArray::Next() { return GetAt(++m_Cursor); }

void* LArray::Last() {
    m_Cursor = m_LastIndex;
    return GetAt(m_Cursor);
}

void* LArray::Prev() { return GetAt(--m_Cursor); }

int LArray::SortedFind(const void* elem, int* pos) const {
    if (m_LastIndex < 0 || !m_Comparator) {
        *pos = m_LastIndex + 1;
        return 0;
    }
    if (m_Comparator->Compare(GetAt(0), elem) == LComparator::kAfter) {
        *pos = 0;
        return 0;
    }
    if (m_Comparator->Compare(GetAt(m_LastIndex), elem) == LComparator::kBefore) {
        *pos = m_LastIndex + 1;
        return 0;
    }
    int hi = m_LastIndex, lo = 0;
    return Bisect(elem, &hi, &lo, pos);
}

int LArray::Bisect(const void* elem, int* hi, int* lo, int* pos) const {
    for (;;) {
        if (*hi == *lo || *hi == *lo + 1) {
            // Equal elements: the new one goes before the first equal one.
            if (m_Comparator->Compare(GetAt(*lo), elem) == LComparator::kEqual) {
                *pos = *lo;
                return 1;
            }
            int atHi = m_Comparator->Compare(GetAt(*hi), elem);
            if (atHi == LComparator::kEqual) {
                *pos = *hi;
                return 1;
            }
            if (m_Comparator->Compare(GetAt(*lo), elem) == LComparator::kAfter)
                *pos = *lo;
            else
                *pos = atHi == LComparator::kAfter ? *hi : *hi + 1;
            return 0;
        }
        int mid = *lo + (*hi - *lo) / 2;
        int c = m_Comparator->Compare(GetAt(mid), elem);
        if (c == LComparator::kEqual) {
            *pos = mid;
            return 1;
        }
        if (c == LComparator::kAfter)
            *hi = mid;
        else
            *lo = mid;
    }
}

void LArray::SetComparator(LComparator* comparator) {
    if (comparator == m_Comparator) return;
    delete m_Comparator;
    m_Comparator = comparator;
    if (m_Sorted) Sort();
}

int LArray::Sort() {
    if (!m_Comparator) return 0;
    std::vector<std::uint8_t> copy;
    copy.swap(m_Data);
    const int count = m_LastIndex + 1;
    m_LastIndex = -1;
    m_Sorted = 1;
    m_Data.reserve(copy.size());
    for (int i = 0; i < count; ++i) Add(copy.data() + static_cast<std::size_t>(i) * m_ElemSize);
    return 1;
}
