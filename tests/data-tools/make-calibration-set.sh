#!/usr/bin/env bash
# Builds the calibration set of the similarity presets from real camera photos, outside the
# repository, and measures the presets on it.
#
#   tests/data-tools/make-calibration-set.sh SCRATCH [BUILD]
#
# SCRATCH is a folder of your choosing (about 2 GB); BUILD is a release build of this repository
# (default: build-rel, built here when missing). Steps:
#
# 1. Debian source packages whose test data hold real camera JPEGs are fetched with apt-get
#    source into SCRATCH/src, through a private apt configuration with a deb-src line
#    (SCRATCH/apt), so the machine's own sources stay as they are:
#      exiv2          test/data: camera JPEGs (Canon, Nikon, Pentax, Sony, Motorola) and the
#                     embedded previews of RAW files in test/data/preview
#      pillow         Tests/images: camera JPEGs (Canon, Nokia) and stereo-camera MPO files
#      libjpeg-turbo  testimages/testorig.jpg
#      libexif        fetched too, but its test JPEGs are EXIF blocks without pixels: none used
#    Debian's copyright files of these packages cover their test data: GPL-2+ (exiv2), the PIL
#    licence (pillow), the IJG/BSD-style licences (libjpeg-turbo).
# 2. The photos below (MANIFEST) are chosen by hand: real photographs only (no logos, charts of
#    text, blank or all-black frames), each scene once. "family" photos get their
#    near-duplicates (tests/support/KTNearDuplicates.h); "single" photos, mostly the small RAW
#    previews, stand alone. calibration_set writes SCRATCH/set.
# 3. SCRATCH/bench24 gets 200 copies of the 24-megapixel camera JPEG of exiv2's test data (a
#    Nikon D5300 file) for bench_analysis: VS_BENCH_PHOTOS=SCRATCH/bench24 bench_analysis.
# 4. calibrate_similarity prints the figures of the five presets on SCRATCH/set.
set -euo pipefail

scratch="${1:?usage: make-calibration-set.sh SCRATCH [BUILD]}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${2:-$root/build-rel}"
mkdir -p "$scratch"
scratch="$(cd "$scratch" && pwd)"

# 1. Sources.
apt_dir="$scratch/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$scratch/src"
echo "deb-src http://deb.debian.org/debian bookworm main" > "$apt_dir/sources.list"
apt_options=(
    -o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=/nonexistent"
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "Debug::NoLocking=1"
)
if ! ls -d "$scratch"/src/exiv2-*/ >/dev/null 2>&1; then
    apt-get "${apt_options[@]}" update
    (cd "$scratch/src" && apt-get "${apt_options[@]}" source exiv2 libexif pillow libjpeg-turbo)
fi
exiv2="$(ls -d "$scratch"/src/exiv2-*/ | head -1)test/data"
pillow="$(ls -d "$scratch"/src/pillow-*/ | head -1)Tests/images"
turbo="$(ls -d "$scratch"/src/libjpeg-turbo-*/ | head -1)testimages"

# 2. The chosen photos.
manifest="$scratch/manifest.txt"
cat > "$manifest" <<EOF
family shop $exiv2/DSC_3079.jpg
family furnace1 $exiv2/FurnaceCreekInn.jpg
family furnace2 $exiv2/FurnaceCreekInn2.jpg
family furnace3 $exiv2/FurnaceCreekInn3.jpg
family carrier $exiv2/Reagan.jpg
family bridge $exiv2/exiv2-bug1026.jpg
family man $exiv2/exiv2-bug1137.jpg
family pink $exiv2/exiv2-bug1229.jpg
family drawing $exiv2/exiv2-bug876.jpg
family snowhouse $exiv2/exiv2-bug884a.jpg
family crow $exiv2/exiv2-bug884b.jpg
family darktrees $exiv2/exiv2-bug884c.jpg
family plant $exiv2/exiv2-bug922.jpg
family room $exiv2/exiv2-bug922a.jpg
family dog $exiv2/preview/exiv2-bug443-preview1.jpg
family couple $exiv2/preview/exiv2-bug444-preview2.jpg
family tower $exiv2/preview/exiv2-nikon-d70-preview2.jpg
family plane $pillow/exif_typeerror.jpg
family mountain $pillow/exif-72dpi-int.jpg
family frangipani $pillow/flower.jpg
family heather $pillow/flower2.jpg
family sign28 $pillow/iptc.jpg
family dogs3 $pillow/app13-multiple.jpg
family frozenpond $pillow/frozenpond.mpo
family sugarshack $pillow/sugarshack.mpo
family rocks $pillow/fujifilm.mpo
family sea $pillow/icc_profile_big.jpg
family coins $pillow/xmp_test.jpg
family field $pillow/junk_jpeg_header.jpg
family rose $turbo/testorig.jpg
single building $exiv2/preview/exiv2-bug447-preview1.jpg
single sickgirl $exiv2/preview/exiv2-canon-eos-20d-preview1.jpg
single subway $exiv2/preview/exiv2-canon-eos-300d-preview1.jpg
single catstreet $exiv2/preview/exiv2-canon-eos-d30-preview1.jpg
single pool $exiv2/preview/exiv2-canon-powershot-a520-preview1.jpg
single baby1 $exiv2/preview/exiv2-canon-powershot-s40-preview1.jpg
single dinner $exiv2/preview/exiv2-fujifilm-finepix-s2pro-preview1.jpg
single cannon $exiv2/preview/exiv2-nikon-e950-preview1.jpg
single fisheye $exiv2/preview/exiv2-nikon-e990-preview1.jpg
single chart $exiv2/preview/exiv2-olympus-c8080wz-preview1.jpg
single harbour $exiv2/preview/exiv2-panasonic-dmc-fz5-preview1.jpg
single nightcity $exiv2/preview/exiv2-sigma-d10-preview1.jpg
single baby2 $exiv2/preview/exiv2-sony-dsc-w7-preview1.jpg
single glider $exiv2/preview/glider-preview1.jpg
single streetcar $exiv2/preview/imagemagick-preview1.jpg
single river $exiv2/preview/smiley2-preview1.jpg
EOF

if [ ! -x "$build/tests/data-tools/calibrate_similarity" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --target calibration_set calibrate_similarity bench_analysis
fi
export QT_QPA_PLATFORM=offscreen
rm -rf "$scratch/set"
"$build/tests/data-tools/calibration_set" "$manifest" "$scratch/set"

# 3. The bench photos.
mkdir -p "$scratch/bench24"
for i in $(seq -w 1 200); do
    [ -f "$scratch/bench24/d5300-$i.jpg" ] || cp "$exiv2/exiv2-bug922a.jpg" "$scratch/bench24/d5300-$i.jpg"
done

# 4. The figures.
"$build/tests/data-tools/calibrate_similarity" "$scratch/set"
