#pragma once
/// A benchmark node type registered once, one node of it, and a sample evaluator over that node
/// with the u, v and outColor slots looked up.

#include <string>
#include <type_traits>

#include "frame/k_node.h"
#include "host/dg/graph.h"
#include "host/dg/sample_evaluator.h"

namespace bench {

struct NodeFixture {
    tarn::SampleEvaluator eval;
    tarn::SampleSlot u, v, color;

    /// Registers `Node` under `typeName`/`id` and prepares one node of it for sampling.
    template <class Node>
    NodeFixture(std::type_identity<Node>, const char* typeName, unsigned id) {
        tarn::NodeTypeSpec decl;
        decl.name = typeName;
        decl.id = KTypeId(id);
        decl.creator = Node::creator;
        decl.initializer = Node::initialize;
        std::string error;
        tarn::Graph::instance().registerType(decl, &error);
        KObject node = tarn::Graph::instance().createNode(typeName, "", &error);
        eval.prepare(node, &error);
        u = eval.slot("u");
        v = eval.slot("v");
        color = eval.slot("oc");
    }
};

}  // namespace bench
