#include "import/trib_render.h"

#include <cstdio>

namespace {

struct TraceRow {
    int type;
    const char* line;
};

constexpr TraceRow kTraceRows[] = {
    {kDeclareID, "### kDeclareID\n"},
    {kFormatID, "### kFormatID\n"},
    {kPixelFilterID, "### kPixelFilterID\n"},
    {kImagerID, "### kImagerID\n"},
    {kQuantizeID, "### kQuantizeID\n"},
    {kDisplayID, "### kDisplayID\n"},
    {kHiderID, "### kHiderID\n"},
    {kColorSamplesID, "### kColorSamplesID\n"},
    {kOptionID, "### kOptionID\n"},
    {kAreaLightSourceID, "### kAreaLightSourceID\n"},
    {kIlluminateID, "### kIlluminateID\n"},
    {kAtmosphereID, "### kAtmosphereID\n"},
    {kInteriorID, "### kInteriorID\n"},
    {kExteriorID, "### kExteriorID\n"},
    {kBoundID, "### kBoundID\n"},
    {kDetailID, "### kDetailID\n"},
    {kGeometricApproximationID, "### kGeometricApproximationID\n"},
    {kDeformationID, "### kDeformationID\n"},
    {kDisplacementID, "### kDisplacementID\n"},
    {kTransformPointsID, "### kTransformPointsID\n"},
    {kBasisID, "### kBasisID\n"},
    {kPatchMeshID, "### kPatchMeshID\n"},
    {kTrimCurveID, "### kTrimCurveID\n"},
    {kParaboloidID, "### kParaboloidID\n"},
    {kProceduralID, "### kProceduralID\n"},
    {kGeometryID, "### kGeometryID\n"},
    {kMotionBeginID, "### kMotionBeginID\n"},
    {kMotionEndID, "### kMotionEndID\n"},
    {kMakeBumpID, "### kMakeBumpID\n"},
    {kMakeCubeFaceEnvironmentID, "### kMakeCubeFaceEnvironmentID\n"},
    {kMakeLatLongEnvironmentID, "### kMakeLatLongEnvironmentID\n"},
    {kMakeShadowID, "### kMakeShadowID\n"},
    {kArchiveRecordID, "### kArchiveRecordID\n"},
};

template <class T>
const T* as(const RtScene& rec) {
    return dynamic_cast<const T*>(rec.data.get());
}

// Frees the geometry arrays of a played polygon-mesh record (its counts become zero).
void releaseMeshArrays(RtData& data) {
    auto* mesh = dynamic_cast<RtPointsPolygons*>(&data);
    if (!mesh) return;
    mesh->P.reset();
    mesh->N.reset();
    mesh->st.reset();
    mesh->counts.reset();
    mesh->indices.reset();
    mesh->polygonCount = 0;
    mesh->indexCount = 0;
}

// The floats of a record when it carries exactly `n` of them.
const float* floats(const RtScene& rec, size_t n) {
    const auto* f = as<RtFloats>(rec);
    return f && f->values.size() == n ? f->values.data() : nullptr;
}

const char* text(const RtScene& rec) {
    const auto* s = as<RtStringData>(rec);
    return s ? s->value.c_str() : "";
}

}  // namespace

const char* tribTraceLine(int type) {
    for (const TraceRow& r : kTraceRows)
        if (r.type == type) return r.line;
    return nullptr;
}

int TribRender::play(RtScene* head, int frame) {
    m_frame = frame;
    m_head = head;
    int count = 0;
    for (m_current = head; m_current; m_current = m_current->next, ++count) playOne(*m_current);
    return count;
}

