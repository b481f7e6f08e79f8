// Moving texels into Direct3D textures: the choice of a texture's size,
// levels and format for a picture, and the writing of prepared levels into a
// texture or a cube face, through a system-memory copy for the default pool.
// Shared by the texture creation functions and the normal map.
#pragma once

#include "d3dx/d3dx.h"
#include "d3dx/decoded_image.h"

#include <vector>

namespace d3dx {

// The layout of a Direct3D format; false for formats this library does not write.
bool LayoutOfFormat(D3DFORMAT format, TexelLayout& layout);
D3DFORMAT FormatOfLayout(TexelLayout layout);

// Whether a texture of this pool and usage can be locked.
bool IsLockablePool(D3DPOOL pool, DWORD usage);

// Writes levels[i] (texels in the format's layout, sized as level i) into
// level i of the surface family: a texture, or one face of a cube texture.
HRESULT WriteTextureLevels(IDirect3DTexture9* texture, const std::vector<ImageLevel>& levels, TexelLayout layout);
HRESULT WriteCubeFaceLevels(IDirect3DCubeTexture9* cube, D3DCUBEMAP_FACES face, const std::vector<ImageLevel>& levels,
                            TexelLayout layout);

}  // namespace d3dx
