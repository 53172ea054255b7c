#include "stroke/split/split_text.h"

#include <algorithm>
#include <cmath>

namespace stroke {

namespace {

KString componentName(const std::string& mesh, const char* kind, int index) {
    KString name(mesh.c_str());
    name += ".";
    name += kind;
    name += "[";
    name += index;
    name += "]";
    return name;
}

// The point a chain crosses edge `edge` at, object space.
KPoint crossingPoint(const SplitMeshQuery& mesh, int edge, double t) {
    const auto [v0, v1] = mesh.edgeVertices(edge);
    const KPoint a = mesh.point(v0), b = mesh.point(v1);
    return KPoint(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z));
}

bool contains(const std::vector<int>& list, int value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// The first neighbour of `vertex` that is a corner of the face and not `notThis`; -1 if none.
int nextOnFace(const SplitMeshQuery& mesh, const std::vector<int>& faceVertices, int vertex,
               int notThis) {
    std::vector<int> neighbours;
    mesh.vertexNeighbours(vertex, neighbours);
    for (int n : neighbours)
        if (n != notThis && contains(faceVertices, n)) return n;
    return -1;
}

// Steps from `from` around `face` until an end of `edge` is reached, never back to the vertex
// just left (at the first step, never to `avoid`); at most as many steps as the face has
// corners. Answers the end reached, or -1.
int walkToEdge(const SplitMeshQuery& mesh, int from, int avoid, int face, int edge) {
    const auto [e0, e1] = mesh.edgeVertices(edge);
    std::vector<int> corners;
    mesh.faceVertices(face, corners);
    int previous = avoid, current = from;
    for (std::size_t step = 0;; ++step) {
        if (current == e0 || current == e1) return current;
        if (step == corners.size()) return -1;
        const int next = nextOnFace(mesh, corners, current, previous);
        if (next < 0) return -1;
        previous = current;
        current = next;
    }
}

// Refines a vertex snap: walks around `face` from `from`, never back (at the first step, never
// to `avoid`), until the vertex just left is the snap vertex; the edge between it and the vertex
// reached becomes the snap's edge, with t at the snap vertex. At most one step per corner of
// the face and one more: a walk that does not arrive answers false.
bool refineSnap(const SplitMeshQuery& mesh, int face, int from, int avoid, int snapVertex,
                int& edge, double& t) {
    std::vector<int> corners, edges;
    mesh.faceVertices(face, corners);
    mesh.faceEdges(face, edges);
    int previous = avoid, current = from;
    for (std::size_t step = 0; step <= corners.size(); ++step) {
        const int next = nextOnFace(mesh, corners, current, previous);
        if (next < 0) return false;
        previous = current;
        current = next;
        if (previous != snapVertex) continue;
        for (int e : edges) {
            const auto [v0, v1] = mesh.edgeVertices(e);
            if ((v0 == snapVertex && v1 == current) || (v1 == snapVertex && v0 == current)) {
                edge = e;
                t = v0 == snapVertex ? 0.0 : 1.0;
                return true;
            }
        }
        return false;
    }
    return false;
}

template <typename T>
void appendList(KString& text, const std::vector<T>& items) {
    text += "{";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) text += ", ";
        text += items[i];
    }
    text += "}, ";
}

}  // namespace

KString subdivideEdgeText(const StrokeRecord& record, int divisions, bool moveToStroke) {
    const std::string& mesh = record.mesh.name;
    const Crossings& c = record.crossings;
    KString text("polySubdivideEdge -ch 1 -ws 0 -s 0 -dv ");
    text += divisions;
    for (int i = 0; i < c.size(); ++i) text += " " + componentName(mesh, "e", c.edges[i]);
    if (moveToStroke) {
        text += ";\n";
        for (int i = 0; i < c.size(); ++i) {
            // The new vertex sits at the edge's middle; move it to the crossing.
            const double f = c.t[i] - 0.5;
            // Adding 0 turns a negative zero into "0" in the text.
            const KVector v = c.edgeVector[i] * f + KVector(0.0, 0.0, 0.0);
            text += "select -r `polyListComponentConversion -fe -tv \"" +
                    componentName(mesh, "e", c.edges[i]) + "\"`; select -d " +
                    componentName(mesh, "vtx", c.vertex0[i]) + " " +
                    componentName(mesh, "vtx", c.vertex1[i]) + "; move -r -os ";
            text += v.x;
            text += " ";
            text += v.y;
            text += " ";
            text += v.z;
            text += "; ";
        }
    } else {
        text += ";";
    }
    text += "\nselect -r ";
    text += mesh.c_str();
    text += ";";
    return text;
}

