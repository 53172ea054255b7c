#pragma once
/// What the edit operations (mesh_edit_ops.cpp, mesh_join_ops.cpp) share: ending a session
/// (checked, rolled back on failure), id checks and their messages, and polling for a stop.
/// Internal to host/mesh.

#include <string>
#include <vector>

#include "host/mesh/mesh_edit_ops.h"

namespace tarn::detail {

/// Asks the caller's stop check every `every` calls (the first call asks too).
class StopPoll {
public:
    explicit StopPoll(const StopCheck& check, int every = 1) : m_check(check), m_every(every) {}
    bool operator()() {
        if (!m_check) return false;
        if (m_count++ % m_every != 0) return false;
        return m_check();
    }

private:
    const StopCheck& m_check;
    int m_every;
    long long m_count = 0;
};

/// Ends a session that went through: refuses it (rolled back) when it leaves an edge with more
/// faces than two that had fewer before, else hands the record to `out`.
OpStatus finishEdit(MeshEditor& ed, int verticesBefore, EditResult* out);

/// Rolls a failed session back and reports why.
OpStatus rollBack(MeshEditor& ed, std::string why);

/// "edge 9 does not exist (the mesh has 8 edges)".
OpStatus noSuch(const char* kind, int id, int count, const char* plural);

/// Fails for the first of `ids` outside [0, count).
OpStatus checkIds(const std::vector<int>& ids, int count, const char* kind, const char* plural);

}  // namespace tarn::detail
