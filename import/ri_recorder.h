#pragma once
/// Recording layer: render-interface calls appended to a process-wide list of RtScene records
/// instead of being executed. Parameter lists are (token, value pointer) pairs ended by a null
/// token; values are copied by the token's declared kind.
///
/// Process-wide state (list head, tail, save stack) is unlocked and used by one import at a time
/// on the host's main thread.

#include "import/rt_scene.h"

using RtToken = const char*;
using RtPointer = const void*;
using RtFilterFunc = float (*)(float, float, float, float);

/// Head of the current list (null before the first begin).
RtScene* riListHead();
/// Last record of the current list.
RtScene* riListTail();
/// Deletes the current list and every saved one.
void riResetRecorder();
/// Pushes the current list and starts a fresh one headed by a begin placeholder.
void riSaveList();
/// Pops the list saved last; the list being built is returned to the caller (owned), or null.
RtScene* riRestoreList();
/// Inserts the chain `list` after record `after` (both non-null).
void riSplice(RtScene* after, RtScene* list);
/// Appends a record (takes ownership of data).
RtScene* riRecord(int16_t type, RtData* data);

/// Copies a parameter list by the declared-token table; undeclared tokens are reported on the
/// standard error stream ("Unknown token: X") and kept without a value.
void riCopyParams(RtVData& into, int n, const RtToken tokens[], const RtPointer values[]);

// Recorded calls.
void RiBegin(RtToken name);
void RiEnd();
void RiFrameBegin(int frame);
void RiFrameEnd();
void RiWorldBegin();
void RiWorldEnd();
void RiFrameAspectRatio(float aspect);
void RiScreenWindow(float left, float right, float bottom, float top);
void RiCropWindow(float xmin, float xmax, float ymin, float ymax);
/// Records only the "fov" parameter; any other parameter records nothing.
void RiProjection(RtToken name, ...);
void RiClipping(float hither, float yon);
void RiDepthOfField(float fstop, float focalLength, float focalDistance);
void RiShutter(float open, float close);
void RiPixelVariance(float variance);
void RiPixelSampleRate(float rate);
void RiPixelSamples(float xsamples, float ysamples);
void RiExposure(float gain, float gamma);
void RiRelativeDetail(float relativeDetail);
void RiAttributeBegin();
void RiAttributeEnd();
void RiColor(const float rgb[3]);
void RiOpacity(const float rgb[3]);
void RiTextureCoordinates(float s1, float t1, float s2, float t2, float s3, float t3, float s4,
                          float t4);
/// Returns null: handles are given out by the player's back-end.
void* RiLightSource(RtToken name, ...);
void RiSurface(RtToken name, ...);
void RiShadingRate(float size);
void RiShadingInterpolation(RtToken type);
void RiMatte(int onoff);
void RiDetailRange(float minVisible, float lowerTransition, float upperTransition,
                   float maxVisible);
void RiOrientation(RtToken orientation);
void RiReverseOrientation();
void RiSides(int sides);
void RiIdentity();
void RiTransform(const float m[4][4]);
void RiConcatTransform(const float m[4][4]);
void RiPerspective(float fov);
void RiTranslate(float dx, float dy, float dz);
void RiRotate(float angle, float dx, float dy, float dz);
void RiScale(float sx, float sy, float sz);
void RiSkew(float angle, float dx1, float dy1, float dz1, float dx2, float dy2, float dz2);
void RiCoordinateSystem(RtToken space);
void RiTransformBegin();
void RiTransformEnd();
/// Records only "identifier" with the parameter "name" (value: pointer to a string).
void RiAttribute(RtToken name, ...);
/// Records an animated channel (0-2 translate x/y/z, 3-5 rotate about x/y/z); takes keys.
void RiAnimatedChannel(RtKeyList* keys);
/// Records a polygon mesh object (takes ownership).
void RiPolygonObject(RtPolygon* polygon);
void RiGeneralPolygonObject(RtGeneralPolygon* polygon);
void RiPointsPolygonsObject(RtPointsPolygons* mesh);
void RiPointsGeneralPolygonsObject(RtPointsGeneralPolygons* mesh);
void RiPatchObject(RtTokenData* patch);
void RiNuPatchObject(RtNuPatch* patch);
void RiSphere(float radius, float zmin, float zmax, float thetamax);
void RiCone(float height, float radius, float thetamax);
void RiCylinder(float radius, float zmin, float zmax, float thetamax);
void RiHyperboloid(const float p1[3], const float p2[3], float thetamax);
void RiDisk(float height, float radius, float thetamax);
void RiTorus(float majorRadius, float minorRadius, float phimin, float phimax, float thetamax);
void RiSolidBegin(RtToken operation);
void RiSolidEnd();
/// Returns null: handles are given out by the player's back-end.
void* RiObjectBegin();
void RiObjectEnd();
void RiObjectInstance(int handle);
void RiMakeTexture(RtToken picture, RtToken texture, RtToken swrap, RtToken twrap,
                   RtFilterFunc filter, float swidth, float twidth, ...);
/// Records a camera looking from `from` to `to` with a roll in degrees; the list owns it.
RtCameraData* RiCamera(const float from[3], const float to[3], float roll);

// Pixel filter functions: each records its call (types 1-6) and returns 0.
float RiGaussianFilter(float x, float y, float xwidth, float ywidth);
float RiBoxFilter(float x, float y, float xwidth, float ywidth);
float RiTriangleFilter(float x, float y, float xwidth, float ywidth);
float RiCatmullRomFilter(float x, float y, float xwidth, float ywidth);
float RiSincFilter(float x, float y, float xwidth, float ywidth);
float RiBSplineFilter(float x, float y, float xwidth, float ywidth);
/// "gaussian", "box", "triangle", "catmull-rom", "sinc" or "b-spline"; "box" when unknown.
const char* riFilterName(RtFilterFunc filter);
