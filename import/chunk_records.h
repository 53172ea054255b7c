#pragma once
/// Working records of the QMF chunk parser. Arrays and strings are malloc'ed; a record owns them
/// until the event sink takes one over by setting the pointer to null (it then frees it with
/// free()). Counts are kept next to every array so that no consumer reads past its end.

#include <cstdint>

struct FaceGroup {
    char* materialName;  ///< malloc'ed
    uint16_t faceCount;
    uint16_t* faces;  ///< malloc'ed, faceCount entries
    FaceGroup* next;  ///< malloc'ed list after the inline first group
};

struct CameraRecord {
    float position[3];  ///< converted to Tarn axes
    float target[3];    ///< converted to Tarn axes
    float lens;
    float bank;
};

struct ObjectRecord {
    char* name;
    CameraRecord* camera;
    int hidden;
    float inverseMatrix[4][4];  ///< row-major, translation in row 3
    float origin[3];
    float* points;  ///< 3 floats per vertex, converted
    int pointCount;
    float* uvs;  ///< (u, 1 - v) pairs
    int uvCount;
    int faceCount;     ///< faces; -1 marks a light, -2 a camera
    int* faceSizes;    ///< always 3
    int* faceIndices;  ///< 3 per face
    int groupCount;
    FaceGroup groups;  ///< first group inline, the rest linked
};

struct MaterialRecord {
    char* shaderName;
    float specular[3];
    float diffuse[3];
    float opacity[3];
    char* textureName;
    char* materialName;
};

struct KeyTrack {
    int keyCount;
    float* keys;  ///< 6 floats per key: time, value, four unused
};

enum NodeTrack {
    kTrackPosX,
    kTrackPosY,
    kTrackPosZ,
    kTrackRotAngle,
    kTrackRotX,
    kTrackRotY,
    kTrackRotZ,
    kTrackScaleX,
    kTrackScaleY,
    kTrackScaleZ,
    kTrackCount
};

struct NodeRecord {
    char* name;
    int16_t nodeId;
    int16_t parentId;
    float pivot[3];
    KeyTrack* tracks[kTrackCount];
};

/// Frees everything the record still owns and resets it (identity inverse matrix, zero origin).
void clearObjectRecord(ObjectRecord* o);
/// Frees the strings and sets the nine colour floats to 1.0.
void clearMaterialRecord(MaterialRecord* m);
/// Creates a node record with ids -1 and no name; null when out of memory.
NodeRecord* createNodeRecord();
/// Frees a node record and its tracks. Accepts null.
void freeNodeRecord(NodeRecord* n);
/// Frees the linked groups (not the inline one's record storage).
void freeFaceGroups(ObjectRecord* o);
