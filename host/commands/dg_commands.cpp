// The graph's commands: createNode, delete, rename, setAttr, getAttr, connectAttr,
// disconnectAttr and listAttr. Each change records its undo while a chunk is open.

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <optional>

#include "host/commands/connection_undo.h"
#include "host/commands/dg_connection_commands.h"
#include "host/commands/scene_command_util.h"
#include "host/dg/graph.h"
#include "host/lang/command_modules.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/scene_undo.h"
#include "host/scene/selection.h"
#include "host/undo/undo.h"

namespace tarn::lang {

namespace {

using commands::DestinationValue;
using commands::formatNumber;
using commands::incomingConnections;
using commands::PlacedConnection;
using commands::positionalWords;
using commands::restoreConnection;

// A plug from "node.attr..." where the node part may be a DAG path.
KPlug findPlug(const std::string& text, std::string* error) {
    size_t dot = text.find('.');
    if (dot == std::string::npos) {
        *error = "No attribute named in '" + text + "'";
        return {};
    }
    KObject node = scene::findNode(text.substr(0, dot));
    if (node.isNull()) node = Graph::instance().findNode(text.substr(0, dot));
    if (node.isNull()) {
        *error = "No object matches name: " + text.substr(0, dot);
        return {};
    }
    return Graph::instance().parsePlug(NodeImpl::from(node)->name() + text.substr(dot), error);
}

KObject findNode(const std::string& name) {
    KObject node = scene::findNode(name);
    return node.isNull() ? Graph::instance().findNode(name) : node;
}

std::string nameOf(const KObject& node) {
    NodeImpl* n = NodeImpl::from(node);
    return n ? n->name() : std::string();
}

// Number cells of a plug's value, in leaf order.
std::vector<double> readNumbers(const KDataHandle& h) {
    std::vector<double> values;
    for (unsigned i = 0; i < h.width(); ++i) values.push_back(h.cells()[i].d);
    return values;
}

Value valueOf(const KPlug& plug, std::string* error) {
    KStatus status;
    KDataHandle h = Graph::instance().readHandle(plug, &status);
    if (h.isNull()) {
        *error = "Cannot read " + plug.name().str();
        return {};
    }
    if (!status) {
        *error = "Evaluating " + plug.name().str() + " failed (" + status.errorString().str() + ")";
        return {};
    }
    const AttributeImpl* a = h.attributeImpl();
    switch (h.kind()) {
        case CellKind::kString:
            return Value(h.asString().str());
        case CellKind::kBool:
        case CellKind::kInt:
            return Value(h.asInt());
        case CellKind::kFloat:
        case CellKind::kDouble:
            return Value(h.asDouble());
        case CellKind::kCompound:
        case CellKind::kMatrix:
        case CellKind::kFloatMatrix:
            return Value(readNumbers(h));
        case CellKind::kData:
            return Value(h.data().isNull() ? std::string() : std::string(h.data().apiTypeStr()));
        default:
            break;
    }
    *error = "The attribute '" + a->longName + "' has no value to show";
    return {};
}

// Restores a plug's numbers or text (undo/redo of setAttr).
void restore(const std::string& plugName, const std::vector<double>& numbers,
             const std::string& text, bool isText) {
    std::string error;
    KPlug plug = findPlug(plugName, &error);
    if (plug.isNull()) return;
    KStatus status;
    KDataHandle h = Graph::instance().writeHandle(plug, &status);
    if (h.isNull()) return;
    if (isText) {
        h.set(KString(text));
    } else {
        const AttributeImpl* a = h.attributeImpl();
        for (size_t i = 0; i < numbers.size() && i < h.width(); ++i)
            storeCell(h.cells()[i], a->cellKinds[i], numbers[i]);
    }
    Graph::instance().valueChanged(plug);
}

// The element plug of the array that holds `plug`, or a null plug when it is not in an array.
KPlug elementOf(const KPlug& plug) {
    const AttributeImpl* a = AttributeImpl::from(plug.attribute());
    if (!a || !a->arrayRoot || plug.elementIndex() < 0) return {};
    auto root = std::const_pointer_cast<AttributeImpl>(a->arrayRoot->shared_from_this());
    return KPlug(plug.node(), KObject(root), plug.elementIndex());
}

// True when the plug names an array element that does not exist yet (writing creates it).
bool isNewElement(const KPlug& plug) {
    const KPlug element = elementOf(plug);
    if (element.isNull()) return false;
    const KPlug array(element.node(), element.attribute(), -1);
    const std::vector<unsigned> indices = Graph::instance().elementIndices(array);
    return std::find(indices.begin(), indices.end(), static_cast<unsigned>(plug.elementIndex())) ==
           indices.end();
}

// Removes the array element a setAttr created (its undo).
void dropElement(const std::string& plugName) {
    std::string error;
    const KPlug element = elementOf(findPlug(plugName, &error));
    if (!element.isNull()) Graph::instance().removeElement(element, &error);
}

// A number from a word: numbers as written, and the words the language reads as truth values.
bool numberFromWord(const std::string& word, double* out) {
    static const struct {
        const char* word;
        double value;
    } kTruth[] = {{"true", 1}, {"false", 0}, {"on", 1}, {"off", 0}, {"yes", 1}, {"no", 0}};
    for (const auto& t : kTruth)
        if (word == t.word) {
            *out = t.value;
            return true;
        }
    if (!KString(word).isDouble()) return false;
    *out = KString(word).asDouble();
    return true;
}

// The hard limits of number cell `cell` of a plug's attribute: a compound's own limits, else
// those of the child that holds the cell.
std::pair<std::optional<double>, std::optional<double>> limitsOf(const AttributeImpl& a,
                                                                 unsigned cell, unsigned width) {
    if (a.minValue || a.maxValue || a.children.size() != width) return {a.minValue, a.maxValue};
    const AttributeImpl& child = *a.children[cell];
    return {child.minValue, child.maxValue};
}

// Writes the value words of a setAttr to a writable plug and records the change. Values beyond
// the attribute's hard limits are clamped into them with a warning.
CommandResult writeValues(const CommandArgs& args, const std::vector<std::string>& words,
                          const KPlug& plug, CommandContext& ctx) {
    const std::string name = plug.name().str();
    undo::UndoQueue& queue = undo::undoQueue();
    const bool created = isNewElement(plug);
    KStatus status;
    KDataHandle h = Graph::instance().writeHandle(plug, &status);
    if (h.isNull()) return CommandResult::failure("Cannot write " + name);
    // A refused value must not leave behind the element the write handle created.
    auto refuse = [&](const std::string& why) {
        if (created) dropElement(name);
        return CommandResult::failure(why);
    };
    const AttributeImpl* a = h.attributeImpl();
    const std::string type = args.has("type") ? args.flag("type").asString() : std::string();

    if (h.kind() == CellKind::kString || type == "string") {
        if (h.kind() != CellKind::kString)
            return refuse("The attribute '" + name + "' does not hold a string");
        if (words.size() != 2) return refuse("setAttr: give one string for " + name);
        std::string before = h.asString().str();
        std::string after = words[1];
        h.set(KString(after));
        Graph::instance().valueChanged(plug);
        queue.record(
            [name, before, created] {
                if (created)
                    dropElement(name);
                else
                    restore(name, {}, before, true);
            },
            [name, after] { restore(name, {}, after, true); }, "setAttr " + name);
        return {};
    }
    if (h.width() == 0) return refuse("The attribute '" + name + "' cannot be set with numbers");
    // Values come from the arguments, not the flattened words: an array argument is several.
    std::vector<double> values;
    for (size_t i = 1; i < args.count(); ++i) {
        const Value& v = args[i];
        double d = 0.0;
        if (v.isArray()) {
            for (double x : v.asFloatArray()) values.push_back(x);
        } else if (v.isNumber()) {
            values.push_back(v.asFloat());
        } else if (numberFromWord(v.asString(), &d)) {
            values.push_back(d);
        } else {
            return refuse("setAttr: '" + v.asString() + "' is not a number");
        }
    }
    if (values.size() != h.width()) {
        return refuse("setAttr: " + name + " takes " + std::to_string(h.width()) +
                      (h.width() == 1 ? " value" : " values") + ", " +
                      std::to_string(values.size()) + " given");
    }
    // Not-a-number and infinities would spread through every matrix and box that reads them.
    for (double v : values)
        if (!std::isfinite(v)) return refuse("setAttr: " + name + " takes finite numbers");
    for (unsigned i = 0; i < values.size(); ++i) {
        const auto [low, high] = limitsOf(*a, i, h.width());
        const double wanted = values[i];
        if (low && values[i] < *low) values[i] = *low;
        if (high && values[i] > *high) values[i] = *high;
        if (values[i] != wanted)
            ctx.warning("setAttr: " + formatNumber(wanted) + " is outside the range of " + name +
                        "; " + formatNumber(values[i]) + " is used");
    }
    std::vector<double> before = readNumbers(h);
    for (size_t i = 0; i < values.size(); ++i) storeCell(h.cells()[i], a->cellKinds[i], values[i]);
    std::vector<double> after = readNumbers(h);
    Graph::instance().valueChanged(plug);
    queue.record(
        [name, before, created] {
            if (created)
                dropElement(name);
            else
                restore(name, before, {}, false);
        },
        [name, after] { restore(name, after, {}, false); }, "setAttr " + name);
    return {};
}

// Locks or unlocks a plug and records it.
void setLock(const KPlug& plug, bool lock) {
    const std::string name = plug.name().str();
    const bool was = plug.isLocked();
    KPlug(plug).setLocked(lock);
    undo::undoQueue().record(
        [name, was] {
            std::string e;
            KPlug p = findPlug(name, &e);
            if (!p.isNull()) p.setLocked(was);
        },
        [name, lock] {
            std::string e;
            KPlug p = findPlug(name, &e);
            if (!p.isNull()) p.setLocked(lock);
        },
        "setAttr -lock " + name);
}

// With -lock and a value, an unlock comes before the write and a lock after it, so
// "setAttr -lock true a.b 5" sets, then locks. A refused value leaves the lock as it was.
CommandResult setAttrCmd(const CommandArgs& args, CommandContext& ctx) {
    std::vector<std::string> words = positionalWords(args);
    std::string error;
    KPlug plug = findPlug(words[0], &error);
    if (plug.isNull()) return CommandResult::failure(error);
    const bool lockGiven = args.has("lock");
    const bool lock = lockGiven && args.flag("lock").asBool();
    if (words.size() == 1) {
        if (!lockGiven)
            return CommandResult::failure("setAttr: no value given for " + plug.name().str());
        setLock(plug, lock);
        return {};
    }
    const bool wasLocked = plug.isLocked();
    if (lockGiven && !lock && wasLocked) setLock(plug, false);
    CommandResult written = Graph::instance().canWrite(plug, &error)
                                ? writeValues(args, words, plug, ctx)
                                : CommandResult::failure(error);
    if (!written.ok) {
        // Undo is off when nothing records: put the lock back by hand.
        if (!undo::undoQueue().isRecording()) plug.setLocked(wasLocked);
        return written;
    }
    if (lock) setLock(plug, true);
    return written;
}

CommandResult getAttrCmd(const CommandArgs& args, CommandContext&) {
    std::string error;
    KPlug plug = findPlug(args[0].asString(), &error);
    if (plug.isNull()) return CommandResult::failure(error);
    if (args.has("lock")) return Value(plug.isLocked());
    if (plug.isArray()) return Value(static_cast<int>(plug.numElements()));
    Value v = valueOf(plug, &error);
    if (!error.empty()) return CommandResult::failure(error);
    return v;
}

CommandResult createNodeCmd(const CommandArgs& args, CommandContext&) {
    const std::string type = args[0].asString();
    const std::string name = args.has("name") ? args.flag("name").asString() : std::string();
    std::string error;
    // The host's own types (transforms, meshes, materials) are there from the first command on.
    scene::ensureSceneTypes();
    NodeType* t = Graph::instance().findType(type);
    if (!t) return CommandResult::failure("Unknown node type: " + type);
    KObject node;
    if (kFnIsA(t->apiType, KFn::kDagNode)) {
        KObject parent;
        if (args.has("parent")) {
            parent = findNode(args.flag("parent").asString());
            if (parent.isNull())
                return CommandResult::failure("No object matches name: " +
                                              args.flag("parent").asString());
        }
        node = scene::createDagNode(type, name, parent, &error);
    } else {
        node = Graph::instance().createNode(type, name, &error);
    }
    if (node.isNull()) return CommandResult::failure(error);
    scene::recordCreated({node}, "createNode " + type);
    return Value(nameOf(node));
}

// One node taken out by `delete`: the graph's record plus its place in the DAG.
struct DeletedNode {
    DetachedNode detached;
    KObject dagParent;
    int dagIndex = -1;
    bool dag = false;
};

// Undo of `delete`. The nodes are detached, not destroyed, so undo puts back the very objects
// with their values, locks, connections and DAG places; shading-group membership held by meshes
// comes back with them. Redo finds the nodes again by name (an earlier chunk's redo may have
// re-created them) and detaches them again. Nodes still detached when the item is dropped are
// destroyed then.
class DeleteUndoItem final : public undo::UndoItem {
public:
    explicit DeleteUndoItem(std::vector<std::string> names) : m_names(std::move(names)) {}
    ~DeleteUndoItem() override { destroy(); }

