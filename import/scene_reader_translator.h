#pragma once
/// The "QMF" file translator: imports QMF scene files (it cannot open them as scenes or write
/// them). Created by the host for each import; holds no state. Main thread only.

#include "frame/host_sdk.h"

class TsceneReader : public KPxFileTranslator {
public:
    ~TsceneReader() override;
    /// Imports the file: parse, record, play into the host. Options and access mode are ignored.
    /// Failure when the file does not open or its first chunk id is not a QMF one.
    KStatus reader(const KFileObject& file, const KString& optionsString,
                   FileAccessMode mode) override;
    bool haveReadMethod() const override { return true; }
    KString defaultExtension() const override { return "qmf"; }
    bool canBeOpened() const override { return false; }
    /// Claims files whose first two bytes are both 0x4D; the byte count is not consulted.
    KFileKind identifyFile(const KFileObject& file, const char* buffer, short size) const override;

    /// Creator registered with the host.
    static void* creator();
};

/// Imports a QMF file through the whole pipeline (also used by tests without the plug-in
/// loader). Answers kSuccess, or kFailure when the file does not open or is not QMF.
KStatus importQmfFile(const char* path);
