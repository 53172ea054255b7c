#include "host/scene/face_group_runs.h"

#include <algorithm>

namespace tarn::scene {

bool sameGroup(const std::weak_ptr<NodeImpl>& a, const std::weak_ptr<NodeImpl>& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}

void FaceGroupRuns::clear() {
    m_runs.clear();
    m_starts.clear();
    m_size = 0;
}

void FaceGroupRuns::append(const std::weak_ptr<NodeImpl>& group, int count) {
    if (count <= 0) return;
    m_starts.clear();
    m_size += count;
    if (!m_runs.empty() && sameGroup(m_runs.back().group, group)) {
        m_runs.back().count += count;
        return;
    }
    m_runs.push_back({group, count});
}

void FaceGroupRuns::resize(int faces) {
    faces = std::max(faces, 0);
    if (faces >= m_size) {
        append({}, faces - m_size);
        return;
    }
    m_starts.clear();
    // Drop whole runs past the end, then shorten the last one kept.
    while (!m_runs.empty() && m_size - m_runs.back().count >= faces) {
        m_size -= m_runs.back().count;
        m_runs.pop_back();
    }
    if (!m_runs.empty()) {
        m_runs.back().count -= m_size - faces;
        m_size = faces;
    }
}

void FaceGroupRuns::fill(const std::weak_ptr<NodeImpl>& group) {
    const int faces = m_size;
    clear();
    append(group, faces);
}

void FaceGroupRuns::assign(std::span<const int> faces, const std::weak_ptr<NodeImpl>& group) {
    if (faces.empty()) return;
    std::vector<int> sorted(faces.begin(), faces.end());
    if (!std::is_sorted(sorted.begin(), sorted.end())) std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());

    // Merge the old runs with the ranges of listed faces into a new list.
    FaceGroupRuns out;
    out.m_runs.reserve(m_runs.size() + 2);
    size_t run = 0;
    int runStart = 0;  // first face of m_runs[run]
    int at = 0;        // next face to place
    auto copyOld = [&](int end) {
        while (at < end) {
            while (runStart + m_runs[run].count <= at) runStart += m_runs[run++].count;
            const int n = std::min(end, runStart + m_runs[run].count) - at;
            out.append(m_runs[run].group, n);
            at += n;
        }
    };
    for (size_t i = 0; i < sorted.size();) {
        size_t j = i + 1;
        while (j < sorted.size() && sorted[j] == sorted[j - 1] + 1) ++j;
        copyOld(sorted[i]);
        const int n = static_cast<int>(j - i);
        out.append(group, n);
        at += n;
        i = j;
    }
    copyOld(m_size);
    *this = std::move(out);
}

std::weak_ptr<NodeImpl> FaceGroupRuns::groupOf(int face) const {
    if (face < 0 || face >= m_size) return {};
    if (m_starts.size() != m_runs.size()) {
        m_starts.resize(m_runs.size());
        int start = 0;
        for (size_t r = 0; r < m_runs.size(); ++r) {
            m_starts[r] = start;
            start += m_runs[r].count;
        }
    }
    const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), face);
    return m_runs[static_cast<size_t>(it - m_starts.begin()) - 1].group;
}

}  // namespace tarn::scene
