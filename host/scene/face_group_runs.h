#pragma once
/// Which shading group each face of a mesh is in, kept as runs of consecutive faces that share
/// a group: a whole mesh in one group is one run whatever its size. Groups are held weakly; an
/// empty or expired entry means "no group" to readers that check. Main thread only.

#include <memory>
#include <span>
#include <vector>

namespace tarn {
class NodeImpl;
}

namespace tarn::scene {

class FaceGroupRuns {
public:
    struct Run {
        std::weak_ptr<NodeImpl> group;  // empty: no group
        int count = 0;                  // faces in the run, > 0
    };

    /// Number of faces covered (the sum of the run counts).
    int size() const { return m_size; }
    /// The runs in face order; neighbouring runs never hold the same group.
    const std::vector<Run>& runs() const { return m_runs; }
    /// Covers exactly `faces` faces (>= 0): extra faces are dropped from the end, new ones are
    /// added at the end in no group.
    void resize(int faces);
    /// Puts every covered face in `group`.
    void fill(const std::weak_ptr<NodeImpl>& group);
    /// Puts the listed faces in `group`. Every face must be in [0, size()); repeats and any
    /// order are fine. O(runs + faces log faces).
    void assign(std::span<const int> faces, const std::weak_ptr<NodeImpl>& group);
    /// Adds `count` (>= 0) faces in `group` at the end.
    void append(const std::weak_ptr<NodeImpl>& group, int count);
    /// The group of face `face` in [0, size()). O(log runs) after the first call following an
    /// edit.
    std::weak_ptr<NodeImpl> groupOf(int face) const;
    void clear();

private:
    std::vector<Run> m_runs;
    int m_size = 0;
    mutable std::vector<int> m_starts;  // first face of each run, built on demand by groupOf
};

/// True when `a` and `b` refer to the same group (or both to none), expired or not.
bool sameGroup(const std::weak_ptr<NodeImpl>& a, const std::weak_ptr<NodeImpl>& b);

}  // namespace tarn::scene
