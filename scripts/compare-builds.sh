#!/usr/bin/env bash
# Compares what two builds of Mossbloom write, end to end, for a refactor that must change
# no behaviour: headless CSV exports of a real tree made here (natively and under Wine),
# imports of exports, the fast scan of an NTFS image, the --bench JSON members, and the
# texts of failing headless commands. Prints one line per check; exits 1 on any difference.
#   scripts/compare-builds.sh BEFORE_ROOT AFTER_ROOT
# Each root is a source tree with its build folders: build/native/app/mossbloom and
# build/win64/app/mossbloom.exe. MB_COMPARE_WINE=0 leaves the Wine checks out;
# MB_COMPARE_KEEP=1 keeps the work folder (its path is printed) to look at differences.
# The NTFS checks need root (the fast scan runs for administrators only), mkntfs, ntfs-3g
# and /dev/fuse; without them they print SKIP.
set -uo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 BEFORE_ROOT AFTER_ROOT" >&2
  exit 2
fi
before=$(cd "$1" && pwd) && after=$(cd "$2" && pwd) || exit 2
wine_checks=${MB_COMPARE_WINE:-1}
for bin in "$before/build/native/app/mossbloom" "$after/build/native/app/mossbloom"; do
  [ -x "$bin" ] || { echo "missing $bin (cmake --preset native && cmake --build --preset native)" >&2; exit 2; }
done
if [ "$wine_checks" = 1 ]; then
  for bin in "$before/build/win64/app/mossbloom.exe" "$after/build/win64/app/mossbloom.exe"; do
    [ -f "$bin" ] || { echo "missing $bin (build the win64 preset, or MB_COMPARE_WINE=0)" >&2; exit 2; }
  done
fi

