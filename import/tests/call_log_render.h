#pragma once
// A back-end for tests: every played operation appends one line of text.

#include <sstream>
#include <string>
#include <vector>

#include "import/trib_render.h"

class CallLogRender : public TribRender {
public:
    std::vector<std::string> calls;

    template <class... A>
    void log(const char* name, const A&... a) {
        std::ostringstream os;
        os << name;
        ((os << ' ' << a), ...);
        calls.push_back(os.str());
    }
    static std::string params(const RtVData& d) {
        std::ostringstream os;
        for (const auto& p : d.params) {
            os << ' ' << p.token << '=';
            if (!p.hasValue)
                os << "none";
            else if (!p.s.empty() || p.kind == 2 || p.kind == 6)
                os << '"' << p.s << '"';
            else if (p.kind == 3)
                os << p.f[0];
            else
                os << p.f[0] << ',' << p.f[1] << ',' << p.f[2];
        }
        return os.str();
    }

    float gaussianFilter(float a, float b, float c, float d) override {
        return log("gaussian", a, b, c, d), 0;
    }
    float bSplineFilter(float a, float b, float c, float d) override {
        return log("b-spline", a, b, c, d), 0;
    }
    RtToken declare(RtToken t) override { return t; }
    void begin(const char* n) override { log("begin", '"' + std::string(n) + '"'); }
    void end() override { log("end"); }
    void frameBegin(int f) override { log("frameBegin", f); }
    void frameEnd() override { log("frameEnd"); }
    void worldBegin() override { log("worldBegin"); }
    void worldEnd() override { log("worldEnd"); }
    void projection(float fov) override { log("projection", fov); }
    void clipping(float a, float b) override { log("clipping", a, b); }
    void attributeBegin() override { log("attributeBegin"); }
    void attributeEnd() override { log("attributeEnd"); }
    void color(const float c[3]) override { log("color", c[0], c[1], c[2]); }
    void opacity(const float c[3]) override { log("opacity", c[0], c[1], c[2]); }
    void textureCoordinates(const float[8]) override { log("textureCoordinates"); }
    int lightSource(const char* s, const RtVData& p) override {
        log("lightSource", s + params(p));
        return ++m_lightHandles;
    }
    void surface(const char* s, const RtVData& p) override { log("surface", s + params(p)); }
    void shadingRate(float v) override { log("shadingRate", v); }
    void shadingInterpolation(const char* s) override { log("shadingInterpolation", s); }
    void matte(int v) override { log("matte", v); }
    void detailRange(const float[4]) override { log("detailRange"); }
    void orientation(const char* s) override { log("orientation", s); }
    void reverseOrientation() override { log("reverseOrientation"); }
    void sides(int v) override { log("sides", v); }
    void identity() override { log("identity"); }
    void transform(const float m[4][4]) override {
        log("transform", m[3][0] + 0.0f, m[3][1] + 0.0f, m[3][2] + 0.0f);
    }
    void concatTransform(const float[4][4]) override { log("concatTransform"); }
    void perspective(float v) override { log("perspective", v); }
    void translate(float x, float y, float z) override { log("translate", x, y, z); }
    void rotate(float a, float x, float y, float z) override { log("rotate", a, x, y, z); }
    void scale(float x, float y, float z) override { log("scale", x, y, z); }
    void skew(const float[7]) override { log("skew"); }
    void coordinateSystem(const char* s) override { log("coordinateSystem", s); }
    void transformBegin() override { log("transformBegin"); }
    void transformEnd() override { log("transformEnd"); }
    void attribute(const RtAttributeData& a) override {
        log("attribute", a.attribute, a.token, a.value);
    }
    void polygon(const RtPolygon&) override { log("polygon"); }
    void generalPolygon(const RtGeneralPolygon&) override { log("generalPolygon"); }
    void pointsPolygons(const RtPointsPolygons& m) override {
        log("pointsPolygons", m.polygonCount, m.P ? m.P->count / 3 : 0, m.st ? "st" : "no-st");
    }
    void pointsGeneralPolygons(const RtPointsGeneralPolygons&) override {
        log("pointsGeneralPolygons");
    }
    void patch(const RtTokenData&) override { log("patch"); }
    void nuPatch(const RtNuPatch&) override { log("nuPatch"); }
    void quadric(int16_t type, const std::vector<float>& v) override {
        log("quadric", type, v.size());
    }
    void solidBegin(const char* s) override { log("solidBegin", s); }
    void solidEnd() override { log("solidEnd"); }
    int objectBegin() override {
        log("objectBegin");
        return ++m_objectHandles;
    }
    void objectEnd() override { log("objectEnd"); }
    void objectInstance(int h) override { log("objectInstance", h); }
    void makeTexture(const RtTextureData& t) override {
        log("makeTexture", '"' + t.pictureName + '"', t.textureName, t.sWrap, t.tWrap, t.filter,
            t.sWidth, t.tWidth);
    }
};
