#pragma once
/// Shading nodes as plug-ins create them: the Phong material. A new Phong shader is a
/// "phong<n>" node (colour 0.5 grey, specular 0.5 grey, transparency black, cosine power 20).
/// Main thread only.

#include "frame/k_math.h"
#include "frame/k_object.h"
#include "frame/k_scene.h"
#include "frame/k_status.h"

class KFnPhongShader : public KFnDependencyNode {
public:
    KFnPhongShader() = default;
    /// Attaches to a phong node; kInvalidParameter for anything else.
    explicit KFnPhongShader(const KObject& node, KStatus* status = nullptr);

    /// A new phong node; `UIvisible` is accepted for the SDK's sake (the host has no UI lists).
    KObject create(bool UIvisible = true, KStatus* status = nullptr);

    /// Colours: r, g, b of the node's compound attributes (alpha ignored on write, 1 on read).
    KColor color(KStatus* status = nullptr) const;
    KStatus setColor(const KColor& color);
    KColor specularColor(KStatus* status = nullptr) const;
    KStatus setSpecularColor(const KColor& color);
    KColor transparency(KStatus* status = nullptr) const;
    KStatus setTransparency(const KColor& color);
    KColor ambientColor(KStatus* status = nullptr) const;
    KStatus setAmbientColor(const KColor& color);
    KColor incandescence(KStatus* status = nullptr) const;
    KStatus setIncandescence(const KColor& color);
    float cosPower(KStatus* status = nullptr) const;
    KStatus setCosPower(float power);
};
