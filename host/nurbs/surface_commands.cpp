// Surface primitives: `nurbsPlane`, `nurbsSphere` and `nurbsCylinder` make a transform and a
// nurbsSurface shape (undoable), select the transform and answer both names.

#include <cmath>

#include "frame/k_selection.h"
#include "host/lang/command_modules.h"
#include "host/nurbs/surface_node.h"
#include "host/nurbs/surface_primitives.h"
#include "host/scene/dag.h"
#include "host/scene/selection.h"

namespace tarn::lang {

namespace {

// Patch counts past this are refused before anything is allocated.
constexpr int kMaxPatches = 256;

enum class Primitive { Plane, Sphere, Cylinder };

struct PrimitiveRow {
    Primitive kind;
    const char* command;
    const char* base;  // node names: base<n>, base Shape<n>
    int patchesU, patchesV;
};

double number(const CommandArgs& args, const char* flag, double fallback) {
    return args.has(flag) ? args.flag(flag).asFloat() : fallback;
}

// The patch count of one direction: the flag, or its alias, or the default.
int patches(const CommandArgs& args, const char* flag, const char* alias, int fallback) {
    if (args.has(flag)) return static_cast<int>(args.flag(flag).asInt());
    if (alias && args.has(alias)) return static_cast<int>(args.flag(alias).asInt());
    return fallback;
}

CommandResult makePrimitive(const PrimitiveRow& row, const CommandArgs& args) {
    const std::string cmd = row.command;
    const int degree = args.has("degree") ? static_cast<int>(args.flag("degree").asInt()) : 3;
    const char* aliasU = row.kind == Primitive::Plane ? nullptr : "sections";
    const char* aliasV = row.kind == Primitive::Plane ? nullptr : "spans";
    const int pu = patches(args, "patchesU", aliasU, row.patchesU);
    const int pv = patches(args, "patchesV", aliasV, row.patchesV);
    if (degree < 1 || degree > nurbs::kMaxSurfaceDegree)
        return CommandResult::failure(cmd + ": -degree must be 1 to " +
                                      std::to_string(nurbs::kMaxSurfaceDegree));
    if (pu < 1 || pv < 1 || pu > kMaxPatches || pv > kMaxPatches)
        return CommandResult::failure(cmd + ": patch counts must be 1 to " +
                                      std::to_string(kMaxPatches));
    nurbs::PrimitiveFrame frame;
    if (args.has("axis")) {
        frame.axis = {args.flag("axis", 0).asFloat(), args.flag("axis", 1).asFloat(),
                      args.flag("axis", 2).asFloat()};
        if (!(length(frame.axis) > 0.0) || !std::isfinite(length(frame.axis)))
            return CommandResult::failure(cmd + ": -axis must be a non-zero vector");
    }
    if (args.has("pivot"))
        frame.pivot = {args.flag("pivot", 0).asFloat(), args.flag("pivot", 1).asFloat(),
                       args.flag("pivot", 2).asFloat()};
    const double width = number(args, "width", 1.0), ratio = number(args, "lengthRatio", 1.0);
    const double radius = number(args, "radius", 1.0),
                 heightRatio = number(args, "heightRatio", 2.0);
    for (const auto& [flag, value] :
         {std::pair{"width", width}, std::pair{"lengthRatio", ratio}, std::pair{"radius", radius},
          std::pair{"heightRatio", heightRatio}})
        if (!(value > 0.0) || !std::isfinite(value))
            return CommandResult::failure(cmd + ": -" + flag + " must be greater than 0");

    nurbs::NurbsSurface surface;
    switch (row.kind) {
        case Primitive::Plane:
            surface = nurbs::makePlaneSurface(width, ratio, degree, pu, pv, frame);
            break;
        case Primitive::Sphere:
            surface = nurbs::makeSphereSurface(radius, degree, pu, pv, frame);
            break;
        case Primitive::Cylinder:
            surface = nurbs::makeCylinderSurface(radius, heightRatio, degree, pu, pv, frame);
            break;
    }
    std::string error;
    if (!nurbs::validate(surface, &error)) return CommandResult::failure(cmd + ": " + error);
    const std::string name = args.has("name") ? args.flag("name").asString() : std::string();
    const auto [transform, shape] =
        nurbs::createSurfaceShape(std::make_shared<const nurbs::SurfaceValue>(std::move(surface)),
                                  row.base, name, {}, &error);
    if (transform.isNull() || shape.isNull()) return CommandResult::failure(cmd + ": " + error);
    KSelectionList selected;
    selected.add(transform);
    scene::setActiveSelection(selected);
    return Value(std::vector<std::string>{scene::nodeName(transform), scene::nodeName(shape)});
}

FlagSpec floatFlag(const char* l, const char* s) {
    return {.longName = l, .shortName = s, .args = {ArgType::Float}};
}
FlagSpec intFlag(const char* l, const char* s) {
    return {.longName = l, .shortName = s, .args = {ArgType::Int}};
}
FlagSpec vectorFlag(const char* l, const char* s) {
    return {
        .longName = l, .shortName = s, .args = {ArgType::Float, ArgType::Float, ArgType::Float}};
}

constexpr PrimitiveRow kPrimitives[] = {
    {Primitive::Plane, "nurbsPlane", "nurbsPlane", 1, 1},
    {Primitive::Sphere, "nurbsSphere", "nurbsSphere", 8, 4},
    {Primitive::Cylinder, "nurbsCylinder", "nurbsCylinder", 8, 1},
};

}  // namespace

void installSurfaceCommands(CommandRegistry& registry) {
    for (const PrimitiveRow& row : kPrimitives) {
        std::vector<FlagSpec> flags = {
            intFlag("degree", "d"),
            intFlag("patchesU", "u"),
            intFlag("patchesV", "v"),
            vectorFlag("axis", "ax"),
            vectorFlag("pivot", "p"),
            {.longName = "name", .shortName = "n", .args = {ArgType::String}},
            {.longName = "constructionHistory", .shortName = "ch", .args = {ArgType::Bool}},
        };
        std::string usage = std::string(row.command) + " [-d D] [-u N] [-v N]";
        if (row.kind == Primitive::Plane) {
            flags.push_back(floatFlag("width", "w"));
            flags.push_back(floatFlag("lengthRatio", "lr"));
            usage += " [-w W] [-lr R]";
        } else {
            flags.push_back(intFlag("sections", "s"));
            flags.push_back(intFlag("spans", "nsp"));
            flags.push_back(floatFlag("radius", "r"));
            usage += " [-s N] [-nsp N] [-r R]";
        }
        if (row.kind == Primitive::Cylinder) {
            flags.push_back(floatFlag("heightRatio", "hr"));
            usage += " [-hr R]";
        }
        usage += " [-ax X Y Z] [-p X Y Z] [-n name] [-ch bool]";
        registry.add({.name = row.command,
                      .usage = usage,
                      .flags = std::move(flags),
                      .undoable = true,
                      .body = [row](const CommandArgs& args, CommandContext&) {
                          return makePrimitive(row, args);
                      }});
    }
}

}  // namespace tarn::lang
