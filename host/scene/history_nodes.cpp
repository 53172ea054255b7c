#include "host/scene/history_nodes.h"

#include <algorithm>
#include <charconv>

#include "frame/k_data.h"
#include "host/dg/graph.h"
#include "host/scene/attribute_table.h"
#include "host/scene/mesh_data.h"

namespace tarn::scene {

KObject MeshOriginalNode::outMesh;
KObject GroupFacesNode::inMesh, GroupFacesNode::outMesh, GroupFacesNode::groupId,
    GroupFacesNode::faces;

KStatus MeshOriginalNode::initialize() {
    AttrRow out{"outMesh", "o", AttrKind::MeshData};
    out.handle = &outMesh;
    return addAttributeTable({out});
}

KStatus GroupFacesNode::initialize() {
    AttrRow in{"inMesh", "i", AttrKind::MeshData};
    in.handle = &inMesh;
    AttrRow out{"outMesh", "o", AttrKind::MeshData};
    out.output = true;
    out.handle = &outMesh;
    AttrRow gid{"groupId", "gid", AttrKind::Int, {-1.0}};
    gid.handle = &groupId;
    AttrRow fcs{"faces", "fcs", AttrKind::String};
    fcs.handle = &faces;
    if (KStatus s = addAttributeTable({in, out, gid, fcs}); s.error()) return s;
    for (const KObject* input : {&inMesh, &groupId, &faces})
        if (KStatus s = attributeAffects(*input, outMesh); s.error()) return s;
    return KStatus::kSuccess;
}

KStatus GroupFacesNode::compute(const KPlug& plug, KDataBlock& block) {
    if (plug.attribute() != outMesh) return KStatus::kUnknownParameter;
    const KObject input = block.inputValue(inMesh).data();
    const MeshDataImpl* in = MeshDataImpl::from(input);
    if (!in) return KStatus::kInvalidParameter;
    KObject output = MeshDataImpl::wrap(in->shared());
    const int id = block.inputValue(groupId).asInt();
    if (id >= 0) {
        PolyMesh& mesh = MeshDataImpl::from(output)->editMesh();
        std::vector<int> members;
        parseFaceList(block.inputValue(faces).asString().str(), mesh.numFaces(), &members);
        mesh.objectGroups()[id] = std::move(members);
    }
    block.outputValue(outMesh).setKObject(output);
    block.setClean(plug);
    return KStatus::kSuccess;
}

std::string faceListText(const std::vector<int>& faces) {
    std::vector<int> sorted = faces;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    std::string text;
    for (size_t i = 0; i < sorted.size();) {
        size_t j = i;
        while (j + 1 < sorted.size() && sorted[j + 1] == sorted[j] + 1) ++j;
        if (!text.empty()) text += ' ';
        text += std::to_string(sorted[i]);
        if (j > i) text += ':' + std::to_string(sorted[j]);
        i = j + 1;
    }
    return text;
}

bool parseFaceList(std::string_view text, int limit, std::vector<int>* faces) {
    faces->clear();
    const char* p = text.data();
    const char* end = p + text.size();
    auto number = [&](int* out) {
        auto [next, ec] = std::from_chars(p, end, *out);
        if (ec != std::errc() || *out < 0) return false;
        p = next;
        return true;
    };
    while (p < end) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        int a = 0, b = 0;
        if (!number(&a)) return false;
        b = a;
        if (p < end && *p == ':') {
            ++p;
            if (!number(&b) || b < a) return false;
        }
        // Ranges are expanded only up to the limit, whatever the text claims.
        for (int f = a; f <= std::min(b, limit - 1); ++f) faces->push_back(f);
    }
    std::sort(faces->begin(), faces->end());
    faces->erase(std::unique(faces->begin(), faces->end()), faces->end());
    return true;
}

void ensureHistoryTypes() {
    struct Row {
        const char* name;
        unsigned id;
        KCreatorFunction creator;
        KInitializeFunction initializer;
    };
    static const Row kRows[] = {
        {"meshOriginal", kMeshOriginalId, MeshOriginalNode::creator, MeshOriginalNode::initialize},
        {"groupFaces", kGroupFacesId, GroupFacesNode::creator, GroupFacesNode::initialize},
    };
    Graph& graph = Graph::instance();
    for (const Row& row : kRows) {
        if (graph.findType(row.name)) continue;
        NodeTypeSpec decl;
        decl.name = row.name;
        decl.id = KTypeId(row.id);
        decl.creator = row.creator;
        decl.initializer = row.initializer;
        decl.apiType = KFn::kDependencyNode;
        std::string error;
        graph.registerType(decl, &error);
    }
}

}  // namespace tarn::scene
