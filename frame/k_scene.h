#pragma once
/// The scene as plug-ins see it: DAG paths, dependency and DAG node function sets, transforms,
/// cameras, and the modifier that queues changes. All of it is main-thread only.
///
/// DAG: every transform and shape has one parent (the world when none is given); names are
/// unique across the scene (a clash takes the host's numbering: pCube1, pCube2). A path is the
/// chain of nodes from below the world down to one node: "|pCube1|pCubeShape1".

#include <memory>
#include <vector>

#include "frame/k_arrays.h"
#include "frame/k_math.h"
#include "frame/k_object.h"
#include "frame/k_plug.h"
#include "frame/k_status.h"
#include "frame/k_string.h"
#include "frame/k_types.h"

class KPxNode;

class KDagPath {
public:
    KDagPath() = default;

    /// A path to `node` (the first parent at each level); kInvalidParameter for non-DAG objects.
    static KStatus getAPathTo(const KObject& node, KDagPath& path);

    bool isValid(KStatus* status = nullptr) const;
    /// The node at the end of the path (null for an empty path).
    KObject node(KStatus* status = nullptr) const;
    /// The lowest transform on the path: the end itself, or its parent for a shape.
    KObject transform(KStatus* status = nullptr) const;
    KFn::Type apiType(KStatus* status = nullptr) const;
    bool hasFn(KFn::Type type, KStatus* status = nullptr) const;
    /// Number of nodes below the world.
    unsigned length(KStatus* status = nullptr) const;
    /// "|a|b|c".
    KString fullPathName(KStatus* status = nullptr) const;
    /// The shortest unique form: the node's own name (names are unique in this host).
    KString partialPathName(KStatus* status = nullptr) const;

    /// Moves the end to the node's only shape (a transform with exactly one shape); a shape
    /// stays. kInvalidParameter when there is none or several.
    KStatus extendToShape();
    /// Adds a child of the end node to the path; kInvalidParameter when it is not a child.
    KStatus push(const KObject& child);
    /// Drops the last `count` nodes.
    KStatus pop(unsigned count = 1);
    unsigned childCount(KStatus* status = nullptr) const;
    KObject child(unsigned index, KStatus* status = nullptr) const;

    /// Products of the transforms on the path: inclusive with the end node's own transform,
    /// exclusive without it. Row-vector convention (p * M goes to world space).
    KMatrix inclusiveMatrix(KStatus* status = nullptr) const;
    KMatrix exclusiveMatrix(KStatus* status = nullptr) const;
    KMatrix inclusiveMatrixInverse(KStatus* status = nullptr) const;
    KMatrix exclusiveMatrixInverse(KStatus* status = nullptr) const;
    /// False when any node on the path is hidden.
    bool isVisible(KStatus* status = nullptr) const;

    bool operator==(const KDagPath& other) const { return m_nodes == other.m_nodes; }
    bool operator!=(const KDagPath& other) const { return !(*this == other); }

    /// Host use: the nodes from below the world down to the end.
    const std::vector<KObject>& nodes() const { return m_nodes; }
    explicit KDagPath(std::vector<KObject> nodes) : m_nodes(std::move(nodes)) {}

private:
    std::vector<KObject> m_nodes;
};

class KDagPathArray : public KArray<KDagPath> {
public:
    using KArray::KArray;
};

class KFnDependencyNode {
public:
    KFnDependencyNode() = default;
    /// Attaches to any node; kInvalidParameter for other objects.
    explicit KFnDependencyNode(const KObject& node, KStatus* status = nullptr);
    virtual ~KFnDependencyNode();

    KStatus setObject(const KObject& node);
    KObject object(KStatus* status = nullptr) const;

    /// Creates a node of a registered type; an empty name takes the type's numbering.
    KObject create(const KString& type, const KString& name = KString(), KStatus* status = nullptr);

    KString name(KStatus* status = nullptr) const;
    /// Renames the node; a clash takes the host's numbering. Answers the name it received.
    KString setName(const KString& name, bool createNamespace = false, KStatus* status = nullptr);
    KString typeName(KStatus* status = nullptr) const;
    unsigned typeId(KStatus* status = nullptr) const;

