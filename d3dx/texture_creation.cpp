// Texture and cube-texture creation from picture files in resources or
// memory: decode, choose the texture's shape, prepare every level in the
// texture's layout (resampling, colour key, mip chain), then upload.
#include "d3dx/d3dx.h"
#include "d3dx/decoded_image.h"
#include "d3dx/prepared_pictures.h"
#include "d3dx/texel_processing.h"
#include "d3dx/texture_upload.h"

#include <algorithm>
#include <new>
#include <vector>

using namespace d3dx;

namespace {

// The side of a texture D3DXCreateTexture makes when asked for the default.
constexpr UINT kDefaultTextureSide = 256;
constexpr DWORD kFilterKindMask = 0xF;

UINT NextPowerOfTwo(UINT value) {
    UINT p = 1;
    while (p < value && p < 0x80000000u)
        p <<= 1;
    return p;
}

bool ValidFilter(DWORD filter) {
    if (filter == D3DX_DEFAULT)
        return true;
    const DWORD kind = filter & kFilterKindMask;
    return kind >= D3DX_FILTER_NONE && kind <= D3DX_FILTER_BOX;
}

// Point for NONE and POINT; everything else (box, and linear and triangle,
// which this library approximates with the box) averages.
ResampleFilter ResampleOf(DWORD filter) {
    if (filter == D3DX_DEFAULT)
        return ResampleFilter::Box;
    const DWORD kind = filter & kFilterKindMask;
    return kind == D3DX_FILTER_NONE || kind == D3DX_FILTER_POINT ? ResampleFilter::Point : ResampleFilter::Box;
}

D3DFORMAT FileFormatOf(const DecodedImage& image) {
    switch (image.fileTexelFormat) {
    case FileTexelFormat::L8: return D3DFMT_L8;
    case FileTexelFormat::X8R8G8B8: return D3DFMT_X8R8G8B8;
    case FileTexelFormat::Dxt3: return D3DFMT_DXT3;
    case FileTexelFormat::P8: return D3DFMT_P8;
    default: return D3DFMT_A8R8G8B8;
    }
}

void FillInfo(const DecodedImage& image, D3DXIMAGE_INFO* info) {
    if (!info)
        return;
    info->Width = image.width;
    info->Height = image.height;
    info->Depth = 1;
    info->MipLevels = image.levelCount;
    info->Format = FileFormatOf(image);
    info->ResourceType = image.faceCount == 6 ? D3DRTYPE_CUBETEXTURE : D3DRTYPE_TEXTURE;
    info->ImageFileFormat = static_cast<D3DXIMAGE_FILEFORMAT>(image.fileFormat);
}

// Whether the device takes the format for this resource type (system memory
// takes any format). Without a device (work prepared ahead) every format is
// taken, as every size is.
bool DeviceTakesFormat(IDirect3DDevice9* device, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format) {
    IDirect3D9* d3d = nullptr;
    if (device == nullptr || FAILED(device->GetDirect3D(&d3d)))
        return true;  // cannot ask: let creation decide
    D3DDEVICE_CREATION_PARAMETERS params;
    D3DDISPLAYMODE mode;
    bool takes = true;
    if (SUCCEEDED(device->GetCreationParameters(&params)) && SUCCEEDED(device->GetDisplayMode(0, &mode)))
        takes = SUCCEEDED(
            d3d->CheckDeviceFormat(params.AdapterOrdinal, params.DeviceType, mode.Format, usage, type, format));
    d3d->Release();
    return takes;
}

// Sizes and level count as the device allows them: powers of two when it
// needs them, square when it needs that, within its largest texture, DXT
// sides in whole blocks.
void FitToDevice(IDirect3DDevice9* device, bool cube, TextureShape& shape) {
    D3DCAPS9 caps;
    if (device == nullptr || FAILED(device->GetDeviceCaps(&caps)))
        return;
    const DWORD pow2Cap = cube ? D3DPTEXTURECAPS_CUBEMAP_POW2 : D3DPTEXTURECAPS_POW2;
    // Conditional support covers single-level 2D textures only.
    const bool conditional = (caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) && !cube && shape.levels == 1;
    if ((caps.TextureCaps & pow2Cap) && !conditional) {
        shape.width = NextPowerOfTwo(shape.width);
        shape.height = NextPowerOfTwo(shape.height);
    }
    if (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY)
        shape.width = shape.height = std::max(shape.width, shape.height);
    while (caps.MaxTextureWidth && shape.width > caps.MaxTextureWidth)
        shape.width = std::max(1u, shape.width / 2);
    while (caps.MaxTextureHeight && shape.height > caps.MaxTextureHeight)
        shape.height = std::max(1u, shape.height / 2);
    const DWORD mipCap = cube ? D3DPTEXTURECAPS_MIPCUBEMAP : D3DPTEXTURECAPS_MIPMAP;
    if (!(caps.TextureCaps & mipCap))
        shape.levels = 1;
}

UINT ResolveSide(UINT requested, UINT fileSide) {
    if (requested == 0 || requested == D3DX_DEFAULT)
        return NextPowerOfTwo(fileSide);
    if (requested == D3DX_DEFAULT_NONPOW2 || requested == D3DX_FROM_FILE)
        return fileSide;
    return requested;
}

// The texture for a picture: size, levels and format from the arguments and
// the file, within what the device takes.
HRESULT ChooseShape(IDirect3DDevice9* device, const DecodedImage& image, UINT width, UINT height, UINT mipLevels,
                    DWORD usage, D3DFORMAT format, D3DPOOL pool, bool cube, TextureShape& shape) {
    if (format == D3DFMT_UNKNOWN || format == D3DFMT_FROM_FILE)
        format = FormatOfLayout(image.layout);
    shape.format = format;
    if (!LayoutOfFormat(format, shape.layout))
        return D3DERR_NOTAVAILABLE;
    const D3DRESOURCETYPE type = cube ? D3DRTYPE_CUBETEXTURE : D3DRTYPE_TEXTURE;
    if (pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH && !DeviceTakesFormat(device, usage, type, format) &&
        format != D3DFMT_A8R8G8B8 && DeviceTakesFormat(device, usage, type, D3DFMT_A8R8G8B8)) {
        shape.format = D3DFMT_A8R8G8B8;  // e.g. a card without DXT3 or L8 textures
        shape.layout = TexelLayout::A8R8G8B8;
    }

    shape.width = ResolveSide(width, image.width);
    shape.height = cube ? shape.width : ResolveSide(height, image.height);
    shape.levels = mipLevels == 1 || (mipLevels == D3DX_FROM_FILE && image.levelCount == 1) ? 1 : 0;
    FitToDevice(device, cube, shape);
    if (shape.layout == TexelLayout::Dxt3) {  // level 0 of a DXT texture is whole blocks
        shape.width = (shape.width + 3) & ~3u;
        shape.height = (shape.height + 3) & ~3u;
    }
    const UINT full = FullMipCount(shape.width, shape.height);
    UINT levels;
    if (mipLevels == 0 || mipLevels == D3DX_DEFAULT)
        levels = full;
    else if (mipLevels == D3DX_FROM_FILE)
        levels = std::min<UINT>(image.levelCount, full);
    else
        levels = std::min(mipLevels, full);
    shape.levels = shape.levels == 1 ? 1 : levels;
    return D3D_OK;
}

// Every level of one face, in the texture's layout.
std::vector<ImageLevel> PrepareLevels(const DecodedImage& image, uint32_t face, const TextureShape& shape, DWORD filter,
                                      DWORD mipFilter, D3DCOLOR colorKey) {
    std::vector<ImageLevel> levels;
    levels.reserve(shape.levels);
    const bool sameSize = shape.width == image.width && shape.height == image.height;
    const TexelLayout source = image.layout;

    // Compressed levels pass through untouched when nothing changes them.
    if (source == TexelLayout::Dxt3 && shape.layout == TexelLayout::Dxt3 && sameSize && colorKey == 0) {
        for (uint32_t i = 0; i < shape.levels && i < image.levelCount; ++i)
            levels.push_back(image.Level(face, i));
        ImageLevel work = ConvertLevel(levels.back(), TexelLayout::Dxt3, TexelLayout::A8R8G8B8);
        while (levels.size() < shape.levels) {
            work = NextMipLevel(work, TexelLayout::A8R8G8B8, ResampleOf(mipFilter));
            levels.push_back(EncodeDxt3(work));
        }
        return levels;
    }

    // Otherwise work in L8 for grey to grey, else in A8R8G8B8.
    const TexelLayout work =
        source == TexelLayout::L8 && shape.layout == TexelLayout::L8 ? TexelLayout::L8 : TexelLayout::A8R8G8B8;
    const bool keyed = colorKey != 0 && work == TexelLayout::A8R8G8B8;
    auto prepare = [&](uint32_t level) {
        ImageLevel l = ConvertLevel(image.Level(face, level), source, work);
        if (keyed)
            ApplyColorKey(l, colorKey);
        return l;
    };
    ImageLevel current = prepare(0);
    if (!sameSize)
        current = ResizeLevel(current, work, shape.width, shape.height, ResampleOf(filter));
    levels.push_back(ConvertLevel(current, work, shape.layout));
    for (uint32_t i = 1; i < shape.levels; ++i) {
        if (sameSize && i < image.levelCount)
            current = prepare(i);  // the file's own level
        else
            current = NextMipLevel(current, work, ResampleOf(mipFilter));
        levels.push_back(ConvertLevel(current, work, shape.layout));
    }
    return levels;
}

bool FindRcData(HMODULE module, LPCSTR name, const uint8_t*& data, size_t& size) {
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!found)
        return false;
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded)
        return false;
    data = static_cast<const uint8_t*>(LockResource(loaded));
    size = SizeofResource(module, found);
    return data != nullptr;
}

