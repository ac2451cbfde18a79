#!/usr/bin/env bash
# Conversion rate and colour fidelity on a varied TIFF corpus: a few hundred files written by
# every TIFF writer on this machine (ImageMagick, GraphicsMagick, libvips and the libtiff
# tools), each with many options: bilevel faxes and scans, greys of 1 to 32 bits, floats,
# signed integers, palettes, RGB and RGBA (associated and not), CMYK, CIELab, YCbCr JPEG,
# tiles, planes, predictors, BigTIFF, byte and fill orders, the eight orientations, pyramids,
# multi-page files mixing page kinds, and tiny or odd sizes.
#
#   bench/writer_corpus.sh [build-folder] [work-dir]
#
# Converts the corpus once with `rastrel -d` and counts the files converted. Every page
# written is compared with a peer's decode of the same page, orientation applied: the same
# size and a mean absolute difference of at most TOLERANCE (default 6 of 255) in every
# channel. The reference is ImageMagick's decode; a page outside the tolerance is compared
# with libvips's decode, then with the picture the writer was given where it was stored
# without loss, and it passes when one agrees (each peer misreads some pages: float ranges,
# old-style JPEG, orientation of YCbCr JPEG pages). Pages that agree with one reference only,
# or with a peer but not with the written picture, are listed too. Pages with alpha: the
# program writes the colour with its alpha dropped (associated alpha undone), which is what
# both peers decode when alpha is switched off; only pixels at least half opaque are
# compared, as colour under near-transparent pixels is not defined. Then the peers convert
# the same corpus to JPEG (`convert`, `gm convert`, `vips copy`) and a table compares the
# rates. Mismatches and failed files are listed by name.
#
# work-dir defaults to a temporary folder, removed at the end unless KEEP=1. PEERS=0 skips
# the peers. NO_BUILD=1 uses the executable as it is. Needs imagemagick, graphicsmagick,
# libvips-tools and libtiff-tools (bench/install_peers.sh installs them when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build}
work=${2:-}
tolerance=${TOLERANCE:-6}

"$root/bench/install_peers.sh"
# The real ImageMagick: another `convert` earlier on the PATH may be a wrapper.
im=${CONVERT:-/usr/bin/convert}

