#!/usr/bin/python3
"""Clean photographs for the quality benchmark, cut from pictures that Debian packages ship.

Each picture is shrunk by area averaging (which also takes out most of its own grain and
compression noise) and its middle cut to at most 768 x 512. Two sets: "calibration", the
photographs the program's constants were tuned on, and "held-out", photographs it was never
tuned on, on which the results are reported.

photos.py DIR   writes DIR/calibration/*.png and DIR/held-out/*.png and lists what is missing.
"""
import os
import sys

import cv2

SKIMAGE = "/usr/lib/python3/dist-packages/skimage/data"
WALLPAPERS = "/usr/share/wallpapers"
MATPLOTLIB = "/usr/share/matplotlib/mpl-data/sample_data"


def wallpaper(name):
    folder = os.path.join(WALLPAPERS, name, "contents", "images")
    for size in ("2560x1600.jpg", "2560x1600.png", "1920x1080.jpg"):
        path = os.path.join(folder, size)
        if os.path.exists(path):
            return path
    return os.path.join(folder, "2560x1600.jpg")


# (name, file, shrink factor)
SETS = {
    "calibration": [
        ("astronaut", os.path.join(SKIMAGE, "astronaut.png"), 1),
        ("chelsea", os.path.join(SKIMAGE, "chelsea.png"), 1),
        ("coffee", os.path.join(SKIMAGE, "coffee.png"), 1),
        ("rocket", os.path.join(SKIMAGE, "rocket.jpg"), 1),
        ("motorcycle", os.path.join(SKIMAGE, "motorcycle_left.png"), 3),
        ("bythewater", wallpaper("BytheWater"), 2),
        ("fallenleaf", wallpaper("FallenLeaf"), 2),
        ("kite", wallpaper("Kite"), 2),
    ],
    "held-out": [
        ("eveningglow", wallpaper("EveningGlow"), 2),
        ("colorfulcups", wallpaper("ColorfulCups"), 2),
        ("onestandsout", wallpaper("OneStandsOut"), 2),
        ("path", wallpaper("Path"), 2),
        ("grey", wallpaper("Grey"), 2),
        ("coldripple", wallpaper("ColdRipple"), 2),
        ("summer", wallpaper("summer_1am"), 2),
        ("gracehopper", os.path.join(MATPLOTLIB, "grace_hopper.jpg"), 1),
    ],
}


def prepare(out_dir):
    missing = []
    for set_name, photos in SETS.items():
        os.makedirs(os.path.join(out_dir, set_name), exist_ok=True)
        for name, path, shrink in photos:
            target = os.path.join(out_dir, set_name, name + ".png")
            if os.path.exists(target):
                continue
            img = cv2.imread(path, cv2.IMREAD_COLOR)
            if img is None:
                missing.append(path)
                continue
            if shrink > 1:
                img = cv2.resize(img, (img.shape[1] // shrink, img.shape[0] // shrink),
                                 interpolation=cv2.INTER_AREA)
            h, w = img.shape[:2]
            cw, ch = min(w, 768), min(h, 512)
            x, y = (w - cw) // 2, (h - ch) // 2
            cv2.imwrite(target, img[y:y + ch, x:x + cw])
    return missing


if __name__ == "__main__":
    gone = prepare(sys.argv[1] if len(sys.argv) > 1 else "photos")
    for path in gone:
        print("missing:", path, file=sys.stderr)
    sys.exit(1 if gone else 0)
