#include "host/mesh/edge_count.h"

#include <cstddef>
#include <vector>

namespace tarn {
namespace {

// The higher-numbered end points met so far at one vertex: the first few in half a cache line
// (so a lookup usually touches one line), the rest in a list of spilled links.
struct alignas(32) Bucket {
    static constexpr int kSlots = 6;
    int size;
    int other[kSlots];
    int spill;  // first spilled link, -1 none
};

struct Link {
    int other;
    int next;  // -1 at the end
};

// Kept between counts so that counting the meshes of an import faults in no fresh pages;
// dropped when they grow past kKeepBytes.
struct Scratch {
    std::vector<Bucket> buckets;
    std::vector<Link> links;
};
Scratch& scratch() {
    static Scratch s;
    return s;
}
constexpr size_t kKeepBytes = size_t(16) << 20;

}  // namespace

int countEdgesQuick(std::span<const int> faceOffsets, std::span<const int> faceVerts,
                    int numVertices) {
    if (faceOffsets.size() < 2 || numVertices <= 0) return 0;
    std::vector<Bucket>& buckets = scratch().buckets;
    std::vector<Link>& links = scratch().links;
    buckets.resize(static_cast<size_t>(numVertices));
    for (Bucket& b : buckets) b.size = 0, b.spill = -1;
    links.clear();
    const int* verts = faceVerts.data();
    int count = 0;
    bool full = false;
    // Spilled lists grow quadratically around a vertex with very many higher-numbered
    // neighbours: past this many steps the count is left to the caller's walk.
    const size_t stepLimit = 8 * faceVerts.size() + 4096;
    size_t steps = 0;
    // List each edge once at its lower-numbered end point.
    const size_t faces = faceOffsets.size() - 1;
    for (size_t f = 0; f < faces && !full; ++f) {
        const int first = faceOffsets[f], last = faceOffsets[f + 1];
        for (int c = first; c < last; ++c) {
            const int a = verts[c], b = verts[c + 1 < last ? c + 1 : first];
            const int key = a < b ? a : b, other = a ^ b ^ key;
            Bucket& bucket = buckets[static_cast<size_t>(key)];
            int i = 0;
            while (i < bucket.size && bucket.other[i] != other) ++i;
            if (i < bucket.size) continue;
            if (bucket.size < Bucket::kSlots) {
                bucket.other[bucket.size++] = other;
                ++count;
                continue;
            }
            int e = bucket.spill;
            while (e >= 0 && links[static_cast<size_t>(e)].other != other) {
                e = links[static_cast<size_t>(e)].next;
                ++steps;
            }
            if (e >= 0) continue;
            if (steps > stepLimit) {
                full = true;
                break;
            }
            links.push_back({other, bucket.spill});
            bucket.spill = static_cast<int>(links.size()) - 1;
            ++count;
        }
    }
    if (buckets.capacity() * sizeof(Bucket) + links.capacity() * sizeof(Link) > kKeepBytes)
        scratch() = {};
    return full ? -1 : count;
}

}  // namespace tarn
