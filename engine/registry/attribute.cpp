#include "engine/registry/attribute.h"

#include <algorithm>

Tattribute::Tattribute(const char* longName, const char* shortName)
    : m_longName(longName ? longName : ""), m_shortName(shortName ? shortName : "") {}

Tattribute::~Tattribute() = default;

KStatus Tattribute::setComputeModifies(bool on) {
    m_computeModifies = on;
    if (m_host.isNull()) return KStatus::kSuccess;
    KFnAttribute fn(m_host);
    fn.setWritable(!on);
    return fn.setStorable(!on);
}

KObject Tattribute::hostAttribute(KStatus* status) {
    if (m_host.isNull()) {
        KStatus s;
        m_host = createHost(&s);
        if (m_host.isNull() && s) s = KStatus::kFailure;
        kSetStatus(status, s);
        return m_host;
    }
    kSetStatus(status, KStatus::kSuccess);
    return m_host;
}

void Tattribute::applyCommonFlags(KFnAttribute& fn) const {
    if (m_computeModifies) {
        fn.setWritable(false);
        fn.setStorable(false);
    } else {
        fn.setKeyable(true);
    }
}

KStatus TattributeList::addAttribute(Tattribute* attribute) {
    if (!attribute || attribute->longName().empty()) return KStatus::kInvalidParameter;
    for (const Tattribute* a : m_attributes) {
        for (const std::string* mine : {&a->longName(), &a->shortName()}) {
            if (mine->empty()) continue;
            if (*mine == attribute->longName() || *mine == attribute->shortName())
                return KStatus::kInvalidParameter;
        }
    }
    m_attributes.push_back(attribute);
    return KStatus::kSuccess;
}

Tattribute* TattributeList::find(const std::string& name) const {
    for (Tattribute* a : m_attributes)
        if (a->longName() == name || (!a->shortName().empty() && a->shortName() == name)) return a;
    return nullptr;
}

bool TattributeList::contains(const Tattribute* attribute) const {
    return std::find(m_attributes.begin(), m_attributes.end(), attribute) != m_attributes.end();
}

KStatus TdependencyMatrix::attributeAffects(Tattribute* in, Tattribute* out, bool dynamic) {
    if (!in || !out || dynamic) return KStatus::kInvalidParameter;
    m_pairs.emplace_back(in, out);
    return KStatus::kSuccess;
}
