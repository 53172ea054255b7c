#pragma once
/// The host's DAG node types: transform, mesh, camera, nurbsCurve and nurbsSurface. Each is a
/// node of the dependency graph (so setAttr, getAttr and connectAttr work on its attributes)
/// whose node object also carries its place in the DAG: a parent and ordered children, held
/// weakly so that a deleted node simply drops out. Main thread only.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frame/k_math.h"
#include "frame/k_node.h"
#include "frame/k_object.h"
#include "host/mesh/poly_mesh.h"
#include "host/scene/face_group_runs.h"
#include "host/scene/shading_memory.h"

namespace tarn {
class NodeImpl;
}
namespace tarn::nurbs {
class SurfaceValue;
}

namespace tarn::scene {

/// Type ids of the host's own node types (a block plug-ins do not use).
enum HostTypeId : unsigned {
    kTransformId = 0x7a000001,
    kMeshId = 0x7a000002,
    kCameraId = 0x7a000003,
    kNurbsCurveId = 0x7a000004,
    kNurbsSurfaceId = 0x7a000005,
};

class DagNodeBase : public KPxNode {
public:
    std::weak_ptr<NodeImpl> parent;  // empty: under the world
    std::vector<std::weak_ptr<NodeImpl>> children;
    virtual bool isShape() const { return false; }
};

class TransformNode : public DagNodeBase {
public:
    static void* creator() { return new TransformNode; }
    static KStatus initialize();
    /// translate (t, double3), rotate (r, double3, degrees, applied X then Y then Z), scale (s),
    /// visibility (v, bool).
    static KObject translate, rotate, scale, visibility;
};

class ShapeNode : public DagNodeBase {
public:
    bool isShape() const override { return true; }
};

class MeshNode : public ShapeNode {
public:
    static void* creator() { return new MeshNode; }
    static KStatus initialize();
    /// backfaceCulling (bck, 0 off, 3 on), pnts (pt, array of float3 tweaks added to the
    /// points), visibility (v), intermediateObject (io); inMesh (i, mesh data in: connected,
    /// it is the construction history the shape takes its mesh from), outMesh (o, the mesh
    /// with tweaks, object space) and worldMesh (w, the same in world space), both outputs.
    static KObject backfaceCulling, pnts, visibility, intermediateObject, inMesh, outMesh,
        worldMesh;

    KStatus compute(const KPlug& plug, KDataBlock& block) override;
    /// When its history is disconnected the shape keeps the last mesh it pulled.
    KStatus connectionBroken(const KPlug& plug, const KPlug& otherPlug, bool asSrc) override;
    KStatus connectionMade(const KPlug& plug, const KPlug& otherPlug, bool asSrc) override;
    /// True while inMesh is connected: the mesh comes from construction history.
    bool hasHistory() const { return m_history; }
    /// The tweak of a vertex (zero when none).
    Vec3 tweak(int vertex) const;

    /// The mesh with the current tweaks applied, for reading or editing. With history, a
    /// changed input is pulled first (without history this costs one flag test). The node's
    /// mesh may be shared with undo records or the history (copy-on-write): a shared mesh is
    /// copied here first, so edits never reach them. Marks outMesh and worldMesh changed.
    PolyMesh& mesh();
    /// The same mesh for reading only: never copies a shared mesh.
    const PolyMesh& readMesh();
    /// The mesh the node holds, with its tweaks, without looking at its history (a shape
    /// without history reads the same through readMesh; benchmarks compare the two).
    const PolyMesh& storedMesh();
    /// The mesh with the current tweaks applied, shared without copying (for undo records).
    std::shared_ptr<const PolyMesh> sharedMesh();
    /// The mesh without its tweaks: the points the tweaks (`pnts`) are added to, as the node
    /// holds them (with history, as taken from upstream; no pull). Shared when no tweak is
    /// applied, else a copy with the untweaked points.
    std::shared_ptr<const PolyMesh> untweakedMesh();
    /// The mesh last taken from inMesh (untweaked), or null.
    std::shared_ptr<const PolyMesh> takenInput() const { return m_taken; }
    /// Replaces the mesh; its points become the untweaked base and the tweaks are cleared
    /// from the bookkeeping (the pnts values stay as set).
    void setMesh(PolyMesh mesh);
    /// The same, sharing `mesh` (never edited through the node: it is copied before an edit).
    void setMesh(std::shared_ptr<const PolyMesh> mesh);
    /// Moves a point of the tweaked mesh (the base follows so the tweak is kept). With history
    /// the base comes from upstream: the move changes the vertex's tweak instead.
    void setPoint(int vertex, const Vec3& p);
    /// Folds the current tweaks into the points and sets every pnts value to zero, so the
    /// mesh looks the same and a later pnts value is an offset from where a point is now.
    /// Returns the tweaks folded in (vertex, offset), empty when there were none.
    std::vector<std::pair<int, Vec3>> bakeTweaks();
    /// Takes folded tweaks out of the points again and restores their pnts values.
    void unbakeTweaks(const std::vector<std::pair<int, Vec3>>& tweaks);

