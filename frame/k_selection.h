#pragma once
/// Selection lists, their iterator, component function sets and selection masks. A list holds
/// items in order: dependency nodes, DAG paths, or DAG paths with a component (mesh vertices,
/// edges, faces or UVs). Main thread only.

#include <bitset>
#include <vector>

#include "frame/k_arrays.h"
#include "frame/k_object.h"
#include "frame/k_scene.h"
#include "frame/k_status.h"
#include "frame/k_string.h"
#include "frame/k_types.h"

class KSelectionList {
public:
    KSelectionList() = default;

    unsigned length(KStatus* status = nullptr) const;
    bool isEmpty(KStatus* status = nullptr) const { return length(status) == 0; }
    KStatus clear();

    /// Adds a dependency node (a DAG node is added by its path). With `mergeWithExisting` an
    /// item already present is not added twice.
    KStatus add(const KObject& object, bool mergeWithExisting = false);
    /// Adds a path with an optional component; components of a path already listed are merged
    /// into its item.
    KStatus add(const KDagPath& path, const KObject& component = KObject::kNullObj,
                bool mergeWithExisting = false);
    /// Adds what a name or pattern matches: "pCube1", "pCube*", "pCube1.f[2:3]". kInvalidParameter
    /// when nothing matches or a component name is malformed or out of range (list unchanged).
    KStatus add(const KString& matchString, bool searchChildNamespaces = false);
    KStatus merge(const KSelectionList& other);
    KStatus remove(unsigned index);
    bool hasItem(const KObject& object, KStatus* status = nullptr) const;

    KStatus getDependNode(unsigned index, KObject& node) const;
    /// The path and component (null for a whole object) of item `index`; kFailure for a
    /// dependency node that is not in the DAG.
    KStatus getDagPath(unsigned index, KDagPath& path, KObject& component) const;
    KStatus getDagPath(unsigned index, KDagPath& path) const;
    /// Names of every item, components as "obj.f[2:3]" ranges.
    KStatus getSelectionStrings(KStringArray& strings) const;
    KStatus getSelectionStrings(unsigned index, KStringArray& strings) const;

    /// Host use: one item.
    struct Item {
        KObject node;       // the dependency node (the end of the path for DAG items)
        KDagPath path;      // empty for non-DAG nodes
        KObject component;  // null for a whole object
    };
    const std::vector<Item>& items() const { return m_items; }
    std::vector<Item>& items() { return m_items; }

private:
    std::vector<Item> m_items;
};

class KItSelectionList {
public:
    enum selItemType {
        kUnknownItem = -1,
        kDagSelectionItem = 0,
        kAnimSelectionItem,
        kDNselectionItem,
        kPlugSelectionItem
    };

    /// Walks `list`; with a filter only items whose node (or component) has that function set.
    explicit KItSelectionList(const KSelectionList& list, KFn::Type filter = KFn::kInvalid,
                              KStatus* status = nullptr);
    bool isDone(KStatus* status = nullptr) const;
    KStatus next();
    KStatus reset();
    KStatus getDependNode(KObject& node) const;
    KStatus getDagPath(KDagPath& path, KObject& component) const;
    KStatus getDagPath(KDagPath& path) const;
    KStatus getStrings(KStringArray& strings) const;
    selItemType itemType(KStatus* status = nullptr) const;
    bool hasComponents(KStatus* status = nullptr) const;

private:
    void skip();
    KSelectionList m_list;
    KFn::Type m_filter;
    unsigned m_index = 0;
};

/// Base of component function sets. A component object holds a kind (e.g. mesh faces, type
/// 540) and its element indices, or "complete": every element of its mesh.
class KFnComponent {
public:
    KFnComponent() = default;
    explicit KFnComponent(const KObject& component, KStatus* status = nullptr);
    virtual ~KFnComponent();
    KStatus setObject(const KObject& component);
    KObject object(KStatus* status = nullptr) const;
    /// The component's type (kMeshPolygonComponent = 540, ...).
    KFn::Type type(KStatus* status = nullptr) const;
    KFn::Type componentType(KStatus* status = nullptr) const { return type(status); }
    int elementCount(KStatus* status = nullptr) const;
    bool isEmpty(KStatus* status = nullptr) const { return elementCount(status) == 0; }
    bool isComplete(KStatus* status = nullptr) const;
    /// Marks the component as every element of its mesh (resolved when used with a path).
    KStatus setComplete(bool complete);

protected:
    bool attached(KStatus* status) const;
    KObject m_object;
};

class KFnSingleIndexedComponent : public KFnComponent {
public:
    KFnSingleIndexedComponent() = default;
    explicit KFnSingleIndexedComponent(const KObject& component, KStatus* status = nullptr);

    /// A new, empty component of `type` (kMeshVertComponent, kMeshEdgeComponent,
    /// kMeshPolygonComponent, kMeshMapComponent); the function set attaches to it.
    KObject create(KFn::Type type, KStatus* status = nullptr);
    /// Adds one index (kept sorted and unique); kInvalidParameter when negative.
    KStatus addElement(int element);
    KStatus addElements(const KIntArray& elements);
    /// The index at position `i` (ascending).
    int element(int i, KStatus* status = nullptr) const;
    KStatus getElements(KIntArray& elements) const;
    /// Complete with a known element count: 0..count-1.
    KStatus setCompleteData(int numElements);
    KStatus getCompleteData(int& numElements) const;
};

/// Selection masks: which kinds of object or component a pick or selection may take.
class KSelectionMask {
public:
    enum SelectionType {
        kSelectHandles = 0,
        kSelectLocalAxis = 1,
        kSelectIkHandles = 2,
        kSelectJoints = 4,
        kSelectNurbsCurves = 9,
        kSelectNurbsSurfaces = 10,
        kSelectCameras = 11,
        kSelectMeshes = 12,
        kSelectLights = 13,
        kSelectCVs = 20,
        kSelectMeshVerts = 31,
        kSelectMeshFaces = 34,
        kSelectMeshUVs = 36,
        kSelectVertices = 38,
        kSelectEdges = 40,
        kSelectFacets = 41,
        kSelectMeshEdges = 42,
        kSelectMeshFreeEdges = 43,
        kSelectObjectsMask = 62,
        kSelectComponentsMask = 63,
    };

    KSelectionMask() = default;
    KSelectionMask(SelectionType type) { m_bits.set(type); }
    KStatus setMask(SelectionType type) {
        m_bits.reset();
        m_bits.set(type);
        return {};
    }
    KStatus addMask(SelectionType type) {
        m_bits.set(type);
        return {};
    }
    bool intersects(SelectionType type, KStatus* status = nullptr) const {
        if (status) status->clear();
        return m_bits.test(type);
    }
    bool operator==(const KSelectionMask& o) const { return m_bits == o.m_bits; }

private:
    std::bitset<64> m_bits;
};
