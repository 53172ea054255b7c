#include "engine/registry/recursive_cs.h"

#include <utility>

namespace {
std::atomic<int> g_nodeLocks{0};
}  // namespace

TmtRecursiveCS::TmtRecursiveCS(std::string name, bool countAsNodeLock)
    : m_name(std::move(name)), m_counted(countAsNodeLock) {
    if (m_counted) g_nodeLocks.fetch_add(1, std::memory_order_relaxed);
}

TmtRecursiveCS::~TmtRecursiveCS() {
    if (m_counted) g_nodeLocks.fetch_sub(1, std::memory_order_relaxed);
}

int TmtRecursiveCS::nodeLockCount() {
    return g_nodeLocks.load(std::memory_order_relaxed);
}
