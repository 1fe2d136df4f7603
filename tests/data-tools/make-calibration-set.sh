#!/usr/bin/env bash
# Builds the calibration set of the similarity presets from real camera photos and RAW files,
# outside the repository, in two halves split by source photo, and measures the presets on both.
#
#   tests/data-tools/make-calibration-set.sh SCRATCH [BUILD]
#
# SCRATCH is a folder of your choosing (about 3 GB); BUILD is a release build of this repository
# (default: build-rel, built here when missing). Steps:
#
# 0. The tools that only this script needs are installed here when missing, not by
#    scripts/deps.sh: libraw-bin (LibRaw's dcraw_emu and simple_dcraw), enfuse and imagemagick.
# 1. Debian source packages whose test data hold real camera photos are fetched with apt-get
#    source into SCRATCH/src, through a private apt configuration with a deb-src line
#    (SCRATCH/apt), so the machine's own sources stay as they are:
#      exiv2          test/data: camera JPEGs (Canon, Nikon, Pentax, Sony, Motorola) and the
#                     embedded previews of RAW files in test/data/preview
#      pillow         Tests/images: camera JPEGs (Canon, Nokia) and stereo-camera MPO files
#      libjpeg-turbo  testimages/testorig.jpg
#      kimageformats  autotests/read/raw: a Kodak C330 RAW file
#      hdrmerge       test/sample1-3.dng: a Nikon D5000 bracket (1/160, 1/640, 1/40 s) as DNGs
#    Debian's copyright files of these packages cover their test data: GPL-2+ (exiv2), the PIL
#    licence (pillow), the IJG/BSD-style licences (libjpeg-turbo), LGPL-2+ (kimageformats),
#    GPL-3 (hdrmerge). hdrmerge's Debian diff is missing from some mirrors; its upstream tarball
#    is all this needs, so a failed fetch of the diff is tolerated.
# 2. Renditions of the RAW files in SCRATCH/raw, made with LibRaw: the development of the set
#    ("orig": camera white balance, auto-brightness, BT.709 gamma) and beside it the same RAW
#    with automatic white balance (raw-autowb), without auto-brightness (raw-nobright), with the
#    sRGB curve (raw-srgb), its embedded preview (preview), and the bracket fused by enfuse (hdr).
#    The Kodak file has no second exposure: its bracket is developed from it 2 EV down and up.
# 3. The photos below (MANIFEST) are chosen by hand: real photographs only (no logos, charts of
#    text, blank or all-black frames), each scene once, each in one half: A, the calibration
#    half the presets are chosen on, or B, the held-back half they are judged on. "family" photos
#    get their near-duplicates and renditions (tests/support/KTNearDuplicates.h); "single"
#    photos, mostly the small RAW previews, stand alone. calibration_set writes SCRATCH/set-A and
#    SCRATCH/set-B.
# 4. SCRATCH/bench24 gets 200 copies of the 24-megapixel camera JPEG of exiv2's test data (a
#    Nikon D5300 file) for bench_analysis: VS_BENCH_PHOTOS=SCRATCH/bench24 bench_analysis.
# 5. calibrate_similarity prints the figures of the five presets on each half.
set -euo pipefail

scratch="${1:?usage: make-calibration-set.sh SCRATCH [BUILD]}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${2:-$root/build-rel}"
mkdir -p "$scratch"
scratch="$(cd "$scratch" && pwd)"

# 0. Tools.
if ! command -v dcraw_emu >/dev/null || ! command -v enfuse >/dev/null || ! command -v convert >/dev/null; then
    apt-get install -y libraw-bin enfuse imagemagick
fi

# 1. Sources.
apt_dir="$scratch/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$scratch/src"
echo "deb-src http://deb.debian.org/debian bookworm main" > "$apt_dir/sources.list"
apt_options=(
    -o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=/nonexistent"
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "Debug::NoLocking=1"
)
if ! ls -d "$scratch"/src/exiv2-*/ "$scratch"/src/kimageformats-*/ >/dev/null 2>&1; then
    apt-get "${apt_options[@]}" update
    (cd "$scratch/src" && apt-get "${apt_options[@]}" source exiv2 pillow libjpeg-turbo kimageformats)
