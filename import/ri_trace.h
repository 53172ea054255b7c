#pragma once
/// Render-interface calls that the recorder does not record: each writes one trace line
/// "### Ri<Name> (arg, arg, ...)\n" to the standard error stream. Strings are written as text,
/// numbers in the stream's default formatting, a filter function as "filterfunc". Of the
/// parameter-list (V) forms only the fixed arguments and the parameter count are written; array
/// arguments are written as their counts.

#include "import/ri_recorder.h"

void RiMakeTextureV(RtToken pic, RtToken tex, RtToken swrap, RtToken twrap, RtFilterFunc f,
                    float swidth, float twidth, int n, const RtToken tokens[],
                    const RtPointer values[]);
void RiMakeBump(RtToken pic, RtToken tex, RtToken swrap, RtToken twrap, RtFilterFunc f,
                float swidth, float twidth, ...);
void RiMakeBumpV(RtToken pic, RtToken tex, RtToken swrap, RtToken twrap, RtFilterFunc f,
                 float swidth, float twidth, int n, const RtToken tokens[],
                 const RtPointer values[]);
void RiMakeLatLongEnvironment(RtToken pic, RtToken tex, RtFilterFunc f, float swidth, float twidth,
                              ...);
void RiMakeLatLongEnvironmentV(RtToken pic, RtToken tex, RtFilterFunc f, float swidth, float twidth,
                               int n, const RtToken tokens[], const RtPointer values[]);
void RiMakeCubeFaceEnvironment(RtToken px, RtToken nx, RtToken py, RtToken ny, RtToken pz,
                               RtToken nz, RtToken tex, float fov, RtFilterFunc f, float swidth,
                               float twidth, ...);
void RiMakeCubeFaceEnvironmentV(RtToken px, RtToken nx, RtToken py, RtToken ny, RtToken pz,
                                RtToken nz, RtToken tex, float fov, RtFilterFunc f, float swidth,
                                float twidth, int n, const RtToken tokens[],
                                const RtPointer values[]);
void RiMakeShadow(RtToken pic, RtToken tex, ...);
void RiMakeShadowV(RtToken pic, RtToken tex, int n, const RtToken tokens[],
                   const RtPointer values[]);
void RiArchiveRecord(RtToken type, const char* format, ...);
void RiPolygonV(int nvertices, int n, const RtToken tokens[], const RtPointer values[]);
void RiPointsPolygonsV(int npolys, const int nvertices[], const int vertices[], int n,
                       const RtToken tokens[], const RtPointer values[]);
void RiPointsGeneralPolygonsV(int npolys, const int nloops[], const int nvertices[],
                              const int vertices[], int n, const RtToken tokens[],
                              const RtPointer values[]);
void RiBasis(RtToken ubasis, int ustep, RtToken vbasis, int vstep);
void RiPatchV(RtToken type, int n, const RtToken tokens[], const RtPointer values[]);
void RiPatchMesh(RtToken type, int nu, RtToken uwrap, int nv, RtToken vwrap, ...);
void RiPatchMeshV(RtToken type, int nu, RtToken uwrap, int nv, RtToken vwrap, int n,
                  const RtToken tokens[], const RtPointer values[]);
void RiNuPatchV(int nu, int uorder, const float uknot[], float umin, float umax, int nv, int vorder,
                const float vknot[], float vmin, float vmax, int n, const RtToken tokens[],
                const RtPointer values[]);
void RiTrimCurve(int nloops, const int ncurves[], const int order[], const float knot[],
                 const float min[], const float max[], const int n[], const float u[],
                 const float v[], const float w[]);
void RiParaboloid(float rmax, float zmin, float zmax, float thetamax, ...);
void RiParaboloidV(float rmax, float zmin, float zmax, float thetamax, int n,
                   const RtToken tokens[], const RtPointer values[]);
void RiGeometry(RtToken type, ...);
void RiGeometryV(RtToken type, int n, const RtToken tokens[], const RtPointer values[]);
void RiDeclare(const char* name, const char* declaration);
void RiFormat(int xres, int yres, float aspect);
void RiProjectionV(RtToken name, int n, const RtToken tokens[], const RtPointer values[]);
void RiPixelFilter(RtFilterFunc f, float xwidth, float ywidth);
void RiImager(RtToken name, ...);
void RiImagerV(RtToken name, int n, const RtToken tokens[], const RtPointer values[]);
void RiQuantize(RtToken type, int one, int min, int max, float ampl);
void RiDisplay(const char* name, RtToken type, RtToken mode, ...);
void RiDisplayV(const char* name, RtToken type, RtToken mode, int n, const RtToken tokens[],
                const RtPointer values[]);
void RiHider(RtToken type, ...);
void RiHiderV(RtToken type, int n, const RtToken tokens[], const RtPointer values[]);
void RiColorSamples(int n, const float nRGB[], const float RGBn[]);
void RiOption(RtToken name, ...);
void RiOptionV(RtToken name, int n, const RtToken tokens[], const RtPointer values[]);
void RiLightSourceV(RtToken name, int n, const RtToken tokens[], const RtPointer values[]);
void RiAreaLightSource(RtToken name, ...);
void RiAreaLightSourceV(RtToken name, int n, const RtToken tokens[], const RtPointer values[]);
void RiIlluminate(int light, int onoff);
void RiSurfaceV(RtToken name, int n, const RtToken tokens[], const RtPointer values[]);
void RiAtmosphere(RtToken name, ...);
void RiAtmosphereV(RtToken name, int n, const RtToken tokens[], const RtPointer values[]);
void RiInterior(RtToken name, ...);
void RiInteriorV(RtToken name, int n, const RtToken tokens[], const RtPointer values[]);
void RiExterior(RtToken name, ...);
void RiExteriorV(RtToken name, int n, const RtToken tokens[], const RtPointer values[]);
void RiGeometricApproximation(RtToken type, float value);
void RiDeformation(RtToken name, ...);
void RiDeformationV(RtToken name, int n, const RtToken tokens[], const RtPointer values[]);
void RiDisplacement(RtToken name, ...);
void RiDisplacementV(RtToken name, int n, const RtToken tokens[], const RtPointer values[]);
void RiTransformPoints(RtToken fromspace, RtToken tospace, int n, float points[][3]);
void RiAttributeV(RtToken name, int n, const RtToken tokens[], const RtPointer values[]);
void RiMotionBegin(int n, ...);
void RiMotionBeginV(int n, const float times[]);
void RiProcedural();
void RiBound(const float bound[6]);
void RiDetail(const float bound[6]);
