#include "host/scene/shading_memory.h"

#include <algorithm>

#include "host/mesh/face_sources.h"

namespace tarn::scene {

LayoutKey layoutKey(const PolyMesh& mesh) {
    // FNV-1a over the face count, then each face's corner count and vertices.
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&h](std::uint64_t x) {
        for (int i = 0; i < 4; ++i) {
            h ^= (x >> (16 * i)) & 0xffff;
            h *= 1099511628211ull;
        }
    };
    mix(static_cast<std::uint64_t>(mesh.numFaces()));
    for (int f = 0; f < mesh.numFaces(); ++f) {
        const auto verts = mesh.faceVertices(f);
        mix(verts.size());
        for (int v : verts) mix(static_cast<std::uint32_t>(v));
    }
    return {h, mesh.numFaces()};
}

void ShadingMemory::remember(const LayoutKey& layout, FaceGroupRuns runs) {
    std::erase_if(seen, [&](const auto& entry) { return entry.first == layout; });
    seen.emplace_back(layout, std::move(runs));
    if (seen.size() > kLayouts) seen.erase(seen.begin());
}

const FaceGroupRuns* ShadingMemory::recall(const LayoutKey& layout) const {
    for (auto it = seen.rbegin(); it != seen.rend(); ++it)
        if (it->first == layout) return &it->second;
    return nullptr;
}

namespace {

bool uniform(const FaceGroupRuns& runs) {
    return runs.runs().size() <= 1;
}

}  // namespace

FaceGroupRuns carryShading(ShadingMemory& memory, const FaceGroupRuns& groups, const PolyMesh& now,
                           std::vector<int>& sources) {
    sources.clear();
    const int faces = now.numFaces();
    // One group for every face, nothing else remembered: it stays so (the common case, free).
    if (memory.seen.empty() && uniform(memory.base) && uniform(groups) &&
        memory.base.size() == (memory.baseMesh ? memory.baseMesh->numFaces() : 0)) {
        FaceGroupRuns out;
        if (!memory.base.runs().empty()) out.append(memory.base.runs().front().group, faces);
        return out;
    }
    const LayoutKey key = layoutKey(now);
    if (const FaceGroupRuns* known = memory.recall(key)) return *known;
    FaceGroupRuns out;
    if (!memory.baseMesh) {
        out = groups;
        out.resize(faces);
        return out;
    }
    sources = faceSources(*memory.baseMesh, now);
    for (int f = 0; f < faces; ++f) {
        const int from = sources[static_cast<size_t>(f)];
        out.append(from >= 0 && from < memory.base.size() ? memory.base.groupOf(from)
                                                          : std::weak_ptr<NodeImpl>(),
                   1);
    }
    return out;
}

void followAssignment(ShadingMemory& memory, const FaceGroupRuns& groups, const PolyMesh& now,
                      const std::vector<int>& sources) {
    if (!memory.baseMesh) return;
    const int baseFaces = memory.baseMesh->numFaces();
    if (static_cast<int>(sources.size()) != now.numFaces() || groups.size() != now.numFaces())
        return;
    // Per base face: the one group all its pieces are in, or none when they disagree.
    enum class Agree : unsigned char { kNone, kOne, kMixed };
    std::vector<Agree> state(static_cast<size_t>(baseFaces), Agree::kNone);
    std::vector<std::weak_ptr<NodeImpl>> group(static_cast<size_t>(baseFaces));
    for (int f = 0; f < now.numFaces(); ++f) {
        const int from = sources[static_cast<size_t>(f)];
        if (from < 0 || from >= baseFaces) continue;
        const std::weak_ptr<NodeImpl> g = groups.groupOf(f);
        Agree& s = state[static_cast<size_t>(from)];
        if (s == Agree::kNone) {
            s = Agree::kOne;
            group[static_cast<size_t>(from)] = g;
        } else if (s == Agree::kOne && !sameGroup(group[static_cast<size_t>(from)], g)) {
            s = Agree::kMixed;
        }
    }
    FaceGroupRuns base;
    bool changed = false;
    for (int f = 0; f < baseFaces; ++f) {
        const std::weak_ptr<NodeImpl> was =
            f < memory.base.size() ? memory.base.groupOf(f) : std::weak_ptr<NodeImpl>();
        const bool take = state[static_cast<size_t>(f)] == Agree::kOne;
        const std::weak_ptr<NodeImpl> g = take ? group[static_cast<size_t>(f)] : was;
        changed |= !sameGroup(g, was) || f >= memory.base.size();
        base.append(g, 1);
    }
    if (changed) {
        memory.base = std::move(base);
        // Other layouts were remembered under the old base: they would show it again.
        memory.seen.clear();
    }
    memory.remember(layoutKey(now), groups);
}

}  // namespace tarn::scene
