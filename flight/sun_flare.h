// SunFlare: the sun and the camera's lens flare over the sky: two
// counter-rotating star bursts at the sun, a chain of eighteen translucent
// discs and glows along the line from the sun through the centre of the
// view, and a full-view veil. Drawn in camera-centred space (the view has
// the eye at the origin), about one unit from the eye.
#pragma once

#include <d3d9.h>

#include <cstdint>

#include "d3dx/d3dx.h"
#include "render/view_vectors.h"

struct RenderContext;

class SunFlare {
public:
    SunFlare();

    // Loads the three sprites from `module` and makes the sprite buffer on
    // the context's device; failures are left to show as missing sprites.
    // Always true.
    bool LoadResources(const RenderContext& context, HMODULE module);
    void ReleaseResources();
    // Chooses the sun's direction from the presets 1 to 5; any other kind
    // keeps the direction it had.
    void SetKind(int32_t kind);
    // Draws the whole flare for the frame's view vectors with the context's
    // device, matrix stack and overlay buffer.
    void Draw(RenderContext& context, const ViewVectors& view);
    void DrawFlares(RenderContext& context, float brightness, const D3DXVECTOR3& view, const D3DXVECTOR3& offset);
    void DrawSprite(RenderContext& context, float size, float x, float y, float z, D3DCOLOR colour);

    // How strong the flare is for the star bursts' spin (3 x the angle
    // between the view and the sun): 110 looking straight at the sun, a
    // trace from about 39 degrees off, nothing from about 75 degrees.
    static float Brightness(float spin);

    IDirect3DTexture9* ringTexture;
    IDirect3DTexture9* glowTexture;
    IDirect3DTexture9* starTexture;
    D3DXVECTOR3 spriteUp;
    D3DXVECTOR3 spriteRight;
    IDirect3DVertexBuffer9* spriteBuffer;
    int32_t sunKind;
    D3DXVECTOR3 sunDirection;

private:
    // One quad of the flare's layout into the overlay buffer and drawn
    // with the current world transform; false when the lock failed.
    bool WriteOverlayQuad(RenderContext& context, const D3DXVECTOR3& up, const D3DXVECTOR3& right, D3DCOLOR colour);
};
