#pragma once
/// Engine commands and their registration with the host's command language.
///
/// - Tcommand: one invocation of an engine command (doIt with the parsed flags, undo, redo).
/// - Tsyntax / TcommandSyntax: a command's flags, by short and long name, with engine argument
///   types; query and edit modes.
/// - TmetaCommand: a command class: its name, creator and syntax (made on first request and
///   kept). TmetaCommandReq also checks a requirement on the selection before running.
/// - pythonRegisterTarnCommand binds a command class under its name in the script binding
///   registry and registers the name with the host's command language (owned by the plug-in
///   whose code is running, or by the host); every call of the name from a script is handed to
///   pythonDispatchTarnCommand, which runs the bound class. There is no other script language.
///
/// Main thread only.

#include <memory>
#include <string>

#include "frame/k_command.h"
#include "frame/k_status.h"
#include "frame/k_types.h"

/// Argument types of engine flags.
enum TsyntaxArgType : int {
    kTsyntaxNoArg = 0,
    kTsyntaxBoolean = 1,
    kTsyntaxInt = 2,
    kTsyntaxDouble = 3,
    kTsyntaxString = 4,
    kTsyntaxAngle = 5,
    kTsyntaxDistance = 6,
    kTsyntaxUnsigned = 7,
    kTsyntaxObject = 16,  ///< a node name
    kTsyntaxCurve = 17,   ///< a curve's name
};

class Tsyntax {
public:
    virtual ~Tsyntax();
    /// Adds a flag; kInvalidParameter for an unknown argument type, an empty name, or a short
    /// or long name the syntax already has.
    KStatus addFlag(const char* shortName, const char* longName, int argType = kTsyntaxNoArg);
    bool hasFlag(const char* name) const;
    void enableQuery(bool on = true) { m_syntax.enableQuery(on); }
    void enableEdit(bool on = true) { m_syntax.enableEdit(on); }
    /// The host syntax the arguments are read against.
    const KSyntax& hostSyntax() const { return m_syntax; }

private:
    KSyntax m_syntax;
};

class TcommandSyntax : public Tsyntax {};

class Tcommand {
public:
    virtual ~Tcommand();
    /// Runs the command; `args` is read against the class's syntax, `words` are as written.
    /// Failures are reported by the command (KPxCommand::displayError) or by its status.
    virtual KStatus doIt(const KArgDatabase& args, const KArgList& words) = 0;
    virtual KStatus undoIt();
    virtual KStatus redoIt();
    /// Whether the host keeps the invocation for undo after a successful doIt (base: false).
    virtual bool isUndoable() const;
};

class TmetaCommand {
public:
    using Creator = Tcommand* (*)();
    using SyntaxBuilder = KStatus (*)(TcommandSyntax&);

    /// A command class named `name`. `requirement` is -1 for none; TmetaCommandReq gives a
    /// node kind instead.
    TmetaCommand(const char* name, Creator creator, int requirement = -1);
    /// Unbinds the command and takes its host command back if it is still registered.
    virtual ~TmetaCommand();
    TmetaCommand(const TmetaCommand&) = delete;
    TmetaCommand& operator=(const TmetaCommand&) = delete;

    const std::string& name() const { return m_name; }
    Creator creator() const { return m_creator; }
    /// Sets how the syntax is built (before its first request).
    void setSyntaxBuilder(SyntaxBuilder builder) { m_builder = builder; }
    /// The syntax, built on the first request and kept; null when building it failed.
    const TcommandSyntax* syntax();
    /// Checks what the command needs before it runs; false with the reason in `*why`.
    virtual bool checkRequirements(std::string* why) const;
    /// The same for one invocation, whose positional words may name what the command needs
    /// (base: checkRequirements(why)).
    virtual bool checkRequirements(const KArgDatabase& args, std::string* why) const;
    int requirement() const { return m_requirement; }

    /// Takes the command `name` back from the host's command language and the binding
    /// registry. kNotFound when it is not there (unloading twice is harmless).
    static KStatus unloadCommand(const char* name);

private:
    friend KStatus pythonRegisterTarnCommand(TmetaCommand* command);
    friend TmetaCommand* findTarnCommand(const char* name);
    /// The binding registry: bound commands linked through themselves (it allocates nothing
    /// and needs no destructor, so it outlives the libraries that unbind at unload).
    static TmetaCommand* s_firstBound;
    /// Takes the command bound under `name` out of the registry; false when none is.
    static bool unbind(const std::string& name);

    std::string m_name;
    Creator m_creator;
    int m_requirement;
    TmetaCommand* m_nextBound = nullptr;
    SyntaxBuilder m_builder = nullptr;
    std::unique_ptr<TcommandSyntax> m_syntax;
    bool m_syntaxFailed = false;
};

/// A command class that runs only when the selection, or a word of the invocation, holds an
/// object of the required node kind (a transform counts through its shapes), e.g. KFn::kMesh.
class TmetaCommandReq : public TmetaCommand {
public:
    TmetaCommandReq(const char* name, Creator creator, KFn::Type required);
    bool checkRequirements(std::string* why) const override;
    /// Also satisfied when a positional word names such an object (or components of one), and
    /// in query and edit mode, which act on the node the invocation names.
    bool checkRequirements(const KArgDatabase& args, std::string* why) const override;
};

/// Binds `command` under its name and registers the name with the host's command language.
/// kFailure (reported as a host error) when the name is taken by another command.
KStatus pythonRegisterTarnCommand(TmetaCommand* command);
/// Runs the command bound under `name` with the words of one invocation; the invocation is
/// left in `*invocation` for undo when it is undoable. kNotFound when nothing is bound.
KStatus pythonDispatchTarnCommand(const char* name, const KArgList& words,
                                  std::unique_ptr<Tcommand>* invocation);
/// The command class bound under `name`, or null.
TmetaCommand* findTarnCommand(const char* name);
/// The host creator of every engine command: an object that dispatches by the name the host
/// gives it before doIt.
void* createTarnCommandProxy();
