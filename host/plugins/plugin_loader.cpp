#include "host/plugins/plugin_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "frame/k_object.h"
#include "host/dg/attribute_impl.h"
#include "host/dg/graph.h"
#include "host/mesh/edge_namers.h"
#include "host/sdk/host_output.h"
#include "host/sdk/registrant.h"
#include "host/undo/undo.h"

namespace tarn::plugins {

namespace {

#ifdef TARN_FUZZ_BUILD
// libFuzzer keeps the coverage counters of every library the process has mapped and writes them
// after each input; a library unmapped by dlclose would be written after it is gone. Fuzz builds
// keep unloaded plug-ins mapped (their static constructors then run on the first load only).
constexpr int kKeepMapped = RTLD_NODELETE;
#else
constexpr int kKeepMapped = 0;
#endif

}  // namespace

namespace {

constexpr const char* kApiVersion = "201100";
using EntryPoint = KStatus (*)(KObject);

std::string baseName(std::string_view path) {
    std::string name(path.substr(path.rfind('/') == std::string_view::npos ? 0 : path.rfind('/') + 1));
    if (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0) name.resize(name.size() - 3);
    return name;
}

std::string exeFolder() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    buffer[n] = '\0';
    return std::filesystem::path(buffer).parent_path().string();
}

// The folder of the library holding this code (libtarn.so), for programs other than tarn that
// load it (python3 with the tarn module).
std::string libraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&exeFolder), &info) == 0 || !info.dli_fname) return {};
    std::error_code ec;
    const auto path = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? std::string() : path.parent_path().string();
}

// Looks a symbol up under each of its names; null when none is exported.
void* findSymbol(void* library, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        dlerror();
        void* s = dlsym(library, name);
        if (s && !dlerror()) return s;
    }
    return nullptr;
}

// Calls an entry point with the plug-in as the current registrant; `*why` gets the text of an
// escaping exception, then the reasons of the registration calls that failed (inside it, or
// earlier while the library was opened), so that they follow whatever the plug-in printed.
KStatus callEntry(EntryPoint entry, const std::shared_ptr<PluginImpl>& plugin, std::string* why) {
    KStatus status;
    {
        RegistrantScope scope(plugin.get());
        status = tarn::guardPluginCall([&] { return entry(KObject(plugin)); }, why);
    }
    for (const std::string& problem : plugin->problems) *why += (why->empty() ? "" : "; ") + problem;
    plugin->problems.clear();
    return status;
}

}  // namespace

PluginLoader& PluginLoader::instance() {
    // Lives until exit: unloadAtExit runs among static destructors and needs it.
    static PluginLoader* loader = new PluginLoader;
    return *loader;
}

void PluginLoader::shutdown() {
    // Plug-ins first (their nodes deleted, undo emptied, uninitializePlugin, dlclose), while
    // every static of theirs still exists; then the host's own nodes.
    instance().unloadAll();
    undo::undoQueue().clear();
    Graph::instance().clear();
}

std::vector<std::string> PluginLoader::searchPath() const {
    std::vector<std::string> folders;
    if (const char* env = std::getenv("TARN_PLUGIN_PATH")) {
        std::string_view rest(env);
        while (!rest.empty()) {
            size_t colon = rest.find(':');
            std::string_view part = rest.substr(0, colon);
            if (!part.empty()) folders.emplace_back(part);
            if (colon == std::string_view::npos) break;
            rest.remove_prefix(colon + 1);
        }
    }
    if (!m_explicitPath.empty()) folders.push_back(m_explicitPath);
    std::string exe = exeFolder();
    if (!exe.empty()) folders.push_back(exe + "/../plugins");
    const std::string lib = libraryFolder();
    if (!lib.empty()) folders.push_back(lib + "/../plugins");
    return folders;
}

std::string PluginLoader::resolve(std::string_view nameOrPath, std::string* error) const {
    std::error_code ec;
    if (nameOrPath.find('/') != std::string_view::npos) {
        if (std::filesystem::is_regular_file(std::string(nameOrPath), ec)) return std::string(nameOrPath);
        if (error) *error = "Plug-in file not found: " + std::string(nameOrPath);
        return {};
    }
    std::string file(nameOrPath);
    if (file.size() < 3 || file.compare(file.size() - 3, 3, ".so") != 0) file += ".so";
    for (const std::string& folder : searchPath()) {
        std::string candidate = folder + "/" + file;
        if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
    }
    if (error) *error = "Plug-in not found on the plug-in path: " + file;
    return {};
}

