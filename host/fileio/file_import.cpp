#include "host/fileio/file_import.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "frame/k_global.h"
#include "frame/k_translator.h"
#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/fileio/model_import.h"
#include "host/lang/command_modules.h"
#include "host/lang/idle_queue.h"
#include "host/lang/text_file.h"
#include "host/plugins/plugin_index.h"
#include "host/plugins/plugin_loader.h"
#include "host/plugins/plugin_registry.h"
#include "host/scene/node_access.h"
#include "host/sdk/host_output.h"

#include <filesystem>
#include <set>

namespace tarn::fileio {
namespace {

constexpr size_t kIdentifyBytes = 512;

// The first bytes of a file, for the translators' file identification. Only a regular file is
// opened (a FIFO or device would block the import or never end); false with the reason.
bool readHead(const std::string& path, std::string& head, std::string* why) {
    const int fd = lang::openRegularFile(path, why);
    if (fd < 0) return false;
    char buf[kIdentifyBytes];
    ssize_t got = 0;
    do got = ::read(fd, buf, sizeof(buf));
    while (got < 0 && errno == EINTR);
    const int readError = errno;
    ::close(fd);
    if (got < 0) {
        if (why) *why = std::strerror(readError);
        return false;
    }
    head.assign(buf, static_cast<size_t>(got));
    return true;
}

std::string chooseTranslator(const std::string& path, const std::string& head) {
    auto& registry = plugins::Registry::instance();
    const KFileObject file{KString(path)};
    std::string maybe;
    for (const auto& entry : registry.translators()) {
        std::string error;
        std::unique_ptr<KPxFileTranslator> t(registry.createTranslator(entry.name, &error));
        if (!t || !t->haveReadMethod()) continue;
        // Note: translators may look at two bytes or more; pad short files with zeros.
        std::string padded = head;
        padded.resize(std::max<size_t>(head.size(), 16), '\0');
        KPxFileTranslator::KFileKind kind = KPxFileTranslator::kNotMyFileType;
        try {
            kind = t->identifyFile(file, padded.data(), static_cast<short>(head.size()));
        } catch (...) {
            continue;
        }
        if (kind == KPxFileTranslator::kIsMyFileType) return entry.name;
        if (kind == KPxFileTranslator::kCouldBeMyFileType && maybe.empty()) maybe = entry.name;
    }
    return maybe;
}

// " (the plug-in P reads NAME files: loadPlugin P)" when a plug-in on the search path, not
// loaded, registers a translator called `name`; empty otherwise.
std::string readerHint(const std::string& name) {
    if (name.empty()) return {};
    const std::string plugin = plugins::pluginForTranslator(name);
    if (plugin.empty() || plugins::PluginLoader::instance().find(plugin)) return {};
    return "; the plug-in " + plugin + " reads " + name + " files: loadPlugin " + plugin;
}

// Splits captured channel text into its messages (one per line).
std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        out.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return out;
}

// The file texture nodes of the scene. Holding them keeps their addresses from being reused by
// nodes made later.
std::vector<KObject> fileTextureNodes() {
    std::vector<KObject> nodes;
    for (const KObject& n : Graph::instance().nodes())
        if (NodeImpl::from(n)->type().name == "file") nodes.push_back(n);
    return nodes;
}

// Checks the image files named by the file texture nodes an import made. A relative name that
// is not found from the working folder but beside the imported file is made to point there (a
// scene's textures travel with it); a name found nowhere is reported as a warning, since the
// surfaces then show their material's colour.
void checkTextureFiles(const std::string& importedPath, const std::string& translator,
                       const std::vector<KObject>& before, ImportOutcome& out) {
    namespace fs = std::filesystem;
    std::set<const NodeImpl*> old;
    for (const KObject& n : before) old.insert(NodeImpl::from(n));
    for (const KObject& n : fileTextureNodes()) {
        const NodeImpl* node = NodeImpl::from(n);
        if (old.count(node)) continue;
        KStatus status;
        const KDataHandle h =
            Graph::instance().readHandle(scene::plugByName(n, "fileTextureName"), &status);
        const std::string name = status.error() ? std::string() : h.asString().str();
        if (name.empty()) continue;
        std::error_code ec;
        if (fs::is_regular_file(name, ec)) continue;
        const fs::path beside = fs::path(importedPath).parent_path() / name;
        if (fs::path(name).is_relative() && fs::is_regular_file(beside, ec)) {
            const std::string command = "setAttr -type \"string\" " + node->name() +
                                        ".fileTextureName \"" +
                                        escapeCommandString(KString(beside.string())).str() + "\"";
            if (!KGlobal::executeCommand(KString(command)).error()) continue;
        }
        const std::string warning = translator + " import: the texture file \"" + name + "\" of " +
                                    node->name() +
                                    " was found neither beside the imported file nor from the "
                                    "working folder; its surfaces show the material's colour";
        output::warning(warning);
        out.warnings.push_back(warning);
    }
}

}  // namespace