void TribRender::playOne(RtScene& rec) {
    const float* f = nullptr;
    switch (rec.type) {
        case kAnimChannelID:
            if (const auto* k = as<RtKeyList>(rec)) {
                const float v = k->evaluate(static_cast<float>(m_frame) / 30.0f);
                switch (k->channel) {
                    case 0:
                        translate(v, 0, 0);
                        break;
                    case 1:
                        translate(0, v, 0);
                        break;
                    case 2:
                        translate(0, 0, v);
                        break;
                    case 3:
                        rotate(v, 1, 0, 0);
                        break;
                    case 4:
                        rotate(v, 0, 1, 0);
                        break;
                    case 5:
                        rotate(v, 0, 0, 1);
                        break;
                    default:
                        break;
                }
            }
            return;
        case kGaussianFilterID:
        case kBoxFilterID:
        case kTriangleFilterID:
        case kCatmullRomFilterID:
        case kSincFilterID:
        case kBSplineFilterID: {
            if (!(f = floats(rec, 4))) return;
            using Fn = float (TribRender::*)(float, float, float, float);
            static constexpr Fn kFilters[] = {
                &TribRender::gaussianFilter,   &TribRender::boxFilter,  &TribRender::triangleFilter,
                &TribRender::catmullRomFilter, &TribRender::sincFilter, &TribRender::bSplineFilter};
            (this->*kFilters[rec.type - kGaussianFilterID])(f[0], f[1], f[2], f[3]);
            return;
        }
        case kBeginID:
            begin(text(rec));
            return;
        case kEndID:
            end();
            return;
        case kFrameBeginID:
            if (const auto* i = as<RtIntData>(rec)) frameBegin(i->value);
            return;
        case kFrameEndID:
            frameEnd();
            return;
        case kWorldBeginID:
            worldBegin();
            return;
        case kWorldEndID:
            worldEnd();
            return;
        case kFrameAspectRatioID:
            if (const auto* v = as<RtFloatData>(rec)) frameAspectRatio(v->value);
            return;
        case kScreenWindowID:
            if ((f = floats(rec, 4))) screenWindow(f[0], f[1], f[2], f[3]);
            return;
        case kCropWindowID:
            if ((f = floats(rec, 4))) cropWindow(f[0], f[1], f[2], f[3]);
            return;
        case kProjectionID:
            if (const auto* v = as<RtFloatData>(rec)) projection(v->value);
            return;
        case kClippingID:
            if ((f = floats(rec, 2))) clipping(f[0], f[1]);
            return;
        case kDepthOfFieldID:
            if ((f = floats(rec, 3))) depthOfField(f[0], f[1], f[2]);
            return;
        case kShutterID:
            if ((f = floats(rec, 2))) shutter(f[0], f[1]);
            return;
        case kPixelVarianceID:
            if (const auto* v = as<RtFloatData>(rec)) pixelVariance(v->value);
            return;
        case kPixelSampleRateID:
            if (const auto* v = as<RtFloatData>(rec)) pixelSampleRate(v->value);
            return;
        case kPixelSamplesID:
            if ((f = floats(rec, 2))) pixelSamples(f[0], f[1]);
            return;
        case kExposureID:
            if ((f = floats(rec, 2))) exposure(f[0], f[1]);
            return;
        case kRelativeDetailID:
            if (const auto* v = as<RtFloatData>(rec)) relativeDetail(v->value);
            return;
        case kAttributeBeginID:
            attributeBegin();
            return;
        case kAttributeEndID:
            attributeEnd();
            return;
        case kColorID:
            if (const auto* c = as<RtColorData>(rec)) color(c->rgb);
            return;
        case kOpacityID:
            if (const auto* c = as<RtColorData>(rec)) opacity(c->rgb);
            return;
        case kTextureCoordinatesID:
            if ((f = floats(rec, 8))) textureCoordinates(f);
            return;
        case kLightSourceID:
            if (const auto* n = as<RtNameData>(rec)) lightSource(n->name.c_str(), *n);
            return;
        case kSurfaceID:
            if (const auto* n = as<RtNameData>(rec)) surface(n->name.c_str(), *n);
            return;
        case kShadingRateID:
            if (const auto* v = as<RtFloatData>(rec)) shadingRate(v->value);
            return;
        case kShadingInterpolationID:
            if (rec.data) shadingInterpolation(text(rec));
            return;
        case kMatteID:
            if (const auto* i = as<RtIntData>(rec)) matte(i->value);
            return;
        case kDetailRangeID:
            if ((f = floats(rec, 4))) detailRange(f);
            return;
        case kOrientationID:
            if (rec.data) orientation(text(rec));
            return;
        case kReverseOrientationID:
            reverseOrientation();
            return;
        case kSidesID:
            if (const auto* i = as<RtIntData>(rec)) sides(i->value);
            return;
        case kIdentityID:
            identity();
            return;
        case kTransformID:
            if (const auto* m = as<RtMatrixData>(rec)) transform(m->m);
            return;
        case kConcatTransformID:
            if (const auto* m = as<RtMatrixData>(rec)) concatTransform(m->m);
            return;
        case kPerspectiveID:
            if (const auto* v = as<RtFloatData>(rec)) perspective(v->value);
            return;
        case kTranslateID:
            if ((f = floats(rec, 3))) translate(f[0], f[1], f[2]);
            return;
        case kRotateID:
            if ((f = floats(rec, 4))) rotate(f[0], f[1], f[2], f[3]);
            return;
        case kScaleID:
            if ((f = floats(rec, 3))) scale(f[0], f[1], f[2]);
            return;
        case kSkewID:
            if ((f = floats(rec, 7))) skew(f);
            return;
        case kCoordinateSystemID:
            if (rec.data) coordinateSystem(text(rec));
            return;
        case kTransformBeginID:
            transformBegin();
            return;
        case kTransformEndID:
            transformEnd();
            return;
        case kAttributeID:
            if (const auto* a = as<RtAttributeData>(rec)) attribute(*a);
            return;
        case kPolygonID:
            if (const auto* p = as<RtPolygon>(rec)) polygon(*p);
            return;
        case kGeneralPolygonID:
            if (const auto* p = as<RtGeneralPolygon>(rec)) generalPolygon(*p);
            return;
        case kPointsPolygonsID:
            if (const auto* p = as<RtPointsPolygons>(rec)) {
                pointsPolygons(*p);
                if (m_releasePlayedMeshes) releaseMeshArrays(*rec.data);
            }
            return;
        case kPointsGeneralPolygonsID:
            if (const auto* p = as<RtPointsGeneralPolygons>(rec)) pointsGeneralPolygons(*p);
            return;
        case kPatchID:
        case kPatchAltID:
            if (const auto* p = as<RtTokenData>(rec)) patch(*p);
            return;
        case kNuPatchID:
            if (const auto* p = as<RtNuPatch>(rec)) nuPatch(*p);
            return;
        case kSphereID:
        case kConeID:
        case kCylinderID:
        case kHyperboloidID:
        case kDiskID:
        case kTorusID:
            if (const auto* v = as<RtFloats>(rec)) quadric(rec.type, v->values);
            return;
        case kSolidBeginID:
            if (rec.data) solidBegin(text(rec));
            return;
        case kSolidEndID:
            solidEnd();
            return;
        case kObjectBeginID:
            objectBegin();
            return;
        case kObjectEndID:
            objectEnd();
            return;
        case kObjectInstanceID:
            if (const auto* i = as<RtIntData>(rec)) objectInstance(i->value);
            return;
        case kMakeTextureID:
            if (const auto* t = as<RtTextureData>(rec)) makeTexture(*t);
            return;
        case kCameraID:
            if (auto* c = dynamic_cast<RtCameraData*>(rec.data.get())) {
                m_camera = c;
                c->computeViewMatrix();
                transform(c->m);
            }
            return;
        default:
            break;
    }
    if (const char* line = tribTraceLine(rec.type)) std::fputs(line, stderr);
}
