#include "host/window/panels/imgui_gl.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <imgui.h>

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace tarn::window::panels {

unsigned fontTexture(unsigned texture) {
    ImGuiIO& io = ImGui::GetIO();
    if (texture != 0 && glIsTexture(texture)) return texture;
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    GLuint made = 0;
    glGenTextures(1, &made);
    glBindTexture(GL_TEXTURE_2D, made);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    return made;
}

void drawLists(std::span<ImDrawList* const> lists, float left, float top, int width, int height,
               unsigned font) {
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_TRANSFORM_BIT | GL_TEXTURE_BIT |
                 GL_SCISSOR_BIT | GL_VIEWPORT_BIT | GL_POLYGON_BIT | GL_LIGHTING_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnable(GL_BLEND);
    // Source over for colour and coverage alike.
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_FOG);
    glEnable(GL_SCISSOR_TEST);
    glEnable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Window pixels, y down.
    glOrtho(left, left + width, top + height, top, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    for (const ImDrawList* list : lists) {
        const ImDrawIdx* indices = list->IdxBuffer.Data;
        for (const ImDrawCmd& cmd : list->CmdBuffer) {
            if (cmd.UserCallback) continue;  // the panels use none
            // The command's clip rectangle in the viewport's pixels (y up); none left: skip.
            const float x0 = std::max(cmd.ClipRect.x - left, 0.0f);
            const float y0 = std::max(cmd.ClipRect.y - top, 0.0f);
            const float x1 = std::min(cmd.ClipRect.z - left, static_cast<float>(width));
            const float y1 = std::min(cmd.ClipRect.w - top, static_cast<float>(height));
            if (x1 <= x0 || y1 <= y0 || cmd.ElemCount == 0) continue;
            const int sx = static_cast<int>(std::floor(x0)), sy = static_cast<int>(std::floor(y0));
            glScissor(sx, height - static_cast<int>(std::ceil(y1)),
                      static_cast<int>(std::ceil(x1)) - sx, static_cast<int>(std::ceil(y1)) - sy);
            const ImTextureID id = cmd.GetTexID();
            glBindTexture(GL_TEXTURE_2D,
                          id ? static_cast<GLuint>(reinterpret_cast<std::intptr_t>(id)) : font);
            // Large lists come in pieces of at most 64K vertices, each from its vertex offset.
            const char* vertices =
                reinterpret_cast<const char*>(list->VtxBuffer.Data + cmd.VtxOffset);
            glVertexPointer(2, GL_FLOAT, sizeof(ImDrawVert), vertices + offsetof(ImDrawVert, pos));
            glTexCoordPointer(2, GL_FLOAT, sizeof(ImDrawVert), vertices + offsetof(ImDrawVert, uv));
            glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(ImDrawVert),
                           vertices + offsetof(ImDrawVert, col));
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(cmd.ElemCount),
                           sizeof(ImDrawIdx) == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                           indices + cmd.IdxOffset);
        }
    }
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}

}  // namespace tarn::window::panels
