#!/bin/sh
# Renders Corvane's artwork from its SVG sources into the committed images:
#   src/res/art/corvane-icon.svg  -> src/res/icons/corvane-{16,20,24,32,40,48,64,256}.png
#                                    (32-bit RGBA; the Windows icon holds them all),
#                                    and the 48-pixel one also for the help pages
#   src/res/art/about-bitmap.svg  -> src/res/bitmaps/about.bmp (78 x 78, 24-bit, on pure green)
#                                    and about-2x.bmp (156 x 156), which the Windows About box
#                                    draws at display scales above 100 %
# Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert (imagemagick). Run it after
# editing an SVG and commit the results; the build uses the committed images.
set -eu
cd "$(dirname "$0")/.."

for tool in rsvg-convert convert; do
    command -v "$tool" >/dev/null 2>&1 || {
        echo "render-art.sh: $tool is missing (apt-get install librsvg2-bin imagemagick)" >&2
        exit 1
    }
done

art=src/res/art
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
mkdir -p src/res/icons src/res/bitmaps src/res/help/images

# Icons: straight RGBA, without time stamps so that a re-render of unchanged art is identical.
for size in 16 20 24 32 40 48 64 256; do
    rsvg-convert -w "$size" -h "$size" "$art/corvane-icon.svg" -o "$work/icon-$size.png"
    convert "$work/icon-$size.png" -strip -define png:exclude-chunks=date,time \
        "PNG32:src/res/icons/corvane-$size.png"
done
# The help pages show the program's icon too.
cp src/res/icons/corvane-48.png src/res/help/images/corvane-48.png

# About bitmap. The window keys out exactly (0, 255, 0), so no pixel of the drawing may come out
# green-ish: partly covered edge pixels are blended with a neutral grey close to a dialog face,
# and only pixels less than half covered become the key colour.
render_about() { # size, output
    rsvg-convert -w "$1" -h "$1" "$art/about-bitmap.svg" -o "$work/about-rgba.png"
    convert "$work/about-rgba.png" -background '#ececec' -alpha remove -alpha off "$work/about-flat.png"
    convert "$work/about-rgba.png" -alpha extract -threshold 50% "$work/about-mask.png"
    convert "$work/about-flat.png" "$work/about-mask.png" -alpha off -compose CopyOpacity -composite \
        -background '#00ff00' -alpha remove -alpha off -type TrueColor "BMP3:$2"

    # Check the result: its size, and every pixel either the key colour or clearly not green.
    size=$(convert "$2" -format '%wx%h' info:)
    [ "$size" = "$1x$1" ] || { echo "render-art.sh: $2 is $size, not $1x$1" >&2; exit 1; }
    convert "$2" -depth 8 txt:- | awk '
        NR > 1 {
            split($2, c, /[(),]/); r = c[2] + 0; g = c[3] + 0; b = c[4] + 0
            key = (r == 0 && g == 255 && b == 0)
            m = (r > b) ? r : b
            if (!key && g - m > 80) { print "render-art.sh: greenish pixel " $1 " " r "," g "," b; bad = 1 }
            if (key) keyed++
        }
        END { if (bad) exit 1; if (keyed == 0) { print "render-art.sh: no transparent pixel"; exit 1 } }
    ' >&2
}
render_about 78 src/res/bitmaps/about.bmp
render_about 156 src/res/bitmaps/about-2x.bmp
echo "render-art.sh: icons and About bitmaps written"
