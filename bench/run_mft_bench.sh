#!/usr/bin/env bash
# Times the fast scan of a big NTFS image against its floor and a peer, in one run,
# page cache warm. Usage: bench/run_mft_bench.sh [IMAGE] [BUILD_DIR]
# The image comes from bench/make_mft_image.sh.
set -euo pipefail
image=${1:-/tmp/mossbloom-mft-bench.img}
build=${2:-build/native}

# The table's byte ranges, from the boot sector and record 0's $DATA run list (the
# benchmark's own floor, BM_ReadTableBytes, follows an attribute list too).
extents=$(python3 - "$image" <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb')
boot = d.read(512)
bps, = struct.unpack_from('<H', boot, 11); c = bps * boot[13]
lcn, = struct.unpack_from('<q', boot, 48); v = struct.unpack_from('<b', boot, 64)[0]
s = v * c if v > 0 else 1 << -v
d.seek(lcn * c); r = bytearray(d.read(s))
usa, n = struct.unpack_from('<HH', r, 4)
for k in range(1, n): r[k*512-2:k*512] = r[usa+2*k:usa+2*k+2]
a, = struct.unpack_from('<H', r, 20)
while True:
    t, l = struct.unpack_from('<II', r, a)
    if t == 0x80 and r[a+9] == 0: break
    a += l
ro, = struct.unpack_from('<H', r, a+32); left, = struct.unpack_from('<q', r, a+48)
p, start = a + ro, 0
while r[p] and left > 0:
    h = r[p]; lb, ob = h & 15, h >> 4
    length = int.from_bytes(r[p+1:p+1+lb], 'little')
    delta = int.from_bytes(r[p+1+lb:p+1+lb+ob], 'little', signed=True)
    start += delta; bytes_ = min(length * c, left); left -= bytes_
    print(start * c, bytes_)
    p += 1 + lb + ob
PY
)
readTable() {
  while read -r offset bytes; do
    dd if="$image" of=/dev/null bs=4M iflag=skip_bytes,count_bytes skip="$offset" count="$bytes" status=none
  done <<<"$extents"
}
echo "table extents (offset bytes):"; echo "$extents"
readTable; readTable   # warm the page cache
echo "== floor: dd of the table's bytes (3 runs)"
for i in 1 2 3; do /usr/bin/time -f "%e s wall, %U s user + %S s sys" bash -c "$(declare -f readTable); extents='$extents'; image='$image'; readTable"; done

echo "== fast scan + finalize (Google Benchmark, 5 iterations each)"
MB_MFT_IMAGE="$image" "$build/bench/bench_mft_scan"

echo "== peak memory of one scan + finalize, the first in a fresh process"
MB_MFT_IMAGE="$image" /usr/bin/time -f "max RSS %M KiB, %e s wall, %U s user + %S s sys" "$build/bench/bench_mft_scan" \
  --benchmark_filter=MftScanOnce 2>&1 | grep -E "max RSS|BM_" || true
echo "   (the same program with the scan left out, for the baseline):"
MB_MFT_IMAGE="$image" /usr/bin/time -f "max RSS %M KiB" "$build/bench/bench_mft_scan" \
  --benchmark_filter=NONE 2>&1 | grep -E "max RSS" || true

echo "== peer: walking the ntfs-3g mount with find (stat of every entry), warm"
mnt=$(mktemp -d)
ntfs-3g -o ro "$image" "$mnt"
trap 'umount "$mnt"; rmdir "$mnt"' EXIT
# ntfs-3g serves the walk from its own process: its CPU time is read from /proc around each walk.
fuse=$(pgrep -n -x ntfs-3g)
fuseTicks() { awk '{print $14 + $15}' "/proc/$fuse/stat"; }
find "$mnt" -printf '%s %T@\n' >/dev/null
for i in 1 2; do
  before=$(fuseTicks)
  /usr/bin/time -f "%e s wall, %U s user + %S s sys in find" find "$mnt" -printf '%s %T@\n' >/dev/null
  echo "   plus $(( ($(fuseTicks) - before) * 1000 / $(getconf CLK_TCK) )) ms CPU in ntfs-3g"
done
umount "$mnt"; rmdir "$mnt"; trap - EXIT

echo "== peer: ntfsls -R -l on the image"
/usr/bin/time -f "%e s wall, %U s user + %S s sys" ntfsls -R -l -f "$image" >/dev/null
