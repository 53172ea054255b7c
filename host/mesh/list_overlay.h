#pragma once
/// Lists of ints keyed by element id that stand in for the lists of a base table: an edited
/// mesh keeps the adjacency lists its edits changed here, and reads every other list from the
/// table built before its first edit.
///
/// Storage is flat: one slot index per key and one pool holding every list, so finding a list
/// is two array reads and a list rewritten at its size or smaller stays where it is. A list that
/// outgrows its room moves to the pool's end; the pool is packed again once more than half of it
/// is left behind that way, so its size stays within a small factor of the lists it holds.
/// Keys are never dropped: a key set once reads from here from then on (an empty list included).

#include <algorithm>
#include <cstddef>
#include <span>
#include <vector>

namespace tarn::detail {

class ListOverlay {
public:
    /// The list set for `key` in `out`; false (out untouched) when the key was never set.
    bool find(int key, std::span<const int>& out) const {
        if (key < 0 || static_cast<size_t>(key) >= m_slot.size()) return false;
        const int s = m_slot[static_cast<size_t>(key)];
        if (s < 0) return false;
        const Entry& e = m_entries[static_cast<size_t>(s)];
        out = {m_pool.data() + e.offset, static_cast<size_t>(e.size)};
        return true;
    }

    /// Makes `items` the list of `key` (key >= 0). `items` may be a list of this overlay.
    void set(int key, std::span<const int> items) {
        const size_t n = items.size();
        const int* src = outsidePool(items);
        std::copy(src, src + n, room(key, n));
        packIfSparse();
    }

    /// Makes the list of `key` `current` with `item` inserted before index `at` (add) or with
    /// its item at `at` taken out. `current` may be a list of this overlay; when it is the
    /// key's own list and the result fits its room, the list is edited where it stands.
    void edit(int key, std::span<const int> current, size_t at, int item, bool add) {
        const size_t was = current.size(), n = add ? was + 1 : was - 1;
        if (key >= 0 && static_cast<size_t>(key) < m_slot.size() &&
            m_slot[static_cast<size_t>(key)] >= 0) {
            Entry& e = m_entries[static_cast<size_t>(m_slot[static_cast<size_t>(key)])];
            int* own = m_pool.data() + e.offset;
            if (current.data() == own && n <= static_cast<size_t>(e.room)) {
                if (add) {
                    std::copy_backward(own + at, own + was, own + was + 1);
                    own[at] = item;
                } else {
                    std::copy(own + at + 1, own + was, own + at);
                }
                e.size = static_cast<int>(n);
                return;
            }
        }
        const int* src = outsidePool(current);
        int* out = room(key, n);
        std::copy(src, src + at, out);
        if (add) {
            out[at] = item;
            std::copy(src + at, src + was, out + at + 1);
        } else {
            std::copy(src + at + 1, src + was, out + at);
        }
        packIfSparse();
    }

    /// Sets `key` to the empty list.
    void clear(int key) { set(key, {}); }

    /// Keys set so far (for tests and diagnostics).
    size_t numLists() const { return m_entries.size(); }
    /// Ints held by the pool, lists and their spare room together (for tests and diagnostics).
    size_t poolSize() const { return m_used; }

private:
    struct Entry {
        int offset = 0, size = 0, room = 0;
    };
    static constexpr size_t kMinRoom = 4;
    static constexpr size_t kPackFloor = 4096;

    // `items`, or a copy of them when they live in the pool (which placing a list may move).
    const int* outsidePool(std::span<const int> items) {
        const int* src = items.data();
        if (!items.empty() && src >= m_pool.data() && src < m_pool.data() + m_pool.size()) {
            m_copy.assign(items.begin(), items.end());
            src = m_copy.data();
        }
        return src;
    }

    // Where the n ints of key's list go: its room when they fit, else fresh room at the pool's
    // end. The list's size becomes n; its contents are the caller's to write.
    int* room(int key, size_t n) {
        if (static_cast<size_t>(key) >= m_slot.size())
            m_slot.resize(std::max(static_cast<size_t>(key) + 1, m_slot.size() + m_slot.size() / 2),
                          -1);
        int& s = m_slot[static_cast<size_t>(key)];
        if (s < 0) {
            s = static_cast<int>(m_entries.size());
            m_entries.push_back(place(std::max(n, kMinRoom)));
        } else if (n > static_cast<size_t>(m_entries[static_cast<size_t>(s)].room)) {
            m_garbage += static_cast<size_t>(m_entries[static_cast<size_t>(s)].room);
            m_entries[static_cast<size_t>(s)] = place(2 * n);
        }
        Entry& e = m_entries[static_cast<size_t>(s)];
        e.size = static_cast<int>(n);
        return m_pool.data() + e.offset;
    }

    void packIfSparse() {
        if (m_garbage > kPackFloor && 2 * m_garbage > m_used) pack();
    }

    // Room at the end of the used part of the pool; the pool itself grows by doubling, so that
    // placing a list seldom reallocates.
    Entry place(size_t room) {
        Entry e;
        e.offset = static_cast<int>(m_used);
        e.room = static_cast<int>(room);
        m_used += room;
        if (m_used > m_pool.size()) m_pool.resize(std::max(m_used, 2 * m_pool.size()));
        return e;
    }

    // Copies every list into a fresh pool, each keeping its room.
    void pack() {
        std::vector<int> pool;
        pool.reserve(m_used - m_garbage);
        for (Entry& e : m_entries) {
            const int offset = static_cast<int>(pool.size());
            pool.insert(pool.end(), m_pool.begin() + e.offset, m_pool.begin() + e.offset + e.room);
            e.offset = offset;
        }
        m_pool = std::move(pool);
        m_used = m_pool.size();
        m_garbage = 0;
    }

    std::vector<int> m_slot;  // per key: index into m_entries, -1 when not set
    std::vector<Entry> m_entries;
    std::vector<int> m_pool;  // lists in [0, m_used); the rest is room to grow into
    size_t m_used = 0;
    size_t m_garbage = 0;     // pool ints no list uses any more
    std::vector<int> m_copy;  // holds items that alias the pool while they are placed
};

}  // namespace tarn::detail
