#include "import/ri_recorder.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "import/ri_tokens.h"

RtScene::~RtScene() {
    // Delete the chain after this record one link at a time (no deep recursion).
    RtScene* p = next;
    next = nullptr;
    while (p) {
        RtScene* n = p->next;
        p->next = nullptr;
        delete p;
        p = n;
    }
}

namespace {

struct SavedList {
    RtScene* head;
    RtScene* tail;
};

// Process-wide recorder state; see the header.
struct Recorder {
    RtScene* head = nullptr;
    RtScene* tail = nullptr;
    std::vector<SavedList> saved;
};

Recorder& recorder() {
    static Recorder r;
    return r;
}

// Collects the (token, value) pairs of a C parameter list ended by a null token.
struct ParamList {
    std::vector<RtToken> tokens;
    std::vector<RtPointer> values;
};

ParamList collect(va_list ap) {
    ParamList list;
    for (;;) {
        RtToken t = va_arg(ap, RtToken);
        if (!t) break;
        list.tokens.push_back(t);
        list.values.push_back(va_arg(ap, RtPointer));
    }
    return list;
}

RtNameData* nameData(RtToken name, const ParamList& params) {
    auto* d = new RtNameData;
    d->name = name ? name : "";
    riCopyParams(*d, static_cast<int>(params.tokens.size()), params.tokens.data(),
                 params.values.data());
    return d;
}

void recordNone(int16_t type) {
    riRecord(type, nullptr);
}
void recordFloats(int16_t type, std::initializer_list<float> v) {
    riRecord(type, new RtFloats(v));
}
void recordName(int16_t type, RtToken name) {
    riRecord(type, new RtStringData(name ? name : ""));
}

RtMatrixData* matrixData(const float m[4][4]) {
    auto* d = new RtMatrixData;
    std::memcpy(d->m, m, sizeof(d->m));
    return d;
}

}  // namespace

RtScene* riListHead() {
    return recorder().head;
}
RtScene* riListTail() {
    return recorder().tail;
}

void riResetRecorder() {
    Recorder& r = recorder();
    delete r.head;
    r.head = r.tail = nullptr;
    for (auto& s : r.saved) delete s.head;
    r.saved.clear();
}

RtScene* riRecord(int16_t type, RtData* data) {
    Recorder& r = recorder();
    auto* rec = new RtScene(type, data);
    if (!r.head) {
        r.head = r.tail = rec;
    } else {
        r.tail->next = rec;
        r.tail = rec;
    }
    return rec;
}

void riSaveList() {
    Recorder& r = recorder();
    r.saved.push_back({r.head, r.tail});
    r.head = r.tail = new RtScene(kBeginID, new RtStringData());
}

RtScene* riRestoreList() {
    Recorder& r = recorder();
    if (r.saved.empty()) return nullptr;
    RtScene* built = r.head;
    r.head = r.saved.back().head;
    r.tail = r.saved.back().tail;
    r.saved.pop_back();
    return built;
}

void riSplice(RtScene* after, RtScene* list) {
    if (!after || !list) return;
    RtScene* last = list;
    while (last->next) last = last->next;
    last->next = after->next;
    after->next = list;
    Recorder& r = recorder();
    if (r.tail == after) r.tail = last;
}

void riCopyParams(RtVData& into, int n, const RtToken tokens[], const RtPointer values[]) {
    for (int i = 0; i < n; ++i) {
        RtParam p;
        p.token = tokens[i] ? tokens[i] : "";
        p.kind = riTokenKind(p.token);
        const void* v = values[i];
        if (p.kind == 0) {
            std::string line = "Unknown token: " + p.token + "\n";
            std::fputs(line.c_str(), stderr);
        } else if (v && (p.kind == kKindString || p.kind == kKindName)) {
            const char* s = *static_cast<const char* const*>(v);
            p.s = s ? s : "";
            p.hasValue = true;
        } else if (v && p.kind == kKindFloat) {
            p.f[0] = *static_cast<const float*>(v);
            p.hasValue = true;
        } else if (v && (p.kind == kKindColor || p.kind == kKindPoint)) {
            std::memcpy(p.f, v, sizeof(p.f));
            p.hasValue = true;
        }
        into.params.push_back(std::move(p));
    }
}

void RiBegin(RtToken name) {
    riBuildDeclaredTokens();
    Recorder& r = recorder();
    delete r.head;
    r.head = r.tail = nullptr;
    recordName(kBeginID, name);
}

void RiEnd() {
    recordNone(kEndID);
}
void RiFrameBegin(int frame) {
    riRecord(kFrameBeginID, new RtIntData(frame));
}
void RiFrameEnd() {
    recordNone(kFrameEndID);
}
void RiWorldBegin() {
    recordNone(kWorldBeginID);
}
void RiWorldEnd() {
    recordNone(kWorldEndID);
}
void RiFrameAspectRatio(float a) {
    riRecord(kFrameAspectRatioID, new RtFloatData(a));
}
void RiScreenWindow(float l, float r, float b, float t) {
    recordFloats(kScreenWindowID, {l, r, b, t});
}
void RiCropWindow(float a, float b, float c, float d) {
    recordFloats(kCropWindowID, {a, b, c, d});
}

