// Name tables of the Direct3D 9 enumerations.
#include "tests/support/d3d_names.h"

#include <map>

namespace {

std::string Lookup(const std::map<DWORD, const char*>& names, DWORD value) {
    const auto found = names.find(value);
    return found == names.end() ? std::to_string(value) : found->second;
}

#define NAME(x) {x, #x}

}  // namespace

std::string RenderStateName(DWORD state) {
    static const std::map<DWORD, const char*> names = {NAME(D3DRS_ZENABLE),
                                                       NAME(D3DRS_FILLMODE),
                                                       NAME(D3DRS_SHADEMODE),
                                                       NAME(D3DRS_ZWRITEENABLE),
                                                       NAME(D3DRS_ALPHATESTENABLE),
                                                       NAME(D3DRS_LASTPIXEL),
                                                       NAME(D3DRS_SRCBLEND),
                                                       NAME(D3DRS_DESTBLEND),
                                                       NAME(D3DRS_CULLMODE),
                                                       NAME(D3DRS_ZFUNC),
                                                       NAME(D3DRS_ALPHAREF),
                                                       NAME(D3DRS_ALPHAFUNC),
                                                       NAME(D3DRS_DITHERENABLE),
                                                       NAME(D3DRS_ALPHABLENDENABLE),
                                                       NAME(D3DRS_FOGENABLE),
                                                       NAME(D3DRS_SPECULARENABLE),
                                                       NAME(D3DRS_FOGCOLOR),
                                                       NAME(D3DRS_FOGTABLEMODE),
                                                       NAME(D3DRS_FOGSTART),
                                                       NAME(D3DRS_FOGEND),
                                                       NAME(D3DRS_FOGDENSITY),
                                                       NAME(D3DRS_RANGEFOGENABLE),
                                                       NAME(D3DRS_STENCILENABLE),
                                                       NAME(D3DRS_STENCILFAIL),
                                                       NAME(D3DRS_STENCILZFAIL),
                                                       NAME(D3DRS_STENCILPASS),
                                                       NAME(D3DRS_STENCILFUNC),
                                                       NAME(D3DRS_STENCILREF),
                                                       NAME(D3DRS_STENCILMASK),
                                                       NAME(D3DRS_STENCILWRITEMASK),
                                                       NAME(D3DRS_TEXTUREFACTOR),
                                                       NAME(D3DRS_WRAP0),
                                                       NAME(D3DRS_CLIPPING),
                                                       NAME(D3DRS_LIGHTING),
                                                       NAME(D3DRS_AMBIENT),
                                                       NAME(D3DRS_FOGVERTEXMODE),
                                                       NAME(D3DRS_COLORVERTEX),
                                                       NAME(D3DRS_LOCALVIEWER),
                                                       NAME(D3DRS_NORMALIZENORMALS),
                                                       NAME(D3DRS_DIFFUSEMATERIALSOURCE),
                                                       NAME(D3DRS_SPECULARMATERIALSOURCE),
                                                       NAME(D3DRS_AMBIENTMATERIALSOURCE),
                                                       NAME(D3DRS_EMISSIVEMATERIALSOURCE),
                                                       NAME(D3DRS_VERTEXBLEND),
                                                       NAME(D3DRS_CLIPPLANEENABLE),
                                                       NAME(D3DRS_POINTSIZE),
                                                       NAME(D3DRS_POINTSIZE_MIN),
                                                       NAME(D3DRS_POINTSPRITEENABLE),
                                                       NAME(D3DRS_POINTSCALEENABLE),
                                                       NAME(D3DRS_MULTISAMPLEANTIALIAS),
                                                       NAME(D3DRS_MULTISAMPLEMASK),
                                                       NAME(D3DRS_COLORWRITEENABLE),
                                                       NAME(D3DRS_BLENDOP),
                                                       NAME(D3DRS_SCISSORTESTENABLE),
                                                       NAME(D3DRS_SLOPESCALEDEPTHBIAS),
                                                       NAME(D3DRS_SRGBWRITEENABLE),
                                                       NAME(D3DRS_DEPTHBIAS),
                                                       NAME(D3DRS_SEPARATEALPHABLENDENABLE),
                                                       NAME(D3DRS_SRCBLENDALPHA),
                                                       NAME(D3DRS_DESTBLENDALPHA),
                                                       NAME(D3DRS_BLENDOPALPHA)};
    return Lookup(names, state);
}

