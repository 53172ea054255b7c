#include "host/view/draw_scene.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace tarn::view {

namespace {

constexpr double kMaxCoordinate = 1e15;  // points this large (or not finite) are not drawn
constexpr int kEdgeLengthSamples = 1024;

bool drawable(const Vec3& p) {
    return std::fabs(p.x) < kMaxCoordinate && std::fabs(p.y) < kMaxCoordinate &&
           std::fabs(p.z) < kMaxCoordinate;
}

std::uint8_t toByte(float v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

// Render vertices under construction: each mesh vertex keeps a chain of the render vertices
// made for it, so corners that agree share one.
class VertexTable {
public:
    VertexTable(DrawMesh& out, std::size_t meshVertices) : m_out(out), m_head(meshVertices) {
        std::fill(m_head.begin(), m_head.end(), kNoRenderVertex);
    }

    // The render vertex of mesh vertex `v` at object point `p` with normal `n`, UV id `uvId`
    // (-1: none) coloured by shade key `shade`; made when no earlier corner matches.
    std::uint32_t find(int v, const Vec3& p, const Vec3& n, int uvId, int shade,
                       const std::uint8_t rgba[4], const float uv[2]) {
        for (std::uint32_t r = m_head[v]; r != kNoRenderVertex; r = m_next[r]) {
            if (m_uv[r] != uvId || m_shade[r] != shade) continue;
            const float* q = &m_out.normals[3 * std::size_t(r)];
            const double dx = q[0] - n.x, dy = q[1] - n.y, dz = q[2] - n.z;
            if (dx * dx + dy * dy + dz * dz < 1e-10) return r;
        }
        const auto r = static_cast<std::uint32_t>(m_next.size());
        m_next.push_back(m_head[v]);
        m_head[v] = r;
        m_uv.push_back(uvId);
        m_shade.push_back(shade);
        const Vec3 rel = p - m_out.centre;
        m_out.positions.insert(
            m_out.positions.end(),
            {static_cast<float>(rel.x), static_cast<float>(rel.y), static_cast<float>(rel.z)});
        m_out.normals.insert(m_out.normals.end(), {static_cast<float>(n.x), static_cast<float>(n.y),
                                                   static_cast<float>(n.z)});
        m_out.colors.insert(m_out.colors.end(), rgba, rgba + 4);
        m_out.uvs.insert(m_out.uvs.end(), uv, uv + 2);
        return r;
    }
    // The first render vertex made for mesh vertex `v` (kNoRenderVertex when none).
    std::uint32_t first(int v) const {
        std::uint32_t r = m_head[v];
        // The chain runs newest first: its last entry is the first made.
        while (r != kNoRenderVertex && m_next[r] != kNoRenderVertex) r = m_next[r];
        return r;
    }
    void reserve(std::size_t n) {
        m_next.reserve(n);
        m_uv.reserve(n);
        m_shade.reserve(n);
        m_out.positions.reserve(3 * n);
        m_out.normals.reserve(3 * n);
        m_out.colors.reserve(4 * n);
        m_out.uvs.reserve(2 * n);
    }

private:
    DrawMesh& m_out;
    std::vector<std::uint32_t> m_head, m_next;
    std::vector<int> m_uv, m_shade;
};

// The mean colour of an image into rgb[0..2]; left as it is for an empty image.
void meanColor(const ViewTexture& image, std::uint8_t rgb[3]) {
    const std::size_t pixels = image.rgba.size() / 4;
    if (pixels == 0) return;
    std::uint64_t sum[3] = {0, 0, 0};
    for (std::size_t i = 0; i < pixels; ++i)
        for (int c = 0; c < 3; ++c) sum[c] += image.rgba[4 * i + c];
    for (int c = 0; c < 3; ++c) rgb[c] = static_cast<std::uint8_t>((sum[c] + pixels / 2) / pixels);
}

RunShade greyRun(int first, int count) {
    RunShade r;
    r.first = first;
    r.count = count;
    return r;
}

// UV id of corner `k` of face `f` in `set` (-1 when it has none), as the mesh stores it.
int cornerUv(const PolyMesh& mesh, const UVSet* set, int f, int k) {
    if (!set) return -1;
    int id = -1;
    if (set->idsAreVertices)
        id = mesh.faceVertices(f)[k];
    else if (!set->faceVertexUV.empty())
        id = set->faceVertexUV[static_cast<std::size_t>(mesh.faceOffset(f) + k)];
    return id >= 0 && id < static_cast<int>(set->u.size()) ? id : -1;
}

// Concatenates the batches' index lists (empty ones dropped) into `out`.
void joinBatches(DrawMesh& out, std::vector<DrawMesh::Batch>& batches,
                 std::vector<std::vector<std::uint32_t>>& lists) {
    std::size_t total = 0;
    for (const auto& l : lists) total += l.size();
    out.indices.reserve(total);
    for (std::size_t b = 0; b < batches.size(); ++b) {
        if (lists[b].empty()) continue;
        DrawMesh::Batch batch = batches[b];
        batch.first = static_cast<std::uint32_t>(out.indices.size());
        batch.count = static_cast<std::uint32_t>(lists[b].size());
        out.indices.insert(out.indices.end(), lists[b].begin(), lists[b].end());
        std::vector<std::uint32_t>().swap(lists[b]);
        out.batches.push_back(batch);
    }
}

// The median length of up to kEdgeLengthSamples edges spread over the list.
double typicalEdgeLength(const DrawMesh& m) {
    const std::size_t n = m.edges.size() / 2;
    if (n == 0) return 0.0;
    const std::size_t step = std::max<std::size_t>(1, n / kEdgeLengthSamples);
    std::vector<double> lengths;
    for (std::size_t e = 0; e < n; e += step) {
        const float* a = &m.positions[3 * std::size_t(m.edges[2 * e])];
        const float* b = &m.positions[3 * std::size_t(m.edges[2 * e + 1])];
        lengths.push_back(std::sqrt(double(a[0] - b[0]) * (a[0] - b[0]) +
                                    double(a[1] - b[1]) * (a[1] - b[1]) +
                                    double(a[2] - b[2]) * (a[2] - b[2])));
    }
    std::nth_element(lengths.begin(), lengths.begin() + std::ptrdiff_t(lengths.size() / 2),
                     lengths.end());
    return lengths[lengths.size() / 2];
}

}  // namespace

std::shared_ptr<DrawMesh> buildDrawMesh(const PolyMesh& mesh, const std::vector<RunShade>& runs,
                                        bool withEdges) {
    auto out = std::make_shared<DrawMesh>();
    const int vertexCount = mesh.numVertices(), faceCount = mesh.numFaces();
    std::vector<std::uint8_t> ok(static_cast<std::size_t>(vertexCount));
    for (int v = 0; v < vertexCount; ++v) {
        const Vec3& p = mesh.point(v);
        ok[v] = drawable(p);
        if (ok[v]) out->box.expand(p);
    }
    if (!out->box.empty()) out->centre = (out->box.min + out->box.max) * 0.5;

    // Every face belongs to a run; faces no run names are grey.
    std::vector<RunShade> shades;
    int next = 0;
    for (const RunShade& r : runs) {
        const int first = std::max(r.first, next);
        const int end = std::min(r.first + r.count, faceCount);
        if (first > next) shades.push_back(greyRun(next, first - next));
        if (end > first) {
            shades.push_back(r);
            shades.back().first = first;
            shades.back().count = end - first;
            next = end;
        }
    }
    if (next < faceCount) shades.push_back(greyRun(next, faceCount - next));

    // Two batches per run: the faces showing its texture, and those in its colour.
    std::vector<DrawMesh::Batch> batches(2 * shades.size());
    std::vector<std::vector<std::uint32_t>> lists(batches.size());
    const UVSet* uvSet = mesh.uvSet();
    VertexTable table(*out, static_cast<std::size_t>(vertexCount));
    table.reserve(static_cast<std::size_t>(vertexCount));
    std::vector<std::uint32_t> corner;
    for (std::size_t s = 0; s < shades.size(); ++s) {
        const RunShade& shade = shades[s];
        const std::vector<float>* vertexRgb = shade.vertexRgb.get();
        if (vertexRgb && vertexRgb->size() < 3 * static_cast<std::size_t>(vertexCount))
            vertexRgb = nullptr;
        const std::uint8_t alpha = toByte(shade.opacity);
        std::uint8_t plain[4] = {toByte(shade.rgb[0]), toByte(shade.rgb[1]), toByte(shade.rgb[2]),
                                 alpha};
        // Faces of a textured run without UVs show the texture's mean colour.
        if (shade.texture) meanColor(*shade.texture, plain);
        const std::uint8_t white[4] = {255, 255, 255, alpha};
        int texture = -1;
        if (shade.texture) {
            texture = static_cast<int>(out->textures.size());
            out->textures.push_back(shade.texture);
        }
        batches[2 * s].texture = texture;
        batches[2 * s].translucent = batches[2 * s + 1].translucent = alpha < 255;
        for (int f = shade.first; f < shade.first + shade.count; ++f) {
            const std::span<const int> verts = mesh.faceVertices(f);
            const int n = static_cast<int>(verts.size());
            if (n < 3) continue;
            bool textured = texture >= 0 && uvSet;
            for (int k = 0; textured && k < n; ++k) textured = cornerUv(mesh, uvSet, f, k) >= 0;
            corner.assign(static_cast<std::size_t>(n), kNoRenderVertex);
            for (int k = 0; k < n; ++k) {
                const int v = verts[k];
                if (!ok[v]) continue;
                const Vec3 normal = mesh.faceVertexNormal(f, k);
                float uv[2] = {0.0f, 0.0f};
                int uvId = -1;
                const std::uint8_t* rgba = plain;
                std::uint8_t vertexColor[4] = {0, 0, 0, alpha};
                if (textured) {
                    uvId = cornerUv(mesh, uvSet, f, k);
                    uv[0] = uvSet->u[uvId], uv[1] = uvSet->v[uvId];
                    rgba = white;
                } else if (vertexRgb) {
                    for (int c = 0; c < 3; ++c)
                        vertexColor[c] = toByte((*vertexRgb)[3 * std::size_t(v) + c]);
                    rgba = vertexColor;
                }
                const int key = 2 * static_cast<int>(s) + (textured ? 0 : 1);
                corner[k] = table.find(v, mesh.point(v), normal, uvId, key, rgba, uv);
            }
            std::vector<std::uint32_t>& list = lists[2 * s + (textured ? 0 : 1)];
            for (int t = 0; t < n - 2; ++t) {
                const std::array<int, 3> c = mesh.triangleCorners(f, t);
                const std::uint32_t a = corner[c[0]], b = corner[c[1]], d = corner[c[2]];
                if (a == kNoRenderVertex || b == kNoRenderVertex || d == kNoRenderVertex) continue;
                list.insert(list.end(), {a, b, d});
            }
        }
    }
    joinBatches(*out, batches, lists);

    out->vertexRender.resize(static_cast<std::size_t>(vertexCount));
    for (int v = 0; v < vertexCount; ++v)
        out->vertexRender[v] = ok[v] ? table.first(v) : kNoRenderVertex;
    // A drawable vertex that no face uses still gets a render vertex (a selected dot).
    const std::uint8_t grey[4] = {128, 128, 128, 255};
    const float noUv[2] = {0.0f, 0.0f};
    for (int v = 0; v < vertexCount; ++v)
        if (ok[v] && out->vertexRender[v] == kNoRenderVertex)
            out->vertexRender[v] = table.find(v, mesh.point(v), {0, 0, 1}, -1, -1, grey, noUv);
    if (withEdges) addDrawEdges(*out, mesh);
    return out;
}

void addDrawEdges(DrawMesh& out, const PolyMesh& mesh) {
    out.edges.clear();
    if (out.vertexRender.size() != static_cast<std::size_t>(mesh.numVertices())) return;
    out.edges.reserve(2 * static_cast<std::size_t>(mesh.numEdges()));
    for (int e = 0; e < mesh.numEdges(); ++e) {
        const MeshEdge& edge = mesh.edge(e);
        const std::uint32_t a = out.vertexRender[edge.v0], b = out.vertexRender[edge.v1];
        if (a != kNoRenderVertex && b != kNoRenderVertex) out.edges.insert(out.edges.end(), {a, b});
    }
    out.edgeLength = typicalEdgeLength(out);
    out.hasEdges = true;
}

std::shared_ptr<DrawMesh> decimatedDrawMesh(const DrawMesh& mesh, std::size_t targetTriangles) {
    auto out = std::make_shared<DrawMesh>();
    out->centre = mesh.centre;
    out->box = mesh.box;
    const std::size_t vertices = mesh.renderVertexCount();
    if (vertices == 0 || mesh.box.empty()) return out;
    const Vec3 size = mesh.box.max - mesh.box.min;
    const double longest = std::max({size.x, size.y, size.z, 1e-30});
    // Cells on the longest side: a surface of T triangles keeps about T / 2 vertices, which a
    // grid of sqrt(T / 2) cells a side over a flat mesh leaves as clusters. Coarser passes
    // follow while too many triangles remain.
    double cells = std::max(4.0, std::sqrt(double(std::max<std::size_t>(targetTriangles, 8)) / 2));
    std::vector<std::uint32_t> cluster(vertices);
    std::vector<std::uint32_t> representative;
    std::vector<std::vector<std::uint32_t>> lists(mesh.batches.size());
    for (int pass = 0; pass < 6; ++pass, cells *= 0.6) {
        const double cell = longest / cells;
        std::unordered_map<std::uint64_t, std::uint32_t> byCell;
        byCell.reserve(std::min<std::size_t>(vertices, targetTriangles));
        representative.clear();
        for (std::size_t r = 0; r < vertices; ++r) {
            const float* p = &mesh.positions[3 * r];
            const auto coord = [&](float value, double centre, double lo) {
                return static_cast<std::uint64_t>(
                    std::clamp(std::floor((value + centre - lo) / cell), 0.0, 2097151.0));
            };
            const std::uint64_t key = coord(p[0], mesh.centre.x, mesh.box.min.x) |
                                      coord(p[1], mesh.centre.y, mesh.box.min.y) << 21 |
                                      coord(p[2], mesh.centre.z, mesh.box.min.z) << 42;
            const auto [it, made] =
                byCell.try_emplace(key, static_cast<std::uint32_t>(representative.size()));
            if (made) representative.push_back(static_cast<std::uint32_t>(r));
            cluster[r] = it->second;
        }
        std::size_t kept = 0;
        for (std::size_t b = 0; b < mesh.batches.size(); ++b) {
            const DrawMesh::Batch& batch = mesh.batches[b];
            std::vector<std::uint32_t>& list = lists[b];
            list.clear();
            for (std::uint32_t i = batch.first; i + 2 < batch.first + batch.count; i += 3) {
                const std::uint32_t a = cluster[mesh.indices[i]], c = cluster[mesh.indices[i + 1]],
                                    d = cluster[mesh.indices[i + 2]];
                if (a == c || c == d || a == d) continue;
                list.insert(list.end(), {a, c, d});
            }
            kept += list.size() / 3;
        }
        if (kept <= 2 * targetTriangles) break;
    }
    for (std::uint32_t r : representative) {
        out->positions.insert(out->positions.end(), &mesh.positions[3 * std::size_t(r)],
                              &mesh.positions[3 * std::size_t(r)] + 3);
        out->normals.insert(out->normals.end(), &mesh.normals[3 * std::size_t(r)],
                            &mesh.normals[3 * std::size_t(r)] + 3);
        out->colors.insert(out->colors.end(), &mesh.colors[4 * std::size_t(r)],
                           &mesh.colors[4 * std::size_t(r)] + 4);
        out->uvs.insert(out->uvs.end(), &mesh.uvs[2 * std::size_t(r)],
                        &mesh.uvs[2 * std::size_t(r)] + 2);
    }
    std::vector<DrawMesh::Batch> batches = mesh.batches;
    out->textures = mesh.textures;
    joinBatches(*out, batches, lists);
    return out;
}

std::size_t DrawScene::triangleCount() const {
    std::size_t n = 0;
    for (const DrawItem& item : items) n += item.mesh ? item.mesh->triangleCount() : 0;
    return n;
}

namespace {

bool usable(const std::vector<ViewTexture>& textures, int t) {
    if (t < 0 || t >= static_cast<int>(textures.size())) return false;
    const ViewTexture& x = textures[t];
    return x.width > 0 && x.height > 0 &&
           x.rgba.size() >= static_cast<std::size_t>(x.width) * x.height * 4;
}

// Appends a render vertex (world point relative to the mesh's centre).
std::uint32_t addVertex(DrawMesh& m, const Vec3& p, const Vec3& n, const std::uint8_t rgba[4],
                        float u, float v) {
    const Vec3 rel = p - m.centre;
    m.positions.insert(m.positions.end(), {static_cast<float>(rel.x), static_cast<float>(rel.y),
                                           static_cast<float>(rel.z)});
    m.normals.insert(m.normals.end(),
                     {static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z)});
    m.colors.insert(m.colors.end(), rgba, rgba + 4);
    m.uvs.insert(m.uvs.end(), {u, v});
    return static_cast<std::uint32_t>(m.positions.size() / 3 - 1);
}

}  // namespace