    // Detaches the named nodes in order (children before parents); false with `*error` when one
    // cannot be detached (the ones before it stay detached, so undo takes them back).
    bool detachAll(std::string* error) {
        m_done.clear();
        m_selection = scene::activeSelection();
        Graph& graph = Graph::instance();
        for (const std::string& name : m_names) {
            KObject node = graph.findNode(name);
            NodeImpl* impl = NodeImpl::from(node);
            if (!impl || !impl->alive()) continue;
            DeletedNode d;
            d.dag = scene::dagNode(node) != nullptr;
            if (d.dag) {
                d.dagParent = scene::parentOf(node);
                d.dagIndex = scene::childIndex(node);
            }
            if (!graph.detachNode(node, &d.detached, error)) return false;
            m_done.push_back(std::move(d));
        }
        return true;
    }

    void undo() override {
        Graph& graph = Graph::instance();
        for (auto it = m_done.rbegin(); it != m_done.rend(); ++it) {
            std::string error;
            if (!graph.reattachNode(it->detached, &error)) continue;
            if (it->dag) scene::relink(KObject(it->detached.node), it->dagParent, it->dagIndex);
        }
        m_done.clear();
        // Selected nodes leave the selection when deleted; they come back into it.
        scene::setActiveSelection(m_selection);
    }
    void redo() override {
        std::string error;
        detachAll(&error);
    }
    std::string describe() const override { return "delete"; }

private:
    void destroy() {
        // At exit the undo queue may go after the graph; the nodes went with the graph then.
        if (!Graph::exists()) return;
        for (auto it = m_done.rbegin(); it != m_done.rend(); ++it)
            Graph::instance().destroyDetached(it->detached.node);
        m_done.clear();
    }

