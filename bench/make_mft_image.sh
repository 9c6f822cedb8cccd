#!/usr/bin/env bash
# Makes the fast-scan benchmark image once: an NTFS volume with FILES files (default
# 500 000) in folders of 1000, filled through an ntfs-3g mount. Kept out of git.
# Usage: bench/make_mft_image.sh [IMAGE] [FILES]
set -euo pipefail
image=${1:-/tmp/mossbloom-mft-bench.img}
files=${2:-500000}
mnt=$(mktemp -d)
rm -f "$image"
truncate -s 8G "$image"
mkntfs -q -F -f -c 4096 -L bench "$image" >/dev/null 2>&1
ntfs-3g -o big_writes "$image" "$mnt"
trap 'cd /; umount "$mnt" 2>/dev/null || true; rmdir "$mnt"' EXIT
python3 - "$mnt" "$files" <<'PY'
import os, sys
root, files = sys.argv[1], int(sys.argv[2])
names = ["report", "photo", "notes", "invoice", "track", "index", "thumbs", "setup"]
exts = [".txt", ".jpg", ".docx", ".pdf", ".mp3", ".js", ".db", ".exe"]
for f in range(files):
    if f % 1000 == 0:
        folder = os.path.join(root, "Projects", "group-%03d" % (f // 50000), "folder-%05d" % (f // 1000))
        os.makedirs(folder, exist_ok=True)
    name = "%s-%06d%s" % (names[f % 8], f, exts[(f // 8) % 8])
    fd = os.open(os.path.join(folder, name), os.O_CREAT | os.O_WRONLY, 0o644)
    if f % 10 == 0:
        os.write(fd, b"x" * (f % 5000))
    os.close(fd)
PY
echo "made $image with $files files"