void RiProjection(RtToken name, ...) {
    va_list ap;
    va_start(ap, name);
    ParamList params = collect(ap);
    va_end(ap);
    if (params.tokens.empty()) return;
    for (size_t i = 0; i < params.tokens.size(); ++i)
        if (std::strcmp(params.tokens[i], "fov") != 0 || !params.values[i]) return;
    riRecord(kProjectionID, new RtFloatData(*static_cast<const float*>(params.values[0])));
}

void RiClipping(float h, float y) {
    recordFloats(kClippingID, {h, y});
}
void RiDepthOfField(float a, float b, float c) {
    recordFloats(kDepthOfFieldID, {a, b, c});
}
void RiShutter(float o, float c) {
    recordFloats(kShutterID, {o, c});
}
void RiPixelVariance(float v) {
    riRecord(kPixelVarianceID, new RtFloatData(v));
}
void RiPixelSampleRate(float v) {
    riRecord(kPixelSampleRateID, new RtFloatData(v));
}
void RiPixelSamples(float x, float y) {
    recordFloats(kPixelSamplesID, {x, y});
}
void RiExposure(float g, float gm) {
    recordFloats(kExposureID, {g, gm});
}
void RiRelativeDetail(float v) {
    riRecord(kRelativeDetailID, new RtFloatData(v));
}
void RiAttributeBegin() {
    recordNone(kAttributeBeginID);
}
void RiAttributeEnd() {
    recordNone(kAttributeEndID);
}

void RiColor(const float rgb[3]) {
    auto* c = new RtColorData;
    std::memcpy(c->rgb, rgb, sizeof(c->rgb));
    riRecord(kColorID, c);
}

void RiOpacity(const float rgb[3]) {
    auto* c = new RtColorData;
    std::memcpy(c->rgb, rgb, sizeof(c->rgb));
    riRecord(kOpacityID, c);
}

void RiTextureCoordinates(float s1, float t1, float s2, float t2, float s3, float t3, float s4,
                          float t4) {
    recordFloats(kTextureCoordinatesID, {s1, t1, s2, t2, s3, t3, s4, t4});
}

void* RiLightSource(RtToken name, ...) {
    va_list ap;
    va_start(ap, name);
    ParamList params = collect(ap);
    va_end(ap);
    riRecord(kLightSourceID, nameData(name, params));
    return nullptr;
}

void RiSurface(RtToken name, ...) {
    va_list ap;
    va_start(ap, name);
    ParamList params = collect(ap);
    va_end(ap);
    riRecord(kSurfaceID, nameData(name, params));
}

void RiShadingRate(float s) {
    riRecord(kShadingRateID, new RtFloatData(s));
}
void RiShadingInterpolation(RtToken t) {
    recordName(kShadingInterpolationID, t);
}
void RiMatte(int onoff) {
    riRecord(kMatteID, new RtIntData(onoff));
}
void RiDetailRange(float a, float b, float c, float d) {
    recordFloats(kDetailRangeID, {a, b, c, d});
}
void RiOrientation(RtToken o) {
    recordName(kOrientationID, o);
}
void RiReverseOrientation() {
    recordNone(kReverseOrientationID);
}
void RiSides(int s) {
    riRecord(kSidesID, new RtIntData(s));
}
void RiIdentity() {
    recordNone(kIdentityID);
}
void RiTransform(const float m[4][4]) {
    riRecord(kTransformID, matrixData(m));
}
void RiConcatTransform(const float m[4][4]) {
    riRecord(kConcatTransformID, matrixData(m));
}
void RiPerspective(float fov) {
    riRecord(kPerspectiveID, new RtFloatData(fov));
}
void RiTranslate(float x, float y, float z) {
    recordFloats(kTranslateID, {x, y, z});
}
void RiRotate(float a, float x, float y, float z) {
    recordFloats(kRotateID, {a, x, y, z});
}
void RiScale(float x, float y, float z) {
    recordFloats(kScaleID, {x, y, z});
}
void RiSkew(float a, float x1, float y1, float z1, float x2, float y2, float z2) {
    recordFloats(kSkewID, {a, x1, y1, z1, x2, y2, z2});
}
void RiCoordinateSystem(RtToken s) {
    recordName(kCoordinateSystemID, s);
}
void RiTransformBegin() {
    recordNone(kTransformBeginID);
}
void RiTransformEnd() {
    recordNone(kTransformEndID);
}

