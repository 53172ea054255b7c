#include "host/fileio/isolated_read.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <type_traits>

#include "host/lang/atomic_file.h"

namespace tarn::fileio {

namespace {

constexpr char kMagic[4] = {'T', 'I', 'M', 'P'};

class Writer {
public:
    template <typename T>
    void pod(const T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        m_out.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
    void text(const std::string& s) {
        pod(static_cast<std::uint64_t>(s.size()));
        m_out += s;
    }
    template <typename T>
    void array(const T* data, std::size_t n) {
        pod(static_cast<std::uint64_t>(n));
        if (n) m_out.append(reinterpret_cast<const char*>(data), n * sizeof(T));
    }
    template <typename T>
    void array(const std::vector<T>& v) {
        array(v.data(), v.size());
    }
    std::string take() { return std::move(m_out); }

private:
    std::string m_out;
};

// Reads what Writer wrote; every length is checked against the bytes left.
class Reader {
public:
    explicit Reader(std::string_view in) : m_in(in) {}
    bool ok() const { return m_ok; }
    template <typename T>
    T pod() {
        T v{};
        if (!take(&v, sizeof v)) return T{};
        return v;
    }
    std::string text() {
        const std::uint64_t n = pod<std::uint64_t>();
        if (!m_ok || n > m_in.size() - m_at) return fail(), std::string();
        std::string s(m_in.substr(m_at, n));
        m_at += n;
        return s;
    }
    template <typename T>
    std::vector<T> array() {
        const std::uint64_t n = pod<std::uint64_t>();
        if (!m_ok || n > (m_in.size() - m_at) / sizeof(T)) return fail(), std::vector<T>();
        std::vector<T> v(n);
        take(v.data(), n * sizeof(T));
        return v;
    }
    std::size_t count(std::size_t most) {
        const std::uint64_t n = pod<std::uint64_t>();
        if (n > most) fail();
        return m_ok ? static_cast<std::size_t>(n) : 0;
    }

private:
    bool take(void* out, std::size_t n) {
        if (!m_ok || n > m_in.size() - m_at) return fail();
        std::memcpy(out, m_in.data() + m_at, n);
        m_at += n;
        return true;
    }
    bool fail() {
        m_ok = false;
        return false;
    }
    std::string_view m_in;
    std::size_t m_at = 0;
    bool m_ok = true;
};

void writeMesh(Writer& w, const PolyMesh& m) {
    std::vector<double> points;
    points.reserve(m.points().size() * 3);
    for (const Vec3& p : m.points()) points.insert(points.end(), {p.x, p.y, p.z});
    w.array(points);
    w.array(m.faceCounts());
    w.array(m.faceVertexList());
    const int uniform = m.uniformEdgeSmoothing();
    w.pod(static_cast<std::int32_t>(uniform));
    if (uniform < 0) {
        std::vector<std::uint8_t> smooth(static_cast<std::size_t>(m.numEdges()));
        for (int e = 0; e < m.numEdges(); ++e)
            smooth[static_cast<std::size_t>(e)] = m.isEdgeSmooth(e);
        w.array(smooth);
    }
    const std::vector<std::string> uvNames = m.uvSetNames();
    w.pod(static_cast<std::uint64_t>(uvNames.size()));
    for (const std::string& name : uvNames) {
        const UVSet* set = m.uvSet(name);
        w.text(name);
        w.pod(static_cast<std::uint8_t>(name == m.currentUVSetName()));
        w.array(set->u);
        w.array(set->v);
        std::vector<int> ids;
        for (int f = 0; f < m.numFaces(); ++f)
            for (int c = 0; c < m.faceVertexCount(f); ++c)
                ids.push_back(m.faceVertexUVIndex(f, c, name));
        w.array(ids);
    }
    const std::vector<std::string> colorNames = m.colorSetNames();
    w.pod(static_cast<std::uint64_t>(colorNames.size()));
    for (const std::string& name : colorNames) {
        const ColorSet* set = m.colorSet(name);
        w.text(name);
        w.array(set->colors);
        w.array(set->faceVertexColor);
    }
}

bool readMesh(Reader& r, PolyMesh& out, std::string* error) {
    const std::vector<double> xyz = r.array<double>();
    std::vector<Vec3> points(xyz.size() / 3);
    for (std::size_t i = 0; i < points.size(); ++i)
        points[i] = {xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2]};
    const std::vector<int> counts = r.array<int>();
    std::vector<int> vertices = r.array<int>();
    if (!r.ok()) return false;
    PolyMesh m;
    if (!PolyMesh::create(std::move(points), counts, std::move(vertices), m, error)) return false;
    const int uniform = r.pod<std::int32_t>();
    if (uniform == 0) m.setAllEdgesSmooth(false);
    if (uniform < 0) {
        const std::vector<std::uint8_t> smooth = r.array<std::uint8_t>();
        if (smooth.size() != static_cast<std::size_t>(m.numEdges())) return false;
        for (std::size_t e = 0; e < smooth.size(); ++e)
            if (!smooth[e]) m.setEdgeSmooth(static_cast<int>(e), false);
    }
    const std::size_t uvSets = r.count(64);
    std::string current;
    for (std::size_t s = 0; s < uvSets && r.ok(); ++s) {
        const std::string name = r.text();
        const bool isCurrent = r.pod<std::uint8_t>() != 0;
        const std::vector<float> u = r.array<float>(), v = r.array<float>();
        const std::vector<int> ids = r.array<int>();
        if (!r.ok() || name.empty()) return false;
        m.createUVSet(name);
        if (!m.setUVs(u, v, name, error) || !m.assignUVs(counts, ids, name, error)) return false;
        if (isCurrent) current = name;
    }
    if (!current.empty()) m.setCurrentUVSet(current);
    const std::size_t colorSets = r.count(64);
    for (std::size_t s = 0; s < colorSets && r.ok(); ++s) {
        const std::string name = r.text();
        std::vector<Rgba> colors = r.array<Rgba>();
        std::vector<int> ids = r.array<int>();
        if (!r.ok() || name.empty()) return false;
        if (!ids.empty() && ids.size() != static_cast<std::size_t>(m.numFaceVertices()))
            return false;
        for (int id : ids)
            if (id < -1 || id >= static_cast<int>(colors.size())) return false;
        ColorSet& set = m.createColorSet(name);
        set.colors = std::move(colors);
        set.faceVertexColor = std::move(ids);
    }
    out = std::move(m);
    return r.ok();
}

// Reads all the child wrote, waiting at most until `deadline`; false when time ran out.
bool readAll(int fd, std::chrono::steady_clock::time_point deadline, std::string& out) {
    char piece[1 << 16];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;
        const ssize_t n = ::read(fd, piece, sizeof piece);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return true;
        out.append(piece, static_cast<std::size_t>(n));
    }
}

}  // namespace

