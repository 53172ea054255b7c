#pragma once
/// Plays a recorded call list into a back-end: one virtual operation per call type. Operations a
/// back-end must answer are pure; the frame/option operations and the texture-making ones do
/// nothing unless overridden. Main thread only.

#include "import/ri_recorder.h"

class TribRender {
public:
    virtual ~TribRender() = default;
    /// Plays every record from head on; returns the number of records visited.
    virtual int play(RtScene* head, int frame);
    /// With `release` set, play frees the point, texture-coordinate, count and index arrays of
    /// each polygon-mesh record once it has been played (a one-shot import that no longer needs
    /// them); the records themselves stay. Off by default.
    void setReleasePlayedMeshes(bool release) { m_releasePlayedMeshes = release; }

    // Pixel filter functions (base: 0).
    virtual float gaussianFilter(float, float, float, float) { return 0; }
    virtual float boxFilter(float, float, float, float) { return 0; }
    virtual float triangleFilter(float, float, float, float) { return 0; }
    virtual float catmullRomFilter(float, float, float, float) { return 0; }
    virtual float sincFilter(float, float, float, float) { return 0; }
    virtual float bSplineFilter(float, float, float, float) { return 0; }

    /// Maps a token to the back-end's own (the Tarn back-end answers its argument).
    virtual RtToken declare(RtToken token) = 0;

    virtual void begin(const char* name) = 0;
    virtual void end() = 0;
    virtual void frameBegin(int frame) = 0;
    virtual void frameEnd() = 0;
    virtual void worldBegin() = 0;
    virtual void worldEnd() = 0;

    virtual void frameAspectRatio(float) {}
    virtual void screenWindow(float, float, float, float) {}
    virtual void cropWindow(float, float, float, float) {}
    virtual void projection(float /*fov*/) {}
    virtual void clipping(float, float) {}
    virtual void depthOfField(float, float, float) {}
    virtual void shutter(float, float) {}
    virtual void pixelVariance(float) {}
    virtual void pixelSampleRate(float) {}
    virtual void pixelSamples(float, float) {}
    virtual void exposure(float, float) {}
    virtual void relativeDetail(float) {}

    virtual void attributeBegin() = 0;
    virtual void attributeEnd() = 0;
    virtual void color(const float rgb[3]) = 0;
    virtual void opacity(const float rgb[3]) = 0;
    virtual void textureCoordinates(const float st[8]) = 0;
    /// Returns the back-end's light handle.
    virtual int lightSource(const char* shader, const RtVData& params) = 0;
    virtual void surface(const char* shader, const RtVData& params) = 0;
    virtual void shadingRate(float) = 0;
    virtual void shadingInterpolation(const char*) = 0;
    virtual void matte(int) = 0;
    virtual void detailRange(const float v[4]) = 0;
    virtual void orientation(const char*) = 0;
    virtual void reverseOrientation() = 0;
    virtual void sides(int) = 0;
    virtual void identity() = 0;
    virtual void transform(const float m[4][4]) = 0;
    virtual void concatTransform(const float m[4][4]) = 0;
    virtual void perspective(float) = 0;
    virtual void translate(float x, float y, float z) = 0;
    virtual void rotate(float angleDegrees, float x, float y, float z) = 0;
    virtual void scale(float x, float y, float z) = 0;
    virtual void skew(const float v[7]) = 0;
    virtual void coordinateSystem(const char*) = 0;
    virtual void transformBegin() = 0;
    virtual void transformEnd() = 0;
    virtual void attribute(const RtAttributeData& data) = 0;
    virtual void polygon(const RtPolygon&) = 0;
    virtual void generalPolygon(const RtGeneralPolygon&) = 0;
    virtual void pointsPolygons(const RtPointsPolygons& mesh) = 0;
    virtual void pointsGeneralPolygons(const RtPointsGeneralPolygons&) = 0;
    virtual void patch(const RtTokenData&) = 0;
    virtual void nuPatch(const RtNuPatch&) = 0;
    virtual void quadric(int16_t type, const std::vector<float>& args) = 0;
    virtual void solidBegin(const char*) = 0;
    virtual void solidEnd() = 0;
    /// Returns the back-end's object handle.
    virtual int objectBegin() = 0;
    virtual void objectEnd() = 0;
    virtual void objectInstance(int handle) = 0;

    virtual void makeTexture(const RtTextureData&) {}

    /// The camera of the last camera record played, or null.
    const RtCameraData* currentCamera() const { return m_camera; }
    int frame() const { return m_frame; }

protected:
    RtScene* m_current = nullptr;
    RtScene* m_head = nullptr;
    int m_lightHandles = 0;
    int m_objectHandles = 0;
    int m_frame = 0;
    const RtCameraData* m_camera = nullptr;

private:
    void playOne(RtScene& rec);
    bool m_releasePlayedMeshes = false;
};

/// The trace line the player writes for a call type it knows only by name, or null.
const char* tribTraceLine(int type);
