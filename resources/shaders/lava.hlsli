// What the lava's two shaders share: the constants and the vertex one run's quad
// hands to the pixel shader. The shaders are compiled at build time by Wine's
// D3DCompile (tools/shaders), whose HLSL has no Buffer<>, no calls to functions of
// our own and no discard; so the lookup data is a 1-D texture, helpers are macros,
// and pixels outside a run's glow add zero. docs/lava.md describes the interface.

cbuffer LavaConstants : register(b0)
{
  int width;     // of the map, in pixels
  int height;
  int progress;  // t, in pixels of flow
  int gap;       // g, 1..16
};

struct RunVertex
{
  float4 position : SV_Position;
  nointerpolation int4 run : RUN;  // x, y, length, start age
  nointerpolation int2 dir : DIR;  // step x, step y
};

// Ages: the head is hot for 6g pixels of flow, the colour settles at 80g.
#define HEAD_AGE(g) (6 * (g))
#define REST_AGE(g) (80 * (g))
