#pragma once
/// The scene builder: turns chunk-parser events into the importer's scene model (material list,
/// node tree) and the recorded call list. The model is process-wide, reset by each parse and read
/// by the back-end after it; one import at a time, on the host's main thread.

#include "import/chunk_parser.h"
#include "import/parse_file.h"
#include "import/ri_recorder.h"
#include "import/rt_data.h"

/// Head of the material list: the default "plastic", then the file's materials newest first.
RtMaterial* sceneMaterials();
/// Root node "world" (first child: the "Materials" folder), or null before the first parse.
RtNodeData* sceneRoot();
/// Frees the model and the recorded call list.
void resetSceneModel();

class TparseScene {
public:
    explicit TparseScene(LclTparseFile* source) : m_source(source) {}
    virtual ~TparseScene() = default;
    /// 1 for success, 0 when there is no byte source or the file's first id is not accepted.
    virtual int parse() = 0;
    /// Walks the chunks, feeding the sink; the result is not consulted by parse.
    virtual int runChunkWalk() = 0;

    /// The default camera recorded in the call list (owned by the list).
    RtCameraData* defaultCamera() const { return m_defaultCamera; }
    bool defaultCameraFromFile() const { return m_cameraTaken; }
    /// Object names to leave out (empty in this importer).
    RtNameList& exclusions() { return m_exclusions; }

protected:
    LclTparseFile* m_source;
    RtBoundingBox m_bounds;
    RtNameList m_exclusions;
    RtCameraData* m_defaultCamera = nullptr;
    bool m_cameraTaken = false;
};

class TparseQmfFile : public TparseScene {
public:
    explicit TparseQmfFile(LclTparseFile* source) : TparseScene(source) {}
    ~TparseQmfFile() override;
    int parse() override;
    int runChunkWalk() override;

    /// The parser's event sink; user is the TparseQmfFile.
    static int sink(int event, void* record, void* user);

private:
    int onEvent(int event, void* record);
    void onMaterial(MaterialRecord& m);
    void onMesh(ObjectRecord& o);
    void onCamera(ObjectRecord& o);
    void onLight(ObjectRecord& o);
    void onNode(NodeRecord& n);

    int m_keyframeSwitch = 0;
    bool m_nodesArrived = false;
    std::vector<std::unique_ptr<RtNodeData>> m_pendingNodes;
};

/// Records the surface, opacity and colour calls of a material.
void recordMaterial(const RtMaterial& m);
