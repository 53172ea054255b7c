#include "bake/surface_bake_cmd.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "bake/mesh_baker.h"
#include "frame/k_global.h"
#include "frame/k_image.h"
#include "frame/k_mesh.h"

using bake::BakeSettings;

namespace {

enum class FlagKind {
    kWidth,
    kHeight,
    kFileName,
    kOutputType,
    kCreateTexture,
    kAttribute,
    kObjectSpace,
    kAttributeColor,
    kBackgroundColor,
    kHelp,
};

struct FlagRow {
    const char* shortName;
    const char* longName;
    FlagKind kind;
    unsigned values;  // words that follow the flag
};

constexpr FlagRow kFlags[] = {
    {"-wt", "-width", FlagKind::kWidth, 1},
    {"-ht", "-height", FlagKind::kHeight, 1},
    {"-fn", "-fileName", FlagKind::kFileName, 1},
    {"-fo", "-fileOutputType", FlagKind::kOutputType, 1},
    {"-cf", "-createFileTextureNode", FlagKind::kCreateTexture, 1},
    {"-at", "-attribute", FlagKind::kAttribute, 1},
    {"-os", "-objectSpace", FlagKind::kObjectSpace, 1},
    {"-dac", "-defaultAttributeColor", FlagKind::kAttributeColor, 4},
    {"-dbc", "-defaultBackgroundColor", FlagKind::kBackgroundColor, 4},
    {"-h", "-help", FlagKind::kHelp, 0},
};

const FlagRow* findFlag(const KString& word) {
    for (const FlagRow& row : kFlags)
        if (word == row.shortName || word == row.longName) return &row;
    return nullptr;
}

/// Reads four colour channels starting at word `at`, each clamped to 0..1; a channel that is
/// not a number keeps its value.
void readColor(const KArgList& args, unsigned at, double (&color)[4]) {
    for (unsigned c = 0; c < 4; ++c) {
        KStatus status;
        const double value = args.asDouble(at + c, &status);
        if (status && !std::isnan(value)) color[c] = std::fmin(std::fmax(value, 0.0), 1.0);
    }
}

}  // namespace

const char* const surfaceBakeCmd::kHelpLines[17] = {
    "Synopsis : surfaceBake [flags]\n",
    "   -at/attribute [string]\t: Attribute to bake to map. Where [string] is\n",
    "                             position, normal, tangent, binormal, uv or color. Default value "
    "is uv\n",
    "   -ca/copyAttrib          : Copy the attribute from the second selected surface to the "
    "first\n",
    "   -cf/createFileTextureNode : Create a file texture and 2D placement node. This is\n",
    "                               done by default\n",
    "   -dac/defaultAttributeColor : Default color when no attribute value specified on the "
    "geometry\n",
    "                                Default is black (RGBA=0,0,0,1).\n",
    "   -dbc/defaultBackgroundColor : Default background color. Default is black (RGBA=0,0,0,1)\n",
    "   -fn/fileName            : Filename path + filename to write image as (including "
    "extension).\n",
    "                             Default value is "
    "$TMPDIR/<polyPathName>_<attributeName>.<outputType> (/tmp when TMPDIR is unset).",
    "                             If a value is specified than the name is "
    "<fileName>_<polyPathName>_<attributeName>.<outputType>",
    "   -fo/fileOutputType      : File output type.\n",
    "                             Default type is \"iff\".\n",
    "   -ht/height              : Height of image to write to disk. Default is 512.\n",
    "   -h/help                 : Print this help message.\n   -os/objectSpace         : Compute "
    "normals and positions in object space. Default is world space.\n",
    "   -wt/width               : Width of image to write to disk. Default is 512.\n",
};

void* surfaceBakeCmd::creator() {
    return new surfaceBakeCmd();
}