void RiAttribute(RtToken name, ...) {
    va_list ap;
    va_start(ap, name);
    ParamList params = collect(ap);
    va_end(ap);
    if (!name || std::strcmp(name, "identifier") != 0 || params.tokens.size() != 1 ||
        std::strcmp(params.tokens[0], "name") != 0 || !params.values[0])
        return;
    const char* value = *static_cast<const char* const*>(params.values[0]);
    auto* d = new RtAttributeData;
    d->attribute = "identifier";
    d->token = "name";
    d->value = value ? value : "";
    riRecord(kAttributeID, d);
}

void RiAnimatedChannel(RtKeyList* keys) {
    riRecord(kAnimChannelID, keys);
}
void RiPolygonObject(RtPolygon* p) {
    riRecord(kPolygonID, p);
}
void RiGeneralPolygonObject(RtGeneralPolygon* p) {
    riRecord(kGeneralPolygonID, p);
}
void RiPointsPolygonsObject(RtPointsPolygons* m) {
    riRecord(kPointsPolygonsID, m);
}
void RiPointsGeneralPolygonsObject(RtPointsGeneralPolygons* m) {
    riRecord(kPointsGeneralPolygonsID, m);
}
void RiPatchObject(RtTokenData* p) {
    riRecord(kPatchID, p);
}
void RiNuPatchObject(RtNuPatch* p) {
    riRecord(kNuPatchID, p);
}
void RiSphere(float r, float a, float b, float t) {
    recordFloats(kSphereID, {r, a, b, t});
}
void RiCone(float h, float r, float t) {
    recordFloats(kConeID, {h, r, t});
}
void RiCylinder(float r, float a, float b, float t) {
    recordFloats(kCylinderID, {r, a, b, t});
}
void RiHyperboloid(const float p1[3], const float p2[3], float t) {
    recordFloats(kHyperboloidID, {p1[0], p1[1], p1[2], p2[0], p2[1], p2[2], t});
}
void RiDisk(float h, float r, float t) {
    recordFloats(kDiskID, {h, r, t});
}
void RiTorus(float a, float b, float c, float d, float t) {
    recordFloats(kTorusID, {a, b, c, d, t});
}
void RiSolidBegin(RtToken op) {
    recordName(kSolidBeginID, op);
}
void RiSolidEnd() {
    recordNone(kSolidEndID);
}
void* RiObjectBegin() {
    recordNone(kObjectBeginID);
    return nullptr;
}
void RiObjectEnd() {
    recordNone(kObjectEndID);
}
void RiObjectInstance(int handle) {
    riRecord(kObjectInstanceID, new RtIntData(handle));
}

void RiMakeTexture(RtToken picture, RtToken texture, RtToken swrap, RtToken twrap,
                   RtFilterFunc filter, float swidth, float twidth, ...) {
    auto* t = new RtTextureData;
    t->pictureName = picture ? picture : "";
    t->textureName = texture ? texture : "";
    t->sWrap = swrap ? swrap : "";
    t->tWrap = twrap ? twrap : "";
    t->filter = riFilterName(filter);
    t->sWidth = swidth;
    t->tWidth = twidth;
    riRecord(kMakeTextureID, t);
}

RtCameraData* RiCamera(const float from[3], const float to[3], float roll) {
    auto* c = new RtCameraData;
    std::memcpy(c->from, from, sizeof(c->from));
    std::memcpy(c->to, to, sizeof(c->to));
    c->roll = roll;
    c->computeViewMatrix();
    riRecord(kCameraID, c);
    return c;
}

float RiGaussianFilter(float x, float y, float xw, float yw) {
    recordFloats(kGaussianFilterID, {x, y, xw, yw});
    return 0.0f;
}
float RiBoxFilter(float x, float y, float xw, float yw) {
    recordFloats(kBoxFilterID, {x, y, xw, yw});
    return 0.0f;
}
float RiTriangleFilter(float x, float y, float xw, float yw) {
    recordFloats(kTriangleFilterID, {x, y, xw, yw});
    return 0.0f;
}
float RiCatmullRomFilter(float x, float y, float xw, float yw) {
    recordFloats(kCatmullRomFilterID, {x, y, xw, yw});
    return 0.0f;
}
float RiSincFilter(float x, float y, float xw, float yw) {
    recordFloats(kSincFilterID, {x, y, xw, yw});
    return 0.0f;
}
float RiBSplineFilter(float x, float y, float xw, float yw) {
    recordFloats(kBSplineFilterID, {x, y, xw, yw});
    return 0.0f;
}

const char* riFilterName(RtFilterFunc f) {
    struct Row {
        RtFilterFunc func;
        const char* name;
    };
    static const Row kRows[] = {{RiGaussianFilter, "gaussian"}, {RiBoxFilter, "box"},
                                {RiTriangleFilter, "triangle"}, {RiCatmullRomFilter, "catmull-rom"},
                                {RiSincFilter, "sinc"},         {RiBSplineFilter, "b-spline"}};
    for (const Row& r : kRows)
        if (r.func == f) return r.name;
    return "box";
}
