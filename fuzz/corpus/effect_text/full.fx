// Every statement kind the scanner knows.
shared float4x4 g_mViewInv : VIEWINVERSE;
shared uniform float4 g_vLight <string UIName = "light";> = { 0, 0, 1, 0 };
static const float scale = 2.0f;
float time;
float weights[3];
texture tex0;
sampler2D s0 = sampler_state { Texture = <tex0>; MinFilter = LINEAR; };
struct VS_OUT { float4 position : POSITION; };
VS_OUT Main(float4 p : POSITION) { VS_OUT o; o.position = mul(p, g_mViewInv); return o; }
float4 Pixel() : COLOR { return tex2D(s0, float2(0, 0)) * time; }
technique Fancy { pass P0 { VertexShader = compile vs_2_0 Main(); PixelShader = compile ps_3_0 Pixel(); } }
technique Plain { pass { PixelShader = compile ps_2_0 Pixel(); } pass Second { } }
