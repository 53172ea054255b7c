#include "host/dg/node_type.h"

#include <algorithm>
#include <functional>

namespace tarn {

NodeType::~NodeType() { release(); }

KStatus NodeType::addAttribute(const KObject& attribute, std::string* error) {
    auto a = AttributeImpl::sharedFrom(attribute);
    if (!a) {
        if (error) *error = "not an attribute";
        return KStatus::kInvalidParameter;
    }
    if (a->owner == this) return KStatus::kSuccess;
    // A child added on its own brings its whole compound.
    while (a->parent) {
        a = a->parent->shared_from_this();
        if (a->owner == this) return KStatus::kSuccess;
    }
    // Check the whole tree before taking any of it.
    std::vector<std::shared_ptr<AttributeImpl>> tree;
    std::vector<std::shared_ptr<AttributeImpl>> stack{a};
    while (!stack.empty()) {
        auto x = stack.back();
        stack.pop_back();
        tree.push_back(x);
        for (auto it = x->children.rbegin(); it != x->children.rend(); ++it) stack.push_back(*it);
    }
    for (const auto& x : tree) {
        if (x->owner && x->owner != this) {
            if (error) *error = "attribute '" + x->longName + "' belongs to another node type";
            return KStatus::kInvalidParameter;
        }
        for (const auto& y : tree) {
            if (y != x && (y->longName == x->longName || y->shortName == x->shortName)) {
                if (error) *error = "attribute name '" + x->longName + "' is used twice";
                return KStatus::kInvalidParameter;
            }
        }
        for (const auto& y : m_attributes) {
            if (y->longName == x->longName || y->shortName == x->shortName) {
                if (error) *error = "attribute name '" + x->longName + "' is already used by '" +
                                    y->longName + "'";
                return KStatus::kInvalidParameter;
            }
        }
    }
    for (auto& x : tree) {
        x->owner = this;
        x->index = static_cast<int>(m_attributes.size());
        m_attributes.push_back(x);
    }
    return KStatus::kSuccess;
}

KStatus NodeType::addAffects(const KObject& when, const KObject& affected, std::string* error) {
    const AttributeImpl* w = AttributeImpl::from(when);
    const AttributeImpl* a = AttributeImpl::from(affected);
    if (!w || !a || w->owner != this || a->owner != this) {
        if (error) *error = "attributeAffects needs two attributes already added to the type";
        return KStatus::kInvalidParameter;
    }
    m_declaredAffects.emplace_back(w, a);
    return KStatus::kSuccess;
}

void NodeType::placeTree(AttributeImpl& a, const AttributeImpl* arrayRoot, int& cell, int& aux,
                         std::vector<CellKind>* kinds) {
    (void)kinds;
    a.arrayRoot = arrayRoot;
    a.cell = cell;
    a.cellKinds.clear();
    switch (a.kind) {
        case CellKind::kBool:
        case CellKind::kInt:
        case CellKind::kFloat:
        case CellKind::kDouble:
        case CellKind::kAddr:
            a.width = 1;
            a.cellKinds.push_back(a.kind);
            break;
        case CellKind::kMatrix:
        case CellKind::kFloatMatrix:
            a.width = 16;
            a.cellKinds.assign(16, a.kind == CellKind::kMatrix ? CellKind::kDouble : CellKind::kFloat);
            break;
        case CellKind::kString:
        case CellKind::kData:
            a.width = 0;
            a.aux = aux++;
            break;
        case CellKind::kCompound: {
            int start = cell;
            for (auto& c : a.children) {
                placeTree(*c, arrayRoot, cell, aux, nullptr);
                a.cellKinds.insert(a.cellKinds.end(), c->cellKinds.begin(), c->cellKinds.end());
            }
            a.width = cell - start;
            return;
        }
        default:
            a.width = 0;
            break;
    }
    cell += a.width;
}

KStatus NodeType::finalize(std::string* error) {
    m_arrays.clear();
    for (auto& a : m_attributes) {
        a->computed = false;
        a->arraySlot = -1;
        a->aux = -1;
        if (!a->array) continue;
        for (const AttributeImpl* p = a->parent; p; p = p->parent) {
            if (p->array) {
                if (error) *error = "array attribute '" + a->longName + "' inside an array";
                return KStatus::kInvalidParameter;
            }
        }
        a->arraySlot = static_cast<int>(m_arrays.size());
        m_arrays.push_back(a.get());
    }

    // Lay out the root scope and one element scope per array attribute.
    int rootCells = 0;
    std::vector<int> auxCounts(1 + m_arrays.size(), 0);
    std::vector<int> elementCells(m_arrays.size(), 0);
    for (auto& a : m_attributes) {
        if (a->parent) continue;
        std::vector<AttributeImpl*> pending{a.get()};
        // Arrays below a root compound start their own scope.
        std::function<void(AttributeImpl&, int&)> place = [&](AttributeImpl& x, int& cell) {
            if (x.array) {
                int slot = x.arraySlot;
                int ecell = 0;
                placeTree(x, &x, ecell, auxCounts[1 + slot], nullptr);
                elementCells[slot] = ecell;
                x.cell = 0;
                return;
            }
            bool hasArrayBelow = false;
            std::vector<const AttributeImpl*> st{&x};
            while (!st.empty()) {
                const AttributeImpl* y = st.back();
                st.pop_back();
                if (y != &x && y->array) hasArrayBelow = true;
                for (auto& c : y->children) st.push_back(c.get());
            }
            if (!hasArrayBelow) {
                placeTree(x, nullptr, cell, auxCounts[0], nullptr);
                return;
            }
            // A compound holding an array: its other leaves stay in the root scope.
            x.arrayRoot = nullptr;
            x.cell = cell;
            x.cellKinds.clear();
            for (auto& c : x.children) place(*c, cell);
            x.width = 0;
        };
        place(*a, rootCells);
    }

    // Outputs: everything declared affected, with its children and parents.
    for (auto& [w, a] : m_declaredAffects) {
        std::vector<const AttributeImpl*> st{a};
        while (!st.empty()) {
            const AttributeImpl* y = st.back();
            st.pop_back();
            const_cast<AttributeImpl*>(y)->computed = true;
            for (auto& c : y->children) st.push_back(c.get());
        }
        for (AttributeImpl* p = a->parent; p; p = p->parent) p->computed = true;
    }

    // Expanded affects: a change of an attribute is a change of its parents and children.
    m_affects.assign(m_attributes.size(), {});
    for (auto& x : m_attributes) {
        std::vector<int>& out = m_affects[x->index];
        for (auto& [w, a] : m_declaredAffects) {
            if (!(w->contains(x.get()) || x->contains(w))) continue;
            if (std::find(out.begin(), out.end(), a->index) == out.end()) out.push_back(a->index);
        }
    }

    // Subtree ranges (attributes are listed depth first) and the slots the inline data-block
    // accessors read.
    for (auto& a : m_attributes) {
        int end = a->index + 1;
        std::vector<const AttributeImpl*> st{a.get()};
        while (!st.empty()) {
            const AttributeImpl* y = st.back();
            st.pop_back();
            end = std::max(end, y->index + 1);
            for (auto& c : y->children) st.push_back(c.get());
        }
        a->subtreeEnd = end;
        a->slot.layout = this;
        a->slot.cell = a->cell;
        a->slot.width = static_cast<std::uint8_t>(std::min(a->width, 255));
        a->slot.kind = static_cast<std::uint8_t>(a->kind);
        a->slot.inArray = a->arrayRoot != nullptr;
        a->slot.rootLayout = (!a->slot.inArray && a->width > 0 && a->width <= 255) ? this : nullptr;
        a->slot.cellKinds = a->cellKinds.empty() ? nullptr : reinterpret_cast<const std::uint8_t*>(a->cellKinds.data());
    }

    // Default values of each scope.
    m_rootDefaults = CellBlock();
    m_rootDefaults.cells.assign(rootCells, Cell{});
    m_rootDefaults.strings.assign(auxCounts[0], KString());
    m_rootDefaults.objects.assign(auxCounts[0], KObject());
    m_elementDefaults.assign(m_arrays.size(), CellBlock());
    for (size_t i = 0; i < m_arrays.size(); ++i) {
        m_elementDefaults[i].cells.assign(elementCells[i], Cell{});
        m_elementDefaults[i].strings.assign(auxCounts[1 + i], KString());
        m_elementDefaults[i].objects.assign(auxCounts[1 + i], KObject());
    }
    for (auto& a : m_attributes) {
        CellBlock& block = a->arrayRoot ? m_elementDefaults[a->arrayRoot->arraySlot] : m_rootDefaults;
        writeDefaults(*a, block);
    }
    return KStatus::kSuccess;
}

void NodeType::writeDefaults(const AttributeImpl& a, CellBlock& block) const {
    switch (a.kind) {
        case CellKind::kBool:
        case CellKind::kInt:
        case CellKind::kFloat:
        case CellKind::kDouble: storeCell(block.cells[a.cell], a.kind, a.defaultValue); break;
        case CellKind::kAddr: block.cells[a.cell].p = a.defaultAddr; break;
        case CellKind::kMatrix:
        case CellKind::kFloatMatrix:
            for (int i = 0; i < 16; ++i) {
                storeCell(block.cells[a.cell + i], a.cellKinds[i], a.defaultMatrix.matrix[i / 4][i % 4]);
            }
            break;
        case CellKind::kString: block.strings[a.aux] = KString(a.defaultString); break;
        case CellKind::kData: block.objects[a.aux] = a.defaultData; break;
        default: break;
    }
}

void NodeType::release() {
    for (auto& a : m_attributes) {
        if (a->owner != this) continue;
        a->owner = nullptr;
        a->index = -1;
        a->arrayRoot = nullptr;
        a->arraySlot = -1;
        a->cell = -1;
        a->width = 0;
        a->aux = -1;
        a->computed = false;
        a->cellKinds.clear();
        a->subtreeEnd = -1;
        a->slot = AttributeSlot();
    }
    m_attributes.clear();
    m_declaredAffects.clear();
    m_affects.clear();
    m_arrays.clear();
}

const AttributeImpl* NodeType::findAttribute(std::string_view name) const {
    for (const auto& a : m_attributes) {
        if (a->longName == name) return a.get();
    }
    for (const auto& a : m_attributes) {
        if (a->shortName == name) return a.get();
    }
    return nullptr;
}

}  // namespace tarn