PluginImpl* PluginLoader::find(std::string_view nameOrPath) const {
    for (const auto& p : m_plugins)
        if (p->name == nameOrPath || p->path == nameOrPath || p->name == baseName(nameOrPath)) return p.get();
    return nullptr;
}

std::vector<std::string> PluginLoader::loadedNames() const {
    std::vector<std::string> r;
    for (const auto& p : m_plugins) r.push_back(p->name);
    return r;
}

KStatus PluginLoader::load(std::string_view nameOrPath, std::string* error, std::string* loadedName) {
    // The system would read the name only up to a NUL and load another library.
    if (nameOrPath.find('\0') != std::string_view::npos) {
        if (error) *error = "Cannot load plug-in: its name contains a NUL character";
        return KStatus::kInvalidParameter;
    }
    std::string path = resolve(nameOrPath, error);
    if (path.empty()) return KStatus::kNotFound;
    std::string name = baseName(path);
    if (find(name)) {
        if (error) *error = "Plug-in '" + name + "' is already loaded";
        return KStatus::kFailure;
    }

    // The record exists before the library is opened: its static constructors run inside
    // dlopen and may register (node types, commands, kinds), which must be attributed to it.
    auto plugin = std::make_shared<PluginImpl>();
    plugin->name = name;
    plugin->path = path;
    void* library = nullptr;
    {
        RegistrantScope scope(plugin.get());
        library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | kKeepMapped);
    }
    if (!library) {
        const char* why = dlerror();
        dropRegistrations(*plugin);  // records only: no code of the library is left to call
        if (error) *error = "Cannot load plug-in '" + path + "': " + (why ? why : "not a shared library");
        return KStatus::kFailure;
    }
    plugin->library = library;
    auto fail = [&](const std::string& why) {
        discard(*plugin);
        if (error) *error = why;
        return KStatus(KStatus::kFailure);
    };
    auto* version = static_cast<const char*>(findSymbol(library, {"KApiVersion"}));
    if (!version) return fail("Plug-in '" + name + "' does not export KApiVersion");
    if (std::strncmp(version, kApiVersion, 7) != 0) {
        return fail("Plug-in '" + name + "' was built for API version " + std::string(version, strnlen(version, 16)) +
                    ", this host offers " + kApiVersion);
    }
    auto init = reinterpret_cast<EntryPoint>(findSymbol(library, {"initializePlugin", "_Z16initializePlugin7KObject"}));
    if (!init) return fail("Plug-in '" + name + "' does not export initializePlugin");
    auto uninit = reinterpret_cast<EntryPoint>(
        findSymbol(library, {"uninitializePlugin", "_Z18uninitializePlugin7KObject"}));
    if (!uninit) return fail("Plug-in '" + name + "' does not export uninitializePlugin");

    std::string why;
    KStatus status = callEntry(init, plugin, &why);
    if (!status) {
        discard(*plugin);
        if (error) {
            *error = "initializePlugin of '" + name + "' failed (" + status.errorString().str() + ")";
            if (!why.empty()) *error += ": " + why;
        }
        return status;
    }
    // A plug-in may go on after a failed registration; the user still learns what failed.
    if (!why.empty()) output::warning(name + ": " + why);
    plugin->loaded = true;
    m_plugins.push_back(plugin);
    if (loadedName) *loadedName = name;
    return KStatus::kSuccess;
}

void PluginLoader::closeLibrary(PluginImpl& plugin) {
    if (!plugin.library) return;
    {
        // Static destructors may deregister what their constructors registered; they find
        // their records gone and that is harmless.
        RegistrantScope scope(&plugin);
        // Meshes the library made may outlive it holding its edge namers: run them now.
        settleEdgeNamers();
        dlclose(plugin.library);
    }
    plugin.library = nullptr;
    plugin.problems.clear();
}

void PluginLoader::discard(PluginImpl& plugin) {
    // Nodes and registrations go while the library's code still exists, then the library,
    // then whatever its static destructors may have registered on the way out (records only).
    dropRegistrations(plugin);
    closeLibrary(plugin);
    dropRegistrations(plugin);
}

