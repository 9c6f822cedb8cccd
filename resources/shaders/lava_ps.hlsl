// One run's glow at one pixel, as the CPU path draws it: the cross-section of the
// pixel's age across the run, plus the head disc while it is hot. The additive
// blend sums the runs and saturates at full brightness.
#include "lava.hlsli"

// k1[0 .. (g+1)²], k2[0 .. (4g)²], the ramp for the ages 0 .. 80g (0x00RRGGBB)
Texture1D<uint> lookup : register(t0);

#define LOOKUP(i) lookup.Load(int2((i), 0))
#define CHANNELS(color) uint3(((color) >> 16) & 255, ((color) >> 8) & 255, (color) & 255)

float4 main(RunVertex input) : SV_Target
{
  int g = gap;
  int2 pixel = int2(input.position.xy);
  int age = progress - input.run.w;
  int reached = clamp(age + 1, 0, input.run.z);
  int headKernel = (g + 1) * (g + 1) + 1;
  int ramp = headKernel + 16 * g * g + 1;
  int2 offset = pixel - input.run.xy;
  int along = offset.x * input.dir.x + offset.y * input.dir.y;
  int across = offset.x;
  if (input.dir.x != 0)
    across = offset.y;
  uint3 sum = uint3(0, 0, 0);
  if (along >= 0 && along < reached && abs(across) <= g + 1)
  {
    int pixelAge = min(age - along, REST_AGE(g));
    uint weight = LOOKUP(across * across);
    uint color = LOOKUP(ramp + pixelAge);
    sum += (CHANNELS(color) * weight) >> 8;
  }
  int headAge = age - (reached - 1);
  if (reached > 0 && headAge < HEAD_AGE(g))
  {
    int2 d = pixel - (input.run.xy + input.dir * (reached - 1));
    int distance = d.x * d.x + d.y * d.y;
    if (distance <= 16 * g * g)
    {
      uint strength = uint(HEAD_AGE(g) - headAge) * LOOKUP(headKernel + distance) / uint(HEAD_AGE(g));
      uint color = LOOKUP(ramp + headAge);
      sum += (CHANNELS(color) * strength) >> 8;
    }
  }
  return float4(float3(min(sum, uint3(255, 255, 255))) / 255.0, 0.0);
}
