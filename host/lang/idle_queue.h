#pragma once
/// Texts to run when the host is idle: after the current top-level statement of a script, at
/// the shell prompt, or on `flushIdleQueue`. They run in queue order, each as its own top-level
/// text with undo on, and are journalled with origin "idle". Main thread only.

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace tarn::lang {

class IdleQueue {
public:
    /// Appends a text.
    void push(std::string text, bool display = false);
    std::size_t size() const { return m_items.size(); }
    /// Texts waiting, in order.
    std::vector<std::string> pending() const;
    /// Runs the waiting texts, and those they queue, up to kMaxPerFlush (the rest wait for the
    /// next flush, so a text that queues itself cannot hang the host). A flush started while
    /// one is running does nothing. Answers the number of texts run.
    std::size_t flush();
    void clear() { m_items.clear(); }

    static constexpr std::size_t kMaxPerFlush = 10000;

private:
    struct Item {
        std::string text;
        bool display;
    };
    std::deque<Item> m_items;
    bool m_flushing = false;
};

/// The host's idle queue (process-wide).
IdleQueue& idleQueue();

}  // namespace tarn::lang