void PluginLoader::dropRegistrations(PluginImpl& plugin) {
    Graph& graph = Graph::instance();
    for (KTypeId id : std::vector<KTypeId>(plugin.nodeTypes)) {
        if (NodeType* type = graph.findType(id)) {
            if (type->owner == &plugin) {
                std::string ignored;
                for (const KObject& node : graph.nodesOfType(*type)) graph.deleteNode(node, &ignored);
                graph.deregisterType(id, &ignored);
            }
        }
    }
    plugin.nodeTypes.clear();
    Registry& registry = Registry::instance();
    for (const std::string& c : plugin.commands) registry.removeCommand(c, &plugin);
    for (const std::string& c : plugin.contextCommands) registry.removeContextCommand(c, &plugin);
    for (const std::string& t : plugin.translators) registry.removeTranslator(t, &plugin);
    plugin.commands.clear();
    plugin.contextCommands.clear();
    plugin.translators.clear();
    releaseAddedTypes(&plugin);
}

KStatus PluginLoader::unload(std::string_view name, bool force, std::string* error,
                             bool clearUndo) {
    auto it = std::find_if(m_plugins.begin(), m_plugins.end(), [&](const auto& p) {
        return p->name == name || p->path == name || p->name == baseName(name);
    });
    if (it == m_plugins.end()) {
        if (error) *error = "Plug-in '" + std::string(name) + "' is not loaded";
        return KStatus::kNotFound;
    }
    std::shared_ptr<PluginImpl> plugin = *it;
    Graph& graph = Graph::instance();

    // Nodes of the plug-in's types: refuse, or delete them when forced.
    std::vector<KObject> nodes;
    for (KTypeId id : plugin->nodeTypes) {
        if (NodeType* type = graph.findType(id)) {
            for (const KObject& n : graph.nodesOfType(*type)) nodes.push_back(n);
        }
    }
    if (!nodes.empty() && !force) {
        std::string names;
        for (const KObject& n : nodes) names += (names.empty() ? "" : ", ") + NodeImpl::from(n)->name();
        if (error) {
            *error = "Plug-in '" + plugin->name + "' is in use by nodes " + names +
                     "; delete them first or unload with force";
        }
        return KStatus::kFailure;
    }
    // Undo records may hold nodes of the plug-in's types (deleted ones kept for undo) and
    // plug-in command objects: they all go before the plug-in's code does.
    if (clearUndo) undo::undoQueue().clear();
    // What the nodes feed takes their current values first: a mesh shape whose history holds
    // them keeps the mesh that history gives now.
    for (const KObject& n : nodes) {
        const std::vector<Connection> connections = graph.connections();
        for (const Connection& c : connections) {
            if (KObject(c.srcNode) != n || !c.dstNode->alive() ||
                std::find(nodes.begin(), nodes.end(), KObject(c.dstNode)) != nodes.end())
                continue;
            graph.evaluate(*c.dstNode, KPlug(KObject(c.dstNode),
                                             KObject(std::const_pointer_cast<AttributeImpl>(
                                                 c.dstAttr->shared_from_this())),
                                             c.dstIndex));
        }
    }
    std::string ignored;
    for (const KObject& n : nodes) graph.deleteNode(n, &ignored);

    auto uninit = reinterpret_cast<EntryPoint>(
        findSymbol(plugin->library, {"uninitializePlugin", "_Z18uninitializePlugin7KObject"}));
    std::string why;
    KStatus status = uninit ? callEntry(uninit, plugin, &why) : KStatus(KStatus::kFailure);
    // Whatever the plug-in left registered goes with it; its code is about to disappear.
    m_plugins.erase(std::find(m_plugins.begin(), m_plugins.end(), plugin));
    plugin->loaded = false;
    discard(*plugin);
    if (!status && error) {
        *error = "uninitializePlugin of '" + plugin->name + "' reported failure (" + status.errorString().str() + ")";
        if (!why.empty()) *error += ": " + why;
    } else if (status && !why.empty()) {
        output::warning(plugin->name + ": " + why);
    }
    return status;
}

void PluginLoader::unloadAll() {
    while (!m_plugins.empty()) {
        std::string ignored;
        unload(m_plugins.back()->name, true, &ignored);
    }
}

}  // namespace tarn::plugins