    /// The plug of an attribute given by long or short name ("color", "c"); a null plug and
    /// kInvalidParameter when the node has none.
    KPlug findPlug(const KString& attributeName, KStatus* status = nullptr) const;
    KPlug findPlug(const KObject& attribute, KStatus* status = nullptr) const;
    KObject attribute(const KString& attributeName, KStatus* status = nullptr) const;
    bool hasAttribute(const KString& attributeName, KStatus* status = nullptr) const;
    unsigned attributeCount(KStatus* status = nullptr) const;
    KObject attribute(unsigned index, KStatus* status = nullptr) const;
    /// The plug-in node instance behind a plug-in node (null for host nodes).
    KPxNode* userNode(KStatus* status = nullptr) const;
    /// Plugs of this node that have connections.
    KStatus getConnections(KPlugArray& plugs) const;

protected:
    bool attached(KStatus* status) const;
    KObject m_object;
};

class KFnDagNode : public KFnDependencyNode {
public:
    enum { kNextPos = 0xffffffff };

    KFnDagNode() = default;
    /// Attaches to a DAG node; kInvalidParameter for other objects.
    explicit KFnDagNode(const KObject& node, KStatus* status = nullptr);
    explicit KFnDagNode(const KDagPath& path, KStatus* status = nullptr);

    KStatus setObject(const KObject& node);
    KStatus setObject(const KDagPath& path);

    /// Creates a DAG node of `type` under `parent` (the world when null). Creating a shape
    /// without a parent also creates its transform and answers the transform.
    KObject create(const KString& type, const KString& name = KString(),
                   const KObject& parent = KObject::kNullObj, KStatus* status = nullptr);

    unsigned parentCount(KStatus* status = nullptr) const;
    /// The parent node (null for a node under the world).
    KObject parent(unsigned index = 0, KStatus* status = nullptr) const;
    unsigned childCount(KStatus* status = nullptr) const;
    KObject child(unsigned index, KStatus* status = nullptr) const;
    /// Reparents `child` under this node (recorded for undo when a chunk is open); refuses
    /// cycles and non-DAG objects.
    KStatus addChild(const KObject& child, unsigned index = kNextPos,
                     bool keepExistingParents = false);
    /// Moves `child` to the world.
    KStatus removeChild(const KObject& child);
    bool hasChild(const KObject& node, KStatus* status = nullptr) const;
    bool isParentOf(const KObject& node, KStatus* status = nullptr) const;
    bool isChildOf(const KObject& node, KStatus* status = nullptr) const;

    KStatus getPath(KDagPath& path) const;
    KDagPath dagPath(KStatus* status = nullptr) const;
    KString fullPathName(KStatus* status = nullptr) const;
    KString partialPathName(KStatus* status = nullptr) const;
    /// The node's own local matrix (identity for shapes).
    KMatrix transformationMatrix(KStatus* status = nullptr) const;
    /// Object-space bounds of a shape, or of a transform's subtree in the transform's space.
    KBoundingBox boundingBox(KStatus* status = nullptr) const;
    bool isIntermediateObject(KStatus* status = nullptr) const;
    bool isInstanced(bool indirect = true, KStatus* status = nullptr) const;

protected:
    KDagPath m_path;  // set when attached through a path
};

class KFnTransform : public KFnDagNode {
public:
    KFnTransform() = default;
    explicit KFnTransform(const KObject& node, KStatus* status = nullptr);
    explicit KFnTransform(const KDagPath& path, KStatus* status = nullptr);

    /// A new transform named "transform<n>" under `parent` (the world when null).
    KObject create(const KObject& parent = KObject::kNullObj, KStatus* status = nullptr);

    KTransformationMatrix transformation(KStatus* status = nullptr) const;
    /// Replaces translation, rotation and scale.
    KStatus set(const KTransformationMatrix& transform);
    KVector getTranslation(KSpace space, KStatus* status = nullptr) const;
    KStatus setTranslation(const KVector& vector, KSpace space);
    KStatus translateBy(const KVector& vector, KSpace space);
    KStatus getRotation(KQuaternion& rotation, KSpace space = KSpace::kTransform) const;
    KStatus setRotation(const KQuaternion& rotation, KSpace space = KSpace::kTransform);
    KStatus rotateBy(const KQuaternion& rotation, KSpace space);
    KStatus getScale(double scale[3]) const;
    KStatus setScale(const double scale[3]);
};

