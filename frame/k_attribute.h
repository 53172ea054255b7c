#pragma once
/// Attribute function sets. An attribute is created once per node type by the type's
/// initialiser (`KFn*Attribute::create`) and then added with `KPxNode::addAttribute`; flags,
/// defaults and limits may be set until the type's registration ends. Not thread safe: use
/// them from the thread that registers the type.
///
/// Host defaults of a new attribute: readable, writable, connectable, storable, keyable off,
/// hidden off, used-as-colour off, array off, cached on, disconnect behaviour kNothing,
/// index matters on. `createColor` sets used-as-colour on the compound.

#include "frame/k_math.h"
#include "frame/k_object.h"
#include "frame/k_status.h"
#include "frame/k_string.h"

/// Kinds of numeric attribute and data.
class KFnNumericData {
public:
    enum Type {
        kInvalid = 0,
        kBoolean,
        kByte,
        kChar,
        kShort,
        k2Short,
        k3Short,
        kLong,
        kInt = kLong,
        k2Long,
        k2Int = k2Long,
        k3Long,
        k3Int = k3Long,
        kInt64,
        kFloat,
        k2Float,
        k3Float,
        kDouble,
        k2Double,
        k3Double,
        k4Double,
        kAddr,
        kLast
    };
};

/// Kinds of typed (non-numeric) data.
class KFnData {
public:
    enum Type {
        kInvalid = 0,
        kNumeric,
        kPlugin,
        kPluginGeometry,
        kString,
        kMatrix,
        kStringArray,
        kDoubleArray,
        kFloatArray,
        kIntArray,
        kPointArray,
        kVectorArray,
        kComponentList,
        kMesh,
        kLattice,
        kNurbsCurve,
        kNurbsSurface,
        kSphere,
        kDynArrayAttrs,
        kSubdSurface,
        kAny,
        kLast
    };
};

class KFnAttribute {
public:
    enum DisconnectBehavior { kDelete = 0, kReset = 1, kNothing = 2 };

    KFnAttribute() = default;
    /// Attaches to an attribute; kInvalidParameter when `attribute` is not one.
    explicit KFnAttribute(const KObject& attribute, KStatus* status = nullptr);
    virtual ~KFnAttribute();

    /// Attaches to another attribute (kInvalidParameter when it is not one).
    KStatus setObject(const KObject& attribute);
    KObject object(KStatus* status = nullptr) const;

    KString name(KStatus* status = nullptr) const;
    KString shortName(KStatus* status = nullptr) const;
    /// The compound this attribute is a child of, or the null object.
    KObject parent(KStatus* status = nullptr) const;

    bool isReadable(KStatus* status = nullptr) const;
    bool isWritable(KStatus* status = nullptr) const;
    bool isConnectable(KStatus* status = nullptr) const;
    bool isStorable(KStatus* status = nullptr) const;
    bool isCached(KStatus* status = nullptr) const;
    bool isArray(KStatus* status = nullptr) const;
    bool indexMatters(KStatus* status = nullptr) const;
    bool isKeyable(KStatus* status = nullptr) const;
    bool isHidden(KStatus* status = nullptr) const;
    bool isUsedAsColor(KStatus* status = nullptr) const;
    bool isChannelBoxFlagSet(KStatus* status = nullptr) const;
    bool isRenderSource(KStatus* status = nullptr) const;
    bool isAffectsAppearance(KStatus* status = nullptr) const;
    DisconnectBehavior disconnectBehavior(KStatus* status = nullptr) const;

    KStatus setReadable(bool state);
    KStatus setWritable(bool state);
    KStatus setConnectable(bool state);
    KStatus setStorable(bool state);
    KStatus setCached(bool state);
    KStatus setArray(bool state);
    KStatus setIndexMatters(bool state);
    KStatus setKeyable(bool state);
    KStatus setHidden(bool state);
    KStatus setUsedAsColor(bool state);
    KStatus setChannelBox(bool state);
    KStatus setRenderSource(bool state);
    KStatus setAffectsAppearance(bool state);
    KStatus setDisconnectBehavior(DisconnectBehavior behavior);

protected:
    /// Host use: true when attached to an attribute; sets `*status` otherwise.
    bool attached(KStatus* status) const;
    KObject m_object;
};

