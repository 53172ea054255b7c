#pragma once
/// The engine's history commands: create an operation's node on the selected meshes, or edit
/// or query an existing one.
///
/// Flags come from the node class's attribute table: one per input attribute (long and short
/// name; integers, floats, doubles and booleans), plus query (-q) and edit (-e), "-ch" /
/// "-constructionHistory" (off: the result keeps no history) and, for modifiers whose command
/// accepts a curve, "-inc" / "-inputCurve". Creators also take "-n" / "-name".
///
/// - A positional word naming a node of the class: edit mode (flags set its attributes) or,
///   with -q, query mode (one attribute flag; the result is its value).
/// - Otherwise (TpolyModifierCmd) the words, or the active selection when there are none,
///   name meshes or faces: one node per mesh goes into its history, acting on the named faces
///   for face commands (all faces when a whole mesh is named) or on the whole mesh. The result
///   is the new nodes' names. TpolyCreateCmd makes a new mesh whose history starts at a new
///   node; the result is the transform, shape and node names.
///
/// Every change goes through the host's history and undo records, so one undo takes the
/// command back. Main thread only.

#include <string>
#include <vector>

#include "engine/geometry/mid_body.h"
#include "engine/registry/command.h"
#include "engine/registry/node_class.h"
#include "frame/k_object.h"

class TbaseHistoryCmdBase : public Tcommand {
public:
    explicit TbaseHistoryCmdBase(const TdependNodeMetaClass& nodeClass) : m_class(nodeClass) {}

    /// Declares the flags of `nodeClass`'s commands (see above); kFailure when the class's
    /// attribute set cannot be built or a flag clashes.
    static KStatus createSyntax(TcommandSyntax& syntax, const TdependNodeMetaClass& nodeClass,
                                bool modifier, bool acceptsCurve);

    void setEditFlag(bool on) { m_edit = on; }
    bool editFlag() const { return m_edit; }
    /// The command's name, used in its messages.
    void setCommandName(const char* name) { m_name = name ? name : ""; }
    const std::string& commandName() const { return m_name; }

    KStatus doIt(const KArgDatabase& args, const KArgList& words) override;

protected:
    /// Creates the operation's nodes (the command's own mode). Failures are reported.
    virtual KStatus create(const KArgDatabase& args, const std::vector<std::string>& words) = 0;
    /// Makes a node of the class with the flags' values; null with `*error`.
    KObject makeNode(const KArgDatabase& args, std::string* error);
    /// Writes the attribute flags given in `args` to `node` (recorded for undo when `undoable`).
    bool writeFlags(const KObject& node, const KArgDatabase& args, bool undoable,
                    std::string* error);
    KStatus fail(const std::string& message);
    const TdependNodeMetaClass& nodeClass() const { return m_class; }

private:
    KStatus query(const KObject& node, const KArgDatabase& args);
    const TdependNodeMetaClass& m_class;
    std::string m_name;
    bool m_edit = false;
};

class TpolyModifierCmd : public TbaseHistoryCmdBase {
public:
    /// `group` says what the node acts on: kGrpFace (faces) or kGrpObject (whole meshes).
    /// `acceptsCurve` is whether the command takes an input curve.
    TpolyModifierCmd(const TdependNodeMetaClass& nodeClass, TpolyGrpType group, bool acceptsCurve)
        : TbaseHistoryCmdBase(nodeClass), m_group(group), m_curve(acceptsCurve) {}
    bool cmdAcceptsCurve() const { return m_curve; }
    TpolyGrpType groupType() const { return m_group; }

protected:
    KStatus create(const KArgDatabase& args, const std::vector<std::string>& words) override;

private:
    TpolyGrpType m_group;
    bool m_curve;
};

class TpolyCreateCmd : public TbaseHistoryCmdBase {
public:
    explicit TpolyCreateCmd(const TdependNodeMetaClass& nodeClass)
        : TbaseHistoryCmdBase(nodeClass) {}
    /// The name the new mesh object is made from (overridden by -name).
    void setRequestedResultName(const char* name) { m_resultName = name ? name : ""; }

protected:
    KStatus create(const KArgDatabase& args, const std::vector<std::string>& words) override;

private:
    std::string m_resultName;
};
