#!/usr/bin/env bash
# Start-up time: launch to mapped main window, for the program against a
# minimal Qt Widgets window (bench/minimal_window.cpp) measured the same way
# in the same run.
#   bench/startup.sh [RUNS]      (default 10; also run by scripts/bench --startup)
#
# How it works: installs Xvfb if missing and starts a private server on a
# free display (no window manager). Copies build/bin (the executable and its
# Data.mdb, no COMn links) into a temporary directory, so the program starts
# as an operator's would. Then RUNS rounds, each launching the program and
# then the minimal window: bench/window_mapped.py takes the time, starts the
# program, waits for the X server's MapNotify of a top-level window with the
# expected title and kills the program. One round before them warms the
# caches and is not counted. Prints both medians and their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-10}"

# Only this benchmark needs an X server.
packages=(xvfb libx11-6 python3)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

./scripts/deps >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target zentrel-loader zl_data zl_minimal_window >&2

tmp="$(mktemp -d)"
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

mkdir "$tmp/bin"
find build/bin -mindepth 1 -maxdepth 1 ! -name 'COM*' -exec cp -a {} "$tmp/bin/" \;

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { cat "$tmp/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(tr -d '[:space:]' < "$tmp/display")"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

program_title="Nap phan men cho Zentrel V2.0"
minimal_title="zl minimal window"
measure() { python3 bench/window_mapped.py "$@"; }

program=()
minimal=()
for i in $(seq 0 "$runs"); do
  a="$(measure "$program_title" "$tmp/bin/zentrel-loader")"
  b="$(measure "$minimal_title" build/bench/zl_minimal_window)"
  [ "$i" -eq 0 ] && continue
  program+=("$a")
  minimal+=("$b")
  echo "run $i: program ${a}s, minimal window ${b}s" >&2
done

python3 - "${#program[@]}" "${program[@]}" "${minimal[@]}" <<'EOF'
import statistics, sys
n = int(sys.argv[1])
a = [float(v) * 1000 for v in sys.argv[2:2 + n]]
b = [float(v) * 1000 for v in sys.argv[2 + n:]]
ma, mb = statistics.median(a), statistics.median(b)
print(f"Start-up, launch to mapped window, median of {n} alternating runs under Xvfb:")
print()
print("| program | median ms | min ms | max ms |")
print("|---|---:|---:|---:|")
print(f"| zentrel-loader | {ma:.0f} | {min(a):.0f} | {max(a):.0f} |")
print(f"| minimal Qt window | {mb:.0f} | {min(b):.0f} | {max(b):.0f} |")
print()
print(f"Ratio zentrel-loader / minimal window: {ma / mb:.2f}")
EOF
