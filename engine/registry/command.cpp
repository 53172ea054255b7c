#include "engine/registry/command.h"

#include <vector>

#include "frame/k_global.h"
#include "frame/k_plugin.h"
#include "frame/k_scene.h"
#include "frame/k_selection.h"
#include "host/plugins/plugin_registry.h"
#include "host/sdk/host_output.h"

using tarn::plugins::PluginImpl;
using tarn::plugins::Registry;

namespace {

bool toHostArgType(int argType, KSyntax::ArgType* out) {
    switch (argType) {
        case kTsyntaxNoArg:
            *out = KSyntax::kNoArg;
            return true;
        case kTsyntaxBoolean:
            *out = KSyntax::kBoolean;
            return true;
        case kTsyntaxInt:
            *out = KSyntax::kLong;
            return true;
        case kTsyntaxDouble:
            *out = KSyntax::kDouble;
            return true;
        case kTsyntaxString:
            *out = KSyntax::kString;
            return true;
        case kTsyntaxAngle:
            *out = KSyntax::kAngle;
            return true;
        case kTsyntaxDistance:
            *out = KSyntax::kDistance;
            return true;
        case kTsyntaxUnsigned:
            *out = KSyntax::kUnsigned;
            return true;
        case kTsyntaxObject:
        case kTsyntaxCurve:
            *out = KSyntax::kSelectionItem;
            return true;
        default:
            return false;
    }
}

std::string plain(const char* name) {
    std::string s = name ? name : "";
    if (!s.empty() && s[0] == '-') s.erase(0, 1);
    return s;
}

// True when `node` is of `kind`, or is a transform with a shape of that kind.
bool holdsKind(const KObject& node, KFn::Type kind) {
    if (node.hasFn(kind)) return true;
    if (!node.hasFn(KFn::kTransform)) return false;
    KFnDagNode dag(node);
    for (unsigned i = 0; i < dag.childCount(); ++i)
        if (dag.child(i).hasFn(kind)) return true;
    return false;
}

/// What the host creates for every engine command: it runs the bound class named by the host
/// and keeps the invocation for undo.
class TarnCommandProxy final : public KPxCommand {
public:
    KStatus doIt(const KArgList& args) override {
        return pythonDispatchTarnCommand(commandString().asChar(), args, &m_invocation);
    }
    KStatus undoIt() override { return m_invocation ? m_invocation->undoIt() : KStatus(); }
    KStatus redoIt() override { return m_invocation ? m_invocation->redoIt() : KStatus(); }
    bool isUndoable() const override { return m_invocation && m_invocation->isUndoable(); }

private:
    std::unique_ptr<Tcommand> m_invocation;
};

}  // namespace

Tsyntax::~Tsyntax() = default;

KStatus Tsyntax::addFlag(const char* shortName, const char* longName, int argType) {
    const std::string s = plain(shortName), l = plain(longName);
    KSyntax::ArgType type;
    if (s.empty() || l.empty() || !toHostArgType(argType, &type)) return KStatus::kInvalidParameter;
    if (hasFlag(s.c_str()) || hasFlag(l.c_str())) return KStatus::kInvalidParameter;
    return m_syntax.addFlag(s.c_str(), l.c_str(), type);
}

bool Tsyntax::hasFlag(const char* name) const {
    const std::string n = plain(name);
    for (const KSyntax::Flag& f : m_syntax.flags())
        if (plain(f.shortName.c_str()) == n || plain(f.longName.c_str()) == n) return true;
    return false;
}

Tcommand::~Tcommand() = default;
KStatus Tcommand::undoIt() {
    return KStatus::kSuccess;
}
KStatus Tcommand::redoIt() {
    return KStatus::kSuccess;
}
bool Tcommand::isUndoable() const {
    return false;
}

TmetaCommand::TmetaCommand(const char* name, Creator creator, int requirement)
    : m_name(name ? name : ""), m_creator(creator), m_requirement(requirement) {}

TmetaCommand* TmetaCommand::s_firstBound = nullptr;

bool TmetaCommand::unbind(const std::string& name) {
    for (TmetaCommand** link = &s_firstBound; *link; link = &(*link)->m_nextBound) {
        if ((*link)->m_name == name) {
            TmetaCommand* found = *link;
            *link = found->m_nextBound;
            found->m_nextBound = nullptr;
            return true;
        }
    }
    return false;
}

TmetaCommand::~TmetaCommand() {
    if (findTarnCommand(m_name.c_str()) == this) unloadCommand(m_name.c_str());
}

const TcommandSyntax* TmetaCommand::syntax() {
    if (!m_syntax && !m_syntaxFailed) {
        auto syntax = std::make_unique<TcommandSyntax>();
        if (m_builder && !m_builder(*syntax)) {
            m_syntaxFailed = true;
            return nullptr;
        }
        m_syntax = std::move(syntax);
    }
    return m_syntax.get();
}

bool TmetaCommand::checkRequirements(std::string*) const {
    return true;
}

bool TmetaCommand::checkRequirements(const KArgDatabase&, std::string* why) const {
    return checkRequirements(why);
}

