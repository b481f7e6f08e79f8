// Вода: a test shader pair shaped like the sea's (comments in cp1251)
float4 g_CommonConst : register(c0);
float4 g_WaterColor : register(c2);
float4x4 g_ViewProjMatr : register(c4);
float4 g_EyePosition : register(c8);
float4 g_SeaPosition : register(c12);

samplerCUBE CubeMap : register(s0);
sampler2D NormalMap1 : register(s1);
sampler2D CausticMap : register(s3);

struct VS_INPUT {
    float2 vPos : POSITION;
    float2 vTex : TEXCOORD0;
    float2 vHeight : TEXCOORD1;
};

struct VS_OUTPUT {
    float4 vPos : POSITION;
    float2 vTex : TEXCOORD0;
    float3 vView : TEXCOORD1;
    float2 vTexFade : TEXCOORD2;
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
    float fade = pow(0.00005 * dot(vView, vView), 1.75);
    vPos.y = vPos.y * (1 - saturate(fade));
    Out.vPos = mul(g_ViewProjMatr, vPos);
    Out.vTex = Inp.vTex.yx;
    Out.vTexFade.y = fade;
    Out.vTexFade.x = 1 - saturate(pow(0.00001 * dot(vView, vView), 0.25));
    return Out;
}

float4 PS2_Main_Ultra(VS_OUTPUT Inp) : COLOR
{
    float3 n1 = tex2D(NormalMap1, Inp.vTex).xyz * 2 - 1;
    float3 n2 = tex2D(NormalMap1, Inp.vTex * 16).xyz * 2 - 1;
    float3 normal = normalize(lerp(float3(0, 0, 1), n1 + n2, Inp.vTexFade.x));
    float3 view = normalize(Inp.vView);
    float3 reflection = reflect(view, normal);
    float fresnel = tex2D(CausticMap, float2(saturate(dot(reflection, normal)), 0.5)).x;
    float4 sky = texCUBE(CubeMap, reflection.yzx);
    float4 colour = lerp(g_WaterColor, sky, fresnel);
    return lerp(colour, sky, saturate(Inp.vTexFade.y));
}