std::string serializeScene(const ImportedScene& scene) {
    Writer w;
    w.pod(kMagic);
    w.text(scene.name);
    w.pod(static_cast<std::uint64_t>(scene.warnings.size()));
    for (const std::string& s : scene.warnings) w.text(s);
    w.pod(static_cast<std::uint64_t>(scene.materials.size()));
    for (const ImportedMaterial& m : scene.materials) {
        w.text(m.name);
        w.pod(m.diffuse);
        w.pod(m.specular);
        w.pod(m.transparency);
        w.pod(m.shininess);
        w.text(m.texture);
    }
    w.pod(static_cast<std::uint64_t>(scene.meshes.size()));
    for (const ImportedMesh& m : scene.meshes) {
        w.text(m.name);
        writeMesh(w, *m.mesh);
        w.array(m.materials);
    }
    w.pod(static_cast<std::uint64_t>(scene.nodes.size()));
    for (const ImportedNode& n : scene.nodes) {
        w.text(n.name);
        w.pod(static_cast<std::int32_t>(n.parent));
        w.pod(n.translate);
        w.pod(n.rotate);
        w.pod(n.scale);
        w.array(n.meshes);
    }
    w.pod(static_cast<std::uint64_t>(scene.cameras.size()));
    for (const ImportedCamera& c : scene.cameras) {
        w.text(c.name);
        w.pod(c.eye);
        w.pod(c.direction);
        w.pod(c.up);
        w.pod(c.horizontalFieldOfView);
        w.pod(c.aspect);
        w.pod(c.nearClip);
        w.pod(c.farClip);
    }
    return w.take();
}

