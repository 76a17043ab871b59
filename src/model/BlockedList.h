// A sorted sequence kept in blocks of a few hundred elements: putting one in or taking one out
// moves at most a block, where a single array of 100,000 would move half of it each time; an
// element's index is the sizes of the blocks before it added up.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

template <class T, class Less> class BlockedList
{
public:
    size_t size() const { return count; }
    void clear()
    {
        blocks.clear();
        count = 0;
        Forget();
    }
    /// Replaces the contents by elements already sorted.
    void assign(const std::vector<T>& sorted)
    {
        clear();
        for (size_t first = 0; first < sorted.size(); first += kFill)
            blocks.emplace_back(sorted.begin() + static_cast<std::ptrdiff_t>(first),
                                sorted.begin() + static_cast<std::ptrdiff_t>(std::min(first + kFill, sorted.size())));
        count = sorted.size();
    }
    std::vector<T> to_vector() const
    {
        std::vector<T> all;
        all.reserve(count);
        for (const std::vector<T>& block : blocks)
            all.insert(all.end(), block.begin(), block.end());
        return all;
    }
    template <class Visit> void for_each(Visit visit) const
    {
        for (const std::vector<T>& block : blocks)
            std::for_each(block.begin(), block.end(), visit);
    }
    /// How many elements come before probe.
    size_t lower_bound(const T& probe) const
    {
        const size_t at = BlockOf([&](const T& last) { return less(last, probe); });
        if (at == blocks.size())
            return count;
        const std::vector<T>& block = blocks[at];
        return Start(at) + static_cast<size_t>(std::lower_bound(block.begin(), block.end(), probe, less) - block.begin());
    }
    /// Puts value after those not greater; its index.
    size_t insert(const T& value)
    {
        Forget();
        ++count;
        if (blocks.empty())
        {
            blocks.push_back({value});
            return 0;
        }
        const size_t at = std::min(BlockOf([&](const T& last) { return !less(value, last); }), blocks.size() - 1);
        std::vector<T>& block = blocks[at];
        const auto place = std::upper_bound(block.begin(), block.end(), value, less);
        const size_t index = Start(at) + static_cast<size_t>(place - block.begin());
        block.insert(place, value);
        if (block.size() >= 2 * kFill)
        {
            std::vector<T> upper(block.begin() + kFill, block.end());
            block.resize(kFill);
            blocks.insert(blocks.begin() + static_cast<std::ptrdiff_t>(at) + 1, std::move(upper));
        }
        return index;
    }
    /// Takes out that element, which must be present; the index it had.
    size_t erase(const T& value)
    {
        Forget();
        const size_t at = BlockOf([&](const T& last) { return less(last, value); });
        std::vector<T>& block = blocks[at];
        const auto place = std::lower_bound(block.begin(), block.end(), value, less);
        const size_t index = Start(at) + static_cast<size_t>(place - block.begin());
        block.erase(place);
        --count;
        if (block.empty())
            blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(at));
        return index;
    }
    /// The element at index; going through the elements in order costs a step each.
    const T& at(size_t index) const
    {
        if (index < cachedStart)
            Forget();
        while (index >= cachedStart + blocks[cachedBlock].size())
            cachedStart += blocks[cachedBlock++].size();
        return blocks[cachedBlock][index - cachedStart];
    }

private:
    static constexpr size_t kFill = 256;
    // The first block whose last element does not pass; as many as there are blocks if all do.
    template <class Passes> size_t BlockOf(Passes passes) const
    {
        return static_cast<size_t>(
            std::partition_point(blocks.begin(), blocks.end(), [&](const std::vector<T>& block) { return passes(block.back()); }) -
            blocks.begin());
    }
    size_t Start(size_t block) const
    {
        size_t start = 0;
        for (size_t i = 0; i < block; ++i)
            start += blocks[i].size();
        return start;
    }
    void Forget() const
    {
        cachedBlock = 0;
        cachedStart = 0;
    }

    std::vector<std::vector<T>> blocks;
    size_t count = 0;
    Less less;
    // Where at() found the last element: the next one is mostly in the same block.
    mutable size_t cachedBlock = 0;
    mutable size_t cachedStart = 0;
};