fi
if ! [ -d "$scratch/src/hdrmerge-master" ]; then
    (cd "$scratch/src" && { apt-get "${apt_options[@]}" source --download-only hdrmerge || true; } &&
        tar xzf hdrmerge_*.orig.tar.gz)
fi
exiv2="$(ls -d "$scratch"/src/exiv2-*/ | head -1)test/data"
pillow="$(ls -d "$scratch"/src/pillow-*/ | head -1)Tests/images"
turbo="$(ls -d "$scratch"/src/libjpeg-turbo-*/ | head -1)testimages"
kodak="$(ls -d "$scratch"/src/kimageformats-*/ | head -1)autotests/read/raw/RAW_KODAK_C330_FORMAT_NONE_YRGB.raw"
bracket="$scratch/src/hdrmerge-master/test"

# 2. RAW renditions: develop RAW NAME [dcraw_emu options] writes SCRATCH/raw/NAME.png.
raw="$scratch/raw"
mkdir -p "$raw"
develop() {
    local file="$1" name="$2"
    shift 2
    [ -f "$raw/$name.png" ] && return 0
    cp "$file" "$raw/$name.raw"
    dcraw_emu -T "$@" "$raw/$name.raw"
    convert "$raw/$name.raw.tiff" "$raw/$name.png"
    rm -f "$raw/$name.raw" "$raw/$name.raw.tiff"
}
for source in "building:$bracket/sample1.dng" "cards:$kodak"; do
    name="${source%%:*}"
    file="${source#*:}"
    develop "$file" "$name-orig" -w
    develop "$file" "$name-raw-autowb" -a
    develop "$file" "$name-raw-nobright" -w -W
    develop "$file" "$name-raw-srgb" -w -g 2.4 12.92
done
develop "$bracket/sample2.dng" building-under -w
develop "$bracket/sample3.dng" building-over -w
develop "$kodak" cards-under -w -aexpo 0.25 0
develop "$kodak" cards-over -w -aexpo 4 0.8
if ! [ -f "$raw/building-preview.jpg" ]; then
    cp "$bracket/sample1.dng" "$raw/building-preview.dng"
    (cd "$raw" && simple_dcraw -e building-preview.dng && mv building-preview.dng.thumb.jpg building-preview.jpg)
    rm -f "$raw/building-preview.dng"
fi
for name in building cards; do
    if ! [ -f "$raw/$name-hdr.png" ]; then
        enfuse -o "$raw/$name-hdr.tif" "$raw/$name-under.png" "$raw/$name-orig.png" "$raw/$name-over.png"
        convert "$raw/$name-hdr.tif" -depth 8 "$raw/$name-hdr.png"
        rm -f "$raw/$name-hdr.tif"
    fi
done

