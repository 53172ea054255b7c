// KDGModifier: queued scene changes carried out by doIt and taken back by undoIt.

#include <variant>

#include "frame/k_global.h"
#include "frame/k_scene.h"
#include "host/dg/graph.h"
#include "host/scene/dag.h"
#include "host/scene/scene_undo.h"
#include "host/undo/undo.h"

using namespace tarn;

namespace {

struct CommandOp {
    KString text;
};
struct RenameOp {
    KObject node;
    KString name;
};
struct ConnectOp {
    KPlug src, dst;
    bool connect;
};
struct ValueOp {
    KPlug plug;
    std::variant<double, KString> value;
};
using Op = std::variant<CommandOp, RenameOp, ConnectOp, ValueOp>;

}  // namespace

struct KDGModifier::Impl {
    std::vector<Op> queued;
    // Every doIt runs as one undo chunk of its own when no outer chunk is open; undoIt takes
    // back those chunks, newest first, while they are still the newest in the host's queue.
    std::vector<std::string> doneLabels;
    bool mergedIntoOuter = false;
};

KDGModifier::KDGModifier() : m_impl(std::make_unique<Impl>()) {}
KDGModifier::~KDGModifier() = default;

KStatus KDGModifier::commandToExecute(const KString& command) {
    m_impl->queued.push_back(CommandOp{command});
    return KStatus::kSuccess;
}

KStatus KDGModifier::renameNode(const KObject& node, const KString& newName) {
    if (!scene::liveNode(node)) return KStatus::kInvalidParameter;
    m_impl->queued.push_back(RenameOp{node, newName});
    return KStatus::kSuccess;
}

KStatus KDGModifier::connect(const KPlug& source, const KPlug& destination) {
    if (source.isNull() || destination.isNull()) return KStatus::kInvalidParameter;
    m_impl->queued.push_back(ConnectOp{source, destination, true});
    return KStatus::kSuccess;
}

KStatus KDGModifier::disconnect(const KPlug& source, const KPlug& destination) {
    if (source.isNull() || destination.isNull()) return KStatus::kInvalidParameter;
    m_impl->queued.push_back(ConnectOp{source, destination, false});
    return KStatus::kSuccess;
}

KStatus KDGModifier::newPlugValueFloat(const KPlug& plug, float value) {
    if (plug.isNull()) return KStatus::kInvalidParameter;
    m_impl->queued.push_back(ValueOp{plug, static_cast<double>(value)});
    return KStatus::kSuccess;
}

KStatus KDGModifier::newPlugValueInt(const KPlug& plug, int value) {
    if (plug.isNull()) return KStatus::kInvalidParameter;
    m_impl->queued.push_back(ValueOp{plug, static_cast<double>(value)});
    return KStatus::kSuccess;
}

KStatus KDGModifier::newPlugValueString(const KPlug& plug, const KString& value) {
    if (plug.isNull()) return KStatus::kInvalidParameter;
    m_impl->queued.push_back(ValueOp{plug, value});
    return KStatus::kSuccess;
}

KStatus KDGModifier::doIt() {
    auto& queue = undo::undoQueue();
    const bool outer = queue.isRecording();
    static unsigned counter = 0;
    const std::string label = "modifier " + std::to_string(++counter);
    std::vector<Op> ops;
    ops.swap(m_impl->queued);
    KStatus result = KStatus::kSuccess;
    {
        undo::UndoChunkScope chunk(label);
        Graph& graph = Graph::instance();
        for (const Op& op : ops) {
            std::string error;
            if (const auto* c = std::get_if<CommandOp>(&op)) {
                result = KGlobal::executeCommand(c->text, false, true);
            } else if (const auto* r = std::get_if<RenameOp>(&op)) {
                KFnDependencyNode fn(r->node);
                KStatus s;
                fn.setName(r->name, false, &s);
                result = s;
            } else if (const auto* k = std::get_if<ConnectOp>(&op)) {
                result = k->connect ? graph.connect(k->src, k->dst, false, &error)
                                    : graph.disconnect(k->src, k->dst, &error);
                if (result) {
                    const std::string src = graph.plugName(k->src), dst = graph.plugName(k->dst);
                    auto link = [src, dst](bool on) {
                        std::string e;
                        Graph& g = Graph::instance();
                        const KPlug a = g.parsePlug(src, &e), b = g.parsePlug(dst, &e);
                        if (on)
                            g.connect(a, b, false, &e);
                        else
                            g.disconnect(a, b, &e);
                    };
                    const bool made = k->connect;
                    queue.record([link, made] { link(!made); }, [link, made] { link(made); },
                                 "connect");
                }
            } else if (const auto* v = std::get_if<ValueOp>(&op)) {
                if (const double* d = std::get_if<double>(&v->value)) {
                    result = scene::setPlugValuesUndoable(v->plug, {*d}, &error)
                                 ? KStatus::kSuccess
                                 : KStatus::kFailure;
                } else {
                    KStatus s;
                    KDataHandle h = graph.writeHandle(v->plug, &s);
                    if (s && graph.canWrite(v->plug, &error)) {
                        h.set(std::get<KString>(v->value));
                        graph.valueChanged(v->plug);
                    } else {
                        result = KStatus::kFailure;
                    }
                }
            }
            if (result.error()) break;
        }
    }
    if (outer)
        m_impl->mergedIntoOuter = true;
    else if (queue.undoCount() > 0 && queue.undoLabels().back() == label)
        m_impl->doneLabels.push_back(label);
    return result;
}

KStatus KDGModifier::undoIt() {
    auto& queue = undo::undoQueue();
    // Changes made inside an outer chunk belong to it; undoing that chunk takes them back.
    if (m_impl->mergedIntoOuter) return KStatus::kFailure;
    while (!m_impl->doneLabels.empty()) {
        if (queue.undoCount() == 0 || queue.undoLabels().back() != m_impl->doneLabels.back())
            return KStatus::kFailure;
        if (!queue.undo()) return KStatus::kFailure;
        m_impl->doneLabels.pop_back();
    }
    return KStatus::kSuccess;
}
