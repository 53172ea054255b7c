#include "bake/mesh_baker.h"

#include <algorithm>
#include <cmath>

#include "bake/pixel_writers.h"
#include "bake/scan_converter.h"
#include "bake/tangent_frame.h"
#include "frame/k_arrays.h"
#include "frame/k_mesh.h"
#include "frame/k_selection.h"

const char* const bake::kAttributeNames[bake::kAttributeCount] = {
    "position", "normal", "color", "uv", "tangent", "binormal"};

namespace bake {

namespace {

/// Slots each attribute interpolates.
constexpr unsigned kScreen = maskOf(kSx) | maskOf(kSy);
constexpr unsigned kVectorMask = kScreen | maskOf(kNx) | maskOf(kNy) | maskOf(kNz);
constexpr unsigned kAttributeMasks[kAttributeCount] = {
    kScreen | maskOf(kX) | maskOf(kY) | maskOf(kZ),               // position 0x73
    kVectorMask,                                                  // normal 0xE003
    kScreen | maskOf(kR) | maskOf(kG) | maskOf(kB) | maskOf(kA),  // color 0x1E03
    kScreen | maskOf(kU) | maskOf(kV),                            // uv 0x183
    kVectorMask,                                                  // tangent
    kVectorMask,                                                  // binormal
};

/// Per-mesh constants of the walk: the screen mapping and the position box.
struct Mapping {
    double umin, vmin, xScale, yScale;  // sx = (u - umin) * xScale
    double boxMin[3], boxInverse[3];    // 0 where the box has no size
};

/// Everything read from one face, per face-vertex.
struct FaceData {
    KPointArray points;
    KVectorArray normals;
    KColorArray colors;
    KFloatArray u, v;
    KIntArray vertices;
};

/// Fills corner `slot` of `poly` from face-vertex `fv` of `face`.
void setCorner(ScanPolygon& poly, int slot, const FaceData& face, int fv, const Mapping& m,
               const BakeSettings& s) {
    double* a = poly.v[slot].a;
    const double u = face.u[fv], v = face.v[fv];
    a[kSx] = (u - m.umin) * m.xScale;
    a[kSy] = (v - m.vmin) * m.yScale;
    a[kU] = u;
    a[kV] = v;
    switch (s.attribute) {
        case kPosition:
            for (int i = 0; i < 3; ++i)
                a[kX + i] = (face.points[fv][unsigned(i)] - m.boxMin[i]) * m.boxInverse[i];
            break;
        case kNormal:
            a[kNx] = face.normals[fv].x;
            a[kNy] = face.normals[fv].y;
            a[kNz] = face.normals[fv].z;
            break;
        case kColor:
            for (int c = 0; c < 4; ++c) {
                const double value = face.colors[fv][unsigned(c)];
                a[kR + c] = value < 0.0 ? s.defaultAttributeColor[c] : value;
            }
            break;
        default:
            break;
    }
}

/// The face-vertex of the current face whose mesh vertex is `vertex` (0 if none matches).
int faceVertexOf(const FaceData& face, int vertex) {
    for (unsigned k = 0; k < face.vertices.length(); ++k)
        if (face.vertices[k] == vertex) return int(k);
    return 0;
}

template <class Writer>
void drawFace(KItMeshPolygon& it, FaceData& face, const Mapping& m, const BakeSettings& s,
              const ScanWindow& window, const Writer& writer, int& drawn) {
    const KSpace space = s.objectSpace ? KSpace::kObject : KSpace::kWorld;
    it.getUVs(face.u, face.v);
    it.getVertices(face.vertices);
    const unsigned corners = face.vertices.length();
    if (face.u.length() < corners || face.v.length() < corners) return;
    if (s.attribute == kPosition) it.getPoints(face.points, space);
    if (s.attribute == kNormal || s.attribute >= kTangent) it.getNormals(face.normals, space);
    if (s.attribute == kColor) it.getColors(face.colors);
    if (s.attribute == kTangent || s.attribute == kBinormal) it.getPoints(face.points, space);

    ScanPolygon poly;
    poly.mask = kAttributeMasks[s.attribute];
    int triangles = 0;
    it.numTriangles(triangles);
    const bool perTriangle = s.attribute == kTangent || s.attribute == kBinormal;
    if (triangles < 2 && !perTriangle) {
        // A triangle (or a face that makes one): scan it with its own corners.
        if (corners > unsigned(kMaxScanVertices)) return;
        poly.count = int(corners);
        for (unsigned k = 0; k < corners; ++k) setCorner(poly, int(k), face, int(k), m, s);
        scanPolygon(poly, window, writer);
        ++drawn;
        return;
    }
    KPointArray trianglePoints;
    KIntArray triangleVertices;
    poly.count = 3;
    for (int t = 0; t < triangles; ++t) {
        if (!it.getTriangle(t, trianglePoints, triangleVertices, space)) continue;
        int fv[3];
        for (int j = 0; j < 3; ++j) {
            fv[j] = faceVertexOf(face, triangleVertices[unsigned(j)]);
            setCorner(poly, j, face, fv[j], m, s);
        }
        if (perTriangle) {
            Vec3 p[3], n[3];
            double u[3], v[3];
            for (int j = 0; j < 3; ++j) {
                const KPoint& q = face.points[unsigned(fv[j])];
                const KVector& w = face.normals[unsigned(fv[j])];
                p[j] = {q.x, q.y, q.z};
                n[j] = {w.x, w.y, w.z};
                u[j] = face.u[unsigned(fv[j])];
                v[j] = face.v[unsigned(fv[j])];
            }
            CornerFrames frames;
            // A triangle whose UVs span no area has no frame: it is left undrawn.
            if (!triangleFrame(p, u, v, n, frames)) continue;
            for (int j = 0; j < 3; ++j) {
                const Vec3& d = s.attribute == kTangent ? frames.tangent[j] : frames.binormal[j];
                poly.v[j].a[kNx] = d.x;
                poly.v[j].a[kNy] = d.y;
                poly.v[j].a[kNz] = d.z;
            }
        }
        scanPolygon(poly, window, writer);
        ++drawn;
    }
}

template <class Writer>
int drawFaces(const KDagPath& path, const KObject& faces, const Mapping& m, const BakeSettings& s,
              const ScanWindow& window, const Writer& writer) {
    KStatus status;
    KItMeshPolygon it(path, faces, &status);
    if (!status) return 0;
    FaceData face;
    int drawn = 0;
    for (; !it.isDone(); it.next()) {
        if (!it.hasUVs()) continue;
        if (s.attribute == kColor && !it.hasColor()) continue;
        drawFace(it, face, m, s, window, writer, drawn);
    }
    return drawn;
}

/// The box of the mesh's points in the space they are sampled in, as minimum and inverse size
/// per axis; an axis without extent maps to 0.
void positionBox(const KFnMesh& mesh, KSpace space, Mapping& m) {
    KPointArray points;
    mesh.getPoints(points, space);
    for (int i = 0; i < 3; ++i) {
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (unsigned k = 0; k < points.length(); ++k) {
            lo = std::min(lo, points[k][unsigned(i)]);
            hi = std::max(hi, points[k][unsigned(i)]);
        }
        const double size = hi - lo;
        m.boxMin[i] = points.length() ? lo : 0.0;
        m.boxInverse[i] = size > 0.0 && std::isfinite(size) ? 1.0 / size : 0.0;
    }
}

}  // namespace

MeshBake bakeMesh(const KDagPath& path, const KObject& component, const BakeSettings& s,
                  KImage& image) {
    MeshBake result;
    const int width = s.width, height = s.height;
    image.create(unsigned(width), unsigned(height), 4);
    std::uint8_t background[4];
    for (int c = 0; c < 4; ++c) background[c] = toByte(s.defaultBackgroundColor[c] * 255.0);
    unsigned char* pixels = image.pixels();
    if (!pixels) return result;
    for (std::size_t i = 0, n = std::size_t(width) * std::size_t(height); i < n; ++i)
        std::copy(background, background + 4, pixels + i * 4);

    KDagPath shape = path;
    if (!shape.extendToShape() || !shape.hasFn(KFn::kMesh)) return result;
    KStatus status;
    KFnMesh mesh(shape, &status);
    if (!status) return result;

    // Map the UV range onto the image.
    KFloatArray us, vs;
    KString uvSet = mesh.currentUVSetName();
    mesh.getUVs(us, vs, &uvSet);
    if (us.length() == 0 || vs.length() != us.length()) {
        result.outcome = BakeOutcome::kNoUVs;
        return result;
    }
    UvRange& r = result.uv;
    r.umin = r.umax = us[0];
    r.vmin = r.vmax = vs[0];
    for (unsigned i = 0; i < us.length(); ++i) {
        r.umin = std::min<double>(r.umin, us[i]);
        r.umax = std::max<double>(r.umax, us[i]);
        r.vmin = std::min<double>(r.vmin, vs[i]);
        r.vmax = std::max<double>(r.vmax, vs[i]);
    }
    if (!(r.umax > r.umin) || !(r.vmax > r.vmin) || !std::isfinite(r.umax - r.umin) ||
        !std::isfinite(r.vmax - r.vmin)) {
        result.outcome = BakeOutcome::kFlatUVs;
        return result;
    }
    r.su = 1.0 / (r.umax - r.umin);
    r.sv = 1.0 / (r.vmax - r.vmin);

    Mapping m{};
    m.umin = r.umin;
    m.vmin = r.vmin;
    m.xScale = width * r.su;
    m.yScale = height * r.sv;
    if (s.attribute == kPosition)
        positionBox(mesh, s.objectSpace ? KSpace::kObject : KSpace::kWorld, m);

    const KObject faces = !component.isNull() && component.apiType() == KFn::kMeshPolygonComponent
                              ? component
                              : KObject::kNullObj;
    const ScanWindow window{0, 0, width - 1, height - 1};
    const PixelTarget target{pixels, width};
    switch (s.attribute) {
        case kPosition:
            result.polygonsDrawn = drawFaces(shape, faces, m, s, window, PositionWriter{target});
            break;
        case kColor:
            result.polygonsDrawn = drawFaces(shape, faces, m, s, window, ColorWriter{target});
            break;
        case kUv:
            result.polygonsDrawn = drawFaces(shape, faces, m, s, window, UvWriter{target});
            break;
        default:
            result.polygonsDrawn = drawFaces(shape, faces, m, s, window, VectorWriter{target});
            break;
    }
    result.outcome = BakeOutcome::kBaked;
    return result;
}

}  // namespace bake