work=$(mktemp -d /tmp/mossbloom-compare-XXXXXX)
mounted=""
cleanup() {
  [ -n "$mounted" ] && umount "$mounted" 2>/dev/null
  if [ "${MB_COMPARE_KEEP:-0}" = 1 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
failed=0
pass() { echo "PASS  $1"; }
fail() { echo "FAIL  $1"; failed=1; }
skip() { echo "SKIP  $1"; }

# ---------------------------------------------------------------------------------------
# The tree: nested folders, many files, and the names and sizes that exercise the export's
# rules (quoting, the dot rule, byte escapes, case order, long names, empty files).
tree="$work/tree"
python3 - "$tree" <<'PY'
import os, sys
root = os.fsencode(sys.argv[1])
os.makedirs(root)
def put(path, size=0, when=None):
    with open(path, "wb") as f:
        if size:
            f.truncate(size)
            if size < 100000:      # a few files hold real bytes, the big ones are sparse
                f.seek(0); f.write(b"x" * min(size, 512))
    if when is not None:
        os.utime(path, (when, when))
def j(*parts):
    return os.path.join(*[p if isinstance(p, bytes) else p.encode() for p in parts])

# Fixed times, some across daylight-saving changes and far from today.
times = [1700000000, 1711846799, 1711846800, 1729990800, 946684799, 0, 4102444800, 1234567890]
sizes = [0, 1, 511, 4095, 4096, 4097, 65536, 1 << 20, 5 << 30]
odd = ["with space.txt", "comma,in,name.csv", 'say "hi".txt', "caf\u00e9 r\u00e9sum\u00e9.doc",
       "\u65e5\u672c\u8a9e\u306e\u540d\u524d.pdf", "emoji \U0001F600 face.png", "no_dot_at_all", "notes.",
       ".hidden", "trailing space .txt", "x" * 200 + ".long", "y" * 255, "Case.txt", "case.txt", "CASE.TXT",
       "back\\x41slash.txt", "a;b=c&d.txt", "tab\there.txt", "\u00c4rger.txt", "\u00e4rger.txt", "Zebra", "zebra.b",
       "\u0130stanbul.txt", "stra\u00dfe.txt", "\u03a3\u03bf\u03c6\u03af\u03b1.txt", "mixed.Tar.GZ"]
raw = [b"caf\xe9-latin1.txt", b"caf\xe8-latin1.txt", b"line\nfeed.txt", b"carriage\rreturn.txt", b"\xff\xfe.bin"]

n = 0
def fill(folder, depth, width):
    global n
    for k in range(width):
        name = "file-%04d.%s" % (k, ["txt", "jpg", "dat", "JPG", "tar.gz", "c"][k % 6])
        put(j(folder, name), sizes[(k + depth) % len(sizes)] if k % 7 else 0, times[(k + n) % len(times)])
        n += 1
    if depth < 4:
        for s, sub in enumerate(["Sub %d" % depth, "sub,%d" % depth, "\u00fcber-%d" % depth]):
            path = j(folder, sub)
            os.makedirs(path)
            fill(path, depth + 1, max(3, width // 2))
            os.utime(path, (times[(s + depth) % len(times)],) * 2)

for i, name in enumerate(odd):
    put(j(root, name), sizes[i % len(sizes)], times[i % len(times)])
for i, name in enumerate(raw):
    put(os.path.join(root, name), i * 100, times[i % len(times)])
deep = root
for level in range(12):
    deep = j(deep, "level %02d \u00e9" % level)
    os.makedirs(deep)
put(j(deep, "bottom.txt"), 3, 1700000000)
os.makedirs(j(root, "empty folder"))
os.makedirs(j(root, "Many"))
for k in range(2500):
    put(j(root, "Many", "m%05d.bin" % (2500 - k)), k % 9, times[k % len(times)])
os.makedirs(j(root, "Big"))
fill(j(root, "Big"), 0, 24)
os.symlink("Many", j(root, "link to Many"))
os.symlink("/nonexistent", j(root, "dangling link"))
os.utime(root, (1600000000, 1600000000))
PY
[ $? -eq 0 ] || { echo "could not make the tree" >&2; exit 2; }

# Blanks the free-space column of the root row. The used-space column is capacity minus
# free, so it is kept only as a check that it still is that.
normalize() {
  python3 - "$1" "$2" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
lines = data.split(b"\r\n")
if len(lines) > 2 and lines[1].startswith(b"File Name,"):
    head, cap, free, used, reserved = lines[2].rsplit(b",", 4)
    if cap.isdigit() and free.isdigit() and used.isdigit() and int(used) == int(cap) - int(free):
        used = b"<capacity-free>"
    lines[2] = b",".join([head, cap, b"<free>", used, reserved])
open(sys.argv[2], "wb").write(b"\r\n".join(lines))
PY
}

# Compares two files byte for byte and tells where they first differ.
same_files() {   # LABEL BEFORE AFTER [WHAT]
  if cmp -s "$2" "$3"; then
    pass "$1: ${4:-identical}"
  elif [ ! -s "$2" ] || [ ! -s "$3" ]; then
    fail "$1: one side is empty or missing ($(wc -c <"$2" 2>/dev/null || echo -) / $(wc -c <"$3" 2>/dev/null || echo -) bytes)"
  else
    local line
    line=$(cmp "$2" "$3" 2>&1 | sed -n 's/.* line \([0-9]*\).*/\1/p')
    fail "$1: differ from line $line: before $(sed -n "${line}p" "$2" | head -c 200 | cat -v) | after $(sed -n "${line}p" "$3" | head -c 200 | cat -v)"
  fi
}

# The program's first line, past Wine's own notes (which are compared all the same).
first_line() { grep -v -m1 '^wine: ' "$1"; }

rows() { echo $(( $(grep -c $'\r$' "$1") - 2 )); }

# Runs the same export with both builds and compares the files (free space blanked) and
# the console lines (times masked) and the exit codes.
compare_export() {   # LABEL RUNNER NAME-IN-WORK ARGS... (the CSV path is argument 2 after the mode)
  local label=$1 runner=$2 name=$3; shift 3
  local side
  for side in before after; do
    # One CSV path for both builds, so their console lines can be compared whole.
    local csv="$work/$name.$side.csv"
    rm -f "$csv" "$csv.norm" "$work/$name.csv"
    "$runner" "$side" --export "$1" "$(csv_arg "$runner" "$work/$name.csv")" "${@:2}" >"$work/$name.$side.out" 2>&1
    echo "exit $?" >>"$work/$name.$side.out"
    [ -f "$work/$name.csv" ] && mv "$work/$name.csv" "$csv"
    sed -E -i 's/\(scan [^)]*\)/(scan <t>, export <t>)/; s/\(import [^)]*\)/(import <t>, export <t>)/; s/\r$//' \
      "$work/$name.$side.out"
    [ -f "$csv" ] && normalize "$csv" "$csv.norm"
  done
  if [ -f "$work/$name.before.csv" ]; then
    same_files "$label" "$work/$name.before.csv.norm" "$work/$name.after.csv.norm" \
      "$(rows "$work/$name.before.csv") rows identical apart from free space"
  else
    fail "$label: the before build wrote no CSV ($(tr '\n' ' ' <"$work/$name.before.out"))"
  fi
  same_files "$label, console and exit code" "$work/$name.before.out" "$work/$name.after.out" \
    "identical: $(first_line "$work/$name.after.out")"
}

native() {   # SIDE ARGS...
  local side=$1; shift
  if [ "$side" = before ]; then "$before/build/native/app/mossbloom" "$@"; else "$after/build/native/app/mossbloom" "$@"; fi
}
windows() {   # SIDE ARGS...  both exes run in the after tree's private prefix
  local side=$1; shift
  local exe="$after/build/win64/app/mossbloom.exe"
  [ "$side" = before ] && exe="$before/build/win64/app/mossbloom.exe"
  "$after/scripts/wine-run.sh" "$exe" "$@" </dev/null | cat
  return "${PIPESTATUS[0]}"
}
winpath() { echo "Z:${1//\//\\}"; }
csv_arg() { if [ "$1" = windows ]; then winpath "$2"; else echo "$2"; fi; }

# ---------------------------------------------------------------------------------------
# Native exports of the tree, in two time zones, and of a folder inside it.
TZ=UTC compare_export "native export, TZ=UTC" native n-utc "$tree"
TZ=America/New_York compare_export "native export, TZ=America/New_York" native n-ny "$tree"
TZ=Europe/Berlin compare_export "native export of a subfolder, TZ=Europe/Berlin" native n-sub "$tree/Big/"

# Imports: the before build's export read back by each build, and a hand-made file with the
# import's hard cases (other title, ISO and dotted times, lenient UTF-8, byte escapes,
# doubled quotes, rows outside the root or with missing parents, damaged numbers).
if [ -f "$work/n-utc.before.csv" ]; then
  cp "$work/n-utc.before.csv" "$work/reimport-input.csv"
  TZ=UTC compare_export "native import + export of an export" native n-reimport "$work/reimport-input.csv"
fi
printf '%s\r\n' \
  'Another program · Data · NTFS' \
  'File Name,Size,Allocated,Modified,Attributes,Files,Folders,DRIVECAPACITY,FREESPACE,USEDSPACE,RESERVEDSPACE' \
  '"/data/",0,0,,0,0,0,1000000,400000,600000,0' \
  '"/data/sub/",0,0,2024-03-05T14:07:09,16,0,0' \
  '"/data/sub/a.txt",12,4096,2024/03/05 14:07:09,32,0,0' \
  '"/data/sub/b",-5,99999999999999999999999,2024.3.5,32,0,0' \
  '"/data/sub/say ""hi"".txt",1,1,2023/02/29 10:00:00,32,0,0' \
  '"/data/sub/caf\xE9.txt",3,3,05/03/2024 14:07:09,32,0,0' \
  '"/data/sub/esc\x5Cx41.txt",4,4,2024/03/31 02:30:00,32,0,0' \
  '"/data/sub/../up.txt",1,1,,32,0,0' \
  '"/other/x.txt",1,1,,32,0,0' \
  '"/data/missing/y.txt",1,1,,32,0,0' \
  '"/data/notes.",7,7,1999/12/31 23:59:59,32,0,0' \
  '"/data/Zeta/",0,0,,16,0,0' \
  '"/data/Zeta/deep.bin",18446744073709551615,1,2024/10/27 02:30:00,32,0,0' \
  '"/data/Zeta/after.bin",5,5,1601/01/01 00:00:00,32,0,0' \
  '"/data/alpha.bin",2,2,9999/12/31 23:59:59,2,0,0' >"$work/crafted.csv"
printf '"/data/bad\xc0\xae\xc0\xae/z.txt",1,1,,32,0,0\r\n"/data/lat\xe9n.txt",9,9,2020/01/01 00:00:00,32,0,0\r\n' \
  >>"$work/crafted.csv"
TZ=Europe/Berlin compare_export "native import + export of a hand-made CSV" native n-crafted "$work/crafted.csv"

# ---------------------------------------------------------------------------------------
# The fast scan of an NTFS image: hard links, streams, compressed and sparse files, many
# files (the fixture of the engine tests), plus odd names written through ntfs-3g.
image="$work/disk.img"
ntfs_ready=0
if [ "$(id -u)" != 0 ]; then
  skip "NTFS image checks: the fast scan needs root"
elif ! fixture=$(for f in "$after" "$before"; do [ -f "$f/tests/fixtures/make_ntfs_image.sh" ] && echo "$f/tests/fixtures/make_ntfs_image.sh"; done | head -n 1) ||
     [ -z "$fixture" ]; then
  skip "NTFS image checks: no tests/fixtures/make_ntfs_image.sh in either tree"
else
  bash "$fixture" "$image" "$work/mnt" 3000 >/dev/null 2>&1
  case $? in
    0) if ntfs-3g "$image" "$work/mnt" 2>/dev/null; then
         mounted="$work/mnt"
         python3 - "$work/mnt" <<'PY'
import os, sys
root = sys.argv[1]
os.makedirs(os.path.join(root, "Odd names", "sub, with comma"))
for i, name in enumerate(["with space.txt", "comma,name.csv", "caf\u00e9.doc", "\u65e5\u672c.pdf",
                          "emoji \U0001F600.png", "z" * 250 + ".txt", "no_dot", "empty.txt", "Case.TXT"]):
    with open(os.path.join(root, "Odd names", name), "wb") as f:
        f.write(b"" if name.startswith("empty") else b"d" * (i * 1000))
    os.utime(os.path.join(root, "Odd names", name), (1700000000 + i * 86400 * 40,) * 2)
open(os.path.join(root, "Odd names", "sub, with comma", "inner file"), "wb").close()
PY
         umount "$work/mnt" && mounted="" && ntfs_ready=1
       fi ;;
    77) skip "NTFS image checks: no FUSE, mkntfs, ntfs-3g or setfattr here" ;;
    *) fail "NTFS image checks: could not make the image" ;;
  esac
fi
if [ "$ntfs_ready" = 1 ]; then
  TZ=UTC compare_export "native fast scan export of an NTFS image" native m-whole "$image" --mft
  TZ=Asia/Kolkata compare_export "native fast scan export of a folder in the image" native m-folder "$image::Odd names" --mft
  # The image's volume is the image's own: nothing to blank, the whole file must match.
  same_files "native fast scan export, byte for byte (free space included)" \
    "$work/m-whole.before.csv" "$work/m-whole.after.csv"
fi

# ---------------------------------------------------------------------------------------
# Failing headless commands: the texts stay byte for byte, exit codes too.
printf 'not an image' >"$work/broken.img"
mkdir -p "$work/a folder.csv"
failures=(
  "missing folder|--export|$work/no such folder|$work/x.csv"
  "a file as the folder|--export|$work/broken.img|$work/x.csv"
  "CSV path forgotten|--export|$tree|--mft"
  "CSV path is a folder|--export|$tree/Many|$work/a folder.csv"
  "not an export|--export|$work/broken.img.csv|$work/x.csv"
  "broken image, fast scan|--export|$work/broken.img|$work/x.csv|--mft"
)
cp "$work/broken.img" "$work/broken.img.csv"
[ "$ntfs_ready" = 1 ] && failures+=("folder missing in the image|--export|$image::No/Such|$work/x.csv|--mft")
compare_failures() {   # RUNNER LABEL-PREFIX
  local runner=$1 prefix=$2 entry side
  for entry in "${failures[@]}"; do
    IFS='|' read -r -a parts <<<"$entry"
    local label=${parts[0]} args=("${parts[@]:1}")
    if [ "$runner" = windows ]; then
      [[ "$label" == *image* || "$label" == "not an export" ]] && continue   # native-only routes
      local k; for k in "${!args[@]}"; do [[ "${args[$k]}" == /* ]] && args[$k]=$(winpath "${args[$k]}"); done
    fi
    for side in before after; do
      rm -f "$work/x.csv"
      "$runner" "$side" "${args[@]}" >"$work/fail.$side.out" 2>&1
      echo "exit $? csv-written $([ -e "$work/x.csv" ] && echo yes || echo no)" >>"$work/fail.$side.out"
      sed -i 's/\r$//' "$work/fail.$side.out"
    done
    same_files "$prefix failure text: $label" "$work/fail.before.out" "$work/fail.after.out" \
      "identical: $(first_line "$work/fail.after.out" | head -c 120)"
  done
}
compare_failures native native

# ---------------------------------------------------------------------------------------
# --bench JSON: the same members in the same order and nesting; the counts (not the
# times or memory figures) the same too.
json_shape() {   # FILE OUT-MEMBERS OUT-COUNTS
  python3 - "$@" <<'PY'
import json, sys
doc = json.loads(open(sys.argv[1], "rb").read().decode("utf-8"))
members = []
def walk(value, path):
    kind = type(value).__name__
    members.append(f"{path}: {kind}")
    if isinstance(value, dict):
        for k, v in value.items():
            walk(v, f"{path}.{k}")
    elif isinstance(value, list) and value and isinstance(value[0], (dict, list)):
        walk(value[0], f"{path}[]")
walk(doc, "$")
open(sys.argv[2], "w").write("\n".join(members) + "\n")
counts = ["impl", "runtime", "exe", "path", "mode", "runs", "items", "files", "dirs", "totalBytes",
          "leafItems", "treeBytes", "extTypes", "allocBytes", "types", "matches", "weightsBytes",
          "managedHeap", "liveHeap", "error"]
open(sys.argv[3], "w").write("".join(f"{k}={doc[k]!r}\n" for k in counts if k in doc))
PY
}
compare_bench() {   # LABEL RUNNER OUT ARGS...
  local label=$1 runner=$2 out=$3 side; shift 3
  for side in before after; do
    rm -f "$work/$out.$side.json"
    "$runner" "$side" --bench "$@" --runs 2 --width 320 --height 200 \
      --out "$(csv_arg "$runner" "$work/$out.$side.json")" >/dev/null 2>&1
    if [ -s "$work/$out.$side.json" ]; then
      json_shape "$work/$out.$side.json" "$work/$out.$side.members" "$work/$out.$side.counts"
    else
      : >"$work/$out.$side.members"; : >"$work/$out.$side.counts"
    fi
  done
  same_files "$label --bench JSON members" "$work/$out.before.members" "$work/$out.after.members" \
    "the same $(grep -c . "$work/$out.after.members") members"
  same_files "$label --bench JSON counts" "$work/$out.before.counts" "$work/$out.after.counts" \
    "the same ($(grep -E '^(items|treeBytes)=' "$work/$out.after.counts" | tr '\n' ' '))"
}
compare_bench "native walk" native nb-walk "$tree"
compare_bench "native walk with --types" native nb-types "$tree" --types "*.txt;*.JPG"
[ "$ntfs_ready" = 1 ] && compare_bench "native fast scan" native nb-mft "$image" --mft
compare_bench "native failing" native nb-missing "$work/no such folder"

# ---------------------------------------------------------------------------------------
# Under Wine: mossbloom.exe of both builds on the same tree (through Z:), in one prefix.
# Wine's fast scan cannot open a volume, so --mft there checks the fall-back to the walk.
if [ "$wine_checks" = 1 ]; then
  wtree=$(winpath "$tree")
  TZ=UTC compare_export "Wine export" windows w-utc "$wtree"
  TZ=America/New_York compare_export "Wine export, TZ=America/New_York" windows w-ny "$wtree\\Big"
  compare_export "Wine export with --mft (falls back to the walk)" windows w-mft "$wtree" --mft
  compare_failures windows Wine
  compare_bench "Wine walk" windows wb-walk "$wtree"
  compare_bench "Wine walk with --types" windows wb-types "$wtree" --types "*.txt;*.JPG"
else
  skip "Wine checks (MB_COMPARE_WINE=0)"
fi

echo
if [ "$failed" = 0 ]; then echo "compare-builds: no differences"; else echo "compare-builds: DIFFERENCES FOUND"; fi
exit "$failed"