    /// Shading group of each face as runs (expired or empty: none); kept by host/shading.
    FaceGroupRuns faceGroups;

    /// How faces keep their groups while the mesh comes from history (shading_memory.h): set
    /// up when history is connected, carried onto each mesh taken, dropped when the history is
    /// baked. Undo records keep and restore it (host/shading recordShadingChange).
    const ShadingMemory& shadingMemory() const { return m_shading; }
    void setShadingMemory(ShadingMemory memory) { m_shading = std::move(memory); }
    /// After faceGroups changed by an assignment: with history, the base follows (see
    /// followAssignment); without, the base no longer holds and is taken again from the shape
    /// when history is connected next.
    void groupsAssigned();

private:
    // Takes the history's mesh when inMesh changed (it replaces the untweaked points).
    void pullInput();
    // Gives faceGroups for the mesh now held (when shading is carried).
    void carryShading();
    // Takes the data on inMesh when it is not the object taken last.
    void takeInput();
    // Tells the graph that outMesh and worldMesh no longer hold the node's mesh.
    void outputsChanged();
    void syncTweaks();
    // The node's own mesh, copied first when an undo record shares it.
    PolyMesh& ownMesh();
    std::shared_ptr<const PolyMesh> m_mesh = std::make_shared<PolyMesh>();
    bool m_made = true;        // m_mesh was made by this node (not handed in by setMesh)
    std::vector<Vec3> m_base;  // untweaked points; empty while no tweak is applied
    std::vector<std::pair<int, Vec3>> m_applied;  // tweaks currently in m_mesh's points
    std::shared_ptr<const PolyMesh> m_taken;      // the inMesh mesh last taken (null: none)
    bool m_history = false;
    ShadingMemory m_shading;
    // The base face of each face of m_mesh, for the mesh m_sourcesFor (worked out on demand).
    std::vector<int> m_sources;
    const PolyMesh* m_sourcesFor = nullptr;
    // Counts changes of the mesh made on the shape itself (and assignments without history):
    // unchanged since history was disconnected, the base still holds when it is connected again.
    unsigned m_generation = 0, m_generationAtBreak = 0;
};

class CameraNode : public ShapeNode {
public:
    static void* creator() { return new CameraNode; }
    static KStatus initialize();
    /// focalLength (fl, mm), horizontalFilmAperture / verticalFilmAperture (hfa / vfa,
    /// inches), nearClipPlane / farClipPlane (ncp / fcp), centerOfInterest (coi),
    /// orthographic (o), orthographicWidth (ow), visibility (v).
    static KObject focalLength, horizontalFilmAperture, verticalFilmAperture, nearClipPlane,
        farClipPlane, centerOfInterest, orthographic, orthographicWidth, visibility;
};

/// Why `value` cannot be given to the attribute `attribute` (long name) of the camera shape
/// `shape`, or "" when it can: focal length, film apertures and orthographic width above 0, and
/// 0 < near clip < far clip (against the other plane's current value). "" for other attributes.
std::string cameraValueProblem(const KObject& shape, std::string_view attribute, double value);

/// A NURBS curve shape (attributes and compute in host/nurbs/curve_node.cpp): its own curve as
/// degree, form, control points and knots, replaced by the `create` input while that holds a
/// curve, flows out as curve data through `local` (object space) and `worldSpace[0]`.
class NurbsCurveNode : public ShapeNode {
public:
    static void* creator() { return new NurbsCurveNode; }
    static KStatus initialize();
    KStatus compute(const KPlug& plug, KDataBlock& block) override;
    /// create (cr, curve data in), local (l, out), worldSpace (ws, out, array), visibility (v).
    static KObject inCreate, outLocal, outWorldSpace, visibility;
    // The shape's own curve (shown while no connected `create` holds one).
    int degree = 1;
    bool closed = false;
    std::vector<KPoint> cvs;
    std::vector<double> knots;
};

/// A NURBS surface shape (type, attributes and compute in host/nurbs/surface_node.cpp): its own
/// surface, replaced by the `create` input while that holds one, flows out as surface data
/// through `local` (object space) and `worldSpace[0]` (world space).
class NurbsSurfaceNode : public ShapeNode {
public:
    static void* creator() { return new NurbsSurfaceNode; }
    static KStatus initialize();
    KStatus compute(const KPlug& plug, KDataBlock& block) override;
    /// create (cr, surface data in), local (l, out), worldSpace (ws, out, array), visibility (v).
    static KObject inCreate, outLocal, outWorldSpace, visibility;
    std::shared_ptr<const nurbs::SurfaceValue> surface;  ///< own surface; null: none
    /// The last world-space surface made, and from what (so queries reuse its search).
    std::shared_ptr<const nurbs::SurfaceValue> worldBase, world;
    KMatrix worldMatrix;
};

/// Registers the DAG and shading node types with the graph when they are missing (after a
/// graph reset too) and creates the default shading nodes. Cheap when all is in place.
void ensureSceneTypes();

}  // namespace tarn::scene
