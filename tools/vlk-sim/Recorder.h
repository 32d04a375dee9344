#pragma once

// One list of what the simulator saw or did, shared between its serving thread (which adds) and
// the tests (which read copies).

#include <cstddef>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

namespace vlk::sim {

// Thread-safe and bounded: when an addition takes it past `limit` entries, the oldest half goes, so
// that a simulator left running for days stays small.
template <class T>
class Recorder {
public:
    explicit Recorder(std::size_t limit) : m_limit(limit) {}

    void Add(T item)
    {
        std::lock_guard lock(m_mutex);
        m_items.push_back(std::move(item));
        Trim();
    }
    template <class It>
    void Add(It first, It last)
    {
        std::lock_guard lock(m_mutex);
        m_items.insert(m_items.end(), first, last);
        Trim();
    }
    [[nodiscard]] std::vector<T> Copy() const
    {
        std::lock_guard lock(m_mutex);
        return m_items;
    }
    [[nodiscard]] std::size_t Size() const
    {
        std::lock_guard lock(m_mutex);
        return m_items.size();
    }
    void Clear()
    {
        std::lock_guard lock(m_mutex);
        m_items.clear();
    }

private:
    void Trim()
    {
        if (m_items.size() > m_limit)
            m_items.erase(m_items.begin(), m_items.begin() + static_cast<std::ptrdiff_t>(m_items.size() / 2));
    }

    const std::size_t m_limit;
    mutable std::mutex m_mutex;
    std::vector<T> m_items;
};

} // namespace vlk::sim
