// General screen-space effect: pass 0 copies "tex0" across the screen quad, for overlays
// (alpha-blended by the caller's render states) and plain texture copies.
//
// The screen quad's texture coordinates run from right to left and from bottom to top, so the
// vertex shader turns them round: the picture comes out upright and unmirrored.

float4x4 matWorldViewProjection;
float2 texelsize;

texture tex0;
sampler2D sampler0 = sampler_state
{
    Texture = <tex0>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

struct ScreenVertex
{
    float4 position : POSITION;
    float2 uv : TEXCOORD0;
};

ScreenVertex vsScreen(in float4 position : POSITION, in float2 uv : TEXCOORD0)
{
    ScreenVertex output;
    output.position = mul(position, matWorldViewProjection);
    output.uv = 1.0 - uv;
    return output;
}

float4 psCopy(in float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(sampler0, uv);
}

technique general
{
    pass copy
    {
        VertexShader = compile vs_2_0 vsScreen();
        PixelShader = compile ps_2_0 psCopy();
    }
}
