#pragma once
// Growable arrays with a fixed lower bound (0 or 1) and a growth delta, and owning
// pointer arrays with an optional fixed capacity. Indices passed to operator[],
// Detach, Destroy and AddAt count from the lower bound.

#include <algorithm>
#include <compare>
#include <cstddef>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

namespace kv {
// Passed to an allocator's construct by TArrayAsVector::ResizeForOverwrite: the
// element is to be left as its storage holds it (see LargeBlockAllocator). An
// allocator that knows nothing of it makes a value-initialized element.
struct ForOverwrite {
    template <class T>
    operator T() const {
        return T();
    }
};

// ForOverwrite n times over, for inserting n elements in one step.
class ForOverwriteRun {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = ForOverwrite;
    using difference_type = std::ptrdiff_t;
    using pointer = const ForOverwrite*;
    using reference = ForOverwrite;

    ForOverwriteRun() = default;
    explicit ForOverwriteRun(difference_type i) : i_(i) {}
    ForOverwrite operator*() const { return {}; }
    ForOverwrite operator[](difference_type) const { return {}; }
    ForOverwriteRun& operator++() { ++i_; return *this; }
    ForOverwriteRun operator++(int) { return ForOverwriteRun(i_++); }
    ForOverwriteRun& operator--() { --i_; return *this; }
    ForOverwriteRun operator--(int) { return ForOverwriteRun(i_--); }
    ForOverwriteRun& operator+=(difference_type n) { i_ += n; return *this; }
    ForOverwriteRun& operator-=(difference_type n) { i_ -= n; return *this; }
    friend ForOverwriteRun operator+(ForOverwriteRun a, difference_type n) { return a += n; }
    friend ForOverwriteRun operator+(difference_type n, ForOverwriteRun a) { return a += n; }
    friend ForOverwriteRun operator-(ForOverwriteRun a, difference_type n) { return a -= n; }
    friend difference_type operator-(ForOverwriteRun a, ForOverwriteRun b) { return a.i_ - b.i_; }
    friend auto operator<=>(ForOverwriteRun, ForOverwriteRun) = default;

private:
    difference_type i_ = 0;
};
}  // namespace kv

// A growable array of values. Alloc provides the storage (large numeric columns
// use one that suits big blocks).
template <class T, class Alloc = std::allocator<T>>
class TArrayAsVector {
public:
    explicit TArrayAsVector(int upper = 0, int lower = 0, int delta = 10)
        : lower_(lower), delta_(delta) {
        if (upper >= lower) items_.reserve(std::size_t(upper - lower + 1));
    }

    bool Add(const T& v) {
        Grow();
        items_.push_back(v);
        return true;
    }
    // Inserts before the element at index loc (loc may be one past the end).
    bool AddAt(const T& v, int loc) {
        int i = loc - lower_;
        if (i < 0 || i > int(items_.size())) return false;
        Grow();
        items_.insert(items_.begin() + i, v);
        return true;
    }
    bool Detach(int loc) {
        int i = loc - lower_;
        if (i < 0 || i >= int(items_.size())) return false;
        items_.erase(items_.begin() + i);
        return true;
    }
    void Flush() { items_.clear(); }
    // Sets the element count; the elements it grows by are value-initialized.
    void Resize(std::size_t n) { items_.resize(n); }
    // Sets the element count with room for exactly n, leaving the elements it
    // grows by as the storage holds them: the caller writes each one before
    // anything reads it. A million elements are then not set twice, and the pages
    // of room that is never written are never touched. Where Alloc cannot leave
    // an element unset (it is not LargeBlockAllocator), the elements are
    // value-initialized all the same.
    void ResizeForOverwrite(std::size_t n) {
        if (n <= items_.size()) {
            items_.erase(items_.begin() + std::ptrdiff_t(n), items_.end());
            return;
        }
        if (n > items_.capacity()) items_.reserve(n);
        items_.insert(items_.end(), kv::ForOverwriteRun(0), kv::ForOverwriteRun(std::ptrdiff_t(n - items_.size())));
    }

    int GetItemsInContainer() const { return int(items_.size()); }
    bool IsEmpty() const { return items_.empty(); }
    int LowerBound() const { return lower_; }
    int UpperBound() const { return lower_ + int(items_.size()) - 1; }
    int Delta() const { return delta_; }
    bool IsValidIndex(int loc) const {
        return loc >= lower_ && loc - lower_ < int(items_.size());
    }

    T& operator[](int loc) { return items_[std::size_t(loc - lower_)]; }
    const T& operator[](int loc) const { return items_[std::size_t(loc - lower_)]; }

