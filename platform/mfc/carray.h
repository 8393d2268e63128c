#pragma once
// CArray: MFC's growable array, kept in a std::vector. Indexes are int as in MFC code.
// A stale index cannot reach memory outside the array: reads outside it give a
// value-initialized element (nullptr in an array of pointers), writes there are dropped,
// and inserts or removals at an invalid position change nothing. The array holds its
// elements as values; an array of pointers never deletes what they point to.
#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <utility>
#include <vector>

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray {
    static_assert(!std::is_same_v<TYPE, bool>, "std::vector<bool> cannot hand out element references");

public:
    using iterator = typename std::vector<TYPE>::iterator;
    using const_iterator = typename std::vector<TYPE>::const_iterator;

    int GetSize() const noexcept { return static_cast<int>(m_items.size()); }
    int GetCount() const noexcept { return GetSize(); }
    int GetUpperBound() const noexcept { return GetSize() - 1; }
    bool IsEmpty() const noexcept { return m_items.empty(); }

    // New elements are value-initialized. growBy is accepted for MFC code and not needed.
    void SetSize(int newSize, int growBy = -1) {
        static_cast<void>(growBy);
        m_items.resize(std::max(newSize, 0));
    }
    void FreeExtra() { m_items.shrink_to_fit(); }

    const TYPE& GetAt(int index) const { return Valid(index) ? m_items[index] : Missing(); }
    const TYPE& operator[](int index) const { return GetAt(index); }
    // Outside the array these return a scratch element: whatever is written there is lost.
    TYPE& ElementAt(int index) { return Valid(index) ? m_items[index] : Scratch(); }
    TYPE& operator[](int index) { return ElementAt(index); }

    void SetAt(int index, ARG_TYPE element) {
        if (Valid(index)) m_items[index] = element;
    }
    // Grows the array when `index` lies past its end; a negative index does nothing.
    void SetAtGrow(int index, ARG_TYPE element) {
        if (index < 0) return;
        TYPE copy(element);  // `element` may refer into the array about to grow
        if (index >= GetSize()) m_items.resize(index + 1);
        m_items[index] = std::move(copy);
    }

    const TYPE* GetData() const noexcept { return m_items.data(); }
    TYPE* GetData() noexcept { return m_items.data(); }

    // Returns the index of the new element.
    int Add(ARG_TYPE element) {
        m_items.push_back(element);
        return GetUpperBound();
    }

    // `index` may be 0 to GetSize(); otherwise nothing happens.
    void InsertAt(int index, ARG_TYPE element, int count = 1) {
        if (index < 0 || index > GetSize() || count <= 0) return;
        const std::size_t oldSize = m_items.size();
        m_items.resize(oldSize + count, element);  // resize copes with `element` inside the array
        MoveTailTo(index, oldSize);
    }
    void InsertAt(int index, const CArray* source) {
        if (!source || index < 0 || index > GetSize()) return;
        const std::size_t oldSize = m_items.size(), added = source->m_items.size();
        m_items.reserve(oldSize + added);  // no reallocation below, even when source is this array
        for (std::size_t i = 0; i < added; ++i) m_items.push_back(source->m_items[i]);
        MoveTailTo(index, oldSize);
    }

    // Removes up to `count` elements from `index` on; an index outside the array does nothing.
    void RemoveAt(int index, int count = 1) {
        if (!Valid(index) || count <= 0) return;
        const auto first = m_items.begin() + index;
        m_items.erase(first, first + std::min(count, GetSize() - index));
    }
    void RemoveAll() noexcept { m_items.clear(); }

    // Appends a copy of `source` and returns the index of its first element here.
    int Append(const CArray& source) {
        const int start = GetSize();
        InsertAt(start, &source);
        return start;
    }
    void Copy(const CArray& source) {
        if (&source != this) m_items = source.m_items;
    }

    iterator begin() noexcept { return m_items.begin(); }
    iterator end() noexcept { return m_items.end(); }
    const_iterator begin() const noexcept { return m_items.begin(); }
    const_iterator end() const noexcept { return m_items.end(); }

private:
    // Inserts by appending and rotating the new elements into place: the same work as
    // vector::insert, whose inlined code g++ 12 misreports under -Wstringop-overread.
    void MoveTailTo(int index, std::size_t oldSize) {
        std::rotate(m_items.begin() + index, m_items.begin() + static_cast<std::ptrdiff_t>(oldSize), m_items.end());
    }

    bool Valid(int index) const noexcept { return index >= 0 && index < GetSize(); }

    static const TYPE& Missing() {
        static const TYPE value{};
        return value;
    }
    static TYPE& Scratch() {
        thread_local TYPE value{};
        value = TYPE{};
        return value;
    }

    std::vector<TYPE> m_items;
};

#pragma GCC visibility pop
