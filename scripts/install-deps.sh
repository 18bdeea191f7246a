#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Orvane NR needs.
# Idempotent: packages already present are skipped, and apt is only asked when something is missing.
# --bench adds what `make bench` needs besides: the other denoisers the quality benchmark sets
# beside ours, and the packages whose photographs it cuts its test pictures from.
set -euo pipefail

packages=(
  # build
  cmake g++ make pkg-config ninja-build
  # file formats
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libtiff-dev libraw-dev libexiv2-dev
  # desktop program
  qt6-base-dev qt6-qpa-plugins
  # tests, benchmarks, fuzzing; qemu-user runs the engine's tests on emulated older processors
  googletest libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev qemu-user
  # colour profiles for the metadata tests
  liblcms2-dev
  # independent tools the tests compare against
  libimage-exiftool-perl pngcheck jpeginfo libtiff-tools imagemagick netpbm libraw-bin libwmf-bin gsfonts
  # the desktop program under a virtual display: the X server, its authority file, a font for
  # Qt to draw text with (none is installed without recommends), and xwininfo to find windows
  xvfb xauth fonts-dejavu-core x11-utils
  # the package: dpkg-shlibdeps finds its runtime libraries; the checks of the desktop entry, the
  # metainfo and the whole package, and strace to see which programs the unpacked tool starts
  dpkg-dev file desktop-file-utils appstream lintian strace
)

if [ "${1:-}" = "--bench" ]; then
  packages+=(
    # the quality benchmark: Python with OpenCV (also a peer) and scikit-image (SSIM, photographs)
    python3 python3-numpy python3-opencv python3-skimage gmic
    # photographs: desktop wallpapers and a portrait
    plasma-workspace-wallpapers python3-matplotlib
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