    // Index of the first element equal to v, or lower bound - 1 when there is none.
    int Find(const T& v) const {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i] == v) return lower_ + int(i);
        return lower_ - 1;
    }

    // Contiguous storage of the elements, for numeric loops.
    T* data() { return items_.data(); }
    const T* data() const { return items_.data(); }
    void Reserve(std::size_t n) { items_.reserve(n); }
    bool operator==(const TArrayAsVector& o) const { return items_ == o.items_; }

private:
    void Grow() {
        // Grow by whole deltas as the framework did, so a large column does not
        // reallocate once per row.
        if (items_.size() == items_.capacity() && delta_ > 0) {
            std::size_t step = std::max<std::size_t>(std::size_t(delta_), items_.size() / 2);
            items_.reserve(items_.size() + step);
        }
    }

    std::vector<T, Alloc> items_;
    int lower_;
    int delta_;
};

// An owning array of object pointers. A capacity above 0 is fixed: appending to a
// full array fails and the caller keeps ownership of what it tried to add.
template <class T>
class TIArrayAsVector {
public:
    explicit TIArrayAsVector(int lower = 1, int delta = 10, int fixedCapacity = 0)
        : lower_(lower), delta_(delta), capacity_(fixedCapacity) {}
    TIArrayAsVector(const TIArrayAsVector&) = delete;
    TIArrayAsVector& operator=(const TIArrayAsVector&) = delete;
    TIArrayAsVector(TIArrayAsVector&&) noexcept = default;
    TIArrayAsVector& operator=(TIArrayAsVector&&) noexcept = default;
    ~TIArrayAsVector() = default;

    bool IsFull() const { return capacity_ > 0 && int(items_.size()) >= capacity_; }

    // Takes ownership on success; on failure the caller still owns p.
    bool Add(T* p) {
        if (IsFull()) return false;
        items_.emplace_back(p);
        return true;
    }
    bool Add(std::unique_ptr<T>& p) {
        if (IsFull()) return false;
        items_.push_back(std::move(p));
        return true;
    }
    // Inserts before index loc (loc may be one past the end).
    bool AddAt(T* p, int loc) {
        int i = loc - lower_;
        if (IsFull() || i < 0 || i > int(items_.size())) return false;
        items_.insert(items_.begin() + i, std::unique_ptr<T>(p));
        return true;
    }
    // Removes the element at loc and hands it to the caller.
    T* Detach(int loc) {
        int i = loc - lower_;
        if (i < 0 || i >= int(items_.size())) return nullptr;
        T* p = items_[std::size_t(i)].release();
        items_.erase(items_.begin() + i);
        return p;
    }
    // Removes and destroys the element at loc.
    bool Destroy(int loc) {
        int i = loc - lower_;
        if (i < 0 || i >= int(items_.size())) return false;
        items_.erase(items_.begin() + i);
        return true;
    }
    void Flush() { items_.clear(); }

    int GetItemsInContainer() const { return int(items_.size()); }
    bool IsEmpty() const { return items_.empty(); }
    int LowerBound() const { return lower_; }
    int UpperBound() const { return lower_ + int(items_.size()) - 1; }
    int Capacity() const { return capacity_; }
    bool IsValidIndex(int loc) const {
        return loc >= lower_ && loc - lower_ < int(items_.size());
    }

    T* operator[](int loc) const { return items_[std::size_t(loc - lower_)].get(); }
    T* At(int loc) const { return IsValidIndex(loc) ? (*this)[loc] : nullptr; }

    // Index of the element p, or lower bound - 1 when it is not held.
    int Find(const T* p) const {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i].get() == p) return lower_ + int(i);
        return lower_ - 1;
    }
    // Exchanges the elements at two indices.
    void Swap(int a, int b) { std::swap(items_[std::size_t(a - lower_)], items_[std::size_t(b - lower_)]); }

    // Iteration over the held pointers, in order.
    class iterator {
    public:
        explicit iterator(typename std::vector<std::unique_ptr<T>>::const_iterator it) : it_(it) {}
        T* operator*() const { return it_->get(); }
        iterator& operator++() { ++it_; return *this; }
        bool operator!=(const iterator& o) const { return it_ != o.it_; }
    private:
        typename std::vector<std::unique_ptr<T>>::const_iterator it_;
    };
    iterator begin() const { return iterator(items_.cbegin()); }
    iterator end() const { return iterator(items_.cend()); }

private:
    std::vector<std::unique_ptr<T>> items_;
    int lower_;
    int delta_;
    int capacity_;
};
