// Water shaders that do not compile: the entry points exist but use an
// undeclared name.
float4 VS_Main_Ultra(float2 vPos : POSITION) : POSITION { return float4(vPos, undeclared, 1); }
float4 PS2_Main_Ultra() : COLOR { return undeclared; }
