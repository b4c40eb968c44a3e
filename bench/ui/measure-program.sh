#!/usr/bin/env bash
# Whole-program numbers, offscreen:
#   start to main window painted (median of 10 runs);
#   CPU and RSS while connected to the simulated gateway and polling every 300 ms.
# Usage: bench/ui/measure-program.sh [BUILD_DIR] [CONNECTED_SECONDS]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-${PELLIX_BUILD_DIR:-$root/build}}"
seconds="${2:-240}"
bench="$build/bench/ui/ui_program_bench"
gwsim="$build/sim/pellix-gwsim"
[[ -x "$bench" && -x "$gwsim" ]] || { echo "build ui_program_bench and pellix-gwsim first" >&2; exit 1; }

work="$(mktemp -d)"
sim_pid=""
cleanup() {
  [[ -n "$sim_pid" ]] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config"
export PELLIX_PORTS_DIR="$work/ports"
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$PELLIX_PORTS_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

echo "== start to main window painted (10 runs)"
python3 - "$bench" <<'PY'
import statistics, subprocess, sys, time
runs = []
for _ in range(10):
    t0 = time.perf_counter()
    p = subprocess.Popen([sys.argv[1], "startup"], stdout=subprocess.PIPE, text=True)
    line = p.stdout.readline()
    t1 = time.perf_counter()
    p.wait()
    assert line.strip() == "shown", line
    runs.append((t1 - t0) * 1000)
print("runs ms:", " ".join(f"{r:.0f}" for r in runs))
print(f"median {statistics.median(runs):.0f} ms, max {max(runs):.0f} ms")
PY

echo "== connected to the simulated gateway, 300 ms poll, ${seconds} s"
coproc SIM { exec "$gwsim" --com 1 --scenario "$root/sim/scenarios/small-plant.ini" 2>&1; }
sim_pid=$SIM_PID
read -r -t 10 link <&"${SIM[0]}"
echo "gateway: $link"
"$bench" connect 1 "$seconds"