bool surfaceBakeCmd::parseArgs(const KArgList& args, bool& help) {
    help = false;
    BakeSettings& s = m_settings;
    const unsigned count = args.length();
    for (unsigned i = 0; i < count;) {
        const KString word = args.asString(i);
        const FlagRow* row = findFlag(word);
        if (!row) {
            displayError("Invalid flag: " + word);
            return false;
        }
        const unsigned at = i + 1;
        i = at + row->values;
        KStatus st;
        switch (row->kind) {
            case FlagKind::kWidth: {
                const int v = args.asInt(at, &st);
                if (st) s.width = v;
                break;
            }
            case FlagKind::kHeight: {
                const int v = args.asInt(at, &st);
                if (st) s.height = v;
                break;
            }
            case FlagKind::kFileName: {
                const KString v = args.asString(at, &st);
                if (st) {
                    s.fileName = v;
                    s.useDefaultName = false;
                }
                break;
            }
            case FlagKind::kOutputType: {
                const KString v = args.asString(at, &st);
                if (st) s.outputType = v;
                break;
            }
            case FlagKind::kCreateTexture: {
                const bool v = args.asBool(at, &st);
                if (st) s.createFileTextureNode = v;
                break;
            }
            case FlagKind::kObjectSpace: {
                const bool v = args.asBool(at, &st);
                if (st) s.objectSpace = v;
                break;
            }
            case FlagKind::kAttribute: {
                const KString v = args.asString(at, &st);
                if (!st) break;
                bool known = false;
                for (int a = 0; a < bake::kAttributeCount; ++a)
                    if (v == bake::kAttributeNames[a]) {
                        s.attribute = a;
                        known = true;
                    }
                if (!known)
                    displayWarning("surfaceBake: unknown attribute \"" + v + "\"; baking " +
                                   bake::kAttributeNames[s.attribute]);
                break;
            }
            case FlagKind::kAttributeColor:
                readColor(args, at, s.defaultAttributeColor);
                break;
            case FlagKind::kBackgroundColor:
                readColor(args, at, s.defaultBackgroundColor);
                break;
            case FlagKind::kHelp:
                help = true;
                return true;
        }
    }
    return true;
}

KStatus surfaceBakeCmd::doIt(const KArgList& args) {
    bool help = false;
    if (!parseArgs(args, help)) return KStatus::kInvalidParameter;
    if (help) {
        for (const char* line : kHelpLines) appendToResult(line);
        return KStatus::kSuccess;
    }
    BakeSettings& s = m_settings;
    if (s.width == 0) s.width = s.height;
    if (s.height == 0) s.height = s.width;
    s.width = std::max(s.width, 2);
    s.height = std::max(s.height, 2);
    if (s.width > bake::kMaxBakeSide || s.height > bake::kMaxBakeSide) {
        displayError(KString("surfaceBake: an image of ") + s.width + " x " + s.height +
                     " is too large; each side may be at most " + bake::kMaxBakeSide + " pixels");
        return KStatus::kInvalidParameter;
    }
    return redoIt();
}

KStatus surfaceBakeCmd::redoIt() {
    const KStatus status = bakeSelection(!m_baked);
    m_baked = true;
    return status;
}

KStatus surfaceBakeCmd::undoIt() {
    displayInfo("surfaceBake command undone!\n");
    return KStatus::kSuccess;
}

KString surfaceBakeCmd::defaultFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    if (folder.back() != '/') folder += '/';
    return KString(folder);
}

KString surfaceBakeCmd::outputFileName(const BakeSettings& settings, const KString& meshName) {
    std::string name =
        settings.useDefaultName ? std::string() : std::string(settings.fileName.asChar()) + "_";
    name += meshName.asChar();
    for (char& c : name) {
        if (c == '|') c = '_';
        if (c == '\\') c = '/';
    }
    // Note: the default folder is a path of this system as it stands; only the name is mended.
    if (settings.useDefaultName) name = defaultFolder().str() + name;
    return KString(name) + "_" + bake::kAttributeNames[settings.attribute] + "." +
           settings.outputType;
}

