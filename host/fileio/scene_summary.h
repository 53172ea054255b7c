#pragma once
/// What a scene holds after an import, gathered through the SDK: meshes with their counts,
/// Phong materials, shading groups with their members, cameras. Main thread only.

#include <string>
#include <vector>

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
    std::vector<std::string> cameras;  ///< camera transform names
    long totalVertices = 0;
    long totalFaces = 0;
};

/// Walks every node of the scene.
SceneSummary summarizeScene();
/// Human-readable report, one item per line.
std::string summaryText(const SceneSummary& s);

}  // namespace tarn::fileio
