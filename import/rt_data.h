#pragma once
/// The importer's scene model: small data classes derived from RtData. Bulk arrays taken over
/// from the chunk parser stay malloc'ed and are freed with free(); every array carries its length.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
/// A malloc'ed array owned by the model.
template <class T>
using MallocPtr = std::unique_ptr<T[], FreeDeleter>;

class RtData {
public:
    virtual ~RtData() = default;
};

class RtHangerData : public RtData {
public:
    std::unique_ptr<RtData> data;
};

class RtFloatData : public RtData {
public:
    explicit RtFloatData(float v = 0) : value(v) {}
    float value;
};

class RtIntData : public RtData {
public:
    explicit RtIntData(int v = 0) : value(v) {}
    int32_t value;
};

class RtFloatArray : public RtData {
public:
    explicit RtFloatArray(size_t n)
        : values(static_cast<float*>(std::calloc(n ? n : 1, sizeof(float)))), count(n) {}
    RtFloatArray(float* taken, size_t n) : values(taken), count(n) {}
    MallocPtr<float> values;
    size_t count;
};

class RtIntArray : public RtData {
public:
    explicit RtIntArray(size_t n)
        : values(static_cast<int*>(std::calloc(n ? n : 1, sizeof(int)))), count(n) {}
    MallocPtr<int> values;
    size_t count;
};

class RtStringData : public RtData {
public:
    explicit RtStringData(std::string s = {}) : value(std::move(s)) {}
    std::string value;
};

class RtDataList : public RtData {
public:
    std::vector<std::unique_ptr<RtData>> items;
};

class RtNameList : public RtDataList {
public:
    std::string name;
    std::vector<std::string> names;
    /// Exact string comparison.
    bool contains(const std::string& s) const;
};

class RtColorData : public RtData {
public:
    float rgb[3] = {1, 1, 1};
};

class RtMatrixData : public RtData {
public:
    RtMatrixData();
    float m[4][4];
};

class RtCameraData : public RtMatrixData {
public:
    float from[3] = {0, 0, -1};
    float to[3] = {0, 0, 0};
    float up[3] = {0, 1, 0};
    float roll = 0;
    /// Builds the view transform (world to camera) from from/to/up/roll into the matrix.
    void computeViewMatrix();
};

class RtBoundingBox : public RtData {
public:
    int16_t valid = 0;
    float min[3] = {0, 0, 0}, max[3] = {0, 0, 0}, centre[3] = {0, 0, 0};
};

class RtShader : public RtData {
public:
    std::string shaderName;
    float Ka = 1.0f, Kd = 0.5f, Ks = 0.5f, roughness = 0.1f;
    float specularColor[3] = {1, 1, 1};
    float color[3] = {1, 1, 1};
    float opacity[3] = {1, 1, 1};
    std::string textureName;
    std::string pictureName;
};

class RtMaterial : public RtShader {
public:
    std::string materialName;
    RtMaterial* next = nullptr;  ///< owned by the material list, not by this object
};

class RtTextureData : public RtData {
public:
    std::string pictureName, textureName, sWrap, tWrap, filter;
    float sWidth = 1.0f, tWidth = 1.0f;
    int32_t field = -1;
};

class RtKeyList : public RtData {
public:
    int keyCount = 0;
    int channel = 0;  ///< 0-2 translate x, y, z; 3-5 rotate about x, y, z
    std::vector<float> times, values;
    /// Linear interpolation, clamped at both ends; 0 without keys.
    float evaluate(float t) const;
};

/// One parameter of a call: a token and a value copied by the token's declared kind.
struct RtParam {
    std::string token;
    int kind = 1;
    bool hasValue = false;
    float f[3] = {0, 0, 0};
    std::string s;
};

class RtVData : public RtData {
public:
    std::vector<RtParam> params;
    /// The parameter named token, or null.
    const RtParam* find(const std::string& token) const;
};

class RtNameData : public RtVData {
public:
    std::string name;
};

class RtAttributeData : public RtHangerData {
public:
    std::string attribute;  ///< "identifier"
    std::string token;      ///< "name"
    std::string value;      ///< the object name
};

class RtObject : public RtHangerData {
public:
    RtMatrixData objectMatrix;
    float origin[3] = {0, 0, 0};
};

class RtTokenData : public RtObject {
public:
    int field = 1;
    int16_t hidden = 0;
    // The three token/value pairs "P", "N" and "st"; values owned.
    std::unique_ptr<RtFloatArray> P, N, st;
};

class RtPolygon : public RtTokenData {
public:
    int vertexCount = 0;
};

class RtGeneralPolygon : public RtTokenData {
public:
    int loopCount = 0;
    std::vector<int> loopVertexCounts;
};

class RtPointsPolygons : public RtTokenData {
public:
    int polygonCount = 0;
    MallocPtr<int> counts;   ///< polygonCount entries
    MallocPtr<int> indices;  ///< sum of counts entries
    size_t indexCount = 0;
};

struct RtFaceGroup {
    RtMaterial* material = nullptr;  ///< not owned
    uint16_t faceCount = 0;
    MallocPtr<uint16_t> faces;
    std::unique_ptr<RtFaceGroup> next;
};

class RtMaterialPointsPolygons : public RtPointsPolygons {
public:
    int groupCount = 0;
    RtFaceGroup groups;  ///< first group inline
};

class RtPointsGeneralPolygons : public RtTokenData {
public:
    int polygonCount = 0;
    std::vector<int> loopCounts, vertexCounts, indices;
};

class RtNuPatch : public RtTokenData {
public:
    int nu = 0, uorder = 0, nv = 0, vorder = 0;
    std::vector<float> uknot, vknot;
    float umin = 0, umax = 1, vmin = 0, vmax = 1;
};

class RtScene;

enum RtNodeKind {
    kNodeWorld = 0,
    kNodeMesh = 1,
    kNodeFolder = 2,
    kNodeMaterial = 3,
    kNodeCamera = 5,
    kNodeLight = 6
};

class RtNodeData : public RtHangerData {
public:
    ~RtNodeData() override;
    std::string name;
    int16_t nodeId = -1, parentId = -1;
    RtScene* firstCall = nullptr;
    RtScene* lastCall = nullptr;
    int kind = 0;
    float pivot[3] = {0, 0, 0};
    std::unique_ptr<RtKeyList> keys[10];
    RtData* ref = nullptr;  ///< material, mesh or camera owned elsewhere
    std::unique_ptr<RtNodeData> firstChild;
    std::unique_ptr<RtNodeData> nextSibling;  ///< Note: deleted iteratively by the destructor
};