KString surfaceBakeCmd::textureScript(const KString& fileName, const KString& meshName, double su,
                                      double sv, double umin, double vmin) {
    KString script =
        "string $newFileName = `shadingNode -asTexture file`;\n"
        "string $newPlace2D = `shadingNode -asUtility place2dTexture`;\n"
        "defaultNavigation -connectToExisting -source $newPlace2D -destination $newFileName;\n";
    script += "getAttr ($newFileName+\".fileTextureName\");";
    script += "setAttr -type \"string\" ($newFileName+\".fileTextureName\") \"";
    script += escapeCommandString(fileName);
    script += "\";";
    script += "setAttr ($newPlace2D+\".repeatU\") ";
    script += su;
    script += ";";
    script += "setAttr ($newPlace2D+\".repeatV\") ";
    script += sv;
    script += ";";
    script += "setAttr ($newPlace2D+\".offsetU\") ";
    script += -umin * su;
    script += ";";
    script += "setAttr ($newPlace2D+\".offsetV\") ";
    script += -vmin * sv;
    script += ";";
    script += "defaultNavigation -connectToExisting -source $newFileName -destination ";
    script += meshName;
    script += " -connectToExisting;";
    return script;
}

KStatus surfaceBakeCmd::bakeSelection(bool makeTextures) {
    KSelectionList selection;
    KGlobal::getActiveSelectionList(selection);
    if (selection.length() == 0) {
        setResult("No objects selected for command to work on.\n");
        return KStatus::kFailure;
    }
    clearResult();
    // A mesh without faces has nothing to bake: the command fails before it writes anything.
    for (unsigned i = 0; i < selection.length(); ++i) {
        KDagPath path;
        KObject component;
        if (!selection.getDagPath(i, path, component)) continue;
        KDagPath shape = path;
        if (!shape.extendToShape() || !shape.hasFn(KFn::kMesh)) continue;
        KStatus status;
        const int faces = KFnMesh(shape).numPolygons(&status);
        if (status && faces > 0) continue;
        displayError("surfaceBake: " + path.partialPathName() + " has no faces to bake");
        return KStatus::kFailure;
    }
    int meshes = 0, baked = 0;
    bool failed = false;
    for (unsigned i = 0; i < selection.length(); ++i) {
        KDagPath path;
        KObject component;
        if (!selection.getDagPath(i, path, component)) continue;
        KDagPath shape = path;
        if (!shape.extendToShape() || !shape.hasFn(KFn::kMesh)) continue;
        ++meshes;
        const KString meshName = path.partialPathName();
        KImage image;
        const bake::MeshBake result = bake::bakeMesh(path, component, m_settings, image);
        if (result.outcome == bake::BakeOutcome::kNoUVs) {
            displayWarning("surfaceBake: " + meshName + " has no UVs; skipped");
            continue;
        }
        if (result.outcome == bake::BakeOutcome::kFlatUVs) {
            displayWarning("surfaceBake: the UVs of " + meshName + " span no area; skipped");
            continue;
        }
        if (result.outcome != bake::BakeOutcome::kBaked) continue;

        const KString file = outputFileName(m_settings, meshName);
        if (!image.writeToFile(file, m_settings.outputType)) {
            displayError("surfaceBake: " + image.errorString());
            failed = true;
            continue;
        }
        ++baked;
        appendToResult(file);
        if (makeTextures && m_settings.createFileTextureNode) {
            // The script runs whole or not at all: when it fails (say the mesh's shader already
            // takes another texture) no node of it stays, and the map stays on disk.
            const bake::UvRange& r = result.uv;
            if (!KGlobal::executeCommand(textureScript(file, meshName, r.su, r.sv, r.umin, r.vmin),
                                         true, true))
                displayWarning("surfaceBake: no file texture could be connected to " + meshName +
                               "; its map " + file + " is written all the same");
        }
    }
    if (meshes == 0) displayWarning("surfaceBake: no polygon mesh among the selected objects");
    // The texture script changes the selection; give the user theirs back.
    if (baked > 0 && makeTextures) KGlobal::setActiveSelectionList(selection);
    return failed ? KStatus::kFailure : KStatus::kSuccess;
}