// The checks every FromResource call starts with: a place for the result
// (cleared), a device and a name, and the resource's bytes.
template <class Texture>
HRESULT ResourceForTexture(LPDIRECT3DDEVICE9 device, HMODULE module, LPCSTR name, Texture** result,
                           const uint8_t*& data, size_t& size) {
    if (!result)
        return D3DERR_INVALIDCALL;
    *result = nullptr;
    if (!device || !name)
        return D3DERR_INVALIDCALL;
    if (!FindRcData(module, name, data, size))
        return D3DXERR_INVALIDDATA;
    return D3D_OK;
}

// A texture of a decoded picture made for the call's arguments. Levels
// prepared ahead are used when the device takes the shape they were made
// for; otherwise they are made here.
HRESULT CreateFromImage(IDirect3DDevice9* device, const DecodedImage& image, const TextureRequest& call,
                        const PreparedTexture* prepared, D3DXIMAGE_INFO* info, IDirect3DTexture9** result) {
    FillInfo(image, info);
    TextureShape shape;
    HRESULT hr = ChooseShape(device, image, call.width, call.height, call.mipLevels, call.usage, call.format, call.pool,
                             false, shape);
    if (FAILED(hr))
        return hr;
    const bool fits = prepared != nullptr && prepared->shape == shape;
    const std::vector<ImageLevel> made =
        fits ? std::vector<ImageLevel>() : PrepareLevels(image, 0, shape, call.filter, call.mipFilter, call.colorKey);
    const std::vector<ImageLevel>& levels = fits ? prepared->levels : made;
    IDirect3DTexture9* texture = nullptr;
    hr = device->CreateTexture(shape.width, shape.height, shape.levels, call.usage, shape.format, call.pool, &texture,
                               nullptr);
    if (FAILED(hr))
        return hr;
    hr = WriteTextureLevels(texture, levels, shape.layout);
    if (FAILED(hr)) {
        texture->Release();
        return hr;
    }
    *result = texture;
    return D3D_OK;
}

}  // namespace

