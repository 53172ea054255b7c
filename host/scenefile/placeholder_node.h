#pragma once
/// Placeholder nodes: what a scene file's node becomes when the plug-in that registers its type
/// is not available. A placeholder keeps everything the file said about the node (its type,
/// its plug-in and that plug-in's version, its statements exactly as written, and the
/// connections to and from it) so that saving writes the node back unchanged and a later open
/// with the plug-in present finds the node whole. It has no attributes of its own: its
/// connections are kept as text beside the graph, and the nodes at their other ends keep the
/// values they had. Main thread only.

#include <memory>
#include <string>
#include <vector>

#include "frame/k_node.h"
#include "frame/k_object.h"

namespace tarn {
class NodeImpl;
}

namespace tarn::scenefile {

inline constexpr unsigned kPlaceholderTypeId = 0x7a000020;
/// The host type name of placeholders (`ls -type placeholder` lists them).
inline constexpr const char* kPlaceholderType = "placeholder";

class PlaceholderNode : public KPxNode {
public:
    static void* creator() { return new PlaceholderNode; }
    static KStatus initialize() { return KStatus::kSuccess; }

    /// A connection the file made to or from the placeholder. `ownPlug` is the plug's name
    /// without the node ("outMesh", "out[0].x"); `other` the node at the other end and
    /// `otherPlug` its plug the same way (the other node may be another placeholder).
    struct Link {
        bool outgoing = false;  ///< the placeholder is the source
        std::string ownPlug;
        std::weak_ptr<NodeImpl> other;
        std::string otherPlug;
        std::size_t fileIndex = 0;  ///< its place among the file's connections
    };

    std::string type;           ///< the node type the file names
    std::string plugin;         ///< the plug-in registering it
    std::string pluginVersion;  ///< that plug-in's version as the file gave it
    std::string parent;         ///< the DAG parent the file gave ("" for none)
    std::string body;           ///< the node's statements, exactly as in the file
    std::vector<Link> links;
};

/// Registers the placeholder type with the graph when it is missing.
void ensurePlaceholderType();
/// The placeholder behind a node, or null when the node is something else.
PlaceholderNode* placeholderOf(const KObject& node);

}  // namespace tarn::scenefile