DrawScene drawSceneOf(const std::vector<ViewTriangle>& triangles,
                      const std::vector<ViewEdge>& edges, bool wireframe,
                      const std::vector<ViewTexture>& textures) {
    DrawScene scene;
    auto faces = std::make_shared<DrawMesh>();
    for (const ViewTexture& t : textures)
        faces->textures.push_back(std::make_shared<ViewTexture>(t));
    for (const ViewTriangle& t : triangles)
        if (drawable(t.p[0]) && drawable(t.p[1]) && drawable(t.p[2]))
            for (const Vec3& p : t.p) faces->box.expand(p);
    if (!faces->box.empty()) faces->centre = (faces->box.min + faces->box.max) * 0.5;
    // Batch 0 holds the plain triangles, batch t + 1 those showing texture t, in input order.
    std::vector<DrawMesh::Batch> batches(textures.size() + 1);
    std::vector<std::vector<std::uint32_t>> lists(batches.size());
    for (std::size_t b = 1; b < batches.size(); ++b) batches[b].texture = static_cast<int>(b) - 1;
    for (const ViewTriangle& t : triangles) {
        if (!(drawable(t.p[0]) && drawable(t.p[1]) && drawable(t.p[2]))) continue;
        const bool textured = usable(textures, t.texture);
        const std::size_t b = textured ? static_cast<std::size_t>(t.texture) + 1 : 0;
        const Vec3 n = normalize(cross(t.p[1] - t.p[0], t.p[2] - t.p[0]));
        for (int k = 0; k < 3; ++k) {
            std::uint8_t rgba[4] = {255, 255, 255, 255};
            if (!textured)
                for (int c = 0; c < 3; ++c)
                    rgba[c] = toByte(t.cornerColors ? t.corner[k][c] : t.color[c]);
            lists[b].push_back(addVertex(*faces, t.p[k], n, rgba, t.uv[k][0], t.uv[k][1]));
        }
    }
    joinBatches(*faces, batches, lists);
    DrawItem item;
    item.mesh = faces;
    scene.items.push_back(std::move(item));

    // The edges: plain ones drawn in full only with `wireframe`, highlighted ones always.
    auto lines = std::make_shared<DrawMesh>();
    DrawItem lineItem;
    for (const ViewEdge& e : edges)
        if (drawable(e.a) && drawable(e.b)) lines->box.expand(e.a), lines->box.expand(e.b);
    if (!lines->box.empty()) lines->centre = (lines->box.min + lines->box.max) * 0.5;
    const std::uint8_t black[4] = {0, 0, 0, 255};
    for (const ViewEdge& e : edges) {
        if (!(drawable(e.a) && drawable(e.b)) || !(e.highlight || wireframe)) continue;
        const std::uint32_t a = addVertex(*lines, e.a, {0, 0, 1}, black, 0, 0);
        const std::uint32_t b = addVertex(*lines, e.b, {0, 0, 1}, black, 0, 0);
        (e.highlight ? lineItem.highlightEdges : lines->edges)
            .insert(e.highlight ? lineItem.highlightEdges.end() : lines->edges.end(), {a, b});
    }
    lines->hasEdges = true;
    lineItem.mesh = lines;
    lineItem.wire = !lines->edges.empty();
    lineItem.opaqueWire = true;
    scene.items.push_back(std::move(lineItem));
    for (const DrawItem& i : scene.items)
        if (!i.mesh->box.empty())
            scene.bounds.expand(i.mesh->box.min), scene.bounds.expand(i.mesh->box.max);
    return scene;
}

}  // namespace tarn::view
