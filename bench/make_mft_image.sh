#!/usr/bin/env bash
# Makes a fast-scan benchmark image once: an NTFS volume with FILES files (default
# 500 000), filled through an ntfs-3g mount. Kept out of git.
#   NAMES=distinct (default): folders of 1000, every file name different (report-000123.txt);
#   NAMES=realistic: a nested tree, about 20 files and 1.4 subfolders per folder, with
#     names repeated the way drives repeat them: desktop.ini and index.js in many folders,
#     numbered photos whose low numbers recur, a skewed vocabulary of other names.
# Usage: bench/make_mft_image.sh [IMAGE] [FILES] [NAMES]
set -euo pipefail
image=${1:-/tmp/mossbloom-mft-bench.img}
files=${2:-500000}
names=${3:-distinct}
mnt=$(mktemp -d)
rm -f "$image"
truncate -s 8G "$image"
mkntfs -q -F -f -c 4096 -L bench "$image" >/dev/null 2>&1
ntfs-3g -o big_writes "$image" "$mnt"
trap 'cd /; umount "$mnt" 2>/dev/null || true; rmdir "$mnt"' EXIT
python3 - "$mnt" "$files" "$names" <<'PY'
import os, random, sys
root, files, mode = sys.argv[1], int(sys.argv[2]), sys.argv[3]

def create(path, f):
    fd = os.open(path, os.O_CREAT | os.O_WRONLY, 0o644)
    if f % 10 == 0:
        os.write(fd, b"x" * (f % 5000))
    os.close(fd)

if mode == "distinct":
    names = ["report", "photo", "notes", "invoice", "track", "index", "thumbs", "setup"]
    exts = [".txt", ".jpg", ".docx", ".pdf", ".mp3", ".js", ".db", ".exe"]
    for f in range(files):
        if f % 1000 == 0:
            folder = os.path.join(root, "Projects", "group-%03d" % (f // 50000), "folder-%05d" % (f // 1000))
            os.makedirs(folder, exist_ok=True)
        create(os.path.join(folder, "%s-%06d%s" % (names[f % 8], f, exts[(f // 8) % 8])), f)
elif mode == "realistic":
    rnd = random.Random(7)
    common = ["desktop.ini", "index.js", "Thumbs.db", "README.md", "package.json", "LICENSE", "__init__.py",
              "icon.png", "index.d.ts", "main.c", "Makefile", ".gitignore", "style.css", "index.html",
              "config.xml", "data.bin", "app.dll", "setup.exe"]
    folders = ["src", "lib", "node_modules", "assets", "bin", "obj", "Debug", "Release", "images", "docs",
               "test", "cache", "temp", "build", "dist", "Photos", "Music", "AppData"]
    stems = ["IMG_", "DSC", "report ", "invoice-", "track", "chunk", "part", "log.", "Document ", "module_",
             "test_", "frame"]
    exts = [".jpg", ".png", ".pdf", ".docx", ".mp3", ".js", ".ts", ".dll", ".txt", ".json", ".log", ".bin",
            ".tmp", ".cache", ".xml", ".py"]
    vocabulary = ["%s%d_%s%s" % (stems[(i // 16) % 12], i, folders[i % 18], exts[i % 16]) for i in range(20000)]

    def skewed(n):
        return rnd.randrange(rnd.randrange(n) + 1)

    # Breadth first, at most eight folders deep; a new top folder when the queue runs dry.
    queue, made, head, tops = [], 0, 0, 0
    while made < files:
        if head == len(queue):
            queue.append((os.path.join(root, "Data", "volume-%02d" % tops), 1))
            os.makedirs(queue[-1][0])
            tops += 1
        parent, depth = queue[head]
        head += 1
        taken = set()
        for k in range(rnd.choice([0, 1, 1, 2, 3]) if depth < 8 else 0):
            name = rnd.choice(folders) if rnd.randrange(3) else vocabulary[skewed(20000)].rsplit(".", 1)[0]
            if name.lower() in taken:
                continue
            taken.add(name.lower())
            queue.append((os.path.join(parent, name), depth + 1))
            os.mkdir(queue[-1][0])
        run = rnd.randrange(2) == 0
        stem, ext, number = rnd.randrange(12), rnd.randrange(16), skewed(2000)
        for k in range(rnd.randrange(41)):
            if made >= files:
                break
            if run:
                name = "%s%04d%s" % (stems[stem], number + k, exts[ext])
            elif rnd.randrange(100) < 35:
                name = rnd.choice(common)
            else:
                name = vocabulary[skewed(20000)]
            if name.lower() in taken:
                continue
            taken.add(name.lower())
            create(os.path.join(parent, name), made)
            made += 1
else:
    sys.exit("NAMES is distinct or realistic")
PY
echo "made $image with $files files ($names names)"
