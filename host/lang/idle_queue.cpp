#include "host/lang/idle_queue.h"

#include "host/lang/execute.h"

namespace tarn::lang {

void IdleQueue::push(std::string text, bool display) {
    m_items.push_back(Item{std::move(text), display});
}

std::vector<std::string> IdleQueue::pending() const {
    std::vector<std::string> out;
    for (const auto& i : m_items) out.push_back(i.text);
    return out;
}

std::size_t IdleQueue::flush() {
    // A stopped run (a script ended by a signal) leaves queued texts unrun.
    if (m_flushing || hostInterpreter().stopRequested()) return 0;
    m_flushing = true;
    std::size_t n = 0;
    while (!m_items.empty() && n < kMaxPerFlush) {
        Item item = std::move(m_items.front());
        m_items.pop_front();
        ExecuteOptions o;
        o.display = item.display;
        o.undo = true;
        o.origin = "idle";
        executeText(item.text, o);
        ++n;
    }
    m_flushing = false;
    return n;
}

IdleQueue& idleQueue() {
    static IdleQueue* q = new IdleQueue;  // lives until exit, like the host
    return *q;
}

}  // namespace tarn::lang
