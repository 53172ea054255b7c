// setAttr and getAttr over every kind of attribute, with -lock and -type.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "host/commands/dg_commands.h"
#include "host/commands/scene_command_util.h"
#include "host/dg/graph.h"
#include "host/scene/dag.h"
#include "host/undo/undo.h"

namespace tarn::commands {

using lang::ArgType;
using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;
using lang::kUnlimited;
using lang::Value;

namespace {

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

// What setAttr wrote into a plug, kept for undo and redo: its numbers or its text.
struct PlugValue {
    std::vector<double> numbers;
    std::string text;
    bool isText = false;
};

// Puts a kept value back into a plug.
void restore(const std::string& plugName, const PlugValue& value) {
    std::string error;
    KPlug plug = findPlug(plugName, &error);
    if (plug.isNull()) return;
    KStatus status;
    KDataHandle h = Graph::instance().writeHandle(plug, &status);
    if (h.isNull()) return;
    if (value.isText) {
        h.set(KString(value.text));
    } else {
        const AttributeImpl* a = h.attributeImpl();
        for (size_t i = 0; i < value.numbers.size() && i < h.width(); ++i)
            storeCell(h.cells()[i], a->cellKinds[i], value.numbers[i]);
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

// Records a setAttr for undo: undo restores `before`, or drops the element the write created.
void recordSet(undo::UndoQueue& queue, const std::string& name, bool created, PlugValue before,
               PlugValue after) {
    queue.record(
        [name, before = std::move(before), created] {
            if (created)
                dropElement(name);
            else
                restore(name, before);
        },
        [name, after = std::move(after)] { restore(name, after); }, "setAttr " + name);
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

// A number as written by a user who means a whole one: digits in full below 1e15, else as
// formatNumber writes it.
std::string wholeNumberText(double v) {
    if (v != std::floor(v) || std::fabs(v) >= 1e15) return formatNumber(v);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", v);
    return buf;
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
        PlugValue before{{}, h.asString().str(), true};
        PlugValue after{{}, words[1], true};
        h.set(KString(after.text));
        Graph::instance().valueChanged(plug);
        recordSet(queue, name, created, std::move(before), std::move(after));
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
        if (!lang::isFiniteNumber(v))
            return refuse(lang::nonFiniteMessage("setAttr", name, lang::formatFloat(v)));
    for (unsigned i = 0; i < values.size(); ++i) {
        const auto [low, high] = limitsOf(*a, i, h.width());
        const double wanted = values[i];
        if (low && values[i] < *low) values[i] = *low;
        if (high && values[i] > *high) values[i] = *high;
        if (values[i] != wanted)
            ctx.warning("setAttr: " + formatNumber(wanted) + " is outside the range of " + name +
                        "; " + formatNumber(values[i]) + " is used");
        // A number that a float cell would round to infinity is refused like an infinity, and
        // one an int cell would saturate like any value it cannot hold.
        if (!cellHoldsFinite(a->cellKinds[i], values[i]))
            return refuse(lang::nonFiniteMessage("setAttr", name, formatNumber(values[i])));
        if (!cellHoldsInRange(a->cellKinds[i], values[i]))
            return refuse("setAttr: " + name +
                          " holds whole numbers from -2147483648 to 2147483647, not " +
                          wholeNumberText(values[i]));
    }
    // A camera's lens and clip planes keep values a view can be drawn with.
    if (values.size() == 1 && plug.node().apiType() == KFn::kCamera)
        if (std::string why = scene::cameraValueProblem(plug.node(), a->longName, values[0]);
            !why.empty())
            return refuse("setAttr: " + why);
    PlugValue before{readNumbers(h), {}, false};
    for (size_t i = 0; i < values.size(); ++i) storeCell(h.cells()[i], a->cellKinds[i], values[i]);
    PlugValue after{readNumbers(h), {}, false};
    Graph::instance().valueChanged(plug);
    recordSet(queue, name, created, std::move(before), std::move(after));
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
    // Only the plug's own lock is taken off (a locked parent still holds it).
    const NodeImpl* node = NodeImpl::from(plug.node());
    const AttributeImpl* attribute = AttributeImpl::from(plug.attribute());
    const bool ownLock =
        node && attribute &&
        node->isLocked(*attribute, attribute->arrayRoot ? plug.elementIndex() : -1);
    const bool unlocking = lockGiven && !lock && ownLock;
    if (unlocking) setLock(plug, false);
    CommandResult written = Graph::instance().canWrite(plug, &error)
                                ? writeValues(args, words, plug, ctx)
                                : CommandResult::failure(error);
    // A refused value: the interpreter's rollback puts the lock back, with undo off too.
    if (!written.ok) return written;
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

}  // namespace

void addAttrCommands(lang::CommandRegistry& registry) {
    registry.add({.name = "setAttr",
                  .usage = "setAttr [-type string] [-lock bool] plug [value...]",
                  .minArgs = 1,
                  .maxArgs = kUnlimited,
                  .argTypes = {ArgType::String, ArgType::Any},
                  .flags = {{.longName = "lock", .shortName = "l", .args = {ArgType::Bool}},
                            {.longName = "type", .shortName = "typ", .args = {ArgType::String}}},
                  .undoable = true,
                  .body = setAttrCmd});
    registry.add({.name = "getAttr",
                  .usage = "getAttr [-lock] plug",
                  .minArgs = 1,
                  .maxArgs = 1,
                  .argTypes = {ArgType::String},
                  .flags = {{.longName = "lock", .shortName = "l"}},
                  .body = getAttrCmd});
}

}  // namespace tarn::commands
