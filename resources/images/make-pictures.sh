#!/bin/sh
# Regenerates every picture of TaViR in this folder.
#
# Needs: rsvg-convert (Debian package librsvg2-bin), ImageMagick 6 `convert`
# and the fonts "P052" (fonts-urw-base35) for the background's title.
#
# The drawings are written below as small SVG documents, rendered with
# rsvg-convert and finished with ImageMagick. tavir.svg (the application icon)
# is the hand-written source kept beside this script; it is only read here.
#
# Usage: sh resources/images/make-pictures.sh
set -eu

HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT INT TERM

for tool in rsvg-convert convert; do
  command -v "$tool" >/dev/null 2>&1 || { echo "missing tool: $tool" >&2; exit 1; }
done

# render NAME SIZE: $WORK/NAME.svg -> $HERE/NAME.png, SIZE x SIZE, 8-bit RGBA, no metadata
render() {
  rsvg-convert -w "$2" -h "$2" "$WORK/$1.svg" -o "$WORK/$1.raw.png"
  convert "$WORK/$1.raw.png" -strip -define png:compression-level=9 \
          -define png:exclude-chunks=date,time "PNG32:$HERE/$1.png"
}

# The "6"-shaped stroke of an opening quotation mark, ball of radius 10 at the origin.
MARK='M -10,0 C -10,-15 -3,-26 10,-31 L 12,-26.5 C 4,-22.5 0,-17 1,-9.95 A 10,10 0 1 1 -10,0 Z'

# ---------------------------------------------------------------- search.png
# Magnifying glass in cream, for the burgundy search bar.
cat > "$WORK/search.svg" <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <defs>
    <radialGradient id="glass" cx="0.38" cy="0.35" r="0.75">
      <stop offset="0" stop-color="#FFFFFF" stop-opacity="0.45"/>
      <stop offset="1" stop-color="#FFF4DE" stop-opacity="0.08"/>
    </radialGradient>
    <linearGradient id="metal" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="#FFFBF2"/>
      <stop offset="1" stop-color="#E3CFAA"/>
    </linearGradient>
  </defs>
  <g fill="none" stroke="#2A0001" stroke-opacity="0.45" stroke-linecap="round" transform="translate(1,1.2)">
    <circle cx="13" cy="13" r="8.5" stroke-width="3.2"/>
    <path d="M 19.6,19.6 L 27,27" stroke-width="5"/>
  </g>
  <circle cx="13" cy="13" r="8.5" fill="url(#glass)"/>
  <path d="M 8.6,11.2 A 5.2,5.2 0 0 1 12.4,7.8" fill="none" stroke="#FFFFFF" stroke-opacity="0.85"
        stroke-width="1.6" stroke-linecap="round"/>
  <circle cx="13" cy="13" r="8.5" fill="none" stroke="url(#metal)" stroke-width="3"/>
  <path d="M 19.6,19.6 L 21.6,21.6" stroke="#F3E6CC" stroke-width="3.6" stroke-linecap="round"/>
  <path d="M 21.2,21.2 L 27,27" stroke="url(#metal)" stroke-width="5" stroke-linecap="round"/>
</svg>
EOF
render search 32

