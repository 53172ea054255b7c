#include "frame/k_object.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <utility>
#include <vector>

#include "host/sdk/registrant.h"

tarn::ObjectImpl::~ObjectImpl() = default;

const KObject KObject::kNullObj;

namespace {

// The kind each built-in kind specialises (kBase for the roots). The engine's modifier is the
// one built-in kind with two parents (see secondParentOf).
KFn::Type parentOf(KFn::Type type) {
    switch (type) {
        case KFn::kNamedObject:
            return KFn::kBase;
        case KFn::kDependencyNode:
            return KFn::kNamedObject;
        case KFn::kNumericAttribute:
        case KFn::kCompoundAttribute:
        case KFn::kMatrixAttribute:
        case KFn::kTypedAttribute:
        case KFn::kEnumAttribute:
        case KFn::kMessageAttribute:
        case KFn::kGenericAttribute:
            return KFn::kAttribute;
        case KFn::kLightDataAttribute:
            return KFn::kCompoundAttribute;
        case KFn::kNumericData:
        case KFn::kMatrixData:
        case KFn::kStringData:
        case KFn::kMeshData:
        case KFn::kNurbsSurfaceData:
        case KFn::kNurbsCurveData:
        case KFn::kComponentListData:
        case KFn::kStringArrayData:
        case KFn::kPluginData:
            return KFn::kData;
        case KFn::kDagNode:
            return KFn::kDependencyNode;
        case KFn::kTransform:
        case KFn::kShape:
        case KFn::kWorld:
            return KFn::kDagNode;
        case KFn::kCamera:
            return KFn::kDagNode;
        case KFn::kLight:
            return KFn::kDagNode;
        case KFn::kMesh:
        case KFn::kNurbsSurface:
        case KFn::kNurbsCurve:
            return KFn::kShape;
        case KFn::kLambert:
        case KFn::kShadingEngine:
        case KFn::kSet:
        case KFn::kFileTexture:
        case KFn::kPlace2dTexture:
        case KFn::kTexture2d:
        case KFn::kTexture3d:
        case KFn::kPluginNode:
        case KFn::kPolyModifier:
            return KFn::kDependencyNode;
        case KFn::kMidModifier:
            return KFn::kPolyModifier;
        case KFn::kPolyCreator:
            return KFn::kPluginNode;
        case KFn::kPhong:
            return KFn::kLambert;
        case KFn::kSingleIndexedComponent:
            return KFn::kComponent;
        case KFn::kMeshVertComponent:
        case KFn::kMeshEdgeComponent:
        case KFn::kMeshMapComponent:
        case KFn::kMeshFaceVertComponent:
        case KFn::kMeshPolygonComponent:
        case KFn::kCurveCVComponent:
        case KFn::kSurfaceCVComponent:
            return KFn::kSingleIndexedComponent;
        default:
            return KFn::kBase;
    }
}

KFn::Type secondParentOf(KFn::Type type) {
    return type == KFn::kMidModifier ? KFn::kPluginNode : KFn::kInvalid;
}

constexpr std::pair<KFn::Type, const char*> kNames[] = {
    {KFn::kInvalid, "kInvalid"},
    {KFn::kBase, "kBase"},
    {KFn::kNamedObject, "kNamedObject"},
    {KFn::kDependencyNode, "kDependencyNode"},
    {KFn::kAttribute, "kAttribute"},
    {KFn::kNumericAttribute, "kNumericAttribute"},
    {KFn::kCompoundAttribute, "kCompoundAttribute"},
    {KFn::kMatrixAttribute, "kMatrixAttribute"},
    {KFn::kTypedAttribute, "kTypedAttribute"},
    {KFn::kEnumAttribute, "kEnumAttribute"},
    {KFn::kLightDataAttribute, "kLightDataAttribute"},
    {KFn::kMessageAttribute, "kMessageAttribute"},
    {KFn::kGenericAttribute, "kGenericAttribute"},
    {KFn::kData, "kData"},
    {KFn::kNumericData, "kNumericData"},
    {KFn::kMatrixData, "kMatrixData"},
    {KFn::kStringData, "kStringData"},
    {KFn::kMeshData, "kMeshData"},
    {KFn::kNurbsSurfaceData, "kNurbsSurfaceData"},
    {KFn::kNurbsCurveData, "kNurbsCurveData"},
    {KFn::kComponentListData, "kComponentListData"},
    {KFn::kStringArrayData, "kStringArrayData"},
    {KFn::kPluginData, "kPluginData"},
    {KFn::kDagNode, "kDagNode"},
    {KFn::kTransform, "kTransform"},
    {KFn::kShape, "kShape"},
    {KFn::kMesh, "kMesh"},
    {KFn::kCamera, "kCamera"},
    {KFn::kNurbsSurface, "kNurbsSurface"},
    {KFn::kNurbsCurve, "kNurbsCurve"},
    {KFn::kLight, "kLight"},
    {KFn::kWorld, "kWorld"},
    {KFn::kLambert, "kLambert"},
    {KFn::kPhong, "kPhong"},
    {KFn::kShadingEngine, "kShadingEngine"},
    {KFn::kSet, "kSet"},
    {KFn::kFileTexture, "kFileTexture"},
    {KFn::kPlace2dTexture, "kPlace2dTexture"},
    {KFn::kTexture2d, "kTexture2d"},
    {KFn::kTexture3d, "kTexture3d"},
    {KFn::kPluginNode, "kPluginNode"},
    {KFn::kPolyModifier, "kPolyModifier"},
    {KFn::kMidModifier, "kMidModifier"},
    {KFn::kPolyCreator, "kPolyCreator"},
    {KFn::kComponent, "kComponent"},
    {KFn::kSingleIndexedComponent, "kSingleIndexedComponent"},
    {KFn::kMeshVertComponent, "kMeshVertComponent"},
    {KFn::kMeshEdgeComponent, "kMeshEdgeComponent"},
    {KFn::kMeshMapComponent, "kMeshMapComponent"},
    {KFn::kMeshFaceVertComponent, "kMeshFaceVertComponent"},
    {KFn::kMeshPolygonComponent, "kMeshPolygonComponent"},
    {KFn::kCurveCVComponent, "kCurveCVComponent"},
    {KFn::kSurfaceCVComponent, "kSurfaceCVComponent"},
    {KFn::kPlugin, "kPlugin"},
};

const char* builtInName(KFn::Type type) {
    for (const auto& [t, name] : kNames)
        if (t == type) return name;
    return nullptr;
}

KFn::Type builtInFind(std::string_view name) {
    for (const auto& [t, n] : kNames)
        if (name == n) return t;
    return KFn::kInvalid;
}

// A kind added at run time. Records are never erased, so a value keeps its name and parents
// for every object that carries it; `holders` decides whether the name is still looked up.
struct AddedKind {
    std::string name;
    std::vector<KFn::Type> parents;
    std::vector<void*> holders;  // one entry per add (null: the host)
};

struct KindTable {
    mutable std::shared_mutex mutex;
    std::deque<AddedKind> kinds;  // value kFirstAddedType + index; elements never move
};

KindTable& table() {
    // Never destroyed: plug-ins remove their kinds while the program exits.
    static auto* t = new KindTable;
    return *t;
}

const AddedKind* addedKind(const KindTable& t, KFn::Type type) {
    long i = long(type) - KFn::kFirstAddedType;
    return i >= 0 && i < long(t.kinds.size()) ? &t.kinds[size_t(i)] : nullptr;
}

// Walks the parents depth first; caller holds the table's lock when `type` may be added.
bool isA(const KindTable& t, KFn::Type type, KFn::Type base, int depth) {
    if (type == base) return true;
    if (depth > 64) return false;  // parents always exist before a kind: no cycles, but be safe
    if (type >= KFn::kFirstAddedType) {
        const AddedKind* k = addedKind(t, type);
        if (!k) return false;
        for (KFn::Type p : k->parents)
            if (isA(t, p, base, depth + 1)) return true;
        return false;
    }
    if (type == KFn::kBase || type == KFn::kInvalid) return false;
    KFn::Type second = secondParentOf(type);
    if (second != KFn::kInvalid && isA(t, second, base, depth + 1)) return true;
    return isA(t, parentOf(type), base, depth + 1);
}

bool validKindName(std::string_view name) {
    if (name.empty() || name.size() > 128) return false;
    if (!std::isalpha(static_cast<unsigned char>(name[0])) && name[0] != '_') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

bool knownKind(const KindTable& t, KFn::Type type) {
    if (type >= KFn::kFirstAddedType) {
        const AddedKind* k = addedKind(t, type);
        return k && !k->holders.empty();
    }
    return type != KFn::kInvalid && builtInName(type) != nullptr;
}

}  // namespace

bool kFnIsA(KFn::Type type, KFn::Type base) {
    if (type == KFn::kInvalid) return base == KFn::kInvalid;
    const KindTable& t = table();
    if (type < KFn::kFirstAddedType) return isA(t, type, base, 0);  // built-ins need no lock
    std::shared_lock lock(t.mutex);
    return isA(t, type, base, 0);
}

bool KObject::hasFn(KFn::Type type) const {
    return !isNull() && kFnIsA(apiType(), type);
}

const char* KObject::apiTypeStr() const {
    return KObjBase::name(apiType());
}

KFn::Type KObjBase::add(const char* name, const KFn::Type* parents, unsigned parentCount,
                        KStatus* status) {
    kSetStatus(status, KStatus::kInvalidParameter);
    if (!name || !validKindName(name) || !parents || parentCount == 0 || parentCount > kMaxParents)
        return KFn::kInvalid;
    KindTable& t = table();
    std::unique_lock lock(t.mutex);
    for (unsigned i = 0; i < parentCount; ++i)
        if (!knownKind(t, parents[i])) return KFn::kInvalid;

    // A built-in name: nothing to add, but the parents must already hold.
    if (KFn::Type builtIn = builtInFind(name); builtIn != KFn::kInvalid) {
        for (unsigned i = 0; i < parentCount; ++i)
            if (!isA(t, builtIn, parents[i], 0)) return KFn::kInvalid;
        kSetStatus(status, KStatus::kSuccess);
        return builtIn;
    }
    std::vector<KFn::Type> wanted(parents, parents + parentCount);
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    for (size_t i = 0; i < t.kinds.size(); ++i) {
        AddedKind& k = t.kinds[i];
        if (k.name != name) continue;
        const auto type = KFn::Type(KFn::kFirstAddedType + int(i));
        // A kind may not become its own ancestor when re-added after removal.
        for (KFn::Type p : wanted)
            if (isA(t, p, type, 0)) return KFn::kInvalid;
        if (!k.holders.empty() && k.parents != wanted) return KFn::kInvalid;
        k.parents = wanted;
        k.holders.push_back(tarn::currentRegistrant());
        kSetStatus(status, KStatus::kSuccess);
        return type;
    }
    t.kinds.push_back({name, std::move(wanted), {tarn::currentRegistrant()}});
    kSetStatus(status, KStatus::kSuccess);
    return KFn::Type(KFn::kFirstAddedType + int(t.kinds.size() - 1));
}

KStatus KObjBase::remove(const char* name) {
    if (!name) return KStatus::kInvalidParameter;
    if (builtInFind(name) != KFn::kInvalid) return KStatus::kInvalidParameter;
    KindTable& t = table();
    std::unique_lock lock(t.mutex);
    void* owner = tarn::currentRegistrant();
    for (AddedKind& k : t.kinds) {
        if (k.name != name) continue;
        auto it = std::find(k.holders.begin(), k.holders.end(), owner);
        if (it == k.holders.end()) return KStatus::kNotFound;
        k.holders.erase(it);
        return KStatus::kSuccess;
    }
    return KStatus::kNotFound;
}

KFn::Type KObjBase::find(const char* name) {
    if (!name) return KFn::kInvalid;
    if (KFn::Type builtIn = builtInFind(name); builtIn != KFn::kInvalid) return builtIn;
    const KindTable& t = table();
    std::shared_lock lock(t.mutex);
    for (size_t i = 0; i < t.kinds.size(); ++i)
        if (t.kinds[i].name == name && !t.kinds[i].holders.empty())
            return KFn::Type(KFn::kFirstAddedType + int(i));
    return KFn::kInvalid;
}

const char* KObjBase::name(KFn::Type type) {
    if (type < KFn::kFirstAddedType) {
        const char* n = builtInName(type);
        return n ? n : "kUnknown";
    }
    const KindTable& t = table();
    std::shared_lock lock(t.mutex);
    const AddedKind* k = addedKind(t, type);
    // Records are never erased or renamed and a deque does not move them: the text stays valid.
    return k ? k->name.c_str() : "kUnknown";
}

namespace tarn {

namespace {
void* g_registrant = nullptr;
}  // namespace

void* currentRegistrant() {
    return g_registrant;
}

RegistrantScope::RegistrantScope(void* owner) : m_previous(g_registrant) {
    g_registrant = owner;
}

RegistrantScope::~RegistrantScope() {
    g_registrant = m_previous;
}

void releaseAddedTypes(void* owner) {
    if (!owner) return;
    KindTable& t = table();
    std::unique_lock lock(t.mutex);
    for (AddedKind& k : t.kinds) std::erase(k.holders, owner);
}

}  // namespace tarn