/// Compound attributes built from children.
class KFnCompoundAttribute : public KFnAttribute {
public:
    KFnCompoundAttribute() = default;
    explicit KFnCompoundAttribute(const KObject& attribute, KStatus* status = nullptr);
    /// A compound without children yet.
    KObject create(const KString& longName, const KString& shortName, KStatus* status = nullptr);
    /// Appends a child; fails when `child` already has a parent or belongs to a node type.
    KStatus addChild(const KObject& child);
    unsigned numChildren(KStatus* status = nullptr) const;
    KObject child(unsigned index, KStatus* status = nullptr) const;
};

class KFnNumericAttribute : public KFnAttribute {
public:
    KFnNumericAttribute() = default;
    explicit KFnNumericAttribute(const KObject& attribute, KStatus* status = nullptr);

    /// A numeric leaf of `type` with one default value. k2*/k3* types are not leaves: build
    /// those as compounds of single-value children.
    KObject create(const KString& longName, const KString& shortName, KFnNumericData::Type type,
                   double defaultValue = 0.0, KStatus* status = nullptr);
    /// A compound of two or three existing numeric children (`child3` null for two).
    KObject create(const KString& longName, const KString& shortName, const KObject& child1,
                   const KObject& child2, const KObject& child3 = KObject::kNullObj,
                   KStatus* status = nullptr);
    /// A float compound with children <long>R/G/B, <short>r/g/b, used as colour.
    KObject createColor(const KString& longName, const KString& shortName,
                        KStatus* status = nullptr);
    /// A float compound with children <long>X/Y/Z, <short>x/y/z.
    KObject createPoint(const KString& longName, const KString& shortName,
                        KStatus* status = nullptr);
    /// An address leaf (an opaque pointer value, default null); not storable.
    KObject createAddr(const KString& longName, const KString& shortName,
                       void* defaultValue = nullptr, KStatus* status = nullptr);

    /// The leaf's numeric kind; for a compound the kind it stands for (k2Float, k3Double...).
    KFnNumericData::Type unitType(KStatus* status = nullptr) const;
    unsigned numChildren(KStatus* status = nullptr) const;
    KObject child(unsigned index, KStatus* status = nullptr) const;

    /// Hard limits; on a compound the n-value forms set each child.
    KStatus setMin(double v);
    KStatus setMin(double v1, double v2);
    KStatus setMin(double v1, double v2, double v3);
    KStatus setMax(double v);
    KStatus setMax(double v1, double v2);
    KStatus setMax(double v1, double v2, double v3);
    KStatus setSoftMin(double v);
    KStatus setSoftMax(double v);
    bool hasMin(KStatus* status = nullptr) const;
    bool hasMax(KStatus* status = nullptr) const;
    bool hasSoftMin(KStatus* status = nullptr) const;
    bool hasSoftMax(KStatus* status = nullptr) const;
    KStatus getMin(double& v) const;
    KStatus getMin(double& v1, double& v2) const;
    KStatus getMin(double& v1, double& v2, double& v3) const;
    KStatus getMax(double& v) const;
    KStatus getMax(double& v1, double& v2) const;
    KStatus getMax(double& v1, double& v2, double& v3) const;
    KStatus getSoftMin(double& v) const;
    KStatus getSoftMax(double& v) const;

    /// Defaults; on a compound (after its children exist) the n-value forms set each child's
    /// default, stored at the child's precision.
    KStatus setDefault(bool v);
    KStatus setDefault(int v);
    KStatus setDefault(float v);
    KStatus setDefault(double v);
    KStatus setDefault(double v1, double v2);
    KStatus setDefault(double v1, double v2, double v3);
    KStatus setDefault(float v1, float v2, float v3);
    KStatus getDefault(bool& v) const;
    KStatus getDefault(int& v) const;
    KStatus getDefault(float& v) const;
    KStatus getDefault(double& v) const;
    KStatus getDefault(double& v1, double& v2) const;
    KStatus getDefault(double& v1, double& v2, double& v3) const;
    KStatus getDefault(float& v1, float& v2, float& v3) const;
};