# ------------------------------------------------------------ decoration.png
# An open book in cream with burgundy-brown lines of text, for the search bar.
cat > "$WORK/decoration.svg" <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <defs>
    <linearGradient id="left" x1="0" y1="0" x2="1" y2="0">
      <stop offset="0" stop-color="#F2E3C6"/>
      <stop offset="1" stop-color="#FFF9EE"/>
    </linearGradient>
    <linearGradient id="right" x1="0" y1="0" x2="1" y2="0">
      <stop offset="0" stop-color="#FFF9EE"/>
      <stop offset="1" stop-color="#F2E3C6"/>
    </linearGradient>
  </defs>
  <path d="M 2,10 C 7,7.5 12,7.5 16,10 C 20,7.5 25,7.5 30,10 L 30,26 C 25,23.5 20,23.5 16,26 C 12,23.5 7,23.5 2,26 Z"
        fill="#2A0001" fill-opacity="0.4" transform="translate(0.8,1.2)"/>
  <path d="M 2,11 L 2,26 C 7,23.5 12,23.5 16,26 C 20,23.5 25,23.5 30,26 L 30,11 Z" fill="#D8BF94"/>
  <path d="M 2.5,8.5 C 7,6 12,6 16,8.8 L 16,24.5 C 12,22 7,22 2.5,24.5 Z" fill="url(#left)"/>
  <path d="M 29.5,8.5 C 25,6 20,6 16,8.8 L 16,24.5 C 20,22 25,22 29.5,24.5 Z" fill="url(#right)"/>
  <path d="M 16,8.8 L 16,24.5" stroke="#B89A6C" stroke-width="0.9"/>
  <g fill="none" stroke="#9C5B4A" stroke-opacity="0.75" stroke-width="1" stroke-linecap="round">
    <path d="M 5,11.2 C 8,10 11,10 13.5,11.4"/>
    <path d="M 5,14.2 C 8,13 11,13 13.5,14.4"/>
    <path d="M 5,17.2 C 8,16 11,16 13.5,17.4"/>
    <path d="M 5,20.2 C 7,19.4 9,19.3 10.5,19.8"/>
    <path d="M 18.5,11.4 C 21,10 24,10 27,11.2"/>
    <path d="M 18.5,14.4 C 21,13 24,13 27,14.2"/>
    <path d="M 18.5,17.4 C 21,16 24,16 27,17.2"/>
    <path d="M 18.5,20.4 C 21,19 24,19 27,20.2"/>
  </g>
</svg>
EOF
render decoration 32

# ------------------------------------------------------------------- www.png
# A small globe for the "Strona WWW" button on the grey bottom bar.
cat > "$WORK/www.svg" <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
  <defs>
    <radialGradient id="sea" cx="0.35" cy="0.3" r="0.8">
      <stop offset="0" stop-color="#C2383B"/>
      <stop offset="1" stop-color="#6E0204"/>
    </radialGradient>
    <clipPath id="round"><circle cx="7.5" cy="7.5" r="6.2"/></clipPath>
  </defs>
  <circle cx="7.5" cy="7.5" r="6.5" fill="url(#sea)"/>
  <g fill="none" stroke="#FFF3DC" stroke-width="1" clip-path="url(#round)">
    <ellipse cx="7.5" cy="7.5" rx="3" ry="6.5" stroke-opacity="0.95"/>
    <path d="M 0,7.5 L 16,7.5" stroke-opacity="0.95"/>
    <path d="M 0,4.5 L 16,4.5" stroke-opacity="0.45"/>
    <path d="M 0,10.5 L 16,10.5" stroke-opacity="0.45"/>
  </g>
  <circle cx="7.5" cy="7.5" r="6.5" fill="none" stroke="#4A0002" stroke-width="1"/>
</svg>
EOF
render www 16

# ----------------------------------------------------------------- about.png
# An "i" badge for the "O autorach" button.
cat > "$WORK/about.svg" <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
  <defs>
    <radialGradient id="disc" cx="0.35" cy="0.3" r="0.8">
      <stop offset="0" stop-color="#C2383B"/>
      <stop offset="1" stop-color="#6E0204"/>
    </radialGradient>
  </defs>
  <circle cx="8" cy="8" r="6.8" fill="url(#disc)" stroke="#4A0002" stroke-width="1"/>
  <circle cx="8.1" cy="4.6" r="1.25" fill="#FFF6E6"/>
  <path d="M 6.4,7 L 9,7 L 9,11.2 L 10,11.2 L 10,12.4 L 6.2,12.4 L 6.2,11.2 L 7.2,11.2 L 7.2,8.2 L 6.4,8.2 Z" fill="#FFF6E6"/>
</svg>
EOF
render about 16