std::string TextureStageStateName(DWORD type) {
    static const std::map<DWORD, const char*> names = {NAME(D3DTSS_COLOROP),        NAME(D3DTSS_COLORARG1),
                                                       NAME(D3DTSS_COLORARG2),      NAME(D3DTSS_ALPHAOP),
                                                       NAME(D3DTSS_ALPHAARG1),      NAME(D3DTSS_ALPHAARG2),
                                                       NAME(D3DTSS_BUMPENVMAT00),   NAME(D3DTSS_BUMPENVMAT01),
                                                       NAME(D3DTSS_BUMPENVMAT10),   NAME(D3DTSS_BUMPENVMAT11),
                                                       NAME(D3DTSS_TEXCOORDINDEX),  NAME(D3DTSS_BUMPENVLSCALE),
                                                       NAME(D3DTSS_BUMPENVLOFFSET), NAME(D3DTSS_TEXTURETRANSFORMFLAGS),
                                                       NAME(D3DTSS_COLORARG0),      NAME(D3DTSS_ALPHAARG0),
                                                       NAME(D3DTSS_RESULTARG),      NAME(D3DTSS_CONSTANT)};
    return Lookup(names, type);
}

std::string SamplerStateName(DWORD type) {
    static const std::map<DWORD, const char*> names = {
        NAME(D3DSAMP_ADDRESSU),    NAME(D3DSAMP_ADDRESSV),      NAME(D3DSAMP_ADDRESSW),    NAME(D3DSAMP_BORDERCOLOR),
        NAME(D3DSAMP_MAGFILTER),   NAME(D3DSAMP_MINFILTER),     NAME(D3DSAMP_MIPFILTER),   NAME(D3DSAMP_MIPMAPLODBIAS),
        NAME(D3DSAMP_MAXMIPLEVEL), NAME(D3DSAMP_MAXANISOTROPY), NAME(D3DSAMP_SRGBTEXTURE), NAME(D3DSAMP_ELEMENTINDEX),
        NAME(D3DSAMP_DMAPOFFSET)};
    return Lookup(names, type);
}

std::string TransformName(DWORD state) {
    static const std::map<DWORD, const char*> names = {
        NAME(D3DTS_VIEW),     NAME(D3DTS_PROJECTION), NAME(D3DTS_TEXTURE0), NAME(D3DTS_TEXTURE1),
        NAME(D3DTS_TEXTURE2), NAME(D3DTS_TEXTURE3),   {256, "D3DTS_WORLD"}, {257, "D3DTS_WORLD1"}};
    return Lookup(names, state);
}

std::string PrimitiveTypeName(DWORD type) {
    static const std::map<DWORD, const char*> names = {NAME(D3DPT_POINTLIST),     NAME(D3DPT_LINELIST),
                                                       NAME(D3DPT_LINESTRIP),     NAME(D3DPT_TRIANGLELIST),
                                                       NAME(D3DPT_TRIANGLESTRIP), NAME(D3DPT_TRIANGLEFAN)};
    return Lookup(names, type);
}

std::string PoolName(DWORD pool) {
    static const std::map<DWORD, const char*> names = {NAME(D3DPOOL_DEFAULT), NAME(D3DPOOL_MANAGED),
                                                       NAME(D3DPOOL_SYSTEMMEM), NAME(D3DPOOL_SCRATCH)};
    return Lookup(names, pool);
}