class KFnMatrixAttribute : public KFnAttribute {
public:
    enum Type { kFloat = 0, kDouble = 1 };
    KFnMatrixAttribute() = default;
    explicit KFnMatrixAttribute(const KObject& attribute, KStatus* status = nullptr);
    /// A 4x4 matrix leaf, default identity.
    KObject create(const KString& longName, const KString& shortName, Type type = kDouble,
                   KStatus* status = nullptr);
    Type matrixType(KStatus* status = nullptr) const;
    KStatus setDefault(const KMatrix& m);
    KStatus setDefault(const KFloatMatrix& m);
    KStatus getDefault(KMatrix& m) const;
};

class KFnTypedAttribute : public KFnAttribute {
public:
    KFnTypedAttribute() = default;
    explicit KFnTypedAttribute(const KObject& attribute, KStatus* status = nullptr);
    /// A leaf holding data of `type` (a string, a mesh...); `defaultData` null for none.
    KObject create(const KString& longName, const KString& shortName, KFnData::Type type,
                   const KObject& defaultData = KObject::kNullObj, KStatus* status = nullptr);
    KFnData::Type attrType(KStatus* status = nullptr) const;
    KStatus setDefault(const KObject& data);
    KStatus getDefault(KObject& data) const;
    /// Default text of a string attribute.
    KStatus setDefaultString(const KString& text);
    KStatus getDefaultString(KString& text) const;
};

/// Enumerations: a short-valued leaf with named fields.
class KFnEnumAttribute : public KFnAttribute {
public:
    KFnEnumAttribute() = default;
    explicit KFnEnumAttribute(const KObject& attribute, KStatus* status = nullptr);
    KObject create(const KString& longName, const KString& shortName, short defaultValue = 0,
                   KStatus* status = nullptr);
    /// Adds a field; fails on a duplicate name or value.
    KStatus addField(const KString& fieldName, short value);
    KString fieldName(short value, KStatus* status = nullptr) const;
    short fieldIndex(const KString& fieldName, KStatus* status = nullptr) const;
    KStatus getMin(short& v) const;
    KStatus getMax(short& v) const;
    KStatus setDefault(short value);
    KStatus getDefault(short& value) const;
};

/// The light-data compound a shader receives from the lights: eight existing children in order
/// direction (float3), intensity (float3), ambient, diffuse, specular (booleans), shadow
/// fraction, pre-shadow intensity (floats), blind data (address). Usually made an array.
class KFnLightDataAttribute : public KFnAttribute {
public:
    KFnLightDataAttribute() = default;
    explicit KFnLightDataAttribute(const KObject& attribute, KStatus* status = nullptr);
    KObject create(const KString& longName, const KString& shortName, const KObject& direction,
                   const KObject& intensity, const KObject& ambient, const KObject& diffuse,
                   const KObject& specular, const KObject& shadowFraction,
                   const KObject& preShadowIntensity, const KObject& blindData,
                   KStatus* status = nullptr);
    KObject child(unsigned index, KStatus* status = nullptr) const;
    /// Defaults of the eight children at once.
    KStatus setDefault(float dirX, float dirY, float dirZ, float intR, float intG, float intB,
                       bool ambient, bool diffuse, bool specular, float shadowFraction,
                       float preShadowIntensity, void* blindData);
};

/// Message attributes carry no value; they only connect.
class KFnMessageAttribute : public KFnAttribute {
public:
    KFnMessageAttribute() = default;
    explicit KFnMessageAttribute(const KObject& attribute, KStatus* status = nullptr);
    KObject create(const KString& longName, const KString& shortName, KStatus* status = nullptr);
};