KStatus TmetaCommand::unloadCommand(const char* name) {
    const std::string n = name ? name : "";
    const bool bound = unbind(n);
    // The host command goes through its owner's record, so that the plug-in's list stays true.
    KStatus removed = KStatus::kNotFound;
    if (const auto* entry = Registry::instance().findCommand(n)) {
        if (entry->creator == &createTarnCommandProxy) {
            if (PluginImpl* owner = entry->owner)
                removed =
                    KFnPlugin(KObject(owner->shared_from_this())).deregisterCommand(n.c_str());
            else
                removed = Registry::instance().removeCommand(n, nullptr);
        }
    }
    return bound || removed ? KStatus::kSuccess : KStatus::kNotFound;
}

TmetaCommandReq::TmetaCommandReq(const char* name, Creator creator, KFn::Type required)
    : TmetaCommand(name, creator, int(required)) {}

bool TmetaCommandReq::checkRequirements(std::string* why) const {
    const auto kind = KFn::Type(requirement());
    KSelectionList selection;
    KGlobal::getActiveSelectionList(selection);
    for (unsigned i = 0; i < selection.length(); ++i) {
        KObject node;
        if (selection.getDependNode(i, node) && holdsKind(node, kind)) return true;
    }
    std::string kindName = KObjBase::name(kind);
    if (kindName.size() > 1 && kindName[0] == 'k') kindName.erase(0, 1);
    if (why) *why = "select an object of kind " + kindName + " first";
    return false;
}

bool TmetaCommandReq::checkRequirements(const KArgDatabase& args, std::string* why) const {
    // Query and edit act on the node the invocation names, not on the selection.
    if (args.isQuery() || args.isEdit()) return true;
    const auto kind = KFn::Type(requirement());
    for (unsigned i = 0; i < args.numberOfCommandArguments(); ++i) {
        KString word;
        KSelectionList named;
        if (!args.getCommandArgument(i, word) || !named.add(word)) continue;
        for (unsigned k = 0; k < named.length(); ++k) {
            KObject node;
            if (!named.getDependNode(k, node)) continue;
            // An operation node named on the line: the command edits it, whatever is selected.
            if (holdsKind(node, kind) || node.hasFn(KFn::kPolyModifier) ||
                node.hasFn(KFn::kPolyCreator))
                return true;
        }
    }
    return checkRequirements(why);
}

KStatus pythonRegisterTarnCommand(TmetaCommand* command) {
    if (!command || command->name().empty() || !command->creator())
        return KStatus::kInvalidParameter;
    const TmetaCommand* bound = findTarnCommand(command->name().c_str());
    if (bound == command) return KStatus::kSuccess;
    if (bound) {
        tarn::output::error("Cannot register command '" + command->name() +
                            "': another engine command is bound under that name");
        return KStatus::kFailure;
    }
    const KObject plugin = KFnPlugin::currentPlugin();
    KStatus status;
    std::string why;
    if (!plugin.isNull()) {
        status =
            KFnPlugin(plugin).registerCommand(command->name().c_str(), &createTarnCommandProxy);
        if (PluginImpl* p = PluginImpl::from(plugin); !status && p && !p->problems.empty()) {
            why = p->problems.back();
            p->problems.pop_back();
        }
    } else {
        status = Registry::instance().addCommand(
            {command->name(), &createTarnCommandProxy, nullptr, nullptr}, &why);
    }
    if (!status) {
        tarn::output::error("Cannot register command '" + command->name() + "'" +
                            (why.empty() ? "" : ": " + why));
        return status;
    }
    command->m_nextBound = TmetaCommand::s_firstBound;
    TmetaCommand::s_firstBound = command;
    return KStatus::kSuccess;
}

TmetaCommand* findTarnCommand(const char* name) {
    const std::string n = name ? name : "";
    for (TmetaCommand* c = TmetaCommand::s_firstBound; c; c = c->m_nextBound)
        if (c->m_name == n) return c;
    return nullptr;
}

KStatus pythonDispatchTarnCommand(const char* name, const KArgList& words,
                                  std::unique_ptr<Tcommand>* invocation) {
    TmetaCommand* meta = findTarnCommand(name);
    const std::string n = name ? name : "";
    if (!meta) {
        KPxCommand::displayError(KString(n + ": no engine command is bound under this name"));
        return KStatus::kNotFound;
    }
    const TcommandSyntax* syntax = meta->syntax();
    if (!syntax) {
        KPxCommand::displayError(KString(n + ": the command's flags could not be declared"));
        return KStatus::kFailure;
    }
    KStatus parsed;
    KArgDatabase args(syntax->hostSyntax(), words, &parsed);
    if (!parsed) {
        KPxCommand::displayError(KString(n + ": unknown flag or missing flag argument"));
        return KStatus::kInvalidParameter;
    }
    std::string why;
    if (!meta->checkRequirements(args, &why)) {
        KPxCommand::displayError(KString(n + ": " + why));
        return KStatus::kFailure;
    }
    std::unique_ptr<Tcommand> command(meta->creator()());
    if (!command) {
        KPxCommand::displayError(KString(n + ": the command could not be created"));
        return KStatus::kFailure;
    }
    KStatus status = command->doIt(args, words);
    if (status && invocation) *invocation = std::move(command);
    return status;
}

void* createTarnCommandProxy() {
    return new TarnCommandProxy;
}
