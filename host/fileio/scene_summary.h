#pragma once
/// What a scene holds after an import, gathered through the SDK: meshes with their counts,
/// Phong materials, shading groups with their members, cameras. Main thread only.

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace tarn::fileio {

struct MeshSummary {
    std::string name;       ///< shape name
    std::string transform;  ///< its transform's name
    int vertices = 0;
    int faces = 0;
    bool hasUVs = false;
    bool visible = true;
};

struct GroupSummary {
    std::string name;
    std::vector<std::string> members;  ///< as `sets -q` answers them
};

struct SceneSummary {
    std::vector<MeshSummary> meshes;
    std::vector<std::string> materials;  ///< Phong shader names
    std::vector<GroupSummary> shadingGroups;
    std::vector<std::string> cameras;    ///< camera transform names
    long totalVertices = 0;
    long totalFaces = 0;
};

/// Walks every node of the scene.
SceneSummary summarizeScene();
/// Human-readable report, one item per line.
std::string summaryText(const SceneSummary& s);
nlohmann::json summaryJson(const SceneSummary& s);
/// Writes every mesh to an OBJ file (world space) with an MTL library beside it; the faces of a
/// shading group take the Phong shader whose name the group carries with "SG" appended.
bool writeSceneObj(const SceneSummary& s, const std::string& path, std::string* error);

}  // namespace tarn::fileio
