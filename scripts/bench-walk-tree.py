#!/usr/bin/env python3
"""Generates the walk benchmark's tree: 1 000 folders (1 + 9 + 90 + 900, four levels)
holding 500 files each, 500 000 files in all, with names and extensions like those
of a real user disk. Sizes run from 0 to 70 kB, spread log-uniformly (many small
files, fewer large ones). Files are sized with truncate, so they hold no data
blocks: the walk reads metadata only, and writing ~3 GB of data would only wear the disk."""
import os
import random
import sys

root = sys.argv[1]
rng = random.Random(20261210)
stems = ["IMG_2019", "DSC0", "report", "invoice", "index", "README", "setup", "thumbs", "notes",
         "backup", "main", "util", "config", "photo", "track", "chapter", "draft", "data", "log",
         "module", "test_case", "Screenshot 2023-04-", "Rechnung", "résumé", "日程", "übersicht"]
exts = ["jpg", "png", "txt", "pdf", "docx", "js", "ts", "py", "cpp", "h", "json", "md", "mp3",
        "dll", "exe", "html", "css", "xml", "zip", "log", "dat", "ini", "svg", "gif", "mkv"]
folder_words = ["Documents", "Pictures", "Music", "src", "node_modules", "lib", "assets", "build",
                "cache", "Projects", "2019", "2020", "2021", "Backup", "vendor", "images", "Downloads",
                "Archive", "packages", "test"]

folders = [root]
level = [root]
for width in (9, 10, 10):
    nxt = []
    for parent in level:
        for k in range(width):
            nxt.append(os.path.join(parent, f"{rng.choice(folder_words)}-{k}"))
    folders += nxt
    level = nxt
assert len(folders) == 1000, len(folders)

for folder in folders:
    os.makedirs(folder, exist_ok=True)
    for i in range(500):
        stem = rng.choice(stems)
        name = f"{stem}{rng.randrange(100000):05d}_{i}.{rng.choice(exts)}"
        size = int(70000 ** rng.random()) - 1 if rng.random() > 0.03 else 0
        fd = os.open(os.path.join(folder, name), os.O_CREAT | os.O_WRONLY, 0o644)
        os.ftruncate(fd, max(size, 0))
        os.close(fd)