# ------------------------------------------------------------------ wait.png
# An hourglass for the "Trwa ładowanie danych..." window.
cat > "$WORK/wait.svg" <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <defs>
    <linearGradient id="wood" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#A8252A"/>
      <stop offset="1" stop-color="#6A0204"/>
    </linearGradient>
    <linearGradient id="sand" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#F0C56A"/>
      <stop offset="1" stop-color="#C98E2E"/>
    </linearGradient>
    <linearGradient id="glass" x1="0" y1="0" x2="1" y2="0">
      <stop offset="0" stop-color="#FFFFFF" stop-opacity="0.85"/>
      <stop offset="0.5" stop-color="#F4EEE4" stop-opacity="0.55"/>
      <stop offset="1" stop-color="#E2D6C4" stop-opacity="0.8"/>
    </linearGradient>
  </defs>
  <path d="M 9.5,6 C 9.5,12 14.4,13.6 14.4,16 C 14.4,18.4 9.5,20 9.5,26 L 22.5,26 C 22.5,20 17.6,18.4 17.6,16 C 17.6,13.6 22.5,12 22.5,6 Z"
        fill="url(#glass)" stroke="#8E7C69" stroke-width="1"/>
  <path d="M 11.3,10.5 L 20.7,10.5 C 19.5,13 16.9,14 16.5,15.6 L 15.5,15.6 C 15.1,14 12.5,13 11.3,10.5 Z" fill="url(#sand)"/>
  <path d="M 16,15.5 L 16,23" stroke="#D9A441" stroke-width="1" stroke-dasharray="1.2 0.8"/>
  <path d="M 10.3,25.4 C 11.5,21.6 14,20.6 16,20.4 C 18,20.6 20.5,21.6 21.7,25.4 Z" fill="url(#sand)"/>
  <path d="M 11,7.5 C 11,9.5 11.6,10.8 12.6,11.8" fill="none" stroke="#FFFFFF" stroke-opacity="0.9" stroke-width="0.9" stroke-linecap="round"/>
  <rect x="8.2" y="5.6" width="1.8" height="20.8" fill="#7E0305"/>
  <rect x="22" y="5.6" width="1.8" height="20.8" fill="#7E0305"/>
  <rect x="5.5" y="2.5" width="21" height="3.8" rx="1.6" fill="url(#wood)" stroke="#4A0002" stroke-width="0.8"/>
  <rect x="5.5" y="25.7" width="21" height="3.8" rx="1.6" fill="url(#wood)" stroke="#4A0002" stroke-width="0.8"/>
  <path d="M 7,3.6 L 25,3.6" stroke="#FFFFFF" stroke-opacity="0.35" stroke-width="0.8" stroke-linecap="round"/>
  <path d="M 7,26.8 L 25,26.8" stroke="#FFFFFF" stroke-opacity="0.35" stroke-width="0.8" stroke-linecap="round"/>
</svg>
EOF
render wait 32

# --------------------------------------------------------------- quote16.png
# List icon of a quotation: a burgundy speech bubble holding a quotation mark.
cat > "$WORK/quote16.svg" <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
  <defs>
    <linearGradient id="bubble" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#A8252A"/>
      <stop offset="1" stop-color="#700204"/>
    </linearGradient>
  </defs>
  <path d="M 3.5,1.5 L 12.5,1.5 C 14,1.5 14.5,2 14.5,3.5 L 14.5,9.5 C 14.5,11 14,11.5 12.5,11.5 L 8,11.5 L 4,14.5 L 4.6,11.5 L 3.5,11.5 C 2,11.5 1.5,11 1.5,9.5 L 1.5,3.5 C 1.5,2 2,1.5 3.5,1.5 Z"
        fill="url(#bubble)" stroke="#4A0002" stroke-width="1" stroke-linejoin="round"/>
  <g fill="#FFF6E6">
    <path d="$MARK" transform="translate(6.1,8) scale(0.19)"/>
    <path d="$MARK" transform="translate(10.3,8) scale(0.19)"/>
  </g>
</svg>
EOF
render quote16 16

# ---------------------------------------------------------------- hint16.png
# List icon of the start-up hint row: a golden arrow pointing to the search bar on the left.
cat > "$WORK/hint16.svg" <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">
  <defs>
    <linearGradient id="gold" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#F7CF6A"/>
      <stop offset="1" stop-color="#D08A1A"/>
    </linearGradient>
  </defs>
  <path d="M 1.5,8 L 7.5,2.5 L 7.5,5.5 L 13,5.5 C 14,5.5 14.5,6 14.5,7 L 14.5,9 C 14.5,10 14,10.5 13,10.5 L 7.5,10.5 L 7.5,13.5 Z"
        fill="url(#gold)" stroke="#8A5206" stroke-width="1" stroke-linejoin="round"/>
  <path d="M 8.5,6.5 L 13.3,6.5" stroke="#FFF6D8" stroke-opacity="0.8" stroke-width="0.9" stroke-linecap="round"/>
</svg>
EOF
render hint16 16

