#!/usr/bin/python3
"""How clean are the pictures: Orvane NR beside the other denoisers a Linux user can pick.

Photographs (photos.py) get three kinds of noise: Gaussian of sigma 10 and 20, and camera-like
noise whose variance grows with brightness (variance = 1.5625 v + 25, sigma 15 at mid-grey).
Each method cleans every noisy picture; PSNR over R, G, B and SSIM (Gaussian window, sigma
1.5, mean of the channels) against the clean photograph. A method with a setting is tried at
several and its best for each picture is kept (an oracle: no method is that lucky in use);
Orvane NR's Photo mode and `--level auto` run at the automatic level only.

bench_quality.py --cli build/src/cli/orvane-nr-cli [--set held-out|calibration]
                 [--work DIR] [--peers] [--methods a,b,...]

Peers run when installed: ImageMagick's -wavelet-denoise, OpenCV's fastNlMeansDenoisingColored
(python3-opencv), G'MIC's -denoise. Their results are kept in the work folder, so a second run
only runs what changed.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import photos  # noqa: E402

try:
    import cv2
except ImportError:  # pragma: no cover
    cv2 = None
try:
    from skimage.metrics import structural_similarity
except ImportError:  # pragma: no cover
    structural_similarity = None

NOISES = {
    "gauss10": (0.0, 100.0, 10.0),
    "gauss20": (0.0, 400.0, 20.0),
    "camera": (200.0 / 128, 25.0, 15.0),
}


def read(path):
    img = cv2.imread(path, cv2.IMREAD_COLOR)
    if img is None:
        raise RuntimeError("cannot read " + path)
    return img


def add_noise(clean, gain, floor, seed):
    rng = np.random.default_rng(seed)
    v = clean.astype(np.float64)
    noisy = v + np.sqrt(gain * v + floor) * rng.standard_normal(v.shape)
    return np.clip(np.rint(noisy), 0, 255).astype(np.uint8)


def psnr(a, b):
    mse = np.mean((a.astype(np.float64) - b.astype(np.float64)) ** 2)
    return 99.0 if mse == 0 else 10 * np.log10(255.0 ** 2 / mse)


def ssim(a, b):
    return structural_similarity(a, b, channel_axis=2, gaussian_weights=True, sigma=1.5,
                                 use_sample_covariance=False, data_range=255)


def run(cmd):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Case:
    def __init__(self, work, photo, noise):
        self.name = photo + "/" + noise
        self.dir = os.path.join(work, "cases", photo, noise)
        self.clean_path = os.path.join(self.dir, "clean.png")
        self.noisy_path = os.path.join(self.dir, "noisy.png")
        self.sigma = NOISES[noise][2]

    def out(self, tag):
        return os.path.join(self.dir, tag + ".png")


# Each method: (name, settings(case) -> list of settings, command(case, setting, out) ->
# None; run the command to write out). None settings: one run.
def orvane_methods(cli):
    def cli_run(args):
        def command(case, setting, out):
            extra = [a.replace("{s}", str(setting)) for a in args]
            run([cli, "--quiet", "--overwrite", "-o", out] + extra + [case.noisy_path])
        return command

    levels = lambda case: [round(case.sigma * k, 1) for k in (1.0, 1.5, 2.0, 2.5, 3.0, 3.5)]
    return [
        ("Orvane NR Photo mode, --level auto", None,
         cli_run(["--advanced", "on", "--mode", "photo", "--level", "auto"])),
        ("Orvane NR default settings, --level auto", None, cli_run(["--level", "auto"])),
        ("Orvane NR default settings, best level", levels, cli_run(["--level", "{s}"])),
        ("Orvane NR Advanced Processing off, best level", levels,
         cli_run(["--advanced", "off", "--level", "{s}"])),
    ]


def peer_methods():
    found = []
    if shutil.which("convert"):
        found.append(("ImageMagick -wavelet-denoise", lambda c: [round(c.sigma * k / 2.55, 2) for k in
                                                                  (1.0, 1.5, 2.0, 2.5, 3.0)],
                      lambda c, s, o: run(["convert", c.noisy_path, "-wavelet-denoise",
                                           "%s%%" % s, o])))
    if cv2 is not None and hasattr(cv2, "fastNlMeansDenoisingColored"):
        def nlm(case, h, out):
            img = read(case.noisy_path)
            cv2.imwrite(out, cv2.fastNlMeansDenoisingColored(img, None, h, h, 7, 21))
        found.append(("OpenCV fastNlMeansDenoisingColored",
                      lambda c: [round(c.sigma * k, 1) for k in (0.6, 0.8, 1.0, 1.2)], nlm))
    if shutil.which("gmic"):
        # -denoise SPATIAL,PHOTOMETRIC: its photometric sigma is best near a third of the
        # noise's (measured on these photographs); the spatial one matters little.
        found.append(("G'MIC -denoise", lambda c: [round(c.sigma * k, 1) for k in
                                                   (0.1, 0.15, 0.25, 0.35, 0.5)],
                      lambda c, s, o: run(["gmic", "-v", "-", c.noisy_path, "-denoise",
                                           "10,%s" % s, "-o", o])))
    return found


def measure(case, method, cache):
    name, settings, command = method
    key = case.name + "|" + name
    if key in cache:
        return cache[key]
    clean = read(case.clean_path)
    best = None
    for s in (settings(case) if settings else [None]):
        out = case.out("tmp")
        command(case, s, out)
        img = read(out)
        os.remove(out)
        figures = (psnr(clean, img), ssim(clean, img), s)
        if best is None or figures[0] > best[0]:
            best = figures
    cache[key] = best
    return best


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--set", default="held-out", choices=["held-out", "calibration"])
    parser.add_argument("--work", default="build/quality")
    parser.add_argument("--peers", action="store_true", help="also run the other denoisers")
    parser.add_argument("--methods", default="", help="only methods whose name has one of these")
    args = parser.parse_args()
    if cv2 is None or structural_similarity is None:
        print("bench_quality needs python3-opencv and python3-skimage", file=sys.stderr)
        return 1

    photo_dir = os.path.join(args.work, "photos")
    missing = photos.prepare(photo_dir)
    if missing:
        print("missing photographs:", ", ".join(missing), file=sys.stderr)
    names = sorted(p[:-4] for p in os.listdir(os.path.join(photo_dir, args.set)))
    cases = []
    for i, photo in enumerate(names):
        for j, noise in enumerate(NOISES):
            case = Case(args.work, photo, noise)
            os.makedirs(case.dir, exist_ok=True)
            if not os.path.exists(case.noisy_path):
                clean = read(os.path.join(photo_dir, args.set, photo + ".png"))
                cv2.imwrite(case.clean_path, clean)
                gain, floor, _ = NOISES[noise]
                cv2.imwrite(case.noisy_path, add_noise(clean, gain, floor, 1000 * i + j))
            cases.append(case)

    methods = orvane_methods(os.path.abspath(args.cli))
    if args.peers:
        methods += peer_methods()
    if args.methods:
        wanted = args.methods.split(",")
        methods = [m for m in methods if any(w in m[0] for w in wanted)]
    cache_path = os.path.join(args.work, "peers.json")
    cache = json.load(open(cache_path)) if os.path.exists(cache_path) else {}

    table = {}
    for method in methods:
        rows = []
        for case in cases:
            if method[0].startswith("Orvane"):
                cache.pop(case.name + "|" + method[0], None)  # ours always run anew
            rows.append(measure(case, method, cache))
            print("%-48s %-22s %6.2f dB  %.4f  %s" % (method[0], case.name, rows[-1][0],
                                                    rows[-1][1], rows[-1][2]), flush=True)
        table[method[0]] = rows
        with open(cache_path, "w") as f:
            json.dump({k: v for k, v in cache.items() if "Orvane" not in k}, f)

    print("\n%d photographs (%s set) x %d kinds of noise" % (len(names), args.set, len(NOISES)))
    noisy = [psnr(read(c.clean_path), read(c.noisy_path)) for c in cases]
    print("| method | mean PSNR | mean SSIM | %s |" % " | ".join(NOISES))
    print("|---|---|---|" + "---|" * len(NOISES))
    print("| noisy input | %.2f dB | – | %s |" % (
        np.mean(noisy), " | ".join("%.2f" % np.mean(noisy[k::len(NOISES)]) for k in range(len(NOISES)))))
    for name, rows in sorted(table.items(), key=lambda kv: -np.mean([r[0] for r in kv[1]])):
        p = [r[0] for r in rows]
        print("| %s | %.2f dB | %.3f | %s |" % (
            name, np.mean(p), np.mean([r[1] for r in rows]),
            " | ".join("%.2f" % np.mean(p[k::len(NOISES)]) for k in range(len(NOISES)))))
    photo = table.get("Orvane NR Photo mode, --level auto")
    gmic = table.get("G'MIC -denoise")
    if photo and gmic:
        worst = min((a[0] - b[0], c.name) for a, b, c in zip(photo, gmic, cases))
        print("\nPhoto mode against G'MIC at its best: worst case %.2f dB (%s)" % worst)
    return 0


if __name__ == "__main__":
    sys.exit(main())
