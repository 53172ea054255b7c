#pragma once
/// The host's own construction-history nodes:
/// - meshOriginal: holds the mesh a shape had before its first modifier (outMesh, o); the
///   first node of a history made by insertModifier.
/// - groupFaces: passes mesh data through (inMesh, i -> outMesh, o) and gives it object group
///   groupId (gid) holding the faces listed in `faces` (fcs, text of ids and ranges, "0:3 7");
///   ids past the mesh's face count are left out. groupId -1 passes the data unchanged.
/// Main thread only.

#include <string>
#include <string_view>
#include <vector>

#include "frame/k_node.h"
#include "frame/k_object.h"

namespace tarn::scene {

enum HistoryTypeId : unsigned {
    kMeshOriginalId = 0x7a000010,
    kGroupFacesId = 0x7a000011,
};

class MeshOriginalNode : public KPxNode {
public:
    static void* creator() { return new MeshOriginalNode; }
    static KStatus initialize();
    static KObject outMesh;
};

class GroupFacesNode : public KPxNode {
public:
    static void* creator() { return new GroupFacesNode; }
    static KStatus initialize();
    KStatus compute(const KPlug& plug, KDataBlock& block) override;
    static KObject inMesh, outMesh, groupId, faces;
};

/// Face ids as groupFaces stores them: ascending runs "a:b" or "a", separated by blanks.
std::string faceListText(const std::vector<int>& faces);
/// Reads that text (any order, repeats allowed), keeping ids below `limit`; false (with the
/// ids read so far) on anything else.
bool parseFaceList(std::string_view text, int limit, std::vector<int>* faces);

/// Registers the history node types with the graph when they are missing.
void ensureHistoryTypes();

}  // namespace tarn::scene
