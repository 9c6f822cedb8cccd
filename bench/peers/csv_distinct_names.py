#!/usr/bin/env python3
"""Rewrites an export so that every file name is distinct (the row number joins the
stem), as in real trees; the synthetic tree repeats about 6 000 names.

    python3 bench/peers/csv_distinct_names.py /tmp/csv_export_bench.csv /tmp/csv_distinct.csv
    MB_BENCH_CSV_INPUT=/tmp/csv_distinct.csv build/native/bench/bench_csv --benchmark_filter=Import
"""
import sys

source, target = sys.argv[1], sys.argv[2]
with open(source, 'rb') as lines, open(target, 'wb') as out:
    for number, line in enumerate(lines, 1):
        if number > 3 and line.startswith(b'"'):
            close = line.index(b'"', 1)
            path = line[1:close]
            if not path.endswith((b'/', b'\\')):
                cut = max(path.rfind(b'/'), path.rfind(b'\\')) + 1
                name = path[cut:]
                dot = name.rfind(b'.')
                mark = b'_' + str(number).encode()
                name = name[:dot] + mark + name[dot:] if dot > 0 else name + mark
                line = b'"' + path[:cut] + name + line[close:]
        out.write(line)