bool deserializeScene(std::string_view bytes, ImportedScene& out, std::string* error) {
    Reader r(bytes);
    ImportedScene scene;
    const auto magic = r.pod<std::array<char, 4>>();
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (!r.ok() || std::memcmp(magic.data(), kMagic, 4) != 0)
        return fail("the reader sent something that is not a model");
    scene.name = r.text();
    const std::size_t warnings = r.count(bytes.size());
    for (std::size_t i = 0; i < warnings && r.ok(); ++i) scene.warnings.push_back(r.text());
    const std::size_t materials = r.count(bytes.size());
    for (std::size_t i = 0; i < materials && r.ok(); ++i) {
        ImportedMaterial m;
        m.name = r.text();
        m.diffuse = r.pod<std::array<double, 3>>();
        m.specular = r.pod<std::array<double, 3>>();
        m.transparency = r.pod<double>();
        m.shininess = r.pod<double>();
        m.texture = r.text();
        scene.materials.push_back(std::move(m));
    }
    const std::size_t meshes = r.count(bytes.size());
    for (std::size_t i = 0; i < meshes && r.ok(); ++i) {
        ImportedMesh m;
        m.name = r.text();
        auto mesh = std::make_shared<PolyMesh>();
        std::string why;
        if (!readMesh(r, *mesh, &why))
            return fail("the reader sent a mesh that is not valid: " + why);
        m.mesh = std::move(mesh);
        m.materials = r.array<ImportedMesh::Run>();
        for (const ImportedMesh::Run& run : m.materials)
            if (run.first < 0 || run.count < 0 || run.first > m.mesh->numFaces() - run.count)
                return fail("the reader sent faces the mesh does not have");
        scene.meshes.push_back(std::move(m));
    }
    const std::size_t nodes = r.count(bytes.size());
    for (std::size_t i = 0; i < nodes && r.ok(); ++i) {
        ImportedNode n;
        n.name = r.text();
        n.parent = r.pod<std::int32_t>();
        n.translate = r.pod<Vec3>();
        n.rotate = r.pod<Vec3>();
        n.scale = r.pod<Vec3>();
        n.meshes = r.array<int>();
        if (n.parent >= static_cast<int>(i) || n.parent < -1)
            return fail("a node's parent comes after it");
        for (int m : n.meshes)
            if (m < 0 || m >= static_cast<int>(scene.meshes.size()))
                return fail("a node names no mesh");
        scene.nodes.push_back(std::move(n));
    }
    const std::size_t cameras = r.count(bytes.size());
    for (std::size_t i = 0; i < cameras && r.ok(); ++i) {
        ImportedCamera c;
        c.name = r.text();
        c.eye = r.pod<Vec3>();
        c.direction = r.pod<Vec3>();
        c.up = r.pod<Vec3>();
        c.horizontalFieldOfView = r.pod<double>();
        c.aspect = r.pod<double>();
        c.nearClip = r.pod<double>();
        c.farClip = r.pod<double>();
        scene.cameras.push_back(std::move(c));
    }
    if (!r.ok()) return fail("the reader's model was cut short");
    out = std::move(scene);
    return true;
}

bool readInChildProcess(const ModelReader& read, int seconds, ImportedScene& out,
                        std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return fail(std::string("no pipe: ") + std::strerror(errno));
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return fail(std::string("no child process: ") + std::strerror(errno));
    }
    if (child == 0) {
        // The child: read, send one byte saying how it went, then the scene or the message.
        ::close(fds[0]);
        ImportedScene scene;
        std::string why;
        bool ok = false;
        try {
            ok = read(scene, &why);
        } catch (const std::exception& e) {
            why = e.what();
        } catch (...) {
            why = "the reader failed";
        }
        const std::string payload = ok ? "1" + serializeScene(scene) : "0" + why;
        lang::writeAll(fds[1], payload);
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string bytes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    const bool finished = readAll(fds[0], deadline, bytes);
    ::close(fds[0]);
    if (!finished) ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!finished)
        return fail("the reader did not finish within " + std::to_string(seconds) + " s");
    if (WIFSIGNALED(status))
        return fail(std::string("the reader crashed (") + strsignal(WTERMSIG(status)) + ")");
    if (bytes.empty()) return fail("the reader ended without an answer");
    if (bytes[0] != '1') return fail(bytes.substr(1));
    return deserializeScene(std::string_view(bytes).substr(1), out, error);
}

}  // namespace tarn::fileio
