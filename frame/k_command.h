#pragma once
/// Plug-in commands. A KPxCommand subclass is registered with `KFnPlugin::registerCommand`; each
/// time the command runs, the host creates an instance, calls doIt with the words that followed
/// the command name, and keeps the instance in the undo queue when isUndoable() answers true
/// (undoIt/redoIt are then called by `undo`/`redo`). Main thread only.

#include "frame/k_arrays.h"
#include "frame/k_status.h"
#include "frame/k_string.h"

#include <string>
#include <vector>

/// The words of one invocation, after the command name. Words are kept as written (flags
/// included); the typed readers convert on demand.
class KArgList {
public:
    static constexpr unsigned kInvalidArgIndex = 0xFFFFFFFFu;

    KArgList() = default;
    /// Number of words.
    unsigned length(KStatus* status = nullptr) const;
    /// Word i as text; kFailure (and "") when i is out of range.
    KString asString(unsigned i, KStatus* status = nullptr) const;
    /// Word i as a number; kInvalidParameter (and 0) when the word is not a number, or is NaN or
    /// an infinity.
    int asInt(unsigned i, KStatus* status = nullptr) const;
    double asDouble(unsigned i, KStatus* status = nullptr) const;
    /// Word i as a truth value: 1/0, true/false, on/off, yes/no; kInvalidParameter otherwise.
    bool asBool(unsigned i, KStatus* status = nullptr) const;
    /// Index of the first word equal to "-shortFlag" or "-longFlag" (names without the dash),
    /// or kInvalidArgIndex.
    unsigned flagIndex(const char* shortFlag, const char* longFlag = nullptr) const;

    /// Host use: appends a word.
    KArgList& addArg(const KString& word);
    KArgList& addArg(int value);
    KArgList& addArg(double value);

private:
    std::vector<std::string> m_words;
};

/// A command's syntax: its flags with argument types and its positional arguments. The host
/// checks invocations against it before doIt runs.
class KSyntax {
public:
    enum ArgType {
        kInvalidArgType = 0,
        kNoArg,
        kBoolean,
        kLong,
        kDouble,
        kString,
        kUnsigned,
        kDistance,
        kAngle,
        kTime,
        kSelectionItem,
    };
    static constexpr int kUnlimited = -1;

    struct Flag {
        std::string shortName;
        std::string longName;
        std::vector<ArgType> args;
        bool multiUse = false;
    };

    KSyntax() = default;
    /// Adds a flag (names with or without the leading "-") taking up to six arguments.
    KStatus addFlag(const char* shortName, const char* longName, ArgType a1 = kNoArg,
                    ArgType a2 = kNoArg, ArgType a3 = kNoArg, ArgType a4 = kNoArg,
                    ArgType a5 = kNoArg, ArgType a6 = kNoArg);
    /// Lets the flag be given more than once.
    KStatus makeFlagMultiUse(const char* name);
    /// Adds a positional argument.
    KStatus addArg(ArgType type);
    /// Bounds the count of trailing object (selection item) arguments.
    void setMinObjects(int n) { m_minObjects = n; }
    void setMaxObjects(int n) { m_maxObjects = n; }
    void useSelectionAsDefault(bool on) { m_useSelection = on; }
    void enableQuery(bool on = true) { m_query = on; }
    void enableEdit(bool on = true) { m_edit = on; }

    const std::vector<Flag>& flags() const { return m_flags; }
    const std::vector<ArgType>& args() const { return m_args; }
    int minObjects() const { return m_minObjects; }
    int maxObjects() const { return m_maxObjects; }
    bool usesSelectionAsDefault() const { return m_useSelection; }
    bool canQuery() const { return m_query; }
    bool canEdit() const { return m_edit; }

private:
    std::vector<Flag> m_flags;
    std::vector<ArgType> m_args;
    int m_minObjects = 0;
    int m_maxObjects = 0;
    bool m_useSelection = false;
    bool m_query = false;
    bool m_edit = false;
};

/// Reads an invocation against a syntax: flags by short or long name, then positional words.
class KArgDatabase {
public:
    /// `status` fails (kInvalidParameter) for an unknown flag or a missing flag argument.
    KArgDatabase(const KSyntax& syntax, const KArgList& args, KStatus* status = nullptr);
    bool isFlagSet(const char* name, KStatus* status = nullptr) const;
    /// Uses of a multi-use flag.
    unsigned numberOfFlagUses(const char* name) const;
    /// Argument `index` of the first use of the flag.
    KStatus getFlagArgument(const char* name, unsigned index, KString& out) const;
    KStatus getFlagArgument(const char* name, unsigned index, int& out) const;
    KStatus getFlagArgument(const char* name, unsigned index, double& out) const;
    KStatus getFlagArgument(const char* name, unsigned index, bool& out) const;
    /// Argument `index` of use `use` of a multi-use flag, as text.
    KStatus getFlagArgumentAtUse(const char* name, unsigned use, unsigned index,
                                 KString& out) const;
    /// Positional word `index` (after the flags).
    KStatus getCommandArgument(unsigned index, KString& out) const;
    KStatus getCommandArgument(unsigned index, int& out) const;
    KStatus getCommandArgument(unsigned index, double& out) const;
    unsigned numberOfCommandArguments() const { return unsigned(m_positional.size()); }
    bool isQuery() const { return m_query; }
    bool isEdit() const { return m_edit; }

private:
    struct Use {
        int flag;
        std::vector<std::string> values;
    };
    int findFlag(const char* name) const;
    const Use* use(const char* name, unsigned n) const;

    const KSyntax* m_syntax;
    std::vector<Use> m_uses;
    std::vector<std::string> m_positional;
    bool m_query = false;
    bool m_edit = false;
};

class KPxCommand {
public:
    KPxCommand();
    virtual ~KPxCommand();

    /// Runs the command with the invocation's words. Answers kSuccess or a failure.
    virtual KStatus doIt(const KArgList& args);
    /// Takes back / re-applies what doIt did; called only when isUndoable() is true.
    virtual KStatus undoIt();
    virtual KStatus redoIt();
    /// Whether the host keeps this instance in the undo queue after a successful doIt.
    virtual bool isUndoable() const;
    /// Whether the command has a syntax (registered with a syntax creator).
    virtual bool hasSyntax() const;

    /// The command's result (replacing any earlier one).
    static void clearResult();
    static void setResult(const KString& result);
    static void setResult(const char* result);
    static void setResult(int result);
    static void setResult(double result);
    static void setResult(bool result);
    static void setResult(const KStringArray& result);
    static void setResult(const KIntArray& result);
    static void setResult(const KDoubleArray& result);
    /// Appends to the result; a scalar result becomes an array of the same element type.
    static void appendToResult(const KString& result);
    static void appendToResult(const char* result);
    static void appendToResult(int result);
    static void appendToResult(double result);

    /// Message channels: "// Error: ", "// Warning: " prefixed lines; info as written.
    static void displayInfo(const KString& text);
    static void displayWarning(const KString& text);
    static void displayError(const KString& text);

    /// The command name as invoked (set by the host before doIt).
    KString commandString() const { return m_name; }
    void setCommandString(const KString& name) { m_name = name; }

private:
    KString m_name;
};
