#!/usr/bin/env bash
# Makes the image fixtures of test_image with encoders we did not write
# (netpbm's pnmtopng, ImageMagick's convert). Run once; the outputs are
# committed, so the tests do not need these tools.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT

# A six-entry palette in a known order, and a 6x1 picture using index i at x = i.
printf 'P3\n6 1\n255\n10 20 30  200 0 0  0 200 0  0 0 200  17 34 51  250 240 230\n' > "$tmp/palette.ppm"
cp "$tmp/palette.ppm" "$tmp/indices.ppm"
pnmtopng -palette="$tmp/palette.ppm" "$tmp/indices.ppm" > palette.png
# The same with a tRNS chunk that makes index 5 transparent (pnmtopng would
# move a transparent colour to index 0, so the chunk is spliced in here).
python3 - palette.png palette_trns5.png <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
body = bytes([255, 255, 255, 255, 255, 0])
chunk = struct.pack('>I', len(body)) + b'tRNS' + body + struct.pack('>I', zlib.crc32(b'tRNS' + body))
at = data.index(b'IDAT') - 4
open(sys.argv[2], 'wb').write(data[:at] + chunk + data[at:])
PY

# RGB: a 3x2 picture whose first pixel is (0x11, 0x22, 0x33); plain and interlaced.
printf 'P3\n3 2\n255\n17 34 51  255 0 0  0 255 0\n0 0 255  255 255 255  1 2 3\n' > "$tmp/rgb.ppm"
pnmtopng -force "$tmp/rgb.ppm" > rgb.png
# A larger picture for the interlace passes: 13x11, every pixel different.
{ echo 'P3 13 11 255'; for y in $(seq 0 10); do for x in $(seq 0 12); do echo "$((x*19)) $((y*23)) $(((x*7+y*11)%256))"; done; done; } > "$tmp/ramp.ppm"
pnmtopng -force "$tmp/ramp.ppm" > ramp.png
pnmtopng -force -interlace "$tmp/ramp.ppm" > ramp_interlaced.png

# RGBA: the same colours with alpha 0, 64, 128, 192, 255, 7.
printf 'P2\n3 2\n255\n0 64 128\n192 255 7\n' > "$tmp/alpha.pgm"
pnmtopng -force -alpha="$tmp/alpha.pgm" "$tmp/rgb.ppm" > rgba.png

# Grey and grey with alpha.
printf 'P2\n3 1\n255\n0 128 255\n' > "$tmp/grey.pgm"
pnmtopng -force "$tmp/grey.pgm" > grey.png
printf 'P2\n3 1\n255\n255 128 0\n' > "$tmp/fade.pgm"
pnmtopng -force -alpha="$tmp/fade.pgm" "$tmp/grey.pgm" > grey_alpha.png

# JPEG: 16x16, top half white, bottom half black.
convert -size 16x8 xc:white -size 16x8 xc:black -append -type TrueColor -quality 95 top_white.jpg

# 16 bits per channel (written directly: RGB, 2x1): (0x1234, 0xABCD, 0xFF00)
# and (0x00FF, 0x8080, 0xFFFF); the decoder keeps each sample's high byte.
python3 - rgb16.png <<'PY'
import struct, sys, zlib
def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
row = b'\0' + struct.pack('>6H', 0x1234, 0xABCD, 0xFF00, 0x00FF, 0x8080, 0xFFFF)
png = (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 2, 1, 16, 2, 0, 0, 0))
       + chunk(b'IDAT', zlib.compress(row)) + chunk(b'IEND', b''))
open(sys.argv[1], 'wb').write(png)
PY
