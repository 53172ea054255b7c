#pragma once
/// The importer's Tarn back-end: plays a recorded call list into the host, creating Phong
/// shaders with shading groups and file textures, cameras, one transform per attribute block and
/// polygon meshes with UVs, soft edges, shading-group assignments and hidden state.
/// Main thread only; per-group shading assignments of multi-material meshes go to the idle queue.

#include <string>
#include <vector>

#include "frame/host_sdk.h"
#include "import/trib_render.h"

/// Faces that the mesh kernel can take, and where each original face went.
struct MeshFaceFilter {
    std::vector<int> counts;   ///< kept faces' vertex counts
    std::vector<int> indices;  ///< kept faces' vertex indices
    std::vector<int> remap;    ///< per original face: its new number, or -1 when dropped
};

/// Drops faces with fewer than 3 vertices, an index outside [0, vertexCount) or a repeated
/// index, and faces whose indices would run past `indexCount`. Pure function.
MeshFaceFilter filterMeshFaces(const int* counts, int polygonCount, const int* indices,
                               size_t indexCount, int vertexCount);

/// Vertex count the back-end gives a mesh: largest index + 1, at most the points available.
int meshVertexCount(const int* indices, size_t indexCount, size_t pointCount);

class TribRenderTarn : public TribRender {
public:
    TribRenderTarn();
    ~TribRenderTarn() override;

    RtToken declare(RtToken token) override { return token; }
    void begin(const char*) override {}
    void end() override {}
    void frameBegin(int) override {}
    void frameEnd() override {}
    void worldBegin() override;
    void worldEnd() override;

    void attributeBegin() override;
    void attributeEnd() override;
    void color(const float[3]) override {}
    void opacity(const float[3]) override {}
    void textureCoordinates(const float[8]) override {}
    int lightSource(const char* shader, const RtVData& params) override;
    void surface(const char*, const RtVData&) override {}
    void shadingRate(float) override {}
    void shadingInterpolation(const char*) override {}
    void matte(int) override {}
    void detailRange(const float[4]) override {}
    void orientation(const char*) override {}
    void reverseOrientation() override {}
    void sides(int) override {}
    void identity() override {}
    void transform(const float[4][4]) override {}
    void concatTransform(const float[4][4]) override {}
    void perspective(float) override {}
    void translate(float x, float y, float z) override;
    void rotate(float angleDegrees, float x, float y, float z) override;
    void scale(float x, float y, float z) override;
    void skew(const float[7]) override {}
    void coordinateSystem(const char*) override {}
    void transformBegin() override {}
    void transformEnd() override {}
    void attribute(const RtAttributeData& data) override;
    void polygon(const RtPolygon&) override {}
    void generalPolygon(const RtGeneralPolygon&) override {}
    void pointsPolygons(const RtPointsPolygons& mesh) override;
    void pointsGeneralPolygons(const RtPointsGeneralPolygons&) override {}
    void patch(const RtTokenData&) override {}
    void nuPatch(const RtNuPatch&) override {}
    void quadric(int16_t, const std::vector<float>&) override {}
    void solidBegin(const char*) override {}
    void solidEnd() override {}
    int objectBegin() override { return ++m_objectHandles; }
    void objectEnd() override {}
    void objectInstance(int) override {}

private:
    void createMaterials();
    void createCameras();
    void assignGroups(const RtMaterialPointsPolygons& mesh, const KDagPath& path,
                      const std::vector<int>& remap);
};
