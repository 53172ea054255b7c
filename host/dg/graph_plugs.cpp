#include "host/dg/graph.h"

#include "host/dg/graph_rules.h"
#include "host/sdk/data_handle.h"

namespace tarn {

using graph_rules::plugAttribute;
using graph_rules::related;
using graph_rules::sameElement;

KPlug Graph::parsePlug(std::string_view text, std::string* error) const {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return KPlug();
    };
    size_t dot = text.find('.');
    if (dot == std::string_view::npos)
        return fail("No attribute named in '" + std::string(text) + "'");
    std::string_view nodeName = text.substr(0, dot);
    KObject node = findNode(nodeName);
    if (node.isNull()) return fail("No object matches name: " + std::string(nodeName));
    NodeImpl* n = NodeImpl::from(node);
    const AttributeImpl* current = nullptr;
    int index = -1;
    std::string_view rest = text.substr(dot + 1);
    while (!rest.empty()) {
        size_t next = rest.find('.');
        std::string_view part = rest.substr(0, next);
        rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
        int partIndex = -1;
        size_t bracket = part.find('[');
        if (bracket != std::string_view::npos) {
            if (part.back() != ']') return fail("Invalid plug: " + std::string(text));
            std::string digits(part.substr(bracket + 1, part.size() - bracket - 2));
            if (digits.empty() || digits.size() > 9 ||
                !std::all_of(digits.begin(), digits.end(),
                             [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
                return fail("Invalid element index in: " + std::string(text));
            partIndex = std::stoi(digits);
            part = part.substr(0, bracket);
        }
        const AttributeImpl* a = n->type().findAttribute(part);
        if (!a || (current && !current->contains(a)))
            return fail("No attribute '" + std::string(part) + "' on node " + n->name());
        if (partIndex >= 0) {
            if (!a->array) return fail("Attribute '" + a->longName + "' is not an array");
            index = partIndex;
        }
        current = a;
    }
    if (!current) return fail("No attribute named in '" + std::string(text) + "'");
    if (current->arrayRoot && current->arrayRoot != current && index < 0)
        return fail("Name an element of '" + current->arrayRoot->longName + "' to reach '" +
                    current->longName + "'");
    return KPlug(node, KObject(std::const_pointer_cast<AttributeImpl>(current->shared_from_this())),
                 index);
}

std::string Graph::plugName(const KPlug& plug, bool useLongNames, bool includeNode) const {
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(plug, &node);
    if (!a) return {};
    auto nameOf = [&](const AttributeImpl* x) { return useLongNames ? x->longName : x->shortName; };
    std::string r = includeNode ? node->name() + "." : std::string();
    if (a->arrayRoot && plug.elementIndex() >= 0) {
        r += nameOf(a->arrayRoot) + "[" + std::to_string(plug.elementIndex()) + "]";
        if (a != a->arrayRoot) r += "." + nameOf(a);
    } else {
        r += nameOf(a);
    }
    return r;
}

KDataHandle Graph::readHandle(const KPlug& plug, KStatus* status) {
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(plug, &node);
    if (!a || (a->arrayRoot && plug.elementIndex() < 0)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    KStatus s = evaluate(*node, plug);
    kSetStatus(status, s);
    KDataHandle h = storeHandle(node->store(), *a, plug.elementIndex(), false);
    if (h.isNull() && a->arrayRoot) {
        // A missing element reads as the defaults, without being created.
        const CellBlock& defaults = node->type().elementDefaults(a->arrayRoot->arraySlot);
        static Cell sentinel{};
        Cell* cells = a->width > 0 ? const_cast<Cell*>(defaults.cells.data()) + a->cell : &sentinel;
        h = KDataHandle(cells, static_cast<std::uint8_t>(std::min(a->width, 255)), a->kind, a,
                        const_cast<CellBlock*>(&defaults));
    }
    return h;
}

KDataHandle Graph::writeHandle(const KPlug& plug, KStatus* status) {
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(plug, &node);
    if (!a || (a->arrayRoot && plug.elementIndex() < 0)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    kSetStatus(status, KStatus::kSuccess);
    return storeHandle(node->store(), *a, plug.elementIndex(), true);
}

bool Graph::canWrite(const KPlug& plug, std::string* error) const {
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(plug, &node);
    std::string name = plugName(plug);
    if (!a) {
        if (error) *error = "No such plug";
        return false;
    }
    for (const AttributeImpl* x = a; x; x = x->parent) {
        if (!x->writable) {
            if (error) *error = "The attribute '" + name + "' is not writable";
            return false;
        }
        if (node->isLocked(*x, x->arrayRoot ? plug.elementIndex() : -1)) {
            if (error) *error = "The attribute '" + name + "' is locked and cannot be modified";
            return false;
        }
    }
    // Writing a compound writes its children: a locked child refuses the whole write, with the
    // message a write of that child alone would give.
    std::vector<const AttributeImpl*> below;
    for (const auto& c : a->children) below.push_back(c.get());
    while (!below.empty()) {
        const AttributeImpl* x = below.back();
        below.pop_back();
        if (node->isLocked(*x, x->arrayRoot ? plug.elementIndex() : -1)) {
            if (error) {
                std::string child = node->name() + ".";
                if (x->arrayRoot && x != x->arrayRoot && plug.elementIndex() >= 0)
                    child +=
                        x->arrayRoot->longName + "[" + std::to_string(plug.elementIndex()) + "].";
                *error =
                    "The attribute '" + child + x->longName + "' is locked and cannot be modified";
            }
            return false;
        }
        for (const auto& c : x->children) below.push_back(c.get());
    }
    for (const Connection& c : m_connections) {
        if (c.dstNode.get() == node && related(c.dstAttr, a) &&
            sameElement(c.dstIndex, plug.elementIndex())) {
            if (error) *error = "The attribute '" + name + "' is connected and cannot be modified";
            return false;
        }
    }
    return true;
}

void Graph::valueChanged(const KPlug& plug) {
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(plug, &node);
    if (a) markDirtyFrom(*node, *a, plug.elementIndex());
}

std::vector<unsigned> Graph::elementIndices(const KPlug& arrayPlug) const {
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(arrayPlug, &node);
    std::vector<unsigned> r;
    if (!a || !a->array) return r;
    for (auto& e : node->store().array(*a).elements) r.push_back(e->logicalIndex);
    return r;
}

KStatus Graph::removeElement(const KPlug& elementPlug, std::string* error) {
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(elementPlug, &node);
    if (!a || !a->array || elementPlug.elementIndex() < 0) {
        if (error) *error = "not an array element";
        return KStatus::kInvalidParameter;
    }
    for (size_t i = m_connections.size(); i-- > 0;) {
        const Connection& c = m_connections[i];
        bool hit = (c.dstNode.get() == node && c.dstAttr->arrayRoot == a &&
                    c.dstIndex == elementPlug.elementIndex()) ||
                   (c.srcNode.get() == node && c.srcAttr->arrayRoot == a &&
                    c.srcIndex == elementPlug.elementIndex());
        if (hit) breakConnection(i);
    }
    if (!node->store().array(*a).remove(static_cast<unsigned>(elementPlug.elementIndex()))) {
        if (error) *error = "no such element";
        return KStatus::kNotFound;
    }
    markDirtyFrom(*node, *a, elementPlug.elementIndex());
    return KStatus::kSuccess;
}

}  // namespace tarn
