float4 PS2_Main_Ultra(float2 t : TEXCOORD0) : COLOR
{
    float4 c = t.xyxy
    return c;
}