# -------------------------------------------------------------------- ok.png
# A check mark for the About window's OK button.
cat > "$WORK/ok.svg" <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <defs>
    <linearGradient id="green" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#6CC070"/>
      <stop offset="1" stop-color="#2E7D32"/>
    </linearGradient>
  </defs>
  <g fill="none" stroke-linecap="round" stroke-linejoin="round">
    <path d="M 6.5,17.5 L 13,24 L 26,8.5" stroke="#000000" stroke-opacity="0.18" stroke-width="7" transform="translate(0.8,1.2)"/>
    <path d="M 6.5,17.5 L 13,24 L 26,8.5" stroke="#1E5A22" stroke-width="7"/>
    <path d="M 6.5,17.5 L 13,24 L 26,8.5" stroke="url(#green)" stroke-width="4.6"/>
    <path d="M 7.6,17 L 12.9,22.3" stroke="#FFFFFF" stroke-opacity="0.35" stroke-width="1.2"/>
  </g>
</svg>
EOF
render ok 32

# ------------------------------------------------------------------ mail.png
# An envelope closed with a burgundy seal, for the "Napisz" buttons.
cat > "$WORK/mail.svg" <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <defs>
    <linearGradient id="paper" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#FFFBF2"/>
      <stop offset="1" stop-color="#EEDFC3"/>
    </linearGradient>
    <radialGradient id="seal" cx="0.38" cy="0.32" r="0.75">
      <stop offset="0" stop-color="#C8393C"/>
      <stop offset="1" stop-color="#6E0204"/>
    </radialGradient>
  </defs>
  <rect x="3.5" y="8.5" width="25" height="17" rx="1.5" fill="#000000" fill-opacity="0.18" transform="translate(0.8,1.2)"/>
  <rect x="3.5" y="8.5" width="25" height="17" rx="1.5" fill="url(#paper)" stroke="#8C6B4A" stroke-width="1"/>
  <g fill="none" stroke="#B59670" stroke-width="0.9" stroke-linejoin="round">
    <path d="M 4.2,24.8 L 13.2,17"/>
    <path d="M 27.8,24.8 L 18.8,17"/>
  </g>
  <path d="M 4,9 L 16,18.6 L 28,9" fill="#F5EAD5" stroke="#8C6B4A" stroke-width="1" stroke-linejoin="round"/>
  <circle cx="16" cy="18.2" r="3.3" fill="url(#seal)" stroke="#4A0002" stroke-width="0.7"/>
  <path d="M 14.7,17.2 A 1.6,1.6 0 0 1 16.4,16.3" fill="none" stroke="#FFFFFF" stroke-opacity="0.55" stroke-width="0.8" stroke-linecap="round"/>
</svg>
EOF
render mail 32

# ------------------------------------------------ application icon renderings
for size in 32 48 128; do
  rsvg-convert -w $size -h $size "$HERE/tavir.svg" -o "$WORK/tavir-$size.raw.png"
done
convert "$WORK/tavir-32.raw.png" -strip -define png:compression-level=9 -define png:exclude-chunks=date,time "PNG32:$HERE/about-logo.png"
convert "$WORK/tavir-48.raw.png" -strip -define png:compression-level=9 -define png:exclude-chunks=date,time "PNG32:$HERE/tavir-48.png"
convert "$WORK/tavir-128.raw.png" -strip -define png:compression-level=9 -define png:exclude-chunks=date,time "PNG32:$HERE/tavir-128.png"

