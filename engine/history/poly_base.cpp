#include "engine/history/poly_base.h"

#include "frame/host_sdk.h"
#include "host/sdk/host_output.h"

KObject TattributeMesh::createHost(KStatus* status) {
    KFnTypedAttribute fn;
    KObject attr = fn.create(longName().c_str(), shortName().c_str(), KFnData::kMesh,
                             KObject::kNullObj, status);
    if (attr.isNull()) return attr;
    if (m_input) {
        fn.setReadable(false);
    } else {
        fn.setWritable(false);
        fn.setStorable(false);
    }
    return attr;
}

KStatus TdnVSTdnpolyBase::attributeList(TattributeList& list) {
    if (KStatus s = TdependNodeVS::attributeList(list); !s) return s;
    return list.addAttribute(&sVsData);
}

KStatus TdnVSTdnpolyBase::dependencies(TdependencyMatrix& matrix) {
    if (KStatus s = TdependNodeVS::dependencies(matrix); !s) return s;
    return sVsData.setComputeModifies(true);
}

KStatus TdnVSTdnMidModifier::attributeList(TattributeList& list) {
    if (KStatus s = TdnVSTdnpolyBase::attributeList(list); !s) return s;
    if (KStatus s = list.addAttribute(&inMesh); !s) return s;
    return list.addAttribute(&groupId);
}

KStatus TdnVSTdnMidModifier::dependencies(TdependencyMatrix& matrix) {
    if (KStatus s = TdnVSTdnpolyBase::dependencies(matrix); !s) return s;
    if (KStatus s = matrix.attributeAffects(&inMesh, &sVsData, false); !s) return s;
    return matrix.attributeAffects(&groupId, &sVsData, false);
}

const Tmetaclass& TdnpolyBase::metaclass() {
    static const Tmetaclass meta("polyBase", sizeof(TdnpolyBase), nullptr, 0,
                                 &TdependNode::rootMetaclass());
    return meta;
}

const Tmetaclass& TdnMidModifier::metaclass() {
    static const Tmetaclass meta("midModifier", sizeof(TdnMidModifier), nullptr, 0,
                                 &TdnpolyBase::metaclass());
    return meta;
}

const Tmetaclass& TdnpolyCreator::metaclass() {
    static const Tmetaclass meta("polyCreator", sizeof(TdnpolyCreator), nullptr, 0,
                                 &TdnpolyBase::metaclass());
    return meta;
}

TdnVSTdnpolyBase* TdnpolyBase::polyAttributes() const {
    return dynamic_cast<TdnVSTdnpolyBase*>(nodeClass().attributeSet());
}

void TdnpolyBase::reportFailure(const std::string& message) {
    // Note: a failing node is evaluated again on every read; say it once until it changes.
    if (message == m_lastFailure) return;
    m_lastFailure = message;
    if (!message.empty()) tarn::output::error(name().str() + ": " + message);
}

int TdnMidModifier::runFactory(TmidModifierFty& factory, TmidBody* body) {
    const int result = factory.doAction(body, nullptr);
    if (result != 0) m_message = factory.message();
    return result;
}

KStatus TdnMidModifier::computeNode(const KPlug& plug, KDataBlock& block) {
    auto* vs = dynamic_cast<TdnVSTdnMidModifier*>(nodeClass().attributeSet());
    if (!vs || !(plug == vs->sVsData.hostAttribute())) return KStatus::kUnknownParameter;
    const KObject input = block.inputValue(vs->inMesh.hostAttribute()).data();
    const int gid = block.inputValue(vs->groupId.hostAttribute()).asInt();
    KDataHandle out = block.outputValue(vs->sVsData.hostAttribute());

    // Read the input and the faces of the node's group.
    TmidBody body;
    m_message.clear();
    bool ok = body.loadFromData(input);
    if (!ok) m_message = "there is no input mesh";
    if (ok && gid >= 0) {
        KStatus status;
        KFnSingleIndexedComponent faces(KFnGeometryData(input).objectGroupComponent(gid, &status));
        if (status) {
            TpolyGroup group{"objectGroup" + std::to_string(gid), kGrpFace, {}};
            KIntArray ids;
            faces.getElements(ids);
            for (unsigned i = 0; i < ids.length(); ++i) group.members.push_back(ids[i]);
            body.setActiveGroup(body.addGroup(std::move(group)));
        } else {
            ok = false;
            m_message = "the input mesh carries no object group " + std::to_string(gid);
        }
    }

    // Run the operation; a failure hands the input on unchanged.
    if (ok && action(&body, block) == 0) {
        reportFailure({});
        TdataMesh result(body);
        out.setKObject(result.object());
    } else {
        reportFailure(m_message.empty() ? "the operation failed" : m_message);
        out.setKObject(input);
    }
    out.setClean();
    return KStatus();
}

KStatus TdnpolyCreator::computeNode(const KPlug& plug, KDataBlock& block) {
    TdnVSTdnpolyBase* vs = polyAttributes();
    if (!vs || !(plug == vs->sVsData.hostAttribute())) return KStatus::kUnknownParameter;
    TmidBody body;
    std::string message;
    if (action(&body, block, &message) != 0) {
        reportFailure(message.empty() ? "the mesh could not be built" : message);
        body.setMidBody(nullptr);
    } else {
        reportFailure({});
    }
    TdataMesh result(body);
    KDataHandle out = block.outputValue(vs->sVsData.hostAttribute());
    out.setKObject(result.object());
    out.setClean();
    return KStatus();
}