void appendSingleCutChain(KString& text, const SplitChain& chain, const SplitTextSettings& settings,
                          const SplitMeshQuery& mesh, FacePointSource* source) {
    const int n = settings.subdivisions;
    const bool facePoints = !settings.edgeSnapping && n > 1;
    const double samples = settings.worldSampleCount;
    text += "polySplit -ch on -s ";
    text += settings.edgeSnapping ? n : 1;
    for (int i = 0; i < chain.size(); ++i) {
        if (facePoints && i > 0) {
            // Face points between edges i - 1 and i, evenly along the stroke between them.
            double p = chain.positions[i - 1];
            double d = chain.positions[i] - p;
            if (chain.closed && samples > 0 && std::abs(d) > samples / 2)
                d += d < 0 ? samples : -samples;
            const KPoint a = crossingPoint(mesh, chain.edges[i - 1], chain.t[i - 1]);
            const KPoint b = crossingPoint(mesh, chain.edges[i], chain.t[i]);
            for (int j = 1; j < n; ++j) {
                p += d / n;
                double param = p;
                // Note: the closed curve runs over [0, samples); past its end the loop wraps.
                if (chain.closed && samples > 0) {
                    param = std::fmod(param, samples);
                    if (param < 0) param += samples;
                }
                KPoint q;
                if (!source || !source->facePoint(param, chain.faces[i], q)) {
                    const double f = static_cast<double>(j) / n;
                    q = KPoint(a.x + f * (b.x - a.x), a.y + f * (b.y - a.y), a.z + f * (b.z - a.z));
                }
                text += " -fp ";
                text += chain.faces[i];
                text += " ";
                text += q.x;
                text += " ";
                text += q.y;
                text += " ";
                text += q.z;
            }
        }
        text += " -ep ";
        text += chain.edges[i];
        text += " ";
        text += chain.t[i];
    }
    text += ";\n";
}

bool appendMultiSliceChain(KString& text, const SplitChain& chain,
                           const SplitTextSettings& settings, const StrokeRecord& record,
                           const SplitMeshQuery& mesh) {
    const int last = chain.size() - 1;
    int a = 0, b = last;
    const VertexSnap* startSnap = nullptr;
    const VertexSnap* endSnap = nullptr;
    // A chain that touches a vertex starts or ends at that vertex instead of its snap edge.
    if (chain.touchesVertex) {
        auto snapOf = [&](int edge, bool startFirst) -> const VertexSnap* {
            const VertexSnap* order[2] = {&record.startSnap, &record.endSnap};
            const bool set[2] = {record.startedAtVertex, record.endedAtVertex};
            for (int k = 0; k < 2; ++k) {
                const int i = startFirst ? k : 1 - k;
                if (set[i] && order[i]->isSet() && order[i]->edge == edge) return order[i];
            }
            return nullptr;
        };
        startSnap = snapOf(chain.edges.front(), true);
        if (startSnap) a = 1;
        endSnap = last > 0 ? snapOf(chain.edges.back(), false) : nullptr;
        if (endSnap) b = last - 1;
    }

    // A lone snap edge: the cut would start and end at the stroke's vertex and names no edge.
    if (last == 0 && a > b) return true;

    std::vector<int> edges, vertex0s, sideA, sideB;
    std::vector<double> params;
    for (int k = a; k <= b; ++k) {
        const int edge = chain.edges[k];
        const auto [v0, v1] = mesh.edgeVertices(edge);
        if (k == a) {
            sideA.push_back(v0);
            sideB.push_back(v1);
        } else {
            // Follow each rail around the face between the previous edge and this one.
            const int face = chain.faces[k];
            const int railA = walkToEdge(mesh, sideA.back(), sideB.back(), face, edge);
            const int railB = walkToEdge(mesh, sideB.back(), sideA.back(), face, edge);
            if (railA < 0 || railB < 0) return false;
            sideA.push_back(railA);
            sideB.push_back(railB);
        }
        edges.push_back(edge);
        vertex0s.push_back(v0);
        params.push_back(chain.t[k]);
    }

    int startEdge = -1, endEdge = -1;
    double startT = -1.0, endT = -1.0;
    if (startSnap) {
        if (sideA.empty() || !refineSnap(mesh, startSnap->face, sideA.front(), sideB.front(),
                                         startSnap->vertex, startEdge, startT))
            return false;
    }
    if (endSnap) {
        if (sideA.empty() || !refineSnap(mesh, endSnap->face, sideA.back(), sideB.back(),
                                         endSnap->vertex, endEdge, endT))
            return false;
    }

    text += "multiSliceSplit(\"";
    text += escapeCommandString(KString(record.mesh.name.c_str()));
    text += "\", ";
    text += settings.slices;
    text += ", ";
    text += settings.dropoffPower;
    text += ", ";
    text += settings.subdivisions;
    text += ", ";
    appendList(text, edges);
    appendList(text, vertex0s);
    appendList(text, sideA);
    appendList(text, sideB);
    appendList(text, params);
    text += startEdge;
    text += ", ";
    text += startT;
    text += ", ";
    text += endEdge;
    text += ", ";
    text += endT;
    text += ");\n";
    return true;
}

}  // namespace stroke
