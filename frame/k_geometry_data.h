#pragma once
/// Geometry data: what a geometry value flowing through a typed attribute (mesh data) carries
/// besides its shape. An object group is a numbered set of components (faces, for mesh data)
/// that travels with the data through construction history, so that a node downstream can work
/// on the faces a user picked upstream. Group ids are small non-negative integers, unique within
/// one data object. Main thread only.

#include "frame/k_object.h"
#include "frame/k_status.h"
#include "frame/k_types.h"

class KFnGeometryData {
public:
    KFnGeometryData() = default;
    /// Attaches to geometry data (mesh data); kInvalidParameter for anything else.
    explicit KFnGeometryData(const KObject& data, KStatus* status = nullptr);
    KStatus setObject(const KObject& data);
    KObject object(KStatus* status = nullptr) const;

    /// The number of object groups the data carries.
    int objectGroupCount(KStatus* status = nullptr) const;
    /// The id of the `index`-th group (0 <= index < objectGroupCount()), in ascending id order.
    int objectGroup(int index, KStatus* status = nullptr) const;
    bool hasObjectGroup(int id, KStatus* status = nullptr) const;
    /// The members of group `id` as a new component (kMeshPolygonComponent for mesh data), in
    /// ascending order; kInvalidParameter (and a null object) when the data has no such group.
    KObject objectGroupComponent(int id, KStatus* status = nullptr) const;
    /// Adds group `id` with no members; kInvalidParameter when it exists or `id` is negative.
    KStatus addObjectGroup(int id);
    /// Removes group `id`; kInvalidParameter when there is none.
    KStatus removeObjectGroup(int id);
    /// Adds (or removes) the elements of a component of the data's kind to group `id`.
    /// kInvalidParameter when the group does not exist, the component's kind does not match or
    /// an element is out of range (nothing changes then).
    KStatus addObjectGroupComponent(int id, const KObject& component);
    KStatus removeObjectGroupComponent(int id, const KObject& component);
    /// The component kind of the groups (kMeshPolygonComponent for mesh data).
    KFn::Type objectGroupType(int id, KStatus* status = nullptr) const;

private:
    KObject m_data;
};
