#!/usr/bin/env python3
"""Peers for bench_csv on the same file: Python's csv module writing and reading the
rows of a CSV export, and gdu loading the same tree as an ncdu-format JSON file.

    MB_BENCH_CSV=/tmp/export.csv build/native/bench/bench_csv
    python3 bench/peers/csv_peers.py /tmp/export.csv
"""
import csv, json, os, resource, subprocess, sys, time

def cpu():
    r = resource.getrusage(resource.RUSAGE_SELF)
    return r.ru_utime + r.ru_stime

def main(path):
    size = os.path.getsize(path)
    t0 = cpu()
    with open(path, newline="", encoding="utf-8-sig") as f:
        f.readline()
        rows = list(csv.reader(f))
    read_cpu = cpu() - t0
    print(f"python csv.reader: {len(rows)} rows, {size/1e6:.1f} MB, {read_cpu:.2f} cpu-s, "
          f"{size/1e6/read_cpu:.1f} MB/cpu-s, {len(rows)/read_cpu/1e3:.0f}k rows/cpu-s")
    out = path + ".py.csv"
    t0 = cpu()
    with open(out, "w", newline="", encoding="utf-8-sig") as f:
        w = csv.writer(f)
        for r in rows:
            w.writerow(r)
    write_cpu = cpu() - t0
    print(f"python csv.writer: {len(rows)} rows, {write_cpu:.2f} cpu-s, {len(rows)/write_cpu/1e3:.0f}k rows/cpu-s")
    os.remove(out)

    # The same tree as ncdu JSON for gdu's importer.
    root = {"name": rows[1][0], "children": {}}
    nodes = {rows[1][0]: root}
    for r in rows[2:]:
        p = r[0]
        folder = p.endswith("/")
        parent = p[:p.rstrip("/").rfind("/") + 1]
        name = p[len(parent):].rstrip("/")
        node = {"name": name, "asize": int(r[1]), "dsize": int(r[2])}
        if folder:
            node["children"] = {}
            nodes[p] = node
        nodes[parent]["children"][name] = node
    def emit(n):
        info = {"name": n["name"]}
        if "children" in n:
            return [info] + [emit(c) for c in n["children"].values()]
        info.update(asize=n["asize"], dsize=n["dsize"])
        return info
    jpath = path + ".json"
    with open(jpath, "w") as f:
        json.dump([1, 2, {"progname": "bench", "progver": "1", "timestamp": 0}, emit(root)], f)
    start = time.time()
    ru0 = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(["gdu", "-n", "-f", jpath], stdout=subprocess.DEVNULL, check=True)
    ru1 = resource.getrusage(resource.RUSAGE_CHILDREN)
    gdu_cpu = (ru1.ru_utime + ru1.ru_stime) - (ru0.ru_utime + ru0.ru_stime)
    jsize = os.path.getsize(jpath)
    print(f"gdu -n -f (ncdu JSON): {jsize/1e6:.1f} MB, {gdu_cpu:.2f} cpu-s, {jsize/1e6/gdu_cpu:.1f} MB/cpu-s, "
          f"{len(rows)/gdu_cpu/1e3:.0f}k rows/cpu-s, peak {ru1.ru_maxrss/1024:.0f} MiB, wall {time.time()-start:.2f} s")
    os.remove(jpath)

main(sys.argv[1])
