#pragma once
/// A recorded render-interface call: its type, its argument data and the link to the next call.

#include <cstdint>
#include <memory>

#include "import/rt_data.h"

enum RtCallId : int16_t {
    kAnimChannelID = 0,
    kGaussianFilterID = 1,
    kBoxFilterID,
    kTriangleFilterID,
    kCatmullRomFilterID,
    kSincFilterID,
    kBSplineFilterID,
    kDeclareID = 7,
    kBeginID = 8,
    kEndID = 9,
    kFrameBeginID = 10,
    kFrameEndID = 11,
    kWorldBeginID = 12,
    kWorldEndID = 13,
    kFormatID = 14,
    kFrameAspectRatioID = 15,
    kScreenWindowID = 16,
    kCropWindowID = 17,
    kProjectionID = 18,
    kClippingID = 19,
    kDepthOfFieldID = 20,
    kShutterID = 21,
    kPixelVarianceID = 22,
    kPixelSampleRateID = 23,
    kPixelSamplesID = 24,
    kPixelFilterID = 25,
    kExposureID = 26,
    kImagerID = 27,
    kQuantizeID = 28,
    kDisplayID = 29,
    kHiderID = 30,
    kColorSamplesID = 31,
    kRelativeDetailID = 32,
    kOptionID = 33,
    kAttributeBeginID = 34,
    kAttributeEndID = 35,
    kColorID = 36,
    kOpacityID = 37,
    kTextureCoordinatesID = 38,
    kLightSourceID = 39,
    kAreaLightSourceID = 40,
    kIlluminateID = 41,
    kSurfaceID = 42,
    kAtmosphereID = 43,
    kInteriorID = 44,
    kExteriorID = 45,
    kShadingRateID = 46,
    kShadingInterpolationID = 47,
    kMatteID = 48,
    kBoundID = 49,
    kDetailID = 50,
    kDetailRangeID = 51,
    kGeometricApproximationID = 52,
    kOrientationID = 53,
    kReverseOrientationID = 54,
    kSidesID = 55,
    kIdentityID = 56,
    kTransformID = 57,
    kConcatTransformID = 58,
    kPerspectiveID = 59,
    kTranslateID = 60,
    kRotateID = 61,
    kScaleID = 62,
    kSkewID = 63,
    kDeformationID = 64,
    kDisplacementID = 65,
    kCoordinateSystemID = 66,
    kTransformPointsID = 67,
    kTransformBeginID = 68,
    kTransformEndID = 69,
    kAttributeID = 70,
    kPolygonID = 71,
    kGeneralPolygonID = 72,
    kPointsPolygonsID = 73,
    kPointsGeneralPolygonsID = 74,
    kBasisID = 75,
    kPatchID = 76,
    kPatchAltID = 77,
    kPatchMeshID = 78,
    kNuPatchID = 79,
    kTrimCurveID = 80,
    kSphereID = 81,
    kConeID = 82,
    kCylinderID = 83,
    kHyperboloidID = 84,
    kParaboloidID = 85,
    kDiskID = 86,
    kTorusID = 87,
    kProceduralID = 88,
    kGeometryID = 89,
    kSolidBeginID = 90,
    kSolidEndID = 91,
    kObjectBeginID = 92,
    kObjectEndID = 93,
    kObjectInstanceID = 94,
    kMotionBeginID = 95,
    kMotionEndID = 96,
    kMakeBumpID = 97,
    kMakeCubeFaceEnvironmentID = 98,
    kMakeLatLongEnvironmentID = 99,
    kMakeShadowID = 100,
    kMakeTextureID = 101,
    kArchiveRecordID = 102,
    kCameraID = 104,
};

class RtScene : public RtData {
public:
    RtScene(int16_t t, RtData* d) : type(t), data(d) {}
    /// Deletes this record's data and every record after it (iteratively).
    ~RtScene() override;

    int16_t type;
    std::unique_ptr<RtData> data;
    RtScene* next = nullptr;
};

/// Several floats of one call (4 for filters, 2 for clipping, ...).
class RtFloats : public RtData {
public:
    RtFloats(std::initializer_list<float> v) : values(v) {}
    std::vector<float> values;
};
