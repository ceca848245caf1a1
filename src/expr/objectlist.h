// TObjectList: the program's owning list. Deleting or removing an entry
// frees the object; clearing deletes the first entry until the list is
// empty. An entry is unlinked before it is freed, so a destructor that looks
// at or changes the list sees it consistent.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

template <class T> class TObjectList {
public:
    TObjectList() = default;
    TObjectList(const TObjectList&) = delete;
    TObjectList& operator=(const TObjectList&) = delete;
    TObjectList(TObjectList&&) noexcept = default;
    TObjectList& operator=(TObjectList&& other) noexcept
    {
        if (this != &other) {
            Clear();
            items_ = std::move(other.items_);
        }
        return *this;
    }
    ~TObjectList() { Clear(); }

    [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }
    [[nodiscard]] bool Empty() const { return items_.empty(); }
    // The entry at index (0 <= index < Count()); borrowed.
    [[nodiscard]] T* operator[](int index) const { return items_[static_cast<std::size_t>(index)].get(); }
    [[nodiscard]] T* First() const { return items_.empty() ? nullptr : items_.front().get(); }
    [[nodiscard]] T* Last() const { return items_.empty() ? nullptr : items_.back().get(); }

    // Appends object, taking ownership; answers its index.
    int Add(std::unique_ptr<T> object)
    {
        items_.push_back(std::move(object));
        return Count() - 1;
    }
    // Appends every entry of other, in order, leaving other empty.
    void TakeAll(TObjectList& other)
    {
        items_.reserve(items_.size() + other.items_.size());
        for (std::unique_ptr<T>& item : other.items_)
            items_.push_back(std::move(item));
        other.items_.clear();
    }
    // Inserts object before index (clamped to 0..Count()), taking ownership.
    void Insert(int index, std::unique_ptr<T> object)
    {
        index = std::clamp(index, 0, Count());
        items_.insert(items_.begin() + index, std::move(object));
    }
    // The index of object, or -1.
    [[nodiscard]] int IndexOf(const T* object) const
    {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i].get() == object)
                return static_cast<int>(i);
        return -1;
    }
    // Unlinks and frees the entry at index; out-of-range indexes do nothing.
    void Delete(int index)
    {
        if (index < 0 || index >= Count())
            return;
        std::unique_ptr<T> doomed = std::move(items_[static_cast<std::size_t>(index)]);
        items_.erase(items_.begin() + index);
        // doomed is freed here, after the list is consistent again.
    }
    // Unlinks and frees object; answers its former index, or -1 when absent.
    int Remove(const T* object)
    {
        const int index = IndexOf(object);
        Delete(index);
        return index;
    }
    // Unlinks object without freeing it and hands it over (nullptr when absent).
    [[nodiscard]] std::unique_ptr<T> Extract(const T* object)
    {
        const int index = IndexOf(object);
        if (index < 0)
            return nullptr;
        std::unique_ptr<T> taken = std::move(items_[static_cast<std::size_t>(index)]);
        items_.erase(items_.begin() + index);
        return taken;
    }
    // Moves the entry at from so that it ends up at index to.
    void Move(int from, int to)
    {
        if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to)
            return;
        std::unique_ptr<T> item = std::move(items_[static_cast<std::size_t>(from)]);
        items_.erase(items_.begin() + from);
        items_.insert(items_.begin() + to, std::move(item));
    }
    // Exchanges the entries at i and j.
    void Exchange(int i, int j)
    {
        if (i < 0 || i >= Count() || j < 0 || j >= Count())
            return;
        std::swap(items_[static_cast<std::size_t>(i)], items_[static_cast<std::size_t>(j)]);
    }
    // Deletes the first entry until the list is empty.
    void Clear()
    {
        while (!items_.empty())
            Delete(0);
    }

    // Iteration over the borrowed entries.
    class const_iterator {
    public:
        using Base = typename std::vector<std::unique_ptr<T>>::const_iterator;
        explicit const_iterator(Base base) : base_(base) {}
        T* operator*() const { return base_->get(); }
        const_iterator& operator++()
        {
            ++base_;
            return *this;
        }
        bool operator!=(const const_iterator& other) const { return base_ != other.base_; }
        bool operator==(const const_iterator& other) const { return base_ == other.base_; }

    private:
        Base base_;
    };
    [[nodiscard]] const_iterator begin() const { return const_iterator(items_.begin()); }
    [[nodiscard]] const_iterator end() const { return const_iterator(items_.end()); }

private:
    std::vector<std::unique_ptr<T>> items_;
};