class KFnCamera : public KFnDagNode {
public:
    KFnCamera() = default;
    explicit KFnCamera(const KObject& node, KStatus* status = nullptr);
    explicit KFnCamera(const KDagPath& path, KStatus* status = nullptr);

    /// A perspective camera shape "cameraShape<n>" under a new transform "camera<n>"; answers
    /// the transform. With a parent transform, the shape goes under it and is answered.
    KObject create(KStatus* status = nullptr);
    KObject create(const KObject& parent, KStatus* status = nullptr);

    /// The eye point (the transform's origin) in world or object space.
    KPoint eyePoint(KSpace space = KSpace::kObject, KStatus* status = nullptr) const;
    /// Moves the camera so the eye is at `point`, keeping its orientation.
    KStatus setEyePoint(const KPoint& point, KSpace space = KSpace::kObject);
    KPoint centerOfInterestPoint(KSpace space = KSpace::kObject, KStatus* status = nullptr) const;
    /// Aims the camera from its eye at `point` (up stays as close to +Y as it can) and sets the
    /// centre-of-interest distance.
    KStatus setCenterOfInterestPoint(const KPoint& point, KSpace space = KSpace::kObject);
    double centerOfInterest(KStatus* status = nullptr) const;
    KStatus setCenterOfInterest(double distance);
    /// Unit directions of the camera (view = -Z, up = +Y, right = +X of its frame).
    KVector viewDirection(KSpace space = KSpace::kObject, KStatus* status = nullptr) const;
    KVector upDirection(KSpace space = KSpace::kObject, KStatus* status = nullptr) const;
    KVector rightDirection(KSpace space = KSpace::kObject, KStatus* status = nullptr) const;
    /// Places and aims the camera and sets its lens: field of view in radians, aspect = width /
    /// height. kInvalidParameter for a zero view direction, a fov outside (0, pi) or aspect <= 0.
    KStatus set(const KPoint& wsEyeLocation, const KVector& wsViewDirection,
                const KVector& wsUpDirection, double horizFieldOfView, double aspectRatio);

    /// Width over height of the film back.
    double aspectRatio(KStatus* status = nullptr) const;
    KStatus setAspectRatio(double ratio);
    /// Radians.
    double horizontalFieldOfView(KStatus* status = nullptr) const;
    double verticalFieldOfView(KStatus* status = nullptr) const;
    KStatus setHorizontalFieldOfView(double radians);
    double focalLength(KStatus* status = nullptr) const;
    KStatus setFocalLength(double millimetres);
    double nearClippingPlane(KStatus* status = nullptr) const;
    double farClippingPlane(KStatus* status = nullptr) const;
    KStatus setNearClippingPlane(double distance);
    KStatus setFarClippingPlane(double distance);
    bool isOrtho(KStatus* status = nullptr) const;
    KStatus setIsOrtho(bool orthographic);
    double orthoWidth(KStatus* status = nullptr) const;
    KStatus setOrthoWidth(double width);
};

/// A queue of scene changes carried out together by doIt and taken back by undoIt. Commands
/// queued with commandToExecute run through the command language (undo on, so undoIt can take
/// them back). Main thread only.
class KDGModifier {
public:
    KDGModifier();
    virtual ~KDGModifier();

    KStatus commandToExecute(const KString& command);
    KStatus renameNode(const KObject& node, const KString& newName);
    KStatus connect(const KPlug& source, const KPlug& destination);
    KStatus disconnect(const KPlug& source, const KPlug& destination);
    KStatus newPlugValueFloat(const KPlug& plug, float value);
    KStatus newPlugValueInt(const KPlug& plug, int value);
    KStatus newPlugValueString(const KPlug& plug, const KString& value);
    /// Carries out what was queued since the last doIt, in order; stops at the first failure
    /// (what ran before it stays done and can be undone).
    KStatus doIt();
    /// Takes back everything done by this modifier, newest first.
    KStatus undoIt();

    KDGModifier(const KDGModifier&) = delete;
    KDGModifier& operator=(const KDGModifier&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
