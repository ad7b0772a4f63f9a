#!/usr/bin/env bash
# Derives the project's GUI skin "Tolva2" (scheme, imageset with its picture, look'n'feel) in
# data/media/gui/ from CEGUI's MIT-licensed sample skin "TaharezLook" in /usr/share/cegui-0.8.7
# (Debian package libcegui-mk2-data), and writes CEGUI's licence beside it. Run it again after a
# change here and commit what it writes; the fonts and the layouts in data/media/gui/ are the
# project's own and are not touched.
#
# Every file reference inside the skin carries its full path below the media folder
# ("gui/imagesets/Tolva2.png"), so the files are found whichever way the media folder is listed as
# a resource location.
set -euo pipefail
root="$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)"
source_dir=/usr/share/cegui-0.8.7
out="$root/data/media/gui"

for file in schemes/TaharezLook.scheme imagesets/TaharezLook.imageset imagesets/TaharezLook.png \
    looknfeel/TaharezLook.looknfeel; do
  if [ ! -f "$source_dir/$file" ]; then
    echo "missing $source_dir/$file: install libcegui-mk2-data" >&2
    exit 1
  fi
done
mkdir -p "$out/schemes" "$out/imagesets" "$out/looknfeel" "$out/fonts" "$out/layouts"

# The scheme: every widget mapping of the sample skin under the name Tolva2, the skin's own
# imageset and look'n'feel, and the project's two fonts (proportional first: CEGUI takes the
# first font loaded as the default font).
sed -e 's/TaharezLook/Tolva2/g' \
    -e 's#<Imageset filename="Tolva2.imageset" />#<Imageset filename="gui/imagesets/Tolva2.imageset" />#' \
    -e 's#<Font filename="DejaVuSans-12.font" />#<Font filename="gui/fonts/Tolva2-10.font" />\n\t<Font filename="gui/fonts/Tolva2Mono-10.font" />#' \
    -e 's#<LookNFeel filename="Tolva2.looknfeel" />#<LookNFeel filename="gui/looknfeel/Tolva2.looknfeel" />#' \
    -e 's/[[:space:]]*$//' \
    "$source_dir/schemes/TaharezLook.scheme" >"$out/schemes/Tolva2.scheme"

# The imageset, with the image "MouseCursor" (the sample's arrow) that the GUI module shows as its
# cursor.
sed -e 's/TaharezLook/Tolva2/g' \
    -e 's#imagefile="Tolva2.png"#imagefile="gui/imagesets/Tolva2.png"#' \
    -e 's#^\( *\)<Image height="25" name="MouseArrow" width="31" xPos="138" yPos="127" />#&\n\1<Image height="25" name="MouseCursor" width="31" xPos="138" yPos="127" />#' \
    -e 's/[[:space:]]*$//' \
    "$source_dir/imagesets/TaharezLook.imageset" >"$out/imagesets/Tolva2.imageset"
cp "$source_dir/imagesets/TaharezLook.png" "$out/imagesets/Tolva2.png"

sed -e 's/TaharezLook/Tolva2/g' -e 's/[[:space:]]*$//' \
    "$source_dir/looknfeel/TaharezLook.looknfeel" >"$out/looknfeel/Tolva2.looknfeel"

for check in 'name="Tolva2"' 'filename="gui/imagesets/Tolva2.imageset"' 'filename="gui/fonts/Tolva2-10.font"' \
    'filename="gui/looknfeel/Tolva2.looknfeel"'; do
  grep -q "$check" "$out/schemes/Tolva2.scheme" || { echo "scheme lacks $check" >&2; exit 1; }
done
grep -q 'name="MouseCursor"' "$out/imagesets/Tolva2.imageset" || { echo "imageset lacks MouseCursor" >&2; exit 1; }
if grep -q TaharezLook "$out"/schemes/* "$out"/imagesets/*.imageset "$out"/looknfeel/*; then
  echo "a TaharezLook reference is left" >&2
  exit 1
fi

cat >"$out/LICENSE-CEGUI" <<'EOF'
The scheme, imageset, picture and look'n'feel in this folder (gui/schemes/Tolva2.scheme,
gui/imagesets/Tolva2.imageset, gui/imagesets/Tolva2.png, gui/looknfeel/Tolva2.looknfeel) are
derived from the "TaharezLook" sample skin of CEGUI 0.8.7 (Debian package libcegui-mk2-data),
renamed by tools/make-gui-data.sh. They are distributed under CEGUI's licence:

Copyright (c) 2004 - 2022 Paul D Turner & The CEGUI Development Team

Permission is hereby granted, free of charge, to any person obtaining a copy
of this software and associated documentation files (the "Software"), to deal
in the Software without restriction, including without limitation the rights
to use, copy, modify, merge, publish, distribute, sublicense, and/or sell
copies of the Software, and to permit persons to whom the Software is
furnished to do so, subject to the following conditions:

The above copyright notice and this permission notice shall be included in all
copies or substantial portions of the Software.

THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR
IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY,
FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT.  IN NO EVENT SHALL THE
AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER
LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM,
OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE
SOFTWARE.

The fonts (gui/fonts/*.font) name the DejaVu typefaces, which are not shipped here: the program
reads them from the system's fonts-dejavu-core package (see the resource locations of
"engine.cfg").
EOF
echo "GUI skin written to $out"
