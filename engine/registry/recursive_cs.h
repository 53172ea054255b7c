#pragma once
/// The engine's recursive critical section. Node critical sections are named after their node
/// and counted against the engine's node-lock counter, which tells how many node locks exist.

#include <atomic>
#include <mutex>
#include <string>

class TmtRecursiveCS {
public:
    /// A critical section called `name`; `countAsNodeLock` counts it against the node-lock
    /// counter for its whole life.
    explicit TmtRecursiveCS(std::string name, bool countAsNodeLock = false);
    ~TmtRecursiveCS();
    TmtRecursiveCS(const TmtRecursiveCS&) = delete;
    TmtRecursiveCS& operator=(const TmtRecursiveCS&) = delete;

    /// Takes the section; the thread that holds it may take it again (one unlock per lock).
    void lock() { m_mutex.lock(); }
    bool tryLock() { return m_mutex.try_lock(); }
    void unlock() { m_mutex.unlock(); }
    const std::string& name() const { return m_name; }

    /// Node critical sections alive now. Thread safe.
    static int nodeLockCount();

private:
    std::recursive_mutex m_mutex;
    std::string m_name;
    bool m_counted;
};

/// Holds a TmtRecursiveCS for a scope.
class TmtLock {
public:
    explicit TmtLock(TmtRecursiveCS& cs) : m_cs(cs) { m_cs.lock(); }
    ~TmtLock() { m_cs.unlock(); }
    TmtLock(const TmtLock&) = delete;
    TmtLock& operator=(const TmtLock&) = delete;

private:
    TmtRecursiveCS& m_cs;
};
