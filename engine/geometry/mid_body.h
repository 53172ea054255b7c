#pragma once
/// The body a modifier works on, its component groups, mesh data for the graph, and the base of
/// every mesh factory.
///
/// A TmidBody owns the TpolyGeom being modified. A factory reads the body's mesh, builds its
/// result into a new TpolyGeom and hands it over with setMidBody; a factory that fails leaves
/// the body as it was, so the engine keeps the input mesh.

#include <memory>
#include <string>
#include <vector>

#include "engine/geometry/poly_geom.h"
#include "frame/k_object.h"

/// Component kinds of a group.
enum TpolyGrpType { kGrpObject = 0, kGrpVertex = 1, kGrpEdge = 2, kGrpFace = 3 };

/// A named set of components of one kind (for faces: face indices, ascending or not).
struct TpolyGroup {
    std::string name;
    TpolyGrpType type = kGrpFace;
    std::vector<int> members;
};

class TmidBody {
public:
    TmidBody() = default;
    /// A body over a copy of a kernel mesh (the copy shares the mesh's built tables).
    explicit TmidBody(tarn::PolyMesh mesh);
    /// Loads the mesh of a mesh-data object; false (body unchanged) when `data` is not mesh
    /// data.
    bool loadFromData(const KObject& data);

    /// The mesh being modified, or null when the body holds none.
    TpolyGeom* geom() const { return m_geom.get(); }
    /// Replaces the body's mesh and takes ownership of `geom` (null empties the body). The
    /// geom is brought up to date; returns false (and keeps `geom` anyway) when that fails.
    bool setMidBody(TpolyGeom* geom);

    /// Adds a group; returns its index.
    int addGroup(TpolyGroup group);
    /// Makes group `index` the active one (-1: none).
    void setActiveGroup(int index) { m_active = index; }
    int activeGroup() const { return m_active; }
    const TpolyGroup& group(int index) const { return m_groups.at(index); }
    int groupCount() const { return static_cast<int>(m_groups.size()); }

private:
    std::unique_ptr<TpolyGeom> m_geom;
    std::vector<TpolyGroup> m_groups;
    int m_active = -1;
};

/// Members of a group, one at a time.
class TpolyIter {
public:
    /// Starts at the first member of group `grp` of `body`.
    void grpInit(const TmidBody& body, int grp);
    /// Gives the next member; false when there are no more.
    bool grpFwd(int& member);

private:
    const std::vector<int>* m_members = nullptr;
    std::size_t m_at = 0;
};

/// A body's mesh wrapped as mesh data (a KObject of kind kMeshData), ready to be set on an
/// output handle. Note: the body's mesh moves into the data; the body is left empty.
class TdataMesh {
public:
    explicit TdataMesh(TmidBody& body);
    const KObject& object() const { return m_object; }
    /// The wrapped mesh.
    const tarn::PolyMesh& mesh() const;

private:
    KObject m_object;
};

/// Base of the mesh factories: doAction runs the factory's modification step on a body.
/// Factories are made per evaluation and share no state.
class TmidModifierFty {
public:
    virtual ~TmidModifierFty() = default;
    /// Runs the modification step on `body`, limited to `component` when one is given (it then
    /// becomes the body's active group). Returns 0 on success; -1 when there is no body, and
    /// the step's own code otherwise. On failure the body keeps its mesh and message() says
    /// why (empty when the step gave no reason). Never throws.
    int doAction(TmidBody* body, const TpolyGroup* component);
    /// The active group of kind `type`: the component when one is given, else the body's
    /// active group. False when there is none of that kind; else `grp` is its index in body.
    static bool getActiveGrpName(TmidBody* body, const TpolyGroup* component, TpolyGrpType type,
                                 int& grp);
    /// Why the last doAction failed.
    const std::string& message() const { return m_message; }

protected:
    /// The factory's modification step (body holds a mesh or not; check it).
    virtual int modify(TmidBody& body) = 0;
    /// Records a failure reason and returns -1.
    int fail(std::string message) {
        m_message = std::move(message);
        return -1;
    }

private:
    std::string m_message;
};
