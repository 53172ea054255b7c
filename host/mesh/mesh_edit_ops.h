#pragma once
/// Topology operations built on MeshEditor. Each one checks its input against the mesh first
/// (prepare: a bad id or an impossible request fails with a message and changes nothing), then
/// edits in place (apply) and hands back the session's record (cleanup returns it as an
/// EditResult). Should apply still meet a case it cannot finish, the session is rolled back, so a
/// failure never leaves a half-edited mesh. Any polygon mesh; manifold input stays manifold:
/// an edit that would give an edge more than two faces (more than it had) is refused. The id
/// rules are those of mesh_edit.h. Main thread only.
///
/// Costs: an edit costs about what it adds, removes and rewrites. Inserting k vertices on an
/// edge or along a cut is O(k); deleting or merging every component of a mesh is about linear
/// in their number, even where one face grows to hold most of the mesh.
///
/// Long edits ask their StopCheck now and then; when it answers true they stop, fail with
/// kInterruptedMessage and leave the mesh as it was.

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/mesh/mesh_edit.h"
#include "host/mesh/mesh_operation.h"

namespace tarn {

/// Asked now and then while an edit runs; true stops it. Empty: the edit runs to its end.
using StopCheck = std::function<bool()>;
/// Why an edit that was stopped failed.
inline constexpr const char* kInterruptedMessage = "Interrupted.";
/// The most vertices one edit may add (subdivisions of edges and of cuts together); asking
/// for more fails before anything is allocated.
inline constexpr long long kMaxNewVertices = 1'000'000;

/// What an edit changed: the undo/redo record and where new or moved faces came from.
struct EditResult {
    MeshDelta delta;
    std::unordered_map<int, int> faceOrigins;  // face -> face it was split off or moved from
    int firstNewVertex = -1;                   // first appended vertex, -1 when none
};

/// A point of a split: on edge `edge` at parameter t (0 at its vertex 0, 1 at its vertex 1),
/// or, with edge -1, inside face `face` at object-space `pos`.
struct SplitPoint {
    int edge = -1;
    double t = 0.0;
    int face = -1;
    Vec3 pos;

    static SplitPoint onEdge(int edge, double t) { return {edge, t, -1, {}}; }
    static SplitPoint inFace(int face, const Vec3& pos) { return {-1, 0.0, face, pos}; }
};

/// Cuts each chain of points across the faces they share. Ids in every chain name the mesh as
/// it was before the call. A chain starts and ends on edges (t 0 or 1 is that end vertex); a
/// chain whose last point repeats its first closes on itself; a chain of one edge point only
/// splits that edge there (nothing at t 0 or 1). `subdivisions` (>= 1) cuts each
/// straight piece of a cut into that many parts. New vertices are numbered in chain order.
OpStatus splitMesh(PolyMesh& mesh, const std::vector<std::vector<SplitPoint>>& chains,
                   int subdivisions, EditResult* out, const StopCheck& stop = {});

/// Inserts `divisions` evenly spaced vertices on each edge (ordered from its vertex 0).
OpStatus subdivideEdges(PolyMesh& mesh, const std::vector<int>& edges, int divisions,
                        EditResult* out, const StopCheck& stop = {});
/// The same with a count of its own per edge (edge, divisions >= 1).
OpStatus subdivideEdges(PolyMesh& mesh, const std::vector<std::pair<int, int>>& edgeDivisions,
                        EditResult* out, const StopCheck& stop = {});

/// Collapses each edge to its midpoint: its ends merge as mergeVertices merges two vertices
/// (the lower id survives), except that an edge whose ends a face holds apart is left alone
/// (the command fails when no edge could go).
OpStatus collapseEdges(PolyMesh& mesh, const std::vector<int>& edges, EditResult* out,
                       const StopCheck& stop = {});

/// Merges the listed vertices that lie within `distance` (>= 0) of each other: each vertex not
/// yet grouped, in id order, gathers the later ones within the distance of it; each group
/// becomes its lowest id, at the group's mean position. The others merge into it one at a
/// time, in id order. In each face of the vertex merging in, its corner goes where it is next
/// to the kept vertex; elsewhere it becomes a corner of the kept vertex, and a face left
/// holding that vertex twice is cut there into the loops on either side: the piece holding the
/// face's corner 0 keeps the face, the other is appended (starting at its corner of the kept
/// vertex); a piece with fewer than three corners goes, and when the face's own piece is that
/// small the face takes the other. Faces left with fewer than three corners go.
OpStatus mergeVertices(PolyMesh& mesh, const std::vector<int>& vertices, double distance,
                       EditResult* out, const StopCheck& stop = {});

/// Removes each interior edge, joining its two faces (the lower face id survives). Border
/// edges are left alone. With `cleanVertices`, end points left with two edges are dissolved.
OpStatus deleteEdges(PolyMesh& mesh, const std::vector<int>& edges, bool cleanVertices,
                     EditResult* out, const StopCheck& stop = {});

/// Removes vertices. Without `withFaces` (polyDelVertex): a vertex with two edges is dissolved
/// into its neighbours' faces; any other joins the faces around it into one face (at a border
/// the new face is closed by an edge between the two border neighbours). With `withFaces`
/// (polyDeleteVertex): the vertex goes with every face using it, leaving a hole.
OpStatus deleteVertices(PolyMesh& mesh, const std::vector<int>& vertices, bool withFaces,
                        EditResult* out, const StopCheck& stop = {});

/// Makes the faces on either side of each edge stop sharing UVs at that edge, in every UV set:
/// at each end vertex, faces still joined around it across uncut edges keep one UV, every other
/// group gets its own copy.
OpStatus cutUVs(PolyMesh& mesh, const std::vector<int>& edges, EditResult* out,
                const StopCheck& stop = {});

/// Mean value weights of `p` inside polygon `loop` (projected along `normal`): non-negative
/// inside a convex polygon, summing to 1; a point on a corner gets weight 1 there.
std::vector<double> polygonWeights(const std::vector<Vec3>& loop, const Vec3& normal,
                                   const Vec3& p);

}  // namespace tarn
