#include "test_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "tools/qmf/qmf_writer.h"

namespace qmftest {

namespace {

std::string tempDir() {
    static std::string dir = [] {
        std::string d = "/tmp/qmf_test_" + std::to_string(getpid());
        mkdir(d.c_str(), 0700);
        return d;
    }();
    return dir;
}

}  // namespace

TempFile::TempFile(const std::vector<uint8_t>& bytes, const std::string& name) {
    static int counter = 0;
    m_path = tempDir() + "/" + std::to_string(counter++) + "_" + name;
    qmf::saveBytes(m_path, bytes);
}

TempFile::~TempFile() {
    std::remove(m_path.c_str());
}

StreamFixture::StreamFixture(const std::vector<uint8_t>& bytes) : m_file(bytes) {
    m_fp = std::fopen(m_file.path().c_str(), "rb");
    m_stream = chunkStreamCreate(m_fp, 0);
}

StreamFixture::~StreamFixture() {
    chunkStreamRelease(m_stream);
    if (m_fp) std::fclose(m_fp);
}

int collectingSink(int event, void* record, void* user) {
    auto& log = *static_cast<EventLog*>(user);
    std::ostringstream os;
    switch (event) {
        case kEventBegin:
            os << "begin";
            break;
        case kEventEnd:
            os << "end";
            break;
        case kEventQuerySkip: {
            const std::string name = static_cast<const char*>(record);
            log.skipQueries.push_back(name);
            return !log.skipName.empty() && name == log.skipName;
        }
        case kEventMaterial: {
            const auto& m = *static_cast<MaterialRecord*>(record);
            os << "material " << (m.materialName ? m.materialName : "-") << " diff=" << m.diffuse[0]
               << "," << m.diffuse[1] << "," << m.diffuse[2] << " decl=" << m.specular[0] << ","
               << m.specular[1] << "," << m.specular[2] << " opac=" << m.opacity[0] << ","
               << m.opacity[1] << "," << m.opacity[2]
               << " tex=" << (m.textureName ? m.textureName : "-");
            break;
        }
        case kEventMesh: {
            const auto& o = *static_cast<ObjectRecord*>(record);
            os << "mesh " << o.name << " v=" << o.pointCount << " uv=" << o.uvCount
               << " f=" << o.faceCount << " groups=" << o.groupCount << " hidden=" << o.hidden;
            log.lastIndices.assign(o.faceIndices, o.faceIndices + 3 * o.faceCount);
            log.lastPoints.assign(o.points, o.points + 3 * o.pointCount);
            log.lastUvs.assign(o.uvs, o.uvs + 2 * o.uvCount);
            log.lastGroups.clear();
            for (const FaceGroup* g = o.groupCount ? &o.groups : nullptr; g; g = g->next)
                log.lastGroups.push_back(
                    {g->materialName, std::vector<int>(g->faces, g->faces + g->faceCount)});
            break;
        }
        case kEventCamera: {
            const auto& o = *static_cast<ObjectRecord*>(record);
            os << "camera " << o.name;
            if (o.camera) {
                for (int i = 0; i < 3; ++i) log.lastCamera[i] = o.camera->position[i];
                for (int i = 0; i < 3; ++i) log.lastCamera[3 + i] = o.camera->target[i];
                log.lastCamera[6] = o.camera->bank;
                log.lastCamera[7] = o.camera->lens;
            }
            break;
        }
        case kEventLight:
            os << "light " << static_cast<ObjectRecord*>(record)->name;
            break;
        case kEventNode:
            os << "node " << static_cast<NodeRecord*>(record)->name;
            break;
        default:
            os << "event " << event;
            break;
    }
    log.lines.push_back(os.str());
    return 1;
}

int parseBytes(const std::vector<uint8_t>& bytes, EventLog& log, int keyframeSwitch) {
    StreamFixture f(bytes);
    return parseChunkFile(f.stream(), collectingSink, &log, keyframeSwitch);
}

}  // namespace qmftest