# ------------------------------------------------------------ background.jpg
# 792 x 546, stretched behind the whole main window. Warm paper with a soft
# vignette; the title band at the top; soft shadows where the search bar, the
# preview pane and the results list lie, so that they seem to rest on the page.
cat > "$WORK/background.svg" <<EOF
<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="792" height="546" viewBox="0 0 792 546">
  <defs>
    <radialGradient id="paper" cx="0.52" cy="0.45" r="0.78">
      <stop offset="0" stop-color="#FBF6EC"/>
      <stop offset="0.62" stop-color="#F3EAD9"/>
      <stop offset="1" stop-color="#DDCBAE"/>
    </radialGradient>
    <linearGradient id="band" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#E7D7BC" stop-opacity="0.9"/>
      <stop offset="1" stop-color="#F1E6D2" stop-opacity="0.3"/>
    </linearGradient>
    <linearGradient id="foot" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#CDB894" stop-opacity="0"/>
      <stop offset="1" stop-color="#C4AD86" stop-opacity="0.55"/>
    </linearGradient>
    <filter id="soft" x="-10%" y="-10%" width="120%" height="120%">
      <feGaussianBlur stdDeviation="3.2"/>
    </filter>
    <filter id="faint" x="-10%" y="-10%" width="120%" height="120%">
      <feGaussianBlur stdDeviation="0.6"/>
    </filter>
    <path id="mark" d="$MARK"/>
  </defs>

  <rect width="792" height="546" fill="url(#paper)"/>
  <rect width="792" height="64" fill="url(#band)"/>
  <rect y="500" width="792" height="46" fill="url(#foot)"/>

  <!-- a large, faint opening quotation mark at the right of the title band -->
  <g fill="#7E0305" fill-opacity="0.09">
    <use xlink:href="#mark" transform="translate(694,44) scale(1.35)"/>
    <use xlink:href="#mark" transform="translate(734,44) scale(1.35)"/>
  </g>

  <!-- title -->
  <text x="20" y="47" font-family="P052" font-style="italic" font-weight="bold" font-size="40"
        fill="#FFFFFF" fill-opacity="0.55" transform="translate(0.8,1)">TaViR</text>
  <text x="20" y="47" font-family="P052" font-style="italic" font-weight="bold" font-size="40"
        fill="#7E0305">TaViR</text>
  <text x="150" y="45" font-family="P052" font-style="italic" font-size="16.5"
        fill="#7A6655">cytaty, przysłowia, aforyzmy</text>

  <!-- rule under the title band -->
  <path d="M 10,62.5 L 782,62.5" stroke="#7E0305" stroke-opacity="0.75" stroke-width="1.4"/>
  <path d="M 10,65.5 L 782,65.5" stroke="#7E0305" stroke-opacity="0.25" stroke-width="0.8"/>

  <!-- shadows under the controls -->
  <g fill="#3A1A08" fill-opacity="0.2" filter="url(#soft)">
    <rect x="12" y="77" width="190" height="246" rx="2"/>
    <rect x="207" y="90" width="579" height="118" rx="2"/>
    <rect x="208" y="211" width="581" height="307" rx="2"/>
  </g>

  <!-- under the search bar: a faint open book and a proverb -->
  <g filter="url(#faint)" fill="none" stroke="#7E0305" stroke-opacity="0.16" stroke-width="1.6"
     stroke-linecap="round" stroke-linejoin="round">
    <path d="M 40,392 C 62,380 86,380 105,393 C 124,380 148,380 170,392 L 170,448 C 148,436 124,436 105,449 C 86,436 62,436 40,448 Z"/>
    <path d="M 105,393 L 105,449"/>
    <path d="M 52,400 C 66,394 80,394 94,401"/>
    <path d="M 52,410 C 66,404 80,404 94,411"/>
    <path d="M 52,420 C 66,414 80,414 94,421"/>
    <path d="M 52,430 C 62,426 72,425 80,427"/>
    <path d="M 116,401 C 130,394 144,394 158,400"/>
    <path d="M 116,411 C 130,404 144,404 158,410"/>
    <path d="M 116,421 C 130,414 144,414 158,420"/>
    <path d="M 116,431 C 130,424 144,424 158,430"/>
    <path d="M 34,454 C 58,444 84,444 105,456 C 126,444 152,444 176,454"/>
  </g>
  <text x="105" y="481" text-anchor="middle" font-family="P052" font-style="italic" font-size="12.5"
        fill="#7E0305" fill-opacity="0.45">Mądrej głowie</text>
  <text x="105" y="497" text-anchor="middle" font-family="P052" font-style="italic" font-size="12.5"
        fill="#7E0305" fill-opacity="0.45">dość dwie słowie.</text>
</svg>
EOF
rsvg-convert -w 792 -h 546 "$WORK/background.svg" -o "$WORK/background.png"
# a touch of paper grain, then JPEG
convert "$WORK/background.png" -alpha off \
        \( -size 792x546 xc:gray50 -seed 1905 -attenuate 0.5 +noise Gaussian \
           -colorspace Gray -blur 0x0.7 -level 35%,65% \) \
        -compose SoftLight -composite \
        -strip -sampling-factor 4:2:0 -quality 85 "$HERE/background.jpg"

echo "pictures written to $HERE"
