#!/usr/bin/env python3
"""Prints line and branch coverage per layer from gcovr's JSON summary."""
import json
import sys

# The layers, most specific folder first, as docs/ARCHITECTURE.md lists them.
LAYERS = [
    ("base/", "base"),
    ("engine/", "engine"),
    ("platform/files/", "files"),
    ("platform/rtf/", "rtf"),
    ("platform/ports/", "ports"),
    ("platform/qt/", "qt adapters"),
    ("platform/widgets/", "widgets"),
    ("messages/", "messages"),
    ("access/", "access"),
    ("ui/info/", "ui info"),
    ("ui/main/", "ui main"),
    ("ui/access/", "ui access"),
    ("app/", "app"),
    ("cli/", "cli"),
]


def percent(covered, total):
    return f"{100.0 * covered / total:5.1f} %" if total else "    —  "


def main(path):
    with open(path, encoding="utf-8") as summary:
        files = json.load(summary)["files"]
    totals = {name: [0, 0, 0, 0] for _, name in LAYERS}
    for entry in files:
        layer = next((name for folder, name in LAYERS if entry["filename"].startswith(folder)), None)
        if layer is None:
            continue
        t = totals[layer]
        t[0] += entry["line_covered"]
        t[1] += entry["line_total"]
        t[2] += entry["branch_covered"]
        t[3] += entry["branch_total"]
    print(f"{'layer':<12} {'lines':>16} {'branches':>18}")
    everything = [0, 0, 0, 0]
    for _, name in LAYERS:
        t = totals[name]
        if t[1] == 0:
            continue
        everything = [a + b for a, b in zip(everything, t)]
        print(f"{name:<12} {percent(t[0], t[1])} {t[0]:>4}/{t[1]:<5} "
              f"{percent(t[2], t[3])} {t[2]:>5}/{t[3]:<5}")
    print(f"{'all':<12} {percent(everything[0], everything[1])} {everything[0]:>4}/{everything[1]:<5} "
          f"{percent(everything[2], everything[3])} {everything[2]:>5}/{everything[3]:<5}")


if __name__ == "__main__":
    main(sys.argv[1])
