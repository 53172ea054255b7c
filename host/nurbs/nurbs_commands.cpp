// NURBS commands: `curve` makes a curve through control points, `closeCurve` closes one.

#include "host/lang/command_modules.h"
#include "host/nurbs/curve_node.h"
#include "host/scene/dag.h"

namespace tarn::lang {

namespace {

CommandResult curveCmd(const CommandArgs& args, CommandContext&) {
    nurbs::NurbsCurve curve;
    curve.degree = args.has("degree") ? static_cast<int>(args.flag("degree").asInt()) : 3;
    for (std::size_t u = 0; u < args.uses("point"); ++u)
        curve.cvs.push_back({args.flag("point", 0, u).asFloat(), args.flag("point", 1, u).asFloat(),
                             args.flag("point", 2, u).asFloat()});
    for (std::size_t u = 0; u < args.uses("knot"); ++u)
        curve.knots.push_back(args.flag("knot", 0, u).asFloat());
    // Without knots: uniform ones, 0, 1, 2, ... with the ends repeated degree times.
    if (curve.knots.empty() && curve.cvs.size() > static_cast<size_t>(curve.degree)) {
        const int spans = static_cast<int>(curve.cvs.size()) - curve.degree;
        for (int i = 0; i < curve.degree - 1; ++i) curve.knots.push_back(0.0);
        for (int i = 0; i <= spans; ++i) curve.knots.push_back(i);
        for (int i = 0; i < curve.degree - 1; ++i) curve.knots.push_back(spans);
    }
    std::string error;
    if (!nurbs::validate(curve, &error)) return CommandResult::failure("curve: " + error);
    const KObject made = nurbs::createCurve(curve, &error);
    if (made.isNull()) return CommandResult::failure("curve: " + error);
    return Value(scene::nodeName(made));
}

CommandResult closeCurveCmd(const CommandArgs& args, CommandContext&) {
    const std::string name = args[0].asString();
    const KObject shape = nurbs::curveShapeOf(scene::findNode(name));
    if (shape.isNull()) return CommandResult::failure("closeCurve: " + name + " is not a curve");
    nurbs::NurbsCurve curve;
    nurbs::readCurve(shape, curve);
    std::string error;
    if (!nurbs::validate(curve, &error) || !nurbs::closeCurve(curve, &error))
        return CommandResult::failure("closeCurve: " + name + ": " + error);
    const bool replace = !args.has("replaceOriginal") || args.flag("replaceOriginal").asBool();
    if (replace) {
        nurbs::writeCurve(shape, curve);
        const KObject parent = scene::parentOf(shape);
        return Value(scene::nodeName(parent.isNull() ? shape : parent));
    }
    const KObject made = nurbs::createCurve(curve, &error);
    if (made.isNull()) return CommandResult::failure("closeCurve: " + error);
    return Value(scene::nodeName(made));
}

}  // namespace

void installSurfaceCommands(CommandRegistry& registry);  // surface_commands.cpp

void installNurbsCommands(CommandRegistry& registry) {
    const CommandSpec rows[] = {
        {.name = "curve",
         .usage = "curve [-degree D] -point X Y Z... [-knot K...]",
         .flags =
             {{.longName = "degree", .shortName = "d", .args = {ArgType::Int}},
              {.longName = "point",
               .shortName = "p",
               .args = {ArgType::Float, ArgType::Float, ArgType::Float},
               .multiUse = true},
              {.longName = "knot", .shortName = "k", .args = {ArgType::Float}, .multiUse = true}},
         .undoable = true,
         .body = curveCmd},
        // History, shape preservation, blending and the seam parameter are accepted; a
        // degree-1 curve closes exactly with a segment back to its start whatever they say.
        {.name = "closeCurve",
         .usage = "closeCurve [-ch B] [-ps N] [-rpo B] [-bb F] [-bki B] [-p F] CURVE",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .flags = {{.longName = "constructionHistory", .shortName = "ch", .args = {ArgType::Bool}},
                   {.longName = "preserveShape", .shortName = "ps", .args = {ArgType::Int}},
                   {.longName = "replaceOriginal", .shortName = "rpo", .args = {ArgType::Bool}},
                   {.longName = "blendBias", .shortName = "bb", .args = {ArgType::Float}},
                   {.longName = "blendKnotInsertion", .shortName = "bki", .args = {ArgType::Bool}},
                   {.longName = "parameter", .shortName = "p", .args = {ArgType::Float}}},
         .undoable = true,
         .body = closeCurveCmd},
    };
    for (const CommandSpec& row : rows) registry.add(row);
    installSurfaceCommands(registry);
}

}  // namespace tarn::lang
