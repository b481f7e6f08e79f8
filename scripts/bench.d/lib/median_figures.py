#!/usr/bin/env python3
"""The median of each figure over the runs of one benchmark entry, whose
lines ("figure<TAB>value<TAB>unit<TAB>goal") stand in one file.
    median_figures.py RUNS.tsv"""
import statistics
import sys

rows = {}
for line in open(sys.argv[1]):
    parts = line.rstrip("\n").split("\t")
    if len(parts) >= 4:
        rows.setdefault(parts[0], (parts[2], parts[3], []))[2].append(float(parts[1]))
for name, (unit, goal, values) in rows.items():
    print(f"{name} (median of {len(values)})\t{statistics.median(values):.1f}\t{unit}\t{goal}")