bool d3dx::PrepareTexture(const TextureRequest& request, PreparedTexture& prepared) {
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (!ValidFilter(request.filter) || !ValidFilter(request.mipFilter) ||
        !FindRcData(request.module, MAKEINTRESOURCEA(request.id), data, size) ||
        !DecodeImageFile(data, size, prepared.image) ||
        FAILED(ChooseShape(nullptr, prepared.image, request.width, request.height, request.mipLevels, request.usage,
                           request.format, request.pool, false, prepared.shape)))
        return false;
    prepared.request = request;
    prepared.levels =
        PrepareLevels(prepared.image, 0, prepared.shape, request.filter, request.mipFilter, request.colorKey);
    return true;
}

extern "C" {

HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                                   UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                                                   D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                                   D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                   LPDIRECT3DTEXTURE9* ppTexture) {
    (void)pPalette;
    if (!ppTexture)
        return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    if (!pDevice || !pSrcData || SrcDataSize == 0 || !ValidFilter(Filter) || !ValidFilter(MipFilter))
        return D3DERR_INVALIDCALL;
    try {
        DecodedImage image;
        if (!DecodeImageFile(static_cast<const uint8_t*>(pSrcData), SrcDataSize, image))
            return D3DXERR_INVALIDDATA;
        const TextureRequest call = {nullptr, 0,    Width,  Height,    MipLevels, Usage,
                                     Format,  Pool, Filter, MipFilter, ColorKey};
        return CreateFromImage(pDevice, image, call, nullptr, pSrcInfo, ppTexture);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT WINAPI D3DXCreateTextureFromResourceExA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule, LPCSTR pSrcResource,
                                                UINT Width, UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                                D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                                D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                LPDIRECT3DTEXTURE9* ppTexture) {
    const uint8_t* data = nullptr;
    size_t size = 0;
    const HRESULT found = ResourceForTexture(pDevice, hSrcModule, pSrcResource, ppTexture, data, size);
    if (FAILED(found))
        return found;
    if (IS_INTRESOURCE(pSrcResource) && ValidFilter(Filter) && ValidFilter(MipFilter)) {
        const TextureRequest call = {hSrcModule, LOWORD(reinterpret_cast<ULONG_PTR>(pSrcResource)),
                                     Width,      Height,
                                     MipLevels,  Usage,
                                     Format,     Pool,
                                     Filter,     MipFilter,
                                     ColorKey};
        if (const PreparedTexture* prepared = TakePreparedTexture(call)) {
            try {
                return CreateFromImage(pDevice, prepared->image, call, prepared, pSrcInfo, ppTexture);
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
        }
    }
    return D3DXCreateTextureFromFileInMemoryEx(pDevice, data, static_cast<UINT>(size), Width, Height, MipLevels, Usage,
                                               Format, Pool, Filter, MipFilter, ColorKey, pSrcInfo, pPalette,
                                               ppTexture);
}

HRESULT WINAPI D3DXCreateTextureFromResourceA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule, LPCSTR pSrcResource,
                                              LPDIRECT3DTEXTURE9* ppTexture) {
    return D3DXCreateTextureFromResourceExA(pDevice, hSrcModule, pSrcResource, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                                            0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                            nullptr, ppTexture);
}

HRESULT WINAPI D3DXCreateCubeTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                                       UINT Size, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                                       D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                                       D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                       LPDIRECT3DCUBETEXTURE9* ppCubeTexture) {
    (void)pPalette;
    if (!ppCubeTexture)
        return D3DERR_INVALIDCALL;
    *ppCubeTexture = nullptr;
    if (!pDevice || !pSrcData || SrcDataSize == 0 || !ValidFilter(Filter) || !ValidFilter(MipFilter))
        return D3DERR_INVALIDCALL;
    try {
        DecodedImage image;
        if (!DecodeImageFile(static_cast<const uint8_t*>(pSrcData), SrcDataSize, image) || image.faceCount != 6)
            return D3DXERR_INVALIDDATA;
        FillInfo(image, pSrcInfo);
        TextureShape shape;
        HRESULT hr = ChooseShape(pDevice, image, Size, Size, MipLevels, Usage, Format, Pool, true, shape);
        if (FAILED(hr))
            return hr;
        // The default pool cannot be locked: fill a system-memory cube first.
        const bool staged = !IsLockablePool(Pool, Usage);
        IDirect3DCubeTexture9* cube = nullptr;
        hr = pDevice->CreateCubeTexture(shape.width, shape.levels, staged ? 0 : Usage, shape.format,
                                        staged ? D3DPOOL_SYSTEMMEM : Pool, &cube, nullptr);
        if (FAILED(hr))
            return hr;
        for (uint32_t face = 0; face < 6 && SUCCEEDED(hr); ++face)
            hr = WriteCubeFaceLevels(cube, static_cast<D3DCUBEMAP_FACES>(face),
                                     PrepareLevels(image, face, shape, Filter, MipFilter, ColorKey), shape.layout);
        if (SUCCEEDED(hr) && staged) {
            IDirect3DCubeTexture9* target = nullptr;
            hr = pDevice->CreateCubeTexture(shape.width, shape.levels, Usage, shape.format, Pool, &target, nullptr);
            if (SUCCEEDED(hr))
                hr = pDevice->UpdateTexture(cube, target);
            cube->Release();
            cube = target;
            if (FAILED(hr) && target) {
                target->Release();
                cube = nullptr;
            }
        }
        if (FAILED(hr)) {
            if (cube)
                cube->Release();
            return hr;
        }
        *ppCubeTexture = cube;
        return D3D_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT WINAPI D3DXCreateCubeTextureFromResourceA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule, LPCSTR pSrcResource,
                                                  LPDIRECT3DCUBETEXTURE9* ppCubeTexture) {
    const uint8_t* data = nullptr;
    size_t size = 0;
    const HRESULT found = ResourceForTexture(pDevice, hSrcModule, pSrcResource, ppCubeTexture, data, size);
    if (FAILED(found))
        return found;
    return D3DXCreateCubeTextureFromFileInMemoryEx(pDevice, data, static_cast<UINT>(size), D3DX_DEFAULT, D3DX_DEFAULT,
                                                   0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                   nullptr, nullptr, ppCubeTexture);
}

HRESULT WINAPI D3DXCreateTexture(LPDIRECT3DDEVICE9 pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                                 D3DFORMAT Format, D3DPOOL Pool, LPDIRECT3DTEXTURE9* ppTexture) {
    if (!ppTexture)
        return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    if (!pDevice)
        return D3DERR_INVALIDCALL;
    TextureShape shape;
    shape.width = Width == 0 || Width == D3DX_DEFAULT || Width == D3DX_DEFAULT_NONPOW2 ? kDefaultTextureSide : Width;
    shape.height =
        Height == 0 || Height == D3DX_DEFAULT || Height == D3DX_DEFAULT_NONPOW2 ? kDefaultTextureSide : Height;
    shape.format = Format == D3DFMT_UNKNOWN ? D3DFMT_A8R8G8B8 : Format;
    shape.levels = MipLevels == 1 ? 1 : 0;
    FitToDevice(pDevice, false, shape);
    if (shape.format == D3DFMT_DXT1 || shape.format == D3DFMT_DXT2 || shape.format == D3DFMT_DXT3 ||
        shape.format == D3DFMT_DXT4 || shape.format == D3DFMT_DXT5) {
        shape.width = (shape.width + 3) & ~3u;
        shape.height = (shape.height + 3) & ~3u;
    }
    const UINT full = FullMipCount(shape.width, shape.height);
    const UINT levels = MipLevels == 0 || MipLevels == D3DX_DEFAULT ? full : std::min(MipLevels, full);
    return pDevice->CreateTexture(shape.width, shape.height, shape.levels == 1 ? 1 : levels, Usage, shape.format, Pool,
                                  ppTexture, nullptr);
}

}  // extern "C"
