#!/usr/bin/env python3
"""Checks the project's layering: each folder includes only the folders it
may use, and no two units (a header and its source) include each other,
directly or round a longer loop. Prints each breach; exit status 1 if any."""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The folders each folder may include, besides itself.
MAY_USE = {
    "host": set(),
    "frame": {"host"},
    "single": {"host", "frame"},
    "triple": {"host", "frame", "single"},
    "module": {"host", "frame", "single", "triple"},
    "engine": {"host"},
    "images": {"host", "engine"},
    "language": {"host", "engine", "images"},
    "command": {"host", "engine", "images", "language"},
    "decoder": {"host", "engine", "images"},
    "python": {"host", "engine", "images", "language"},
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def units():
    """Maps each unit (folder/stem) to the units its files include."""
    graph = {}
    for folder in MAY_USE:
        path = os.path.join(ROOT, folder)
        if not os.path.isdir(path):
            continue
        for name in sorted(os.listdir(path)):
            stem, ext = os.path.splitext(name)
            if ext not in (".h", ".cpp"):
                continue
            with open(os.path.join(path, name), encoding="utf-8") as f:
                text = f.read()
            unit = folder + "/" + stem
            deps = graph.setdefault(unit, set())
            for inc in INCLUDE.findall(text):
                deps.add((os.path.splitext(inc)[0], folder + "/" + name))
    return graph


def main():
    graph = units()
    faults = []
    for unit, deps in sorted(graph.items()):
        folder = unit.split("/")[0]
        for dep, where in sorted(deps):
            other = dep.split("/")[0]
            if other != folder and other not in MAY_USE[folder]:
                faults.append("%s includes %s: %s may not use %s" %
                              (where, dep, folder, other))
    # Loops between units: Tarjan's strongly connected components.
    edges = {u: {d for d, _ in deps if d in graph and d != u}
             for u, deps in graph.items()}
    index, low, stack, on, comps = {}, {}, [], set(), []

    def visit(u):
        index[u] = low[u] = len(index)
        stack.append(u)
        on.add(u)
        for v in sorted(edges[u]):
            if v not in index:
                visit(v)
                low[u] = min(low[u], low[v])
            elif v in on:
                low[u] = min(low[u], index[v])
        if low[u] == index[u]:
            comp = []
            while True:
                v = stack.pop()
                on.discard(v)
                comp.append(v)
                if v == u:
                    break
            if len(comp) > 1:
                comps.append(sorted(comp))

    sys.setrecursionlimit(10000)
    for u in sorted(edges):
        if u not in index:
            visit(u)
    for comp in comps:
        faults.append("these units include each other in a loop: " +
                      ", ".join(comp))
    for f in faults:
        print(f)
    print("layers: %d units, %d faults" % (len(graph), len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
