// Water shaders of the sea (compiled at start: vs.1.1 entry VS_Main_Ultra,
// ps.2.0 entry PS2_Main_Ultra). The registers and samplers are fixed: the
// program uploads its constants by register number, not by name.

float4   g_CommonConst  : register(c0);   // (1, 16, height scale, frame blend)
float4   g_WaterColor   : register(c2);   // water colour (R, G, B, A)
float4x4 g_ViewProjMatr : register(c4);   // view x projection, rows in c4..c7
float4   g_EyePosition  : register(c8);   // eye (x, y, z, 1)
float4   g_SeaPosition  : register(c12);  // tile offset (x, 0, z, 0)

samplerCUBE CubeMap    : register(s0);    // the sky
sampler2D   NormalMap1 : register(s1);    // normal map of the current frame
sampler2D   NormalMap2 : register(s2);    // normal map of the next frame (bound, unused)
sampler1D   CausticMap : register(s3);    // Fresnel ramp
samplerCUBE Normalizer : register(s4);    // unused

struct VS_INPUT
{
    float2 vPos    : POSITION;   // world (x, z) within the tile
    float2 vTex    : TEXCOORD0;  // (u along x, v along z)
    float2 vHeight : TEXCOORD1;  // heights of the two frames being blended
};

struct VS_OUTPUT
{
    float4 vPos     : POSITION;
    float2 vTex     : TEXCOORD0;  // normal-map coordinate
    float3 vView    : TEXCOORD1;  // unit eye-to-vertex vector in (x, z, y) order
    float2 vTexFade : TEXCOORD2;  // x: detail weight, y: flattening amount
};

VS_OUTPUT VS_Main_Ultra(VS_INPUT Inp)
{
    VS_OUTPUT Out;

    float4 vPos;
    vPos.xz = Inp.vPos.xy;
    vPos.y = lerp(Inp.vHeight.x, Inp.vHeight.y, g_CommonConst.w) * g_CommonConst.z;
    vPos.w = 1;
    vPos = vPos + g_SeaPosition;

    float3 vView = vPos.xyz - g_EyePosition.xyz;
    Out.vView = normalize(vView).xzy;

    // Flatten the relief with distance: fully flat from 141.42 units on, where
    // the detailed tiles meet the flat far ring (height 0) without a step.
    // The view vector and the fade keep the unflattened height.
    float fade = pow(0.00005 * dot(vView, vView), 1.75);
    vPos.y = vPos.y * (1 - saturate(fade));

    // Rows uploaded into column-major registers act as columns, so this is
    // position x view x projection in the row-vector convention.
    Out.vPos = mul(g_ViewProjMatr, vPos);

    // The normal map's first coordinate runs along world z.
    Out.vTex = Inp.vTex.yx;

    Out.vTexFade.y = fade;
    // Detail weight 1 - sqrt(distance) / 17.78: gone at 316.23 units, where
    // only the sky reflection remains and the ripple no longer shimmers.
    Out.vTexFade.x = 1 - saturate(pow(0.00001 * dot(vView, vView), 0.25));

    return Out;
}

float4 PS2_Main_Ultra(VS_OUTPUT Inp) : COLOR
{
    // The light is (0.7, 0.7, 0.7) on purpose: the look of the sea was tuned
    // with the light written as the comma expression (0,-0.7,0.7), whose
    // value 0.7 widens to all three components.
    float3 vLight = float3(0.7, 0.7, 0.7);

    // The same map at 1x and, for fine ripples, 16x the frequency.
    float4 vNorm1 = tex2D(NormalMap1, Inp.vTex);
    float4 vNorm2 = tex2D(NormalMap1, Inp.vTex * 16);

    float3 vNorm = vNorm1.xyz * 0.8 + vNorm2.xyz * 0.2;
    vNorm = vNorm * 2 - 1;
    vNorm.xy *= 0.8;
    vNorm = normalize(vNorm);

    // The interpolated view vector is used as it is, not renormalised.
    float3 vReflection = reflect(Inp.vView, vNorm);
    float fren = saturate(dot(vReflection, vNorm));

    float fLight = dot(vNorm, vLight);
    float4 vCol = g_WaterColor * fLight;

    // Steeper normals where the reflection is steep, flatter at grazing angles.
    vNorm.xy *= fren * 1.35 + 0.075;
    vNorm = normalize(vNorm);

    vReflection = reflect(Inp.vView, vNorm);
    float4 vCubeMap = texCUBE(CubeMap, vReflection.yzx);

    float f = tex1D(CausticMap, fren).x;
    float4 vCol_1 = lerp(vCol, vCubeMap, f);

    // Weaken the reflection on wave sides turned toward the camera.
    vNorm1 = vNorm1 * 2 - 1;
    vNorm1.xy *= 24.0;
    vNorm1 = normalize(vNorm1);
    float fFade = saturate(1 + dot(vNorm1.yxz, Inp.vView));
    fFade = fFade * 0.8 + 0.2;
    float4 vCol_2 = lerp(vCol, vCol_1, fFade);

    // Near the eye the lit, reflecting water; far away the bare sky.
    float4 vCol_3 = vCubeMap;
    float4 vCol_4 = lerp(vCol_3, vCol_2, Inp.vTexFade.x);
    return vCol_4;
}