ImportOutcome importFile(const std::string& path, const std::string& type) {
    ImportOutcome out;
    out.status = KStatus::kFailure;
    // Models of other programs need no plug-in: by the type asked for, else the extension.
    const ModelFormat format = modelFormat(type.empty() ? extensionOf(path) : type);
    if (format != ModelFormat::None) {
        const ModelImportOutcome model = importModel(path, format);
        out.translator = type.empty() ? extensionOf(path) : type;
        out.warnings = model.warnings;
        for (const std::string& w : model.warnings) output::warning(w);
        if (!model.ok) {
            out.error = model.error;
            return out;
        }
        out.status = KStatus::kSuccess;
        return out;
    }
    std::string head, why;
    if (!readHead(path, head, &why)) {
        out.error = why == lang::kFileMissing
                        ? "File not found: " + path
                        : "Cannot import \"" + std::string(path.c_str()) + "\": " + why;
        return out;
    }
    auto& registry = plugins::Registry::instance();
    out.translator = type.empty() ? chooseTranslator(path, head) : type;
    if (out.translator.empty()) {
        out.error = "Unrecognized file type: " + path + readerHint(extensionOf(path));
        return out;
    }
    std::string error;
    std::unique_ptr<KPxFileTranslator> t(registry.createTranslator(out.translator, &error));
    if (!t) {
        out.error = (error.empty() ? "No translator named " + out.translator : error) +
                    readerHint(out.translator);
        return out;
    }
    if (!t->haveReadMethod()) {
        out.error = "Translator " + out.translator + " cannot read files";
        return out;
    }
    const std::vector<KObject> texturesBefore = fileTextureNodes();
    std::string printed, infos;
    std::vector<std::string> translatorErrors;
    {
        // Kept to be counted, then shown: channel by channel, each in its own order.
        output::Capture capture;
        try {
            out.status = t->reader(KFileObject(KString(path)), KString(),
                                   KPxFileTranslator::kImportAccessMode);
        } catch (const std::bad_alloc&) {
            out.status = KStatus::kInsufficientMemory;
        } catch (...) {
            out.status = KStatus::kFailure;
        }
        out.warnings = lines(capture.warnings());
        printed = capture.prints();
        infos = capture.infos();
        translatorErrors = lines(capture.errors());
    }
    if (!printed.empty()) output::print(printed);
    for (const auto& m : lines(infos)) output::info(m);
    for (const auto& m : out.warnings) output::warning(m);
    // A failure's reason goes into the error instead (reported once, by the caller).
    if (!out.status.error())
        for (const auto& m : translatorErrors) output::error(m);
    // Work the translator deferred (e.g. per-face shading assignments) runs now.
    lang::idleQueue().flush();
    checkTextureFiles(path, out.translator, texturesBefore, out);
    if (out.status.error()) {
        out.error = "Translator " + out.translator + " could not import " + path;
        // The translator's own reason, when it gave one, says why.
        if (!translatorErrors.empty()) out.error += ": " + translatorErrors.back();
    }
    return out;
}

}  // namespace tarn::fileio
