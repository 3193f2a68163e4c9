#!/usr/bin/env python3
"""Checks the window rectangles the screenshot scripts wrote.

    scripts/check-shot-layout.py RECTS-DIR

RECTS-DIR holds SETTING-LANG.txt files (SETTING: 96, 120, 144, 192, notahoma)
of "S name" and "W depth class id visible l t r b pl pt pr pb" lines. For
each screen of each setting, every visible control must lie inside its
parent's client area, and no two visible sibling controls may overlap,
unless the 96-DPI screen of the same language shows the same fault.
Prints each fault; exits 1 when there is one.
"""
import collections
import pathlib
import sys


def read(path):
    screens = collections.OrderedDict()
    stack = []
    for line in path.read_text(errors="replace").splitlines():
        f = line.split()
        if not f:
            continue
        if f[0] == "S":
            name = " ".join(f[1:])
            screens[name] = {}
            seen = collections.Counter()
            stack = []
            continue
        if f[0] != "W" or not screens:
            continue
        depth, cls, cid, vis = int(f[1]), f[2], int(f[3]), f[4] == "1"
        rect = tuple(int(v) for v in f[5:9])
        pclient = tuple(int(v) for v in f[9:13])
        del stack[depth:]
        parent = stack[-1] if stack else ()
        base = parent + ((cls, cid),)
        seen[base] += 1
        key = parent + ((cls, cid, seen[base]),)
        stack.append(key)
        screens[name][key] = (depth, vis, rect, pclient)
    return screens


def inside(r, c):
    return r[0] >= c[0] and r[1] >= c[1] and r[2] <= c[2] and r[3] <= c[3]


def overlap(a, b):
    return min(a[2], b[2]) > max(a[0], b[0]) and min(a[3], b[3]) > max(a[1], b[1])


def faults(windows):
    out = set()
    kids = collections.defaultdict(list)
    for key, (depth, vis, rect, pclient) in windows.items():
        if not vis or rect[2] <= rect[0] or rect[3] <= rect[1]:
            continue
        if depth > 0:
            kids[key[:-1]].append((key, rect))
            # The skinned scroll frame's clip window cuts off the list's
            # own scroll bars by making the list larger than itself.
            clipped = len(key) > 1 and key[-2][:2] == ("TwFrameworkWindow", 200)
            if not clipped and not inside(rect, pclient):
                out.add(("outside", key))
    for siblings in kids.values():
        for i, (ka, ra) in enumerate(siblings):
            for kb, rb in siblings[i + 1:]:
                if overlap(ra, rb):
                    out.add(("overlap", ka, kb))
    return out


def name_of(key):
    return "/".join(f"{c}#{i}" for c, i, _ in key)


def main():
    folder = pathlib.Path(sys.argv[1])
    bad = 0
    checked = 0
    for path in sorted(folder.glob("*-*.txt")):
        setting, lang = path.stem.rsplit("-", 1)
        if setting == "96":
            continue
        base_path = folder / f"96-{lang}.txt"
        if not base_path.exists():
            print(f"{path.name}: no 96-DPI rectangles to compare with")
            bad += 1
            continue
        base = read(base_path)
        for screen, windows in read(path).items():
            if screen not in base:
                continue
            checked += 1
            for fault in sorted(faults(windows) - faults(base[screen])):
                what = " and ".join(name_of(k) for k in fault[1:])
                print(f"{setting} {lang} {screen}: {fault[0]}: {what}")
                bad += 1
    print(f"layout: {checked} screens checked, {bad} faults")
    return 1 if bad or not checked else 0


if __name__ == "__main__":
    sys.exit(main())
