#!/usr/bin/python3
"""How far the automatic level falls short of the best level, case by case.

The cases come from `noise_calibration --curves DIR`: for each noisy picture NAME_KIND.png
(KIND: g5 ... g30 Gaussian, cam10 ... camera-like, g10h90 ... JPEG with colour at half
resolution, g0 the clean photograph) NAME_KIND.txt holds the PSNR of the default settings at
every level from 0 to 100 in steps of 0.5. Each command-line program given (`info --json`, its
"suggestedLevel") picks a level for every picture; its shortfall is the best PSNR of the curve
less the PSNR at that level. Several programs (a build before a change and one after) are judged
on the same curves in one run.

auto_level.py --curves DIR --cli NAME=PATH [--cli NAME=PATH ...]
"""
import argparse
import glob
import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import photos  # noqa: E402

KINDS = ["g5", "g10", "g15", "g20", "g25", "g30", "cam10", "cam15", "cam20"]
JPEG_KINDS = ["g5h90", "g10h90", "g20h90"]


def levels(cli, files):
    out = subprocess.run([cli, "info", "--json"] + files, check=True, capture_output=True,
                         text=True).stdout
    found = {}
    for line in out.splitlines():
        record = json.loads(line)
        found[os.path.basename(record["path"])[:-4]] = float(record["suggestedLevel"])
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--curves", required=True)
    parser.add_argument("--cli", action="append", required=True, help="NAME=PATH")
    args = parser.parse_args()

    curves = {}
    for path in sorted(glob.glob(os.path.join(args.curves, "*.txt"))):
        with open(path) as f:
            curves[os.path.basename(path)[:-4]] = [float(v) for v in f.read().split()]
    files = [os.path.join(args.curves, stem + ".png") for stem in curves]
    programs = [c.split("=", 1) for c in args.cli]
    chosen = {name: levels(cli, files) for name, cli in programs}

    def best(stem):
        c = curves[stem]
        return max(range(len(c)), key=lambda i: c[i]) / 2

    def short(stem, level):
        c = curves[stem]
        return max(c) - c[int(round(level * 2))]

    sets = {name: [p[0] for p in entries] for name, entries in photos.SETS.items()}
    print("| set | cases | program | mean shortfall | worst | below the best level |")
    print("|---|---|---|---|---|---|")
    for set_name in ("held-out", "calibration"):
        for kinds, label in ((KINDS, "Gaussian and camera-like"), (JPEG_KINDS, "JPEG, half colour")):
            stems = [n + "_" + k for n in sets[set_name] for k in kinds if n + "_" + k in curves]
            if not stems:
                continue
            for name, _ in programs:
                s = [short(x, chosen[name][x]) for x in stems]
                worst = max(range(len(s)), key=lambda i: s[i])
                below = sum(chosen[name][x] < best(x) for x in stems)
                print("| %s | %s | %s | %.2f dB | %.2f dB (%s) | %d of %d |" % (
                    set_name, label, name, sum(s) / len(s), s[worst], stems[worst], below, len(s)))
    names = " / ".join(n for n, _ in programs)
    for set_name in ("held-out", "calibration"):
        print("\n%s: shortfall in dB (%s); clean: the level chosen (the best)\n" % (set_name, names))
        print("| photograph | " + " | ".join(KINDS + JPEG_KINDS) + " | clean |")
        print("|---|" + "---|" * (len(KINDS) + len(JPEG_KINDS) + 1))
        for n in sets[set_name]:
            cells = []
            for k in KINDS + JPEG_KINDS:
                stem = n + "_" + k
                cells.append(" / ".join("%.2f" % short(stem, chosen[p][stem]) for p, _ in programs)
                             if stem in curves else "–")
            clean = n + "_g0"
            cells.append(" / ".join("%.1f" % chosen[p][clean] for p, _ in programs) +
                         " (%.1f)" % best(clean) if clean in curves else "–")
            print("| %s | %s |" % (n, " | ".join(cells)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