[[ ${NO_BUILD:-0} == 1 ]] || cmake --build "$build" --target rastrel -j2 >/dev/null
rastrel=$root/$build/rastrel
[[ $build == /* ]] && rastrel=$build/rastrel

if [[ -z $work ]]; then
  work=$(mktemp -d)
  [[ ${KEEP:-0} == 1 ]] || trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"
work=$(cd "$work" && pwd)
src=$work/src corpus=$work/corpus out=$work/out
rm -rf "$src" "$corpus" "$out" "$work/peers" "$work/cmp"
mkdir -p "$src" "$corpus" "$out" "$work/cmp"
genlog=$work/generate.log
: >"$genlog"
intended=$work/intended.tsv
: >"$intended"
refused=0

# One writer call; a writer that refuses an option costs that file only.
w() {
  if ! "$@" >>"$genlog" 2>&1; then
    echo "writer refused: $*" >>"$genlog"
    refused=$((refused + 1))
    # Its output (the last argument in the corpus) may be half written.
    local a target=
    for a in "$@"; do [[ $a == "$corpus"/* ]] && target=${a%%\[*}; done
    if [[ -n $target ]]; then rm -f "$target"; fi
  fi
}
now_ms() { date +%s%3N; }

# ---------------------------------------------------------------------------------------
# Sources: seeded, so the colours mean something and every run writes the same corpus.
gen_start=$(now_ms)
S=$src C=$im T=$corpus
$C -seed 11 -size 640x427 plasma:fractal -blur 0x1.5 -depth 8 "$S/photo.png"
$C -seed 12 -size 512x384 plasma:fractal -blur 0x2 -depth 16 "$S/photo16.png"
$C -seed 13 -size 500x375 plasma:fractal -blur 0x1 -colorspace Gray -depth 8 "$S/grey.png"
$C -seed 14 -size 480x360 plasma:fractal -blur 0x2 -colorspace Gray -depth 16 "$S/grey16.png"
$C -size 850x1100 xc:white -fill black -font DejaVu-Sans -pointsize 20 \
  -annotate +60+80 "$(seq -f 'Line %g: the quick brown fox jumps over the lazy dog 0123456789' 1 40)" \
  -draw 'rectangle 600,900 800,1050' -type bilevel -depth 1 "$S/text.png"
# Alpha from 30 % to opaque across the page, with an opaque band, over the photo.
$C "$S/photo.png" \( -size 427x640 gradient:gray30-white -rotate 90 -fill white -draw 'rectangle 0,300 640,360' \) \
  -alpha off -compose CopyOpacity -composite -depth 8 "$S/alpha.png"
$C "$S/photo16.png" \( -size 384x512 gradient:gray40-white -rotate 90 \) -alpha off -compose CopyOpacity \
  -composite -depth 16 "$S/alpha16.png"
$C "$S/grey.png" \( -size 375x500 gradient:white-gray35 -rotate 90 \) -alpha off -compose CopyOpacity \
  -composite -depth 8 "$S/greyalpha.png"
$C -size 400x300 gradient:navy-orange -seed 5 -attenuate 0.3 +noise Uniform -depth 8 "$S/gradient.png"
$C -seed 15 -size 333x217 plasma:fractal -blur 0x1 -depth 8 "$S/odd.png"

# ImageMagick.
for c in None LZW Zip JPEG RLE LZMA ZSTD WebP; do
  w $C "$S/photo.png" -depth 8 -compress $c "$T/im-rgb8-${c,,}.tif"
done
w $C "$S/photo.png" -depth 8 -compress LZW -define tiff:predictor=2 "$T/im-rgb8-lzw-pred2.tif"
w $C "$S/photo.png" -depth 8 -compress Zip -define tiff:predictor=2 "$T/im-rgb8-zip-pred2.tif"
w $C "$S/photo.png" -depth 8 -compress JPEG -quality 40 "$T/im-rgb8-jpeg-q40.tif"
w $C "$S/photo.png" -depth 8 -colorspace YCbCr -compress JPEG "$T/im-ycbcr-jpeg.tif"
w $C "$S/photo.png" -depth 8 -colorspace YCbCr -compress None "$T/im-ycbcr-none.tif"
w $C "$S/photo.png" -depth 8 -compress None -define tiff:tile-geometry=64x64 "$T/im-rgb8-tile64.tif"
w $C "$S/photo.png" -depth 8 -compress JPEG -define tiff:tile-geometry=128x128 "$T/im-rgb8-tile128-jpeg.tif"
w $C "$S/odd.png" -depth 8 -compress Zip -define tiff:tile-geometry=96x80 "$T/im-odd-tile96x80-zip.tif"
w $C "$S/photo.png" -depth 8 -compress None -interlace Plane "$T/im-rgb8-planar.tif"
w $C "$S/photo.png" -depth 8 -compress LZW -interlace Plane "$T/im-rgb8-planar-lzw.tif"
w $C "$S/photo.png" -depth 8 -compress JPEG -interlace Plane "$T/im-rgb8-planar-jpeg.tif"
w $C "$S/photo.png" -depth 8 -compress LZW -define tiff:endian=msb "$T/im-rgb8-msb-lzw.tif"
w $C "$S/photo.png" -depth 8 -compress None -define tiff:rows-per-strip=1 "$T/im-rgb8-rps1.tif"
w $C "$S/photo.png" -depth 8 -compress Zip -define tiff:rows-per-strip=7 "$T/im-rgb8-rps7-zip.tif"
w $C "$S/photo.png" -depth 8 -compress LZW -density 300 -units PixelsPerInch "$T/im-rgb8-300dpi.tif"
w $C "$S/gradient.png" -depth 8 -compress JPEG -quality 85 -density 118 -units PixelsPerCentimeter "$T/im-gradient-jpeg-cm.tif"
for c in None LZW Zip; do w $C "$S/photo16.png" -depth 16 -compress $c "$T/im-rgb16-${c,,}.tif"; done
w $C "$S/photo16.png" -depth 16 -compress Zip -define tiff:predictor=2 "$T/im-rgb16-zip-pred2.tif"
w $C "$S/photo16.png" -depth 16 -compress LZW -define tiff:endian=msb "$T/im-rgb16-msb-lzw.tif"
w $C "$S/photo16.png" -depth 16 -compress None -interlace Plane "$T/im-rgb16-planar.tif"
for c in None LZW Zip JPEG RLE; do w $C "$S/grey.png" -depth 8 -compress $c "$T/im-grey8-${c,,}.tif"; done
w $C "$S/grey.png" -depth 8 -compress LZW -define tiff:tile-geometry=128x64 "$T/im-grey8-tile.tif"
w $C "$S/grey16.png" -depth 16 -compress None "$T/im-grey16-none.tif"
w $C "$S/grey16.png" -depth 16 -compress Zip -define tiff:endian=msb "$T/im-grey16-msb-zip.tif"
w $C "$S/grey.png" -depth 12 -compress None "$T/im-grey12.tif"
for d in 2 4; do
  w $C "$S/grey.png" -depth $d -compress None "$T/im-grey$d-none.tif"
  w $C "$S/grey.png" -depth $d -compress LZW "$T/im-grey$d-lzw.tif"
done
w $C "$S/grey.png" -depth 32 -compress None "$T/im-grey32-uint.tif"
w $C "$S/photo.png" -depth 32 -compress Zip "$T/im-rgb32-uint.tif"
w $C "$S/grey.png" -define quantum:format=floatingPoint -depth 32 -compress LZW "$T/im-grey-float32.tif"
w $C "$S/grey.png" -define quantum:format=floatingPoint -depth 16 -compress Zip "$T/im-grey-float16.tif"
w $C "$S/grey.png" -define quantum:format=floatingPoint -depth 64 -compress Zip -define tiff:predictor=1 "$T/im-grey-float64.tif"
w $C "$S/photo.png" -define quantum:format=floatingPoint -depth 32 -compress LZW "$T/im-rgb-float32.tif"
w $C "$S/photo.png" -define quantum:format=floatingPoint -depth 32 -compress Zip -define tiff:predictor=3 "$T/im-rgb-float32-pred3.tif"
w $C "$S/photo.png" -define quantum:format=floatingPoint -depth 16 -compress LZW "$T/im-rgb-float16.tif"
for c in None Fax Group4 RLE LZW Zip; do w $C "$S/text.png" -type bilevel -depth 1 -compress $c "$T/im-bilevel-${c,,}.tif"; done
w $C "$S/text.png" -type bilevel -depth 1 -compress Group4 -define tiff:fill-order=lsb "$T/im-bilevel-g4-lsb.tif"
w $C "$S/text.png" -type bilevel -depth 1 -compress Fax -define quantum:polarity=min-is-black "$T/im-bilevel-fax-minblack.tif"
w $C "$S/text.png" -type bilevel -depth 1 -compress None -define tiff:photometric=min-is-black "$T/im-bilevel-minblack.tif"
for n in 2 4 16 256; do
  w $C "$S/photo.png" -dither FloydSteinberg -colors $n -type Palette -compress None "$T/im-palette$n-none.tif"
  w $C "$S/photo.png" -dither None -colors $n -type Palette -compress LZW "$T/im-palette$n-lzw.tif"
done
w $C "$S/gradient.png" -colors 200 -type Palette -compress RLE "$T/im-palette-gradient-rle.tif"
w $C "$S/alpha.png" -depth 8 -compress None "$T/im-rgba8-unassoc.tif"
w $C "$S/alpha.png" -depth 8 -compress LZW "$T/im-rgba8-unassoc-lzw.tif"
w $C "$S/alpha.png" -depth 8 -compress None -define tiff:alpha=associated "$T/im-rgba8-assoc.tif"
w $C "$S/alpha.png" -depth 8 -compress Zip -define tiff:alpha=unspecified "$T/im-rgbx8-unspecified.tif"
w $C "$S/alpha16.png" -depth 16 -compress Zip "$T/im-rgba16-unassoc.tif"
w $C "$S/alpha.png" -depth 8 -compress LZW -interlace Plane "$T/im-rgba8-planar.tif"
w $C "$S/greyalpha.png" -depth 8 -compress LZW "$T/im-greyalpha8.tif"
w $C "$S/alpha.png" -colors 64 -type PaletteAlpha -compress LZW "$T/im-palettealpha.tif"
for c in None LZW JPEG; do w $C "$S/photo.png" -colorspace CMYK -depth 8 -compress $c "$T/im-cmyk8-${c,,}.tif"; done
w $C "$S/photo16.png" -colorspace CMYK -depth 16 -compress Zip "$T/im-cmyk16-zip.tif"
w $C "$S/photo.png" -colorspace CMYK -depth 8 -compress None -interlace Plane "$T/im-cmyk8-planar.tif"
w $C "$S/alpha.png" -colorspace CMYK -depth 8 -compress LZW "$T/im-cmyka8.tif"
w $C "$S/photo.png" -colorspace Lab -depth 8 -compress None "$T/im-lab8.tif"
w $C "$S/photo16.png" -colorspace Lab -depth 16 -compress LZW "$T/im-lab16.tif"
for o in TopLeft TopRight BottomRight BottomLeft LeftTop RightTop RightBottom LeftBottom; do
  w $C "$S/photo.png" -depth 8 -compress LZW -orient $o "$T/im-orient-${o,,}.tif"
done
w $C "$S/photo.png" "$S/grey.png" "$S/text.png" \( "$S/photo.png" -colors 16 -type Palette \) "$S/photo16.png" \
  -compress LZW "$T/im-multi-mixed.tif"
w $C "$S/photo.png" "$S/gradient.png" "$S/odd.png" -depth 8 -compress JPEG "$T/im-multi-jpeg.tif"
w $C "$S/text.png" "$S/text.png" -rotate 180 "$S/text.png" -type bilevel -depth 1 -compress Group4 "$T/im-multi-fax.tif"
w $C -size 1x1 xc:'#c83214' -depth 8 -compress None "$T/im-1x1-rgb.tif"
w $C -size 1x1 xc:black -type bilevel -depth 1 -compress Group4 "$T/im-1x1-g4.tif"
w $C -size 3x2 gradient:red-blue -depth 8 -compress LZW "$T/im-3x2-rgb.tif"
w $C -size 1x300 gradient: -depth 8 -compress None "$T/im-1x300-grey.tif"
w $C -size 601x1 gradient: -rotate 90 -depth 16 -compress Zip "$T/im-601x1-grey16.tif"
w $C "$S/odd.png" -depth 8 -compress JPEG -quality 75 "$T/im-odd-jpeg.tif"
w $C "$S/odd.png" -depth 8 -colorspace YCbCr -compress JPEG "$T/im-odd-ycbcr-jpeg.tif"
w $C -size 17x9 gradient:green-yellow -type bilevel -depth 1 -compress Fax "$T/im-17x9-g3.tif"

# GraphicsMagick.
G=(gm convert)
for c in None LZW Zip JPEG RLE LZMA ZSTD WebP; do
  w "${G[@]}" "$S/photo.png" -depth 8 -compress $c "$T/gm-rgb8-${c,,}.tif"
done
w "${G[@]}" "$S/photo.png" -depth 8 -compress LZW -define tiff:predictor=2 "$T/gm-rgb8-lzw-pred2.tif"
w "${G[@]}" "$S/photo.png" -depth 8 -compress JPEG -define tiff:tile-geometry=128x128 "$T/gm-rgb8-tile-jpeg.tif"
w "${G[@]}" "$S/photo.png" -depth 8 -compress None -interlace Plane "$T/gm-rgb8-planar.tif"
w "${G[@]}" "$S/photo.png" -depth 8 -compress LZW -endian MSB "$T/gm-rgb8-msb.tif"
w "${G[@]}" "$S/photo.png" -depth 8 -compress None -define tiff:rows-per-strip=3 "$T/gm-rgb8-rps3.tif"
w "${G[@]}" "$S/photo16.png" -depth 16 -compress LZW "$T/gm-rgb16-lzw.tif"
w "${G[@]}" "$S/photo16.png" -depth 16 -compress Zip -define tiff:predictor=2 -endian MSB "$T/gm-rgb16-msb-zip.tif"
w "${G[@]}" "$S/grey.png" -type Grayscale -depth 8 -compress LZW "$T/gm-grey8-lzw.tif"
w "${G[@]}" "$S/grey.png" -type Grayscale -depth 8 -compress JPEG "$T/gm-grey8-jpeg.tif"
w "${G[@]}" "$S/grey16.png" -type Grayscale -depth 16 -compress None "$T/gm-grey16.tif"
w "${G[@]}" "$S/grey.png" -type Grayscale -define tiff:bits-per-sample=4 -compress None "$T/gm-grey4.tif"
w "${G[@]}" "$S/grey.png" -type Grayscale -define tiff:bits-per-sample=12 -compress None "$T/gm-grey12.tif"
w "${G[@]}" "$S/grey.png" -type Grayscale -define tiff:sample-format=ieeefp -depth 32 -compress None "$T/gm-grey-float32.tif"
w "${G[@]}" "$S/photo.png" -define tiff:sample-format=ieeefp -depth 32 -compress Zip "$T/gm-rgb-float32.tif"
w "${G[@]}" "$S/photo.png" -define tiff:sample-format=ieeefp -define tiff:bits-per-sample=24 -compress None "$T/gm-rgb-float24.tif"
w "${G[@]}" "$S/photo.png" -define tiff:sample-format=ieeefp -define tiff:bits-per-sample=16 -compress None "$T/gm-rgb-float16.tif"
for c in None Group3 Group4 RLE; do w "${G[@]}" "$S/text.png" -type Bilevel -compress $c "$T/gm-bilevel-${c,,}.tif"; done
w "${G[@]}" "$S/text.png" -type Bilevel -compress Group4 -define tiff:fill-order=lsb2msb "$T/gm-bilevel-g4-lsb.tif"
w "${G[@]}" "$S/text.png" -type Bilevel -compress Group3 -define tiff:group-three-options=5 "$T/gm-bilevel-g3-2d.tif"
w "${G[@]}" "$S/text.png" -type Bilevel -compress None -define tiff:photometric=min-is-black "$T/gm-bilevel-minblack.tif"
w "${G[@]}" "$S/photo.png" -colors 16 -type Palette -compress LZW "$T/gm-palette16.tif"
w "${G[@]}" "$S/photo.png" -colors 200 -type Palette -compress None "$T/gm-palette200.tif"
w "${G[@]}" "$S/alpha.png" -depth 8 -compress LZW "$T/gm-rgba8.tif"
w "${G[@]}" "$S/alpha.png" -depth 8 -compress LZW -define tiff:alpha=associated "$T/gm-rgba8-assoc.tif"
w "${G[@]}" "$S/greyalpha.png" -type GrayscaleMatte -depth 8 -compress Zip "$T/gm-greyalpha8.tif"
w "${G[@]}" "$S/photo.png" -colorspace CMYK -depth 8 -compress LZW "$T/gm-cmyk8.tif"
w "${G[@]}" "$S/photo16.png" -colorspace CMYK -depth 16 -compress None "$T/gm-cmyk16.tif"
w "${G[@]}" "$S/photo.png" -colorspace CMYK -depth 8 -compress None -interlace Plane "$T/gm-cmyk8-planar.tif"
w "${G[@]}" "$S/photo.png" -depth 8 -compress JPEG -colorspace YCbCr -define tiff:photometric=ycbcr "$T/gm-ycbcr-jpeg.tif"
w "${G[@]}" "$S/photo.png" -depth 8 -compress LZW -orient RightTop "$T/gm-orient-righttop.tif"
w "${G[@]}" "$S/photo.png" -depth 8 -compress LZW -orient BottomLeft "$T/gm-orient-bottomleft.tif"
w "${G[@]}" "$S/photo.png" "$S/grey.png" "$S/text.png" -compress LZW "$T/gm-multi-mixed.tif"
w "${G[@]}" -size 1x1 xc:'#1450c8' -depth 8 -compress None "$T/gm-1x1-rgb.tif"
w "${G[@]}" "$S/odd.png" -depth 8 -compress JPEG -quality 60 "$T/gm-odd-jpeg.tif"

# libvips.
V=vips
vs() { w $V tiffsave "$@"; }
for c in none deflate packbits lzw zstd webp; do vs "$S/photo.png" "$T/vips-rgb8-$c.tif" --compression $c; done
vs "$S/photo.png" "$T/vips-rgb8-webp-lossless.tif" --compression webp --lossless
vs "$S/photo.png" "$T/vips-rgb8-jpeg-q90.tif" --compression jpeg --Q 90
vs "$S/photo.png" "$T/vips-rgb8-jpeg-q40.tif" --compression jpeg --Q 40
vs "$S/photo.png" "$T/vips-rgb8-lzw-nopred.tif" --compression lzw --predictor none
vs "$S/photo.png" "$T/vips-rgb8-tile64-deflate.tif" --compression deflate --tile --tile-width 64 --tile-height 64
vs "$S/photo.png" "$T/vips-rgb8-tile256-jpeg.tif" --compression jpeg --tile --tile-width 256 --tile-height 256
vs "$S/odd.png" "$T/vips-odd-tile32x16-lzw.tif" --compression lzw --tile --tile-width 32 --tile-height 16
vs "$S/photo.png" "$T/vips-rgb8-pyramid-jpeg.tif" --compression jpeg --tile --pyramid
vs "$S/photo.png" "$T/vips-rgb8-pyramid-subifd.tif" --compression deflate --tile --pyramid --subifd
vs "$S/photo.png" "$T/vips-rgb8-bigtiff.tif" --compression lzw --bigtiff
vs "$S/photo.png" "$T/vips-rgb8-bigtiff-tile.tif" --compression jpeg --tile --bigtiff
vs "$S/photo.png" "$T/vips-rgb8-inch.tif" --resunit inch --xres 11.811 --yres 11.811
vs "$S/photo.png" "$T/vips-rgb8-properties.tif" --properties --compression deflate
vs "$S/photo16.png" "$T/vips-rgb16-none.tif"
vs "$S/photo16.png" "$T/vips-rgb16-deflate.tif" --compression deflate
vs "$S/photo16.png" "$T/vips-rgb16-tile-lzw.tif" --compression lzw --tile
vs "$S/grey.png" "$T/vips-grey8-none.tif"
vs "$S/grey.png" "$T/vips-grey8-jpeg.tif" --compression jpeg --Q 85
vs "$S/grey.png" "$T/vips-grey8-tile-zstd.tif" --compression zstd --tile --tile-width 128 --tile-height 128
vs "$S/grey16.png" "$T/vips-grey16-lzw.tif" --compression lzw
for d in 1 2 4; do vs "$S/grey.png" "$T/vips-grey-bitdepth$d.tif" --bitdepth $d; done
vs "$S/grey.png" "$T/vips-grey-bitdepth4-lzw.tif" --bitdepth 4 --compression lzw --predictor none
vs "$S/text.png" "$T/vips-bilevel-ccitt4.tif" --compression ccittfax4 --bitdepth 1
vs "$S/text.png" "$T/vips-bilevel-miniswhite.tif" --bitdepth 1 --miniswhite
vs "$S/text.png" "$T/vips-bilevel-minisblack-packbits.tif" --bitdepth 1 --compression packbits
vs "$S/text.png" "$T/vips-bilevel-ccitt4-tile.tif" --compression ccittfax4 --bitdepth 1 --tile --tile-width 256 --tile-height 256
vs "$S/alpha.png" "$T/vips-rgba8.tif" --compression deflate
vs "$S/alpha.png" "$T/vips-rgba8-premultiplied.tif" --premultiply --compression lzw
vs "$S/alpha16.png" "$T/vips-rgba16.tif"
vs "$S/greyalpha.png" "$T/vips-greyalpha8.tif" --compression deflate --tile
# Samples of other types, cast from the photo (values stay 0 to 255).
for t in float double; do
  w $V cast "$S/photo.png" "$work/cast-$t.v" $t
  vs "$work/cast-$t.v" "$T/vips-rgb-$t-0to255.tif"
done
vs "$work/cast-float.v" "$T/vips-rgb-float-pred-float.tif" --compression deflate --predictor float
w $V linear "$S/photo.png" "$work/unit.v" 0.00392156862745098 0
vs "$work/unit.v" "$T/vips-rgb-float-0to1.tif" --compression lzw
w $V colourspace "$S/photo.png" "$work/bw.v" b-w
w $V pngsave "$work/bw.v" "$S/bw.png"
for t in char short int uint; do
  w $V cast "$work/bw.v" "$work/bw-$t.v" $t
  vs "$work/bw-$t.v" "$T/vips-grey-$t.tif"
done
w $V linear -- "$work/bw.v" "$work/bw-signed.v" 1 -128
w $V cast "$work/bw-signed.v" "$work/bw-signed-char.v" char
vs "$work/bw-signed-char.v" "$T/vips-grey-int8-centred.tif"
w $V colourspace "$S/photo.png" "$work/lab.v" lab
vs "$work/lab.v" "$T/vips-lab-float.tif"
w $V colourspace "$S/photo.png" "$work/labs.v" labs
vs "$work/labs.v" "$T/vips-labs-16.tif" --compression deflate
w $V colourspace "$S/photo.png" "$work/labq.v" labq
vs "$work/labq.v" "$T/vips-labq-8.tif"
w $V icc_export "$S/photo.png" "$work/cmyk.v" --output-profile cmyk
vs "$work/cmyk.v" "$T/vips-cmyk8.tif" --compression lzw
vs "$work/cmyk.v" "$T/vips-cmyk8-jpeg.tif" --compression jpeg
w $V arrayjoin "$S/photo.png $S/photo.png $S/photo.png" "$work/strip.v" --across 1
vs "$work/strip.v" "$T/vips-multi-3pages.tif" --page-height 427 --compression jpeg
w $V black "$work/black1.v" 1 1
vs "$work/black1.v" "$T/vips-1x1-black.tif"
vs "$S/odd.png" "$T/vips-odd-jpeg.tif" --compression jpeg
w $V copy "$S/photo.png" "$T/vips-copy-rgb8.tif[compression=deflate,predictor=horizontal,strip]"

# libtiff tools, from uncompressed files.
B=$work/base
mkdir -p "$B"
$C "$S/photo.png" -depth 8 -compress None "$B/rgb8.tif"
$C "$S/photo16.png" -depth 16 -compress None "$B/rgb16.tif"
$C "$S/grey.png" -depth 8 -compress None "$B/grey8.tif"
$C "$S/grey16.png" -depth 16 -compress None "$B/grey16.tif"
$C "$S/text.png" -type bilevel -depth 1 -compress None "$B/bilevel.tif"
$C "$S/photo.png" -colors 16 -type Palette -compress None "$B/pal4.tif"
$C "$S/photo.png" -colors 256 -type Palette -compress None "$B/pal8.tif"
$C "$S/alpha.png" -depth 8 -compress None "$B/rgba8.tif"
$C "$S/photo.png" -colorspace CMYK -depth 8 -compress None "$B/cmyk8.tif"
$C "$S/odd.png" -depth 8 -compress None "$B/odd.tif"
$C "$S/greyalpha.png" -depth 8 -compress None "$B/greyalpha.tif"
tc() { w tiffcp "$@"; }
for c in none lzw lzw:2 zip zip:2 zip:p9 jpeg jpeg:50 jpeg:r jpeg:r:95 packbits lzma zstd webp lerc; do
  tc -r 16 -c $c "$B/rgb8.tif" "$T/tc-rgb8-${c//:/-}.tif"
done
tc -c lzw -p separate "$B/rgb8.tif" "$T/tc-rgb8-separate-lzw.tif"
tc -c zip:2 -p separate "$B/rgb8.tif" "$T/tc-rgb8-separate-zip2.tif"
tc -c jpeg:r -r 16 -p separate "$B/rgb8.tif" "$T/tc-rgb8-separate-jpeg.tif"
tc -c none -p separate -t -w 64 -l 64 "$B/rgb8.tif" "$T/tc-rgb8-separate-tile.tif"
tc -c lzw -t -w 64 -l 64 "$B/rgb8.tif" "$T/tc-rgb8-tile64-lzw.tif"
tc -c jpeg -t -w 16 -l 16 "$B/rgb8.tif" "$T/tc-rgb8-tile16-jpeg.tif"
tc -c zip -t -w 256 -l 128 "$B/rgb8.tif" "$T/tc-rgb8-tile256x128-zip.tif"
tc -c jpeg -t -w 32 -l 32 "$B/odd.tif" "$T/tc-odd-tile32-jpeg.tif"
tc -c jpeg:r -r 8 "$B/odd.tif" "$T/tc-odd-jpeg-rgb-rps8.tif"
tc -c jpeg -r 16 "$B/odd.tif" "$T/tc-odd-jpeg-rps16.tif"
tc -c lzw -8 "$B/rgb8.tif" "$T/tc-rgb8-bigtiff-lzw.tif"
tc -c jpeg -8 -t "$B/rgb8.tif" "$T/tc-rgb8-bigtiff-tile-jpeg.tif"
tc -c lzw -B "$B/rgb8.tif" "$T/tc-rgb8-bigendian-lzw.tif"
tc -c none -B "$B/rgb16.tif" "$T/tc-rgb16-bigendian.tif"
tc -c zip:2 -B "$B/rgb16.tif" "$T/tc-rgb16-bigendian-zip2.tif"
tc -c lzw:2 "$B/rgb16.tif" "$T/tc-rgb16-lzw2.tif"
tc -c zstd "$B/rgb16.tif" "$T/tc-rgb16-zstd.tif"
tc -c lerc "$B/rgb16.tif" "$T/tc-rgb16-lerc.tif"
tc -c none -r 1 "$B/rgb8.tif" "$T/tc-rgb8-rps1.tif"
tc -c packbits -r 5 "$B/rgb8.tif" "$T/tc-rgb8-rps5-packbits.tif"
tc -c none -s -r 0 "$B/rgb8.tif" "$T/tc-rgb8-onestrip.tif"
tc -c jpeg -r 16 "$B/grey8.tif" "$T/tc-grey8-jpeg.tif"
tc -c lzw:2 "$B/grey8.tif" "$T/tc-grey8-lzw2.tif"
tc -c zip -t -w 64 -l 64 "$B/grey8.tif" "$T/tc-grey8-tile-zip.tif"
tc -c zip:2 -B "$B/grey16.tif" "$T/tc-grey16-bigendian-zip2.tif"
tc -c lzma "$B/grey16.tif" "$T/tc-grey16-lzma.tif"
for c in none g3 g3:2d g3:2d:fill g4 packbits lzw jbig zip; do tc -c $c "$B/bilevel.tif" "$T/tc-bilevel-${c//:/-}.tif"; done
tc -c g4 -f lsb2msb "$B/bilevel.tif" "$T/tc-bilevel-g4-lsb2msb.tif"
tc -c g3:2d -f lsb2msb "$B/bilevel.tif" "$T/tc-bilevel-g3-2d-lsb2msb.tif"
tc -c g4 -t -w 128 -l 128 "$B/bilevel.tif" "$T/tc-bilevel-g4-tile.tif"
tc -c g4 -r 1 "$B/bilevel.tif" "$T/tc-bilevel-g4-rps1.tif"
tc -c g3 -8 "$B/bilevel.tif" "$T/tc-bilevel-g3-bigtiff.tif"
tc -c lzw "$B/pal4.tif" "$T/tc-pal4-lzw.tif"
tc -c packbits "$B/pal8.tif" "$T/tc-pal8-packbits.tif"
tc -c zip -t -w 64 -l 64 "$B/pal8.tif" "$T/tc-pal8-tile-zip.tif"
tc -c lzw "$B/rgba8.tif" "$T/tc-rgba8-lzw.tif"
tc -c zip:2 -p separate "$B/rgba8.tif" "$T/tc-rgba8-separate-zip2.tif"
tc -c webp "$B/rgba8.tif" "$T/tc-rgba8-webp.tif"
tc -c lzw "$B/greyalpha.tif" "$T/tc-greyalpha-lzw.tif"
tc -c lzw "$B/cmyk8.tif" "$T/tc-cmyk8-lzw.tif"
tc -c lzw -p separate "$B/cmyk8.tif" "$T/tc-cmyk8-separate.tif"
tc -c jpeg -r 16 "$B/cmyk8.tif" "$T/tc-cmyk8-jpeg.tif"
# Orientation tags written over pages stored as they are.
orient() {  # base-file name orientations...
  local base=$1 name=$2
  shift 2
  for o in "$@"; do
    cp "$base" "$T/$name-o$o.tif"
    w tiffset -s 274 "$o" "$T/$name-o$o.tif"
  done
}
orient "$T/tc-rgb8-lzw.tif" ts-rgb8-lzw 1 2 3 4 5 6 7 8
orient "$T/tc-bilevel-g4.tif" ts-bilevel-g4 2 3 4 5 6 7 8
orient "$T/tc-rgb8-jpeg.tif" ts-ycbcr-jpeg 3 5 6 8
orient "$T/tc-pal4-lzw.tif" ts-pal4 6 8
orient "$B/grey16.tif" ts-grey16 3 6
orient "$T/tc-rgb8-tile64-lzw.tif" ts-rgb8-tile 2 7
orient "$T/tc-rgb8-separate-lzw.tif" ts-rgb8-separate 6
orient "$T/tc-rgba8-lzw.tif" ts-rgba8 8
orient "$T/tc-cmyk8-lzw.tif" ts-cmyk8 6
orient "$T/im-grey4-none.tif" ts-grey4 5
orient "$T/im-rgb16-none.tif" ts-rgb16 8
orient "$T/tc-odd-tile32-jpeg.tif" ts-odd-tile-jpeg 6
w tiff2rgba "$T/tc-rgb8-jpeg.tif" "$T/t2r-from-ycbcr.tif"
w tiff2rgba -c lzw "$B/rgba8.tif" "$T/t2r-rgba-assoc-lzw.tif"
w tiff2rgba -n -c zip "$B/pal8.tif" "$T/t2r-noalpha-from-palette.tif"
w tiffcrop -U px -X 300 -Y 200 -E l "$B/rgb8.tif" "$T/tcrop-region.tif"
w tiffcrop -R 90 -c lzw "$B/rgb8.tif" "$T/tcrop-rotate90.tif"
w tiffcrop -F horiz -c g4 "$B/bilevel.tif" "$T/tcrop-mirror-g4.tif"
w tiff2bw -c lzw "$B/rgb8.tif" "$T/tiff2bw-lzw.tif"
w tiffdither -c g4 "$B/grey8.tif" "$T/tiffdither-g4.tif"
w tiffmedian -c lzw "$B/rgb8.tif" "$T/tiffmedian-lzw.tif"
w tiffmedian -f -C 16 "$B/rgb8.tif" "$T/tiffmedian-16-floyd.tif"
w pal2rgb -c zip "$B/pal8.tif" "$T/pal2rgb-zip.tif"
# Raw fax data as a fax program receives it: one G3 strip, bit-reversed.
w tiffcp -c g3 -f lsb2msb -r 100000 "$B/bilevel.tif" "$work/fax1d.tif"
w tiffcp -c g3:2d -f lsb2msb -r 100000 "$B/bilevel.tif" "$work/fax2d.tif"
w tiffcp -c g4 -f lsb2msb -r 100000 "$B/bilevel.tif" "$work/faxg4.tif"
strip_bytes() {  # tiff raw-file: writes the single strip of a one-strip TIFF
  local off count
  off=$(tiffdump "$1" | sed -n 's/^StripOffsets (273) [A-Z0-9]* ([0-9]*) 1<\([0-9]*\)>.*/\1/p')
  count=$(tiffdump "$1" | sed -n 's/^StripByteCounts (279) [A-Z0-9]* ([0-9]*) 1<\([0-9]*\)>.*/\1/p')
  tail -c +"$((off + 1))" "$1" | head -c "$count" >"$2"
}
if [[ -f $work/fax1d.tif ]]; then
  w strip_bytes "$work/fax1d.tif" "$work/fax1d.raw"
  w strip_bytes "$work/fax2d.tif" "$work/fax2d.raw"
  w strip_bytes "$work/faxg4.tif" "$work/faxg4.raw"
  w fax2tiff -X 850 -o "$T/fax2tiff-g3-1d.tif" "$work/fax1d.raw"
  w fax2tiff -X 850 -2 -8 -o "$T/fax2tiff-g3-2d-to-g4.tif" "$work/fax2d.raw"
  w fax2tiff -X 850 -4 -6 -m -o "$T/fax2tiff-g4-to-g3-2d.tif" "$work/faxg4.raw"
  w fax2tiff -X 850 -1 -s -z -c -o "$T/fax2tiff-stretched-lzw.tif" "$work/fax1d.raw"
  w fax2tiff -X 850 -5 -R 98 -o "$T/fax2tiff-lowres.tif" "$work/fax1d.raw"
fi
$C "$S/photo.png" -depth 8 "$work/photo.ppm"
$C "$S/grey.png" -depth 8 "$work/grey.pgm"
$C "$S/text.png" "$work/text.pbm"
w ppm2tiff -c lzw "$work/photo.ppm" "$T/ppm2tiff-rgb-lzw.tif"
w ppm2tiff -c jpeg:80 -r 16 "$work/photo.ppm" "$T/ppm2tiff-rgb-jpeg.tif"
w ppm2tiff -c zip -R 200 "$work/grey.pgm" "$T/ppm2tiff-grey-zip.tif"
w ppm2tiff -c g4 "$work/text.pbm" "$T/ppm2tiff-bilevel-g4.tif"
w ppm2tiff -c packbits "$work/text.pbm" "$T/ppm2tiff-bilevel-packbits.tif"
$C "$S/photo.png" -depth 8 "rgb:$work/photo.rgb"
$C "$S/photo16.png" -depth 16 -endian LSB "rgb:$work/photo16.rgb"
$C "$S/grey.png" -depth 8 "gray:$work/grey.raw"
$C "$S/grey.png" -define quantum:format=floatingPoint -depth 32 -endian LSB "gray:$work/greyf.raw"
$C "$S/photo.png" -colorspace CMYK -depth 8 "cmyk:$work/photo.cmyk"
$C "$S/photo.png" -depth 8 -interlace Plane "rgb:$work/photo-planes.rgb"
w raw2tiff -w 640 -l 427 -b 3 -p rgb -c lzw "$work/photo.rgb" "$T/raw2tiff-rgb-lzw.tif"
w raw2tiff -w 512 -l 384 -b 3 -d short -p rgb -c zip "$work/photo16.rgb" "$T/raw2tiff-rgb16-zip.tif"
w raw2tiff -w 500 -l 375 -b 1 -p minisblack -c packbits "$work/grey.raw" "$T/raw2tiff-grey.tif"
w raw2tiff -w 500 -l 375 -b 1 -p miniswhite -c none "$work/grey.raw" "$T/raw2tiff-grey-miniswhite.tif"
w raw2tiff -w 500 -l 375 -b 1 -d float -p minisblack "$work/greyf.raw" "$T/raw2tiff-grey-float.tif"
w raw2tiff -w 640 -l 427 -b 4 -p cmyk -c lzw "$work/photo.cmyk" "$T/raw2tiff-cmyk.tif"
w raw2tiff -w 640 -l 427 -b 3 -p rgb -i band -c jpeg "$work/photo-planes.rgb" "$T/raw2tiff-rgb-from-planes-jpeg.tif"
# Multi-page files assembled from pages of different kinds.
tc -c lzw "$T/tc-rgb8-jpeg.tif" "$T/tc-bilevel-g4.tif" "$T/tc-pal4-lzw.tif" "$B/grey16.tif" "$T/tc-multi-mixed.tif"
tc -8 "$T/tc-rgb8-jpeg.tif" "$T/tc-bilevel-g4.tif" "$T/im-cmyk8-lzw.tif" "$T/tc-multi-bigtiff.tif"
tc "$T/ts-rgb8-lzw-o6.tif" "$T/ts-bilevel-g4-o3.tif" "$T/ts-ycbcr-jpeg-o8.tif" "$T/tc-multi-orientations.tif"
tc "$T/tc-bilevel-g4.tif" "$T/tc-bilevel-g3.tif" "$T/tc-bilevel-g3-2d.tif" "$T/tc-bilevel-g4-lsb2msb.tif" \
  "$T/tc-bilevel-g4-rps1.tif" "$T/tc-multi-fax.tif"
tc "$T/vips-rgba8.tif" "$T/im-lab8.tif" "$T/im-grey-float32.tif" "$T/tc-multi-exotic.tif"
# Scanner-sized pages: an A4 text page at 300 dpi in G4, an A4 colour page in JPEG, a
# twenty-page fax batch, and a page followed by its reduced-resolution preview.
$C -size 2480x3508 xc:white -fill black -font DejaVu-Sans -pointsize 40 \
  -annotate +200+300 "$(seq -f 'Line %g of an A4 page scanned at 300 dpi: 0123456789' 1 60)" \
  -type bilevel -depth 1 -density 300 -units PixelsPerInch -compress None "$B/a4-text.tif"
tc -c g4 "$B/a4-text.tif" "$T/tc-a4-300dpi-g4.tif"
$C -seed 21 -size 620x877 plasma:fractal -blur 0x2 -resize 2480x3508! -depth 8 -density 300 -units PixelsPerInch \
  -compress JPEG -quality 80 "$T/im-a4-300dpi-jpeg.tif"
fax20=()
for _ in $(seq 1 20); do fax20+=("$T/tc-bilevel-g4.tif"); done
tc "${fax20[@]}" "$T/tc-multi-fax-20-pages.tif"
$C "$S/photo.png" -resize 80x54 -depth 8 -compress None "$work/preview.tif"
tc -c lzw "$T/tc-rgb8-lzw.tif" "$work/preview.tif" "$T/tc-page-with-preview.tif"
w tiffset -d 1 -s 254 1 "$T/tc-page-with-preview.tif"
w $C "$S/photo.png" -define quantum:format=floatingPoint -depth 32 -interlace Plane -compress LZW "$T/im-rgb-float32-planar.tif"
# Big-endian floats: libtiff 4.5's own writer gets the floating-point predictor wrong in
# big-endian files (every reader then sees noise), so the predicted ones are written here
# by hand, laid out as the predictor's technical note has it, as other software writes them.
tc -B -c lzw:1 "$T/im-rgb-float32.tif" "$T/tc-rgb-float32-bigendian.tif"
cat >"$work/fp3.pl" <<'PERL'
use Compress::Zlib;
my ($out, $order, $w, $h) = @ARGV;
my $be = $order eq 'MM';
my ($S, $L) = $be ? ('n', 'N') : ('v', 'V');
my $data = '';
for my $y (0 .. $h - 1) {
  my @planes = ('') x 4;
  for my $x (0 .. $w - 1) {
    my @b = unpack('C4', pack('f>', 0.5 * $x / ($w - 1) + 0.5 * $y / ($h - 1)));
    $planes[$_] .= chr($b[$_]) for 0 .. 3;
  }
  my @row = unpack('C*', join('', @planes));
  for (my $i = $#row; $i >= 1; $i--) { $row[$i] = ($row[$i] - $row[$i - 1]) & 255; }
  $data .= pack('C*', @row);
}
my $z = compress($data);
my $n = length $z; my $pad = $n % 2;
my @tags = ([256, 3, 1, $w], [257, 3, 1, $h], [258, 3, 1, 32], [259, 3, 1, 8], [262, 3, 1, 1], [273, 4, 1, 8],
  [277, 3, 1, 1], [278, 3, 1, $h], [279, 4, 1, $n], [284, 3, 1, 1], [317, 3, 1, 3], [339, 3, 1, 3]);
my $d = pack($S, scalar @tags);
for (@tags) {
  my ($t, $ty, $c, $v) = @$_;
  $d .= $ty == 3 ? pack("$S$S$L$S$S", $t, $ty, $c, $v, 0) : pack("$S$S$L$L", $t, $ty, $c, $v);
}
open my $o, '>:raw', $out or die "$out: $!";
print $o ($be ? "MM\0*" : "II*\0"), pack($L, 8 + $n + $pad), $z, "\0" x $pad, $d, pack($L, 0); close $o;
PERL
w perl "$work/fp3.pl" "$T/hand-grey-float32-pred3-bigendian.tif" MM 256 128
w perl "$work/fp3.pl" "$T/hand-grey-float32-pred3-littleendian.tif" II 256 128
$C -size 256x128 xc: -fx '0.5*i/255+0.5*j/127' -depth 16 "$S/ramp.png"
echo "hand-grey-float32-pred3-bigendian.tif $S/ramp.png" >>"$intended"
echo "hand-grey-float32-pred3-littleendian.tif $S/ramp.png" >>"$intended"
w $C "$S/photo16.png" -depth 16 -compress RLE "$T/im-rgb16-packbits.tif"
w $C "$S/alpha16.png" -colorspace Gray -depth 16 -compress LZW "$T/im-greyalpha16.tif"
w $C "$S/photo.png" -colors 4 -type Palette -compress LZW -orient RightTop "$T/im-palette4-orient-righttop.tif"

# Tags changed after writing: min-is-white greys (some scanners), the old Deflate code.
for f in im-grey8-lzw im-grey16-none; do
  cp "$T/$f.tif" "$T/ts-${f#im-}-miniswhite.tif"
  w tiffset -s 262 0 "$T/ts-${f#im-}-miniswhite.tif"
done
cp "$T/tc-rgb8-zip.tif" "$T/ts-rgb8-old-deflate-code.tif"
w tiffset -s 259 32946 "$T/ts-rgb8-old-deflate-code.tif"
vs "$S/odd.png" "$T/vips-odd-tile-larger-than-page.tif" --tile --tile-width 512 --tile-height 512 --compression deflate
# Old-style JPEG (compression 6) as older scanners and cameras wrote it: a whole JPEG
# stream that the strip and the JPEGInterchangeFormat tag both point at.
$C "$S/photo.png" -resize 320x214! -quality 85 -sampling-factor 2x2 "$work/ojpeg.jpg"
cat >"$work/ojpeg.pl" <<'PERL'
my ($jpg, $out, $w, $h, $photometric, $orientation) = @ARGV;
open my $in, '<:raw', $jpg or die "$jpg: $!"; local $/; my $j = <$in>; close $in;
my $n = length $j; my $pad = $n % 2;
my @tags = ([256, 4, 1, $w], [257, 4, 1, $h], [258, 3, 3, 'bps'], [259, 3, 1, 6], [262, 3, 1, $photometric],
  [273, 4, 1, 8], [274, 3, 1, $orientation], [277, 3, 1, 3], [278, 4, 1, $h], [279, 4, 1, $n], [284, 3, 1, 1],
  [513, 4, 1, 8], [514, 4, 1, $n], [530, 3, 2, 'sub']);
my $ifd = 8 + $n + $pad; my $extra = $ifd + 2 + 12 * @tags + 4;
my $d = pack('v', scalar @tags); my $ext = '';
for (@tags) {
  my ($tag, $type, $count, $v) = @$_;
  if ($v eq 'bps') { $d .= pack('vvVV', $tag, $type, $count, $extra); $ext .= pack('vvv', 8, 8, 8); }
  elsif ($v eq 'sub') { $d .= pack('vvVvv', $tag, $type, $count, 2, 2); }
  elsif ($type == 3) { $d .= pack('vvVvv', $tag, $type, $count, $v, 0); }
  else { $d .= pack('vvVV', $tag, $type, $count, $v); }
}
open my $o, '>:raw', $out or die "$out: $!";
print $o 'II*', "\0", pack('V', $ifd), $j, "\0" x $pad, $d, pack('V', 0), $ext; close $o;
PERL
w perl "$work/ojpeg.pl" "$work/ojpeg.jpg" "$T/ojpeg-ycbcr.tif" 320 214 6 1
w perl "$work/ojpeg.pl" "$work/ojpeg.jpg" "$T/ojpeg-says-rgb.tif" 320 214 2 1
w perl "$work/ojpeg.pl" "$work/ojpeg.jpg" "$T/ojpeg-ycbcr-o6.tif" 320 214 6 6
$C "$work/ojpeg.jpg" -rotate 90 "$S/ojpeg-o6.png"
echo "ojpeg-ycbcr.tif $work/ojpeg.jpg" >>"$intended"
echo "ojpeg-says-rgb.tif $work/ojpeg.jpg" >>"$intended"
echo "ojpeg-ycbcr-o6.tif $S/ojpeg-o6.png" >>"$intended"
# Embedded colour profiles, where a profile is at hand (Ghostscript's): colours are
# compared as stored, the way the peers decode them here without colour management.
icc=/usr/share/color/icc/ghostscript
if [[ -f $icc/a98.icc && -f $icc/default_cmyk.icc ]]; then
  w $C "$S/photo.png" -depth 8 -profile "$icc/srgb.icc" -compress LZW "$T/im-rgb8-icc-srgb.tif"
  w $C "$S/photo.png" -depth 8 -profile "$icc/a98.icc" -compress LZW "$T/im-rgb8-icc-a98-as-stored.tif"
  w $C "$S/photo.png" -colorspace CMYK -depth 8 -profile "$icc/default_cmyk.icc" -compress LZW "$T/im-cmyk8-icc.tif"
  w $C "$S/grey.png" -depth 8 -profile "$icc/sgray.icc" -compress Zip "$T/im-grey8-icc.tif"
fi

# The pictures some writers were given, stored without loss (or nearly: half floats, 8-bit
# Lab): a third reference, for samples the peers misread (floats beyond 0 to 1, signed
# integers, Lab in floats).
for n in vips-rgb-float-0to255 vips-rgb-float-pred-float vips-rgb-double-0to255 vips-rgb-float-0to1 \
  vips-lab-float vips-labs-16 vips-labq-8 im-rgb-float32 im-rgb-float32-pred3 im-rgb-float16 im-rgb32-uint \
  im-rgb-float32-planar tc-rgb-float32-bigendian \
  gm-rgb-float32 gm-rgb-float24 gm-rgb-float16; do
  echo "$n.tif $S/photo.png" >>"$intended"
done
for n in im-grey-float32 im-grey-float16 im-grey-float64 im-grey32-uint gm-grey-float32 raw2tiff-grey-float; do
  echo "$n.tif $S/grey.png" >>"$intended"
done
for n in vips-grey-short vips-grey-int vips-grey-uint vips-grey-int8-centred; do echo "$n.tif $S/bw.png" >>"$intended"; done
echo "im-lab16.tif $S/photo16.png" >>"$intended"

# Keep only what a TIFF reader can open; an empty or broken output of a writer is the
# writer's problem, not a file of the corpus.
for f in "$T"/*.tif; do
  if [[ ! -s $f ]] || ! tiffinfo "$f" >/dev/null 2>&1; then
    echo "not kept (unreadable): ${f##*/}" >>"$genlog"
    rm -f "$f"
  fi
done
gen_ms=$(($(now_ms) - gen_start))
total=$(find "$T" -maxdepth 1 -name '*.tif' | wc -l)
echo "corpus: $total files in $((gen_ms / 1000)).$((gen_ms % 1000 / 100)) s ($refused writer calls refused, see $genlog)"

# ---------------------------------------------------------------------------------------
# The program, once over the whole corpus.
run_start=$(now_ms)
set +e
"$rastrel" -d -i "$T/" -o "$out/" >"$work/rastrel.log" 2>"$work/rastrel.err"
rc=$?
set -e
run_ms=$(($(now_ms) - run_start))
summary=$(grep -E '^Files converted: [0-9]+ of [0-9]+' "$work/rastrel.log" | tail -n 1 || true)
converted=$(sed -E 's/^Files converted: ([0-9]+) of ([0-9]+).*/\1/' <<<"$summary")
collected=$(sed -E 's/^Files converted: ([0-9]+) of ([0-9]+).*/\2/' <<<"$summary")
echo "rastrel: exit code $rc, '$summary' in $((run_ms / 1000)).$((run_ms % 1000 / 100)) s"
[[ -n $converted ]] || { echo "no summary line; see $work/rastrel.log" >&2; exit 1; }
# Files whose block ends in an error line.
awk '/^Processing: /{file=substr($0,13)} /Unable to convert the file/{print file}' "$work/rastrel.log" |
  sed 's|.*/||' | sort -u >"$work/failed.txt"

# ---------------------------------------------------------------------------------------
# Every page written against a peer's decode.
export im tolerance
# Prints "MEAN MAX" of |reference - output| (worst channel's mean, largest difference over
# all channels) over the pixels the reference shows at least half opaque, or "size A B".
page_difference() {
  local ref=$1 jpg=$2 sizes alpha fraction
  sizes=$("$im" "$ref" "$jpg" -format '%wx%h %A\n' info: 2>/dev/null) || { echo "unreadable"; return; }
  read -r rsize alpha <<<"$(sed -n 1p <<<"$sizes")"
  local osize
  osize=$(sed -n 2p <<<"$sizes" | cut -d' ' -f1)
  [[ $rsize == "$osize" ]] || { echo "size $rsize $osize"; return; }
  if [[ $alpha == True || $alpha == Blend ]]; then
    fraction=$("$im" "$ref" -alpha extract -threshold 50% -format '%[fx:mean]' info:)
    "$im" "$ref" -alpha off -colorspace sRGB \( "$jpg" -colorspace sRGB \) -compose difference -composite \
      \( "$ref" -alpha extract -threshold 50% -colorspace sRGB \) -compose multiply -composite -format \
      "%[fx:255*max(max(mean.r,mean.g),mean.b)/max($fraction,1e-9)] %[fx:255*maxima]" info:
  else
    "$im" "$ref" -alpha off -colorspace sRGB \( "$jpg" -colorspace sRGB \) -compose difference -composite \
      -format '%[fx:255*max(max(mean.r,mean.g),mean.b)] %[fx:255*maxima]' info:
  fi
}
# Whether a "MEAN MAX" result is outside the tolerance (or no comparison at all).
outside() { [[ $1 != [0-9]* ]] || awk -v d="${1%% *}" -v t="$tolerance" 'BEGIN{exit !(d > t)}'; }
# One input file: compares each written page with ImageMagick's decode, then libvips's when
# that differs, then the picture the writer was given when it was stored without loss.
# Prints one line per page: name, page, verdict, mean, max, and the differences seen.
compare_file() {
  local f=$1 out=$2 cmp=$3 intended=$4 name base pages i jpg ref verdict r seen picture=
  name=${f##*/}
  base=${name%.*}
  pages=$(tiffdump "$f" 2>/dev/null | grep -c '^Directory ') || pages=1
  picture=$(awk -v n="$name" '$1 == n {print $2}' "$intended")
  for ((i = 0; i < pages; i++)); do
    if ((pages == 1)); then jpg=$out/$base.jpg; else jpg="$out/$base[$((i + 1))].jpg"; fi
    [[ -f $jpg ]] || { echo "$name	$((i + 1))	missing	-	-	"; continue; }
    # ImageMagick would read "[n]" in a name as a page number.
    ln -sf "$jpg" "$cmp/$base-$i-out.jpg"
    jpg=$cmp/$base-$i-out.jpg
    ref=$cmp/$base-$i-im.png
    verdict="" seen=""
    r=unreadable
    "$im" "$f[$i]" -auto-orient -colorspace sRGB -depth 8 "$ref" >/dev/null 2>&1 && r=$(page_difference "$ref" "$jpg")
    seen="im: $r"
    outside "$r" || verdict=im
    if [[ -z $verdict ]]; then
      ref=$cmp/$base-$i-vips.png
      r=unreadable
      if vips autorot "$f[page=$i]" "$cmp/$base-$i.v" >/dev/null 2>&1; then
        # Colour first: saving at 8 bits casts Lab or float samples before converting them.
        vips colourspace "$cmp/$base-$i.v" "$cmp/$base-$i-srgb.v" srgb >/dev/null 2>&1 ||
          cp "$cmp/$base-$i.v" "$cmp/$base-$i-srgb.v"
        vips pngsave "$cmp/$base-$i-srgb.v" "$ref" --bitdepth 8 >/dev/null 2>&1 && r=$(page_difference "$ref" "$jpg")
      fi
      seen+="; vips: $r"
      outside "$r" || verdict=vips
    fi
    if [[ -n $picture ]] && ((i == 0)); then
      # A peer can be wrong where the program is right, and the other way round.
      local p
      p=$(page_difference "$picture" "$jpg")
      seen+="; written picture: $p"
      if [[ -z $verdict ]] && ! outside "$p"; then
        verdict=picture r=$p
      elif [[ -n $verdict ]] && outside "$p"; then
        verdict+=",not-picture"
      fi
    fi
    [[ -n $verdict ]] || { echo "$name	$((i + 1))	mismatch	-	-	$seen"; continue; }
    echo "$name	$((i + 1))	ok-$verdict	${r% *}	${r#* }	$seen"
  done
}
export -f page_difference outside compare_file
cmp_start=$(now_ms)
ls "$T" | grep -vxF -f "$work/failed.txt" | sed "s|^|$T/|" |
  xargs -P 2 -I{} bash -c 'compare_file "$1" "$2" "$3" "$4"' _ {} "$out" "$work/cmp" "$intended" |
  sort >"$work/pages.tsv"
cmp_ms=$(($(now_ms) - cmp_start))
pages_total=$(wc -l <"$work/pages.tsv")
mismatched=$(grep -c -P '\t(mismatch|missing)\t' "$work/pages.tsv" || true)
vips_only=$(grep -c -P '\tok-vips' "$work/pages.tsv" || true)
picture_only=$(grep -c -P '\tok-picture\t' "$work/pages.tsv" || true)
not_picture=$(grep -c -P '\tok-[a-z]*,not-picture\t' "$work/pages.tsv" || true)
worst=$(awk -F'\t' '$3 ~ /^ok/ && $4 > w {w = $4; n = $1 "[" $2 "]"} END {printf "%.2f (%s)", w, n}' "$work/pages.tsv")
echo "compared $pages_total pages in $((cmp_ms / 1000)) s: $mismatched outside tolerance $tolerance;" \
  "$vips_only agree with libvips only, $picture_only with the written picture only," \
  "$not_picture with a peer but not the written picture; worst mean difference within tolerance $worst"

# ---------------------------------------------------------------------------------------
# The peers on the same corpus.
peer_rate() {  # label, then a command taking IN OUT
  local label=$1 dir=$work/peers/$1
  shift
  mkdir -p "$dir"
  : >"$dir.failed"
  local ok
  ok=$(ls "$T" | xargs -P 2 -I{} bash -c '
    corpus=$1 f=$2 dir=$3
    shift 3
    b=${f%.*}
    if timeout 120 "$@" "$corpus/$f" "$dir/$b.jpg" >/dev/null 2>&1; then
      # Several pages may come out as NAME-0.jpg, NAME-1.jpg...
      for o in "$dir/$b".jpg "$dir/$b"-*.jpg "$dir/$b".jpg.*; do
        [[ -s $o ]] && { echo ok; exit 0; }
      done
    fi
    echo "$f" >>"$dir.failed"' _ "$T" {} "$dir" "$@" | grep -c ok || true)
  printf '%-22s %5d of %-5d %6.1f %%\n' "$label" "$ok" "$total" "$(awk -v a="$ok" -v b="$total" 'BEGIN{print 100*a/b}')"
}
echo
printf '%-22s %-14s %8s\n' "converter" "files" "percent"
printf '%-22s %5d of %-5d %6.1f %%   %d pages outside tolerance\n' "rastrel" "$converted" "$collected" \
  "$(awk -v a="$converted" -v b="$collected" 'BEGIN{print 100*a/b}')" "$mismatched"
if [[ ${PEERS:-1} != 0 ]]; then
  peer_rate imagemagick "$im"
  peer_rate graphicsmagick gm convert
  peer_rate vips vips copy
fi

echo
if [[ -s $work/failed.txt ]]; then
  echo "not converted by rastrel:"
  while read -r name; do
    reason=$(awk -v f="$name" '/^Processing: /{on = index($0, "/" f) > 0} on && /\[ERROR\]/ && !/Unable to convert/' \
      "$work/rastrel.log" | head -n 1)
    echo "  $name  ${reason}"
  done <"$work/failed.txt"
fi
if ((mismatched > 0)); then
  echo "pages outside tolerance (mean of the worst channel, largest difference):"
  grep -P '\t(mismatch|missing)\t' "$work/pages.tsv" | awk -F'\t' '{printf "  %s [page %s]  %s  %s\n", $1, $2, $3, $6}'
fi
if ((vips_only + picture_only + not_picture > 0)); then
  echo "pages within tolerance of one reference only:"
  grep -P '\tok-(vips|picture|[a-z]*,not-picture)' "$work/pages.tsv" |
    awk -F'\t' '{printf "  %s [page %s]  %s  %s\n", $1, $2, $3, $6}'
fi
for peer in imagemagick graphicsmagick vips; do
  if [[ -s $work/peers/$peer.failed ]]; then
    echo "not converted by $peer: $(sort "$work/peers/$peer.failed" | head -n 40 | tr '\n' ' ')"
  fi
done
echo "timings: generation $((gen_ms / 1000)) s, rastrel $((run_ms / 1000)).$((run_ms % 1000 / 100)) s, comparison $((cmp_ms / 1000)) s"
[[ ${KEEP:-0} == 1 ]] && echo "kept in $work"
exit 0
