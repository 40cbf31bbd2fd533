#!/usr/bin/env bash
# The real program on a private X server, first alone, then under openbox:
# alone, its window is at (0, 0) and 1024 px wide, 590 px and the status line
# high; under the window manager the frame is at (0, 0) and has that outer
# size, and the design area (1016 x 536 under the menu bar) is whole.
#
#   window_placement_test.sh PROGRAM DATA.MDB
#
# Exits 77 (skipped, as CTest is told) when Xvfb, openbox or the X tools are
# missing; scripts/deps installs them.
set -uo pipefail
program=$1
data=$2

for tool in Xvfb openbox xdotool xwininfo xprop import; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is missing (scripts/deps installs it)" >&2
    exit 77
  fi
done

tmp=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null && wait "${pids[i]}" 2>/dev/null; done
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# The program and its database alone in the test's own directory.
cp "$program" "$tmp/zentrel-loader"
cp "$data" "$tmp/Data.mdb"
mkdir -m 700 "$tmp/run"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
export DISPLAY=":$(head -1 "$tmp/display")"

# Waits for the window and for its geometry to stay put; sets id, x, y, w, h.
settled() {
  id="" last=""
  for _ in $(seq 300); do
    sleep 0.2
    [ -n "$id" ] || id=$(xdotool search --onlyvisible --name '^Nap phan men cho Zentrel' 2>/dev/null | head -1)
    [ -n "$id" ] || continue
    now=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
                                    /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
    if [ "$now" = "$last" ] && { [ "$1" = alone ] || xprop -id "$id" _NET_FRAME_EXTENTS | grep -q =; }; then
      read -r x y w h <<<"$now"
      return 0
    fi
    last=$now
  done
  fail "no settled window ($1)"
}

start() {
  HOME="$tmp" XDG_RUNTIME_DIR="$tmp/run" "$tmp/zentrel-loader" >"$tmp/program.log" 2>&1 &
  program_pid=$!
  pids+=("$program_pid")
}

# Alone: the window is placed and sized as it always was.
start
settled alone
echo "alone: window at ($x, $y), ${w} x ${h}"
[ "$x" -eq 0 ] && [ "$y" -eq 0 ] || fail "alone, the window is at ($x, $y)"
[ "$w" -eq 1024 ] || fail "alone, the window is $w px wide"
bar=$((h - 590))
[ "$bar" -ge 0 ] && [ "$bar" -le 60 ] || fail "alone, the window is $h px high"
kill "$program_pid"
wait "$program_pid" 2>/dev/null

openbox >"$tmp/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || fail "openbox did not start: $(cat "$tmp/openbox.log")"

start
settled framed
read -r left right top bottom < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
echo "under openbox: client at ($x, $y), ${w} x ${h}; frame left $left, right $right, top $top, bottom $bottom"
[ "$top" -gt 0 ] || fail "openbox put no title bar on the window"
[ $((x - left)) -eq 0 ] && [ $((y - top)) -eq 0 ] || fail "the frame is at ($((x - left)), $((y - top)))"
outer_w=$((w + left + right)) outer_h=$((h + top + bottom))
[ "$outer_w" -eq 1024 ] && [ "$outer_h" -eq $((590 + bar)) ] ||
  fail "the frame is $outer_w x $outer_h, not 1024 x $((590 + bar))"

# The right-hand panel, design pixels (704, 8) to (1008, 528), reaches
# furthest right and down: in a column through it, white between its top and
# bottom border lines, 520 px apart. The menu bar is above its top line, and
# the design area's 536 px and the status line fit under the menu bar.
import -window "$id" -crop "1x${h}+856+0" -depth 8 txt:- 2>/dev/null >"$tmp/column.txt"
read -r first last < <(awk -F'[:,]' 'NR > 1 && /#FFFFFF/ {if (f == "") f = $2; if (l != "" && $2 != l + 1) exit; l = $2}
                                      END {print f, l}' "$tmp/column.txt")
[ -n "$first" ] || fail "no white panel in the column x = 856"
echo "right-hand panel: white from y $first to $last"
[ $((last - first)) -eq 518 ] || fail "the right-hand panel shows $((last - first + 1)) px of its 519"
menu=$((first - 1 - 8))
[ $((menu + 536 + bar)) -le "$h" ] || fail "the design area is cut: menu bar $menu + 536 + status line $bar > $h"
[ "$w" -ge 1016 ] || fail "the design area is cut: $w px wide"
echo "the design area is whole"
