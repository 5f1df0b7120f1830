#!/usr/bin/env bash
# Makes docs/screenshot.png: the real desktop program on a virtual display, with the handheld demo
# burst loaded and previewed with "Align images" ticked. Needs Debian's xvfb, x11-apps (xwd) and netpbm, installed if missing.
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
command -v Xvfb >/dev/null || missing+=(xvfb)
command -v xwd >/dev/null || missing+=(x11-apps)
command -v xwdtopnm >/dev/null || missing+=(netpbm)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

bash scripts/build.sh lumicomb lumicomb-demo-stack >/dev/null
work=$(mktemp -d)
trap 'kill "${app:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
build/lumicomb-demo-stack --handheld "$work/frames" 9 >/dev/null
mkdir -p "$work/config"
printf '[setting]\nAlignImages=1\n' >"$work/config/Lumicomb.ini"

# A display number of our own, and a settings folder of our own so the user's settings do not
# change what the picture shows.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
DISPLAY=$display XDG_CONFIG_HOME=$work/config build/lumicomb --preview "$work"/frames/shot_*.png \
  >/dev/null 2>&1 &
app=$!
# The aligned preview of nine 720x450 frames is ready well within this.
sleep 4
mkdir -p docs
DISPLAY=$display xwd -silent -name "Orvandel Lumicomb" | xwdtopnm 2>/dev/null | pnmtopng \
  >docs/screenshot.png
echo "wrote docs/screenshot.png"
