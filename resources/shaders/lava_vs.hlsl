// One instance per flow run: a quad (4 vertices of a triangle strip) around the
// run's reached pixels, wide enough for the cross-section (g + 1 pixels on each
// side) and, while the head is hot, for the head disc (4g around the last pixel).
#include "lava.hlsli"

struct RunInstance
{
  int4 run : RUN;
  int2 dir : DIR;
  uint vertex : SV_VertexID;
};

RunVertex main(RunInstance input)
{
  int age = progress - input.run.w;
  int reached = clamp(age + 1, 0, input.run.z);
  int last = max(reached - 1, 0);
  int2 head = input.run.xy + input.dir * last;
  int reach = gap + 1;
  if (age - last < HEAD_AGE(gap))
    reach = 4 * gap;
  int2 lo = min(input.run.xy, head) - reach;
  int2 hi = max(input.run.xy, head) + reach + 1;
  // a run the lava has not reached yet covers no pixel
  if (reached == 0)
    hi = lo;
  int2 corner = lo;
  if ((input.vertex & 1) != 0)
    corner.x = hi.x;
  if ((input.vertex & 2) != 0)
    corner.y = hi.y;
  RunVertex output;
  output.position = float4(float(corner.x) * 2.0 / float(width) - 1.0,
                           1.0 - float(corner.y) * 2.0 / float(height), 0.0, 1.0);
  output.run = input.run;
  output.dir = input.dir;
  return output;
}