# 3. The chosen photos, each with its half.
manifest="$scratch/manifest.txt"
cat > "$manifest" <<EOF
A family shop $exiv2/DSC_3079.jpg
B family furnace1 $exiv2/FurnaceCreekInn.jpg
B family furnace2 $exiv2/FurnaceCreekInn2.jpg
A family furnace3 $exiv2/FurnaceCreekInn3.jpg
A family carrier $exiv2/Reagan.jpg
B family bridge $exiv2/exiv2-bug1026.jpg
A family man $exiv2/exiv2-bug1137.jpg
B family pink $exiv2/exiv2-bug1229.jpg
A family drawing $exiv2/exiv2-bug876.jpg
B family snowhouse $exiv2/exiv2-bug884a.jpg
A family crow $exiv2/exiv2-bug884b.jpg
B family darktrees $exiv2/exiv2-bug884c.jpg
A family plant $exiv2/exiv2-bug922.jpg
B family room $exiv2/exiv2-bug922a.jpg
A family dog $exiv2/preview/exiv2-bug443-preview1.jpg
B family couple $exiv2/preview/exiv2-bug444-preview2.jpg
A family tower $exiv2/preview/exiv2-nikon-d70-preview2.jpg
B family plane $pillow/exif_typeerror.jpg
A family mountain $pillow/exif-72dpi-int.jpg
B family frangipani $pillow/flower.jpg
A family heather $pillow/flower2.jpg
B family sign28 $pillow/iptc.jpg
A family dogs3 $pillow/app13-multiple.jpg
B family frozenpond $pillow/frozenpond.mpo
A family sugarshack $pillow/sugarshack.mpo
B family rocks $pillow/fujifilm.mpo
B family sea $pillow/icc_profile_big.jpg
A family coins $pillow/xmp_test.jpg
A family field $pillow/junk_jpeg_header.jpg
B family rose $turbo/testorig.jpg
A family cards $raw/cards-orig.png
A rendition cards raw-autowb $raw/cards-raw-autowb.png
A rendition cards raw-nobright $raw/cards-raw-nobright.png
A rendition cards raw-srgb $raw/cards-raw-srgb.png
A rendition cards hdr-fused $raw/cards-hdr.png
B family hall $raw/building-orig.png
B rendition hall raw-autowb $raw/building-raw-autowb.png
B rendition hall raw-nobright $raw/building-raw-nobright.png
B rendition hall raw-srgb $raw/building-raw-srgb.png
B rendition hall preview $raw/building-preview.jpg
B rendition hall hdr-fused $raw/building-hdr.png
A single building $exiv2/preview/exiv2-bug447-preview1.jpg
B single sickgirl $exiv2/preview/exiv2-canon-eos-20d-preview1.jpg
A single subway $exiv2/preview/exiv2-canon-eos-300d-preview1.jpg
B single catstreet $exiv2/preview/exiv2-canon-eos-d30-preview1.jpg
A single pool $exiv2/preview/exiv2-canon-powershot-a520-preview1.jpg
B single baby1 $exiv2/preview/exiv2-canon-powershot-s40-preview1.jpg
A single dinner $exiv2/preview/exiv2-fujifilm-finepix-s2pro-preview1.jpg
B single cannon $exiv2/preview/exiv2-nikon-e950-preview1.jpg
A single fisheye $exiv2/preview/exiv2-nikon-e990-preview1.jpg
B single chart $exiv2/preview/exiv2-olympus-c8080wz-preview1.jpg
A single harbour $exiv2/preview/exiv2-panasonic-dmc-fz5-preview1.jpg
B single nightcity $exiv2/preview/exiv2-sigma-d10-preview1.jpg
A single baby2 $exiv2/preview/exiv2-sony-dsc-w7-preview1.jpg
B single glider $exiv2/preview/glider-preview1.jpg
A single streetcar $exiv2/preview/imagemagick-preview1.jpg
B single river $exiv2/preview/smiley2-preview1.jpg
EOF

if [ ! -x "$build/tests/data-tools/calibrate_similarity" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --target calibration_set calibrate_similarity bench_analysis
fi
export QT_QPA_PLATFORM=offscreen
for half in A B; do
    awk -v half="$half" '$1 == half { $1 = ""; print substr($0, 2) }' "$manifest" > "$scratch/manifest-$half.txt"
    rm -rf "$scratch/set-$half"
    "$build/tests/data-tools/calibration_set" "$scratch/manifest-$half.txt" "$scratch/set-$half"
done

# 4. The bench photos.
mkdir -p "$scratch/bench24"
for i in $(seq -w 1 200); do
    [ -f "$scratch/bench24/d5300-$i.jpg" ] || cp "$exiv2/exiv2-bug922a.jpg" "$scratch/bench24/d5300-$i.jpg"
done

# 5. The figures.
for half in A B; do
    echo "== half $half"
    "$build/tests/data-tools/calibrate_similarity" "$scratch/set-$half"
done
