// SkyBox: the five sky pictures (four sides and the top, no bottom) drawn
// around the viewer before anything else, with depth test and writes off, so
// that everything drawn later covers them.
#pragma once

#include <d3d9.h>
#include "art_table.h"

struct RenderContext;
namespace d3dx {
struct PictureRequests;
}

class SkyBox {
public:
    static constexpr int kFaceCount = ART_SKY_FACES;

    SkyBox();
    ~SkyBox();
    SkyBox(const SkyBox&) = delete;
    SkyBox& operator=(const SkyBox&) = delete;

    // Loads the five faces from the running module onto `device`; a face
    // that cannot be loaded stays null and is drawn untextured.
    void Load(IDirect3DDevice9* device);
    // The faces' loads, for the work done ahead of the device.
    static void AddPictureRequests(d3dx::PictureRequests& requests);
    // Draws through the context's overlay buffer: D3D_OK, or the result of
    // the overlay lock that failed (the sky is then left half drawn; the
    // frame goes on).
    HRESULT Draw(RenderContext& context);
    // Releases every face there is.
    void Release();

    IDirect3DTexture9* faces[kFaceCount];
};