    std::vector<std::string> m_names;
    std::vector<DeletedNode> m_done;
    KSelectionList m_selection;  // the active selection before the nodes went
};

// The scene's default material and shading group: every new mesh joins them, so they can be
// neither deleted nor renamed (the host would make new ones and leave meshes without a group).
bool isDefaultNode(const std::string& name) {
    static const char* const kDefaultNodes[] = {"lambert1", "initialShadingGroup"};
    return std::any_of(std::begin(kDefaultNodes), std::end(kDefaultNodes),
                       [&](const char* d) { return name == d; });
}

CommandResult deleteCmd(const CommandArgs& args, CommandContext&) {
    std::vector<std::string> words = positionalWords(args);
    if (words.empty()) return CommandResult::failure("delete: name the nodes to delete");
    std::vector<KObject> nodes;
    for (const std::string& w : words) {
        KObject n = findNode(w);
        if (n.isNull()) return CommandResult::failure("No object matches name: " + w);
        if (isDefaultNode(nameOf(n)))
            return CommandResult::failure("Cannot delete the default node " + nameOf(n));
        nodes.push_back(n);
    }
    // DAG descendants go with their parents, children first.
    std::vector<KObject> all;
    std::function<void(const KObject&)> collect = [&](const KObject& n) {
        if (std::find(all.begin(), all.end(), n) != all.end()) return;
        for (const KObject& c : scene::childrenOf(n)) collect(c);
        all.push_back(n);
    };
    for (const KObject& n : nodes) collect(n);
    std::vector<std::string> names;
    for (const KObject& n : all) names.push_back(nameOf(n));
    // Without an open chunk the item is dropped at once, which destroys the nodes.
    auto item = std::make_unique<DeleteUndoItem>(std::move(names));
    std::string error;
    const bool ok = item->detachAll(&error);
    undo::undoQueue().record(std::move(item));
    if (!ok) return CommandResult::failure(error);
    return {};
}

CommandResult renameCmd(const CommandArgs& args, CommandContext&) {
    KObject node = findNode(args[0].asString());
    if (node.isNull())
        return CommandResult::failure("No object matches name: " + args[0].asString());
    std::string before = nameOf(node), actual, error;
    if (isDefaultNode(before))
        return CommandResult::failure("Cannot rename the default node " + before);
    if (!Graph::instance().renameNode(node, args[1].asString(), &actual, &error))
        return CommandResult::failure(error);
    undo::undoQueue().record(
        [before, actual] {
            std::string a, e;
            Graph::instance().renameNode(Graph::instance().findNode(actual), before, &a, &e);
        },
        [before, actual] {
            std::string a, e;
            Graph::instance().renameNode(Graph::instance().findNode(before), actual, &a, &e);
        },
        "rename " + before);
    return Value(actual);
}

CommandResult connectCmd(const CommandArgs& args, bool connect) {
    std::string error;
    KPlug src = findPlug(args[0].asString(), &error);
    if (src.isNull()) return CommandResult::failure(error);
    KPlug dst = findPlug(args[1].asString(), &error);
    if (dst.isNull()) return CommandResult::failure(error);
    const std::string s = src.name().str(), d = dst.name().str();
    auto link = [](const std::string& a, const std::string& b, bool on) {
        std::string e;
        KPlug pa = findPlug(a, &e), pb = findPlug(b, &e);
        if (pa.isNull() || pb.isNull()) return;
        if (on)
            Graph::instance().connect(pa, pb, true, &e);
        else
            Graph::instance().disconnect(pa, pb, &e);
    };
    if (connect) {
        // Undo takes the new connection away and gives the destination back what it had: the
        // value it held, or the connections forcing replaced, each at its old place.
        const std::vector<PlacedConnection> replaced =
            args.has("force") ? incomingConnections(dst) : std::vector<PlacedConnection>{};
        const auto held = std::make_shared<const DestinationValue>(dst);
        if (!Graph::instance().connect(src, dst, args.has("force"), &error))
            return CommandResult::failure(error);
        undo::undoQueue().record(
            [s, d, replaced, held, link] {
                link(s, d, false);
                if (replaced.empty()) held->restore();
                for (const PlacedConnection& c : replaced) restoreConnection(c);
            },
            [s, d, link] { link(s, d, true); }, "connectAttr " + s + " " + d);
        return Value(std::string("Connected ") + s + " to " + d + ".");
    }
    // Undo puts the connection back at its place in the graph's list.
    PlacedConnection placed{s, d, Graph::instance().connections().size()};
    const std::string srcName = Graph::instance().plugName(src);
    const std::string dstName = Graph::instance().plugName(dst);
    for (const PlacedConnection& c : incomingConnections(dst))
        if (c.source == srcName && c.destination == dstName) placed = c;
    if (!Graph::instance().disconnect(src, dst, &error)) return CommandResult::failure(error);
    undo::undoQueue().record([placed] { restoreConnection(placed); },
                             [s, d, link] { link(s, d, false); }, "disconnectAttr " + s + " " + d);
    return {};
}

CommandResult listAttrCmd(const CommandArgs& args, CommandContext&) {
    KObject node = findNode(args[0].asString());
    if (node.isNull())
        return CommandResult::failure("No object matches name: " + args[0].asString());
    std::vector<std::string> names;
    for (const auto& a : NodeImpl::from(node)->type().attributes()) {
        if (args.has("keyable") && !a->keyable) continue;
        if (args.has("writable") && !a->writable) continue;
        if (args.has("readOnly") && a->writable) continue;
        if (args.has("array") && !a->array) continue;
        if (args.has("visible") && a->hidden) continue;
        names.push_back(args.has("shortNames") ? a->shortName : a->longName);
    }
    return Value(names);
}

}  // namespace

void installDgCommands(CommandRegistry& registry) {
    auto add = [&](CommandSpec decl) {
        std::string error;
        registry.add(std::move(decl), &error);
    };
    add({.name = "createNode",
         .usage = "createNode [-n name] [-p parent] type",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .flags = {{.longName = "name", .shortName = "n", .args = {ArgType::String}},
                   {.longName = "parent", .shortName = "p", .args = {ArgType::String}}},
         .undoable = true,
         .body = createNodeCmd});
    add({.name = "delete",
         .usage = "delete node...",
         .minArgs = 1,
         .maxArgs = kUnlimited,
         .argTypes = {ArgType::Any},
         .undoable = true,
         .body = deleteCmd});
    add({.name = "rename",
         .usage = "rename node newName",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {ArgType::String},
         .undoable = true,
         .body = renameCmd});
    add({.name = "setAttr",
         .usage = "setAttr [-type string] [-lock bool] plug [value...]",
         .minArgs = 1,
         .maxArgs = kUnlimited,
         .argTypes = {ArgType::String, ArgType::Any},
         .flags = {{.longName = "lock", .shortName = "l", .args = {ArgType::Bool}},
                   {.longName = "type", .shortName = "typ", .args = {ArgType::String}}},
         .undoable = true,
         .body = setAttrCmd});
    add({.name = "getAttr",
         .usage = "getAttr [-lock] plug",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .flags = {{.longName = "lock", .shortName = "l"}},
         .body = getAttrCmd});
    add({.name = "connectAttr",
         .usage = "connectAttr [-f] source destination",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {ArgType::String},
         .flags = {{.longName = "force", .shortName = "f"}},
         .undoable = true,
         .body = [](const CommandArgs& a, CommandContext&) { return connectCmd(a, true); }});
    add({.name = "disconnectAttr",
         .usage = "disconnectAttr source destination",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {ArgType::String},
         .undoable = true,
         .body = [](const CommandArgs& a, CommandContext&) { return connectCmd(a, false); }});
    add({.name = "listAttr",
         .usage = "listAttr [-k] [-w] [-ro] [-a] [-v] [-sn] node",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .flags = {{.longName = "keyable", .shortName = "k"},
                   {.longName = "writable", .shortName = "w"},
                   {.longName = "readOnly", .shortName = "ro"},
                   {.longName = "array", .shortName = "a"},
                   {.longName = "visible", .shortName = "v"},
                   {.longName = "shortNames", .shortName = "sn"}},
         .body = listAttrCmd});
    commands::addConnectionCommands(registry);
}

}  // namespace tarn::lang
