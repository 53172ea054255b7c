#include "import/ri_trace.h"

#include <cstdio>
#include <sstream>
#include <string>

namespace {

struct FilterArg {};

void put(std::ostringstream& os, const char* s) {
    os << (s ? s : "(null)");
}
void put(std::ostringstream& os, RtFilterFunc) {
    os << "filterfunc";
}
template <class T>
void put(std::ostringstream& os, const T& v) {
    os << v;
}

// One trace line: "### Ri<name> (a, b, c)\n", written in one piece.
template <class... Args>
void trace(const char* name, const Args&... args) {
    std::ostringstream os;
    os << "### " << name << " (";
    bool first = true;
    ((os << (first ? "" : ", "), put(os, args), first = false), ...);
    os << ")\n";
    const std::string line = os.str();
    std::fputs(line.c_str(), stderr);
}

}  // namespace

void RiMakeTextureV(RtToken pic, RtToken tex, RtToken sw, RtToken tw, RtFilterFunc f, float swidth,
                    float twidth, int n, const RtToken[], const RtPointer[]) {
    trace("RiMakeTextureV", pic, tex, sw, tw, f, swidth, twidth, n);
}
void RiMakeBump(RtToken pic, RtToken tex, RtToken sw, RtToken tw, RtFilterFunc f, float swidth,
                float twidth, ...) {
    trace("RiMakeBump", pic, tex, sw, tw, f, swidth, twidth);
}
void RiMakeBumpV(RtToken pic, RtToken tex, RtToken sw, RtToken tw, RtFilterFunc f, float swidth,
                 float twidth, int n, const RtToken[], const RtPointer[]) {
    trace("RiMakeBumpV", pic, tex, sw, tw, f, swidth, twidth, n);
}
void RiMakeLatLongEnvironment(RtToken pic, RtToken tex, RtFilterFunc f, float sw, float tw, ...) {
    trace("RiMakeLatLongEnvironment", pic, tex, f, sw, tw);
}
void RiMakeLatLongEnvironmentV(RtToken pic, RtToken tex, RtFilterFunc f, float sw, float tw, int n,
                               const RtToken[], const RtPointer[]) {
    trace("RiMakeLatLongEnvironmentV", pic, tex, f, sw, tw, n);
}
void RiMakeCubeFaceEnvironment(RtToken px, RtToken nx, RtToken py, RtToken ny, RtToken pz,
                               RtToken nz, RtToken tex, float fov, RtFilterFunc f, float sw,
                               float tw, ...) {
    trace("RiMakeCubeFaceEnvironment", px, nx, py, ny, pz, nz, tex, fov, f, sw, tw);
}
void RiMakeCubeFaceEnvironmentV(RtToken px, RtToken nx, RtToken py, RtToken ny, RtToken pz,
                                RtToken nz, RtToken tex, float fov, RtFilterFunc f, float sw,
                                float tw, int n, const RtToken[], const RtPointer[]) {
    trace("RiMakeCubeFaceEnvironmentV", px, nx, py, ny, pz, nz, tex, fov, f, sw, tw, n);
}
void RiMakeShadow(RtToken pic, RtToken tex, ...) {
    trace("RiMakeShadow", pic, tex);
}
void RiMakeShadowV(RtToken pic, RtToken tex, int n, const RtToken[], const RtPointer[]) {
    trace("RiMakeShadowV", pic, tex, n);
}
void RiArchiveRecord(RtToken type, const char* format, ...) {
    trace("RiArchiveRecord", type, format);
}
void RiPolygonV(int nv, int n, const RtToken[], const RtPointer[]) {
    trace("RiPolygonV", nv, n);
}
void RiPointsPolygonsV(int np, const int[], const int[], int n, const RtToken[],
                       const RtPointer[]) {
    trace("RiPointsPolygonsV", np, n);
}
void RiPointsGeneralPolygonsV(int np, const int[], const int[], const int[], int n, const RtToken[],
                              const RtPointer[]) {
    trace("RiPointsGeneralPolygonsV", np, n);
}
void RiBasis(RtToken ub, int us, RtToken vb, int vs) {
    trace("RiBasis", ub, us, vb, vs);
}
void RiPatchV(RtToken type, int n, const RtToken[], const RtPointer[]) {
    trace("RiPatchV", type, n);
}
void RiPatchMesh(RtToken type, int nu, RtToken uw, int nv, RtToken vw, ...) {
    trace("RiPatchMesh", type, nu, uw, nv, vw);
}
void RiPatchMeshV(RtToken type, int nu, RtToken uw, int nv, RtToken vw, int n, const RtToken[],
                  const RtPointer[]) {
    trace("RiPatchMeshV", type, nu, uw, nv, vw, n);
}
void RiNuPatchV(int nu, int uo, const float[], float umin, float umax, int nv, int vo,
                const float[], float vmin, float vmax, int n, const RtToken[], const RtPointer[]) {
    trace("RiNuPatchV", nu, uo, umin, umax, nv, vo, vmin, vmax, n);
}
void RiTrimCurve(int nloops, const int[], const int[], const float[], const float[], const float[],
                 const int[], const float[], const float[], const float[]) {
    trace("RiTrimCurve", nloops);
}
void RiParaboloid(float r, float a, float b, float t, ...) {
    trace("RiParaboloid", r, a, b, t);
}
void RiParaboloidV(float r, float a, float b, float t, int n, const RtToken[], const RtPointer[]) {
    trace("RiParaboloidV", r, a, b, t, n);
}
void RiGeometry(RtToken type, ...) {
    trace("RiGeometry", type);
}
void RiGeometryV(RtToken type, int n, const RtToken[], const RtPointer[]) {
    trace("RiGeometryV", type, n);
}
void RiDeclare(const char* name, const char* decl) {
    trace("RiDeclare", name, decl);
}
void RiFormat(int x, int y, float a) {
    trace("RiFormat", x, y, a);
}
void RiProjectionV(RtToken name, int n, const RtToken[], const RtPointer[]) {
    trace("RiProjectionV", name, n);
}
void RiPixelFilter(RtFilterFunc f, float xw, float yw) {
    trace("RiPixelFilter", f, xw, yw);
}
void RiImager(RtToken name, ...) {
    trace("RiImager", name);
}
void RiImagerV(RtToken name, int n, const RtToken[], const RtPointer[]) {
    trace("RiImagerV", name, n);
}
void RiQuantize(RtToken type, int one, int mn, int mx, float a) {
    trace("RiQuantize", type, one, mn, mx, a);
}
void RiDisplay(const char* name, RtToken type, RtToken mode, ...) {
    trace("RiDisplay", name, type, mode);
}
void RiDisplayV(const char* name, RtToken type, RtToken mode, int n, const RtToken[],
                const RtPointer[]) {
    trace("RiDisplayV", name, type, mode, n);
}
void RiHider(RtToken type, ...) {
    trace("RiHider", type);
}
void RiHiderV(RtToken type, int n, const RtToken[], const RtPointer[]) {
    trace("RiHiderV", type, n);
}
void RiColorSamples(int n, const float[], const float[]) {
    trace("RiColorSamples", n);
}
void RiOption(RtToken name, ...) {
    trace("RiOption", name);
}
void RiOptionV(RtToken name, int n, const RtToken[], const RtPointer[]) {
    trace("RiOptionV", name, n);
}
void RiLightSourceV(RtToken name, int n, const RtToken[], const RtPointer[]) {
    trace("RiLightSourceV", name, n);
}
void RiAreaLightSource(RtToken name, ...) {
    trace("RiAreaLightSource", name);
}
void RiAreaLightSourceV(RtToken name, int n, const RtToken[], const RtPointer[]) {
    trace("RiAreaLightSourceV", name, n);
}
void RiIlluminate(int light, int onoff) {
    trace("RiIlluminate", light, onoff);
}
void RiSurfaceV(RtToken name, int n, const RtToken[], const RtPointer[]) {
    trace("RiSurfaceV", name, n);
}
void RiAtmosphere(RtToken name, ...) {
    trace("RiAtmosphere", name);
}
void RiAtmosphereV(RtToken name, int n, const RtToken[], const RtPointer[]) {
    trace("RiAtmosphereV", name, n);
}
void RiInterior(RtToken name, ...) {
    trace("RiInterior", name);
}
void RiInteriorV(RtToken name, int n, const RtToken[], const RtPointer[]) {
    trace("RiInteriorV", name, n);
}
void RiExterior(RtToken name, ...) {
    trace("RiExterior", name);
}
void RiExteriorV(RtToken name, int n, const RtToken[], const RtPointer[]) {
    trace("RiExteriorV", name, n);
}
void RiGeometricApproximation(RtToken type, float v) {
    trace("RiGeometricApproximation", type, v);
}
void RiDeformation(RtToken name, ...) {
    trace("RiDeformation", name);
}
void RiDeformationV(RtToken name, int n, const RtToken[], const RtPointer[]) {
    trace("RiDeformationV", name, n);
}
void RiDisplacement(RtToken name, ...) {
    trace("RiDisplacement", name);
}
void RiDisplacementV(RtToken name, int n, const RtToken[], const RtPointer[]) {
    trace("RiDisplacementV", name, n);
}
void RiTransformPoints(RtToken from, RtToken to, int n, float[][3]) {
    trace("RiTransformPoints", from, to, n);
}
void RiAttributeV(RtToken name, int n, const RtToken[], const RtPointer[]) {
    trace("RiAttributeV", name, n);
}
void RiMotionBegin(int n, ...) {
    trace("RiMotionBegin", n);
}
void RiMotionBeginV(int n, const float[]) {
    trace("RiMotionBeginV", n);
}
void RiProcedural() {
    std::fputs("### RiProcedural ()\n", stderr);
}
void RiBound(const float[6]) {
    std::fputs("### RiBound ()\n", stderr);
}
void RiDetail(const float[6]) {
    std::fputs("### RiDetail ()\n", stderr);
}
