#!/usr/bin/env python3
"""The module's folders and the one direction their includes go:

    host -> scene -> {flight, ocean} -> render -> d3dx

A file may include its own folder's headers and those of any folder below
its own, never those of a folder above it or beside it (flight and ocean
know nothing of each other). resources/ (the resource ids and the saver's
names) may be included from anywhere and includes nothing of the others.
Nor may files include each other round in a circle.

    check_includes.py SOURCE_DIR

Run by the build (tools/CMakeLists.txt) before the module is linked: lists
every include that breaks the rule and fails."""
import os
import re
import sys

LAYERS = [["host"], ["scene"], ["flight", "ocean"], ["render"], ["d3dx"]]
SHARED = "resources"
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def layer_of(folder):
    for depth, folders in enumerate(LAYERS):
        if folder in folders:
            return depth
    return None


def main(root):
    folders = [f for layer in LAYERS for f in layer] + [SHARED]
    graph, problems = {}, []
    for folder in folders:
        for name in sorted(os.listdir(os.path.join(root, folder))):
            if not name.endswith((".h", ".cpp", ".c", ".rc")):
                continue
            path = f"{folder}/{name}"
            with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
                included = INCLUDE.findall(source.read())
            graph[path] = [i for i in included if i.split("/")[0] in folders]
            for target in graph[path]:
                to = target.split("/")[0]
                if to == folder or to == SHARED:
                    continue
                here, there = layer_of(folder), layer_of(to)
                if here is None or there is None or there <= here:
                    problems.append(f"{path} includes {target}: {to}/ is not below {folder}/")

    # Cycles between files, by a depth-first walk of the include graph.
    state = {}

    def visit(path, trail):
        state[path] = "open"
        for target in graph.get(path, []):
            if state.get(target) == "open":
                cycle = trail[trail.index(target):] + [target]
                problems.append("an include cycle: " + " -> ".join(cycle))
            elif target not in state and target in graph:
                visit(target, trail + [target])
        state[path] = "done"

    for path in graph:
        if path not in state:
            visit(path, [path])

    for problem in problems:
        print(problem)
    if problems:
        print("the chain is host -> scene -> {flight, ocean} -> render -> d3dx (tools/check_includes.py)")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
