#!/usr/bin/env python3
"""--bench --mft and --export --mft on a real NTFS image (the native fast scan reads
images): the benchmark reports mft runs with the image's figures, the export
writes every record of the image, a broken image or a folder missing from it
fails the export with the fast scan's reason (there is nothing to walk instead),
and a folder missing from the image ends the benchmark with zero runs and the
error text."""
import json
import os
import shutil
import subprocess
import sys
import tempfile

BIN = os.environ["MB_BIN"]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def ntfs_free_bytes(image):
    """Free bytes of the image as ntfs-3g's ntfsinfo counts them; None without it."""
    if not shutil.which("ntfsinfo"):
        return None
    out = subprocess.run(["ntfsinfo", "-m", image], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.decode()
    for line in out.splitlines():
        if line.strip().startswith("Free Clusters:"):
            return int(line.split(":")[1].split()[0]) * 4096
    return None


def main():
    if not shutil.which("mkntfs"):
        print("SKIP: mkntfs is not installed")
        return 0
    with tempfile.TemporaryDirectory() as work:
        image = os.path.join(work, "disk.img")
        with open(image, "wb") as f:
            f.truncate(16 << 20)
        subprocess.run(["mkntfs", "-q", "-F", "-f", "-c", "4096", "-L", "bench", image], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        report = os.path.join(work, "r.json")
        result = subprocess.run([BIN, "--bench", image, "--mft", "--runs", "2", "--width", "64", "--height", "64",
                                 "--out", report], stdout=subprocess.PIPE, timeout=300)
        with open(report, "rb") as f:
            r = json.loads(f.read().decode("utf-8"))
        # A fresh volume holds the system files ($MFT, $LogFile, ...) below the root and $Extend.
        check(result.returncode == 0 and r["mode"] == "mft" and r["runs"] == 2 and r["error"] == "",
              f"mft bench: exit {result.returncode}, {r['mode']} {r['runs']} {r['error']!r}")
        check(r["files"] >= 10 and r["dirs"] >= 1 and r["totalBytes"] > 0 and r["allocBytes"] > 0,
              f"mft bench figures: {r['files']} {r['dirs']} {r['totalBytes']} {r['allocBytes']}")
        check(result.stdout.decode().startswith(f"Mossbloom (C++) bench: {image} (MFT)\n  run 1: "),
              f"mft summary: {result.stdout!r}")

        if os.geteuid() == 0:   # the export tries the fast scan only as administrator
            csv_path = os.path.join(work, "image.csv")
            result = subprocess.run([BIN, "--export", image, csv_path, "--mft"], stdout=subprocess.PIPE, timeout=300)
            with open(csv_path, encoding="utf-8-sig") as f:
                lines = f.read().splitlines()
            rows = [line for line in lines[2:] if line]
            # The image's own volume, not the disk that holds the image: its label, NTFS,
            # 4 095 clusters of 4 KiB and the clusters its bitmap marks free.
            check(lines[0] == "Mossbloom export \u00b7 bench \u00b7 NTFS", f"mft export title: {lines[0]!r}")
            drive = rows[0].split(",")[-4:] if rows else []
            free = ntfs_free_bytes(image)
            check(drive[:1] == ["16773120"] and drive[3:] == ["0"] and
                  (free is None or drive[1:3] == [str(free), str(16773120 - free)]),
                  f"mft export drive columns {drive}, free bytes by ntfsinfo {free}")
            items = r["files"] + r["dirs"] + 1
            check(result.returncode == 0 and len(rows) == items and
                  result.stdout.decode().startswith(f"Exported {items} rows to {csv_path} (scan "),
                  f"mft export: exit {result.returncode}, {len(rows)} rows, {result.stdout!r}")

            # An image whose fast scan fails cannot be walked instead: the reason, exit 1,
            # and an earlier CSV at the path stays as it was.
            broken = os.path.join(work, "broken.img")
            with open(broken, "wb") as f:
                f.truncate(4 << 20)
            with open(csv_path, "w") as f:
                f.write("earlier export")
            for target, reason in ((broken, "not an NTFS volume"), (image + "::/missing", "folder not found in MFT")):
                result = subprocess.run([BIN, "--export", target, csv_path, "--mft"], stdout=subprocess.PIPE,
                                        timeout=300)
                with open(csv_path) as f:
                    kept = f.read()
                check(result.returncode == 1 and
                      result.stdout.decode() == f"Fast scan of {target} failed: {reason}\n" and
                      kept == "earlier export",
                      f"failing fast scan of {target}: exit {result.returncode}, {result.stdout!r}, CSV {kept!r}")

        # `.` and `..` after "::" move inside the image, never out of it into the host's folders.
        whole = r["files"] + r["dirs"]
        result = subprocess.run([BIN, "--bench", image + "::./$Extend/../.", "--mft", "--runs", "1", "--width", "64",
                                 "--height", "64", "--out", report], stdout=subprocess.PIPE, timeout=300)
        with open(report, "rb") as f:
            r = json.loads(f.read().decode("utf-8"))
        check(result.returncode == 0 and r["path"] == image + "::" and r["files"] + r["dirs"] == whole,
              f"image path with . and ..: exit {result.returncode}, {r['path']!r}, {r['error']!r}")

        result = subprocess.run([BIN, "--bench", image + "::/missing", "--mft", "--out", report],
                                stdout=subprocess.PIPE, timeout=300)
        with open(report, "rb") as f:
            r = json.loads(f.read().decode("utf-8"))
        check(result.returncode == 1 and r["runs"] == 0 and r["error"] and
              f"  error: {r['error']}\n" in result.stdout.decode(),
              f"missing folder in the image: exit {result.returncode}, {r['runs']} runs, {r['error']!r}")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
