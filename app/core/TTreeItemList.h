#pragma once

#include "TTreeItem.h"

#include <cstddef>
#include <deque>
#include <vector>

// A tree's items in walk order, each left where it was made: a large tree has many, and moving
// them into one table would be a pass over all of them. Items never move once added.
class TTreeItemList
{
public:
    class const_iterator
    {
    public:
        explicit const_iterator(std::vector<TTreeItem*>::const_iterator at) : m_at(at) {}
        const TTreeItem& operator*() const { return **m_at; }
        const TTreeItem* operator->() const { return *m_at; }
        const_iterator& operator++()
        {
            ++m_at;
            return *this;
        }
        bool operator==(const const_iterator&) const = default;

    private:
        std::vector<TTreeItem*>::const_iterator m_at;
    };

    [[nodiscard]] std::size_t size() const { return m_order.size(); }
    [[nodiscard]] bool empty() const { return m_order.empty(); }
    [[nodiscard]] const TTreeItem& operator[](std::size_t index) const { return *m_order[index]; }
    [[nodiscard]] TTreeItem& front() { return *m_order.front(); }
    [[nodiscard]] const_iterator begin() const { return const_iterator(m_order.cbegin()); }
    [[nodiscard]] const_iterator end() const { return const_iterator(m_order.cend()); }

    void clear()
    {
        m_order.clear();
        m_loose.clear();
        m_blocks.clear();
    }
    void reserve(std::size_t count) { m_order.reserve(count); }
    // Adds one item made on its own.
    void push_back(TTreeItem item)
    {
        m_loose.push_back(std::move(item));
        m_order.push_back(&m_loose.back());
    }
    // Keeps a block of items where it is, in no place yet: Add gives them theirs.
    TTreeItems& Keep(TTreeItems block) { return m_blocks.emplace_back(std::move(block)); }
    // Adds an item of a block kept.
    void Add(TTreeItem& kept) { m_order.push_back(&kept); }

private:
    std::vector<TTreeItem*> m_order;
    std::deque<TTreeItem> m_loose;
    std::deque<TTreeItems> m_blocks;
};
