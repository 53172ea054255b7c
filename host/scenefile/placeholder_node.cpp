#include "host/scenefile/placeholder_node.h"

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"

namespace tarn::scenefile {

void ensurePlaceholderType() {
    Graph& graph = Graph::instance();
    if (graph.findType(kPlaceholderType)) return;
    NodeTypeSpec decl;
    decl.name = kPlaceholderType;
    decl.id = KTypeId(kPlaceholderTypeId);
    decl.creator = PlaceholderNode::creator;
    decl.initializer = PlaceholderNode::initialize;
    decl.apiType = KFn::kDependencyNode;
    std::string error;
    graph.registerType(decl, &error);
}

PlaceholderNode* placeholderOf(const KObject& node) {
    const NodeImpl* impl = NodeImpl::from(node);
    if (!impl || !impl->alive() || impl->type().id.id() != kPlaceholderTypeId) return nullptr;
    return dynamic_cast<PlaceholderNode*>(impl->userNode());
}

}  // namespace tarn::scenefile
