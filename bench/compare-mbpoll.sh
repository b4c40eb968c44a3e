#!/usr/bin/env bash
# The program beside mbpoll, on the same kind of link:
#   ours    the program's whole window under Xvfb, connected at 115.2 kBd (a poll every 300 ms)
#           to a libmodbus slave on a pty that serves a simulated gateway (bench_modbus_slave);
#   mbpoll  the command-line master reading 100 registers every 300 ms from another such slave;
#   engine  the Modbus master and the serial port without a window (comm_engine_bench), with
#           an mbpoll of its own beside it.
# The program and its mbpoll run at the same time and are measured over the same window, as are
# the engine and its mbpoll, so that the machine's load (a shared host's is anything but steady)
# falls on both sides of each ratio alike; ROUNDS such pairs of runs, in alternating order.
# CPU comes from /proc/PID/task/*/schedstat, wake-ups from the
# voluntary context switches of every thread, each divided by the requests the slave answered
# in the measured window. Beside them runs a bare Qt window that repaints one label every 300 ms
# (bench_qt_floor): the least any Qt widget program pays per poll on this machine.
# "reply to repaint" runs from the slave's write of a reply to the
# moment the window has painted what the reply changed and the GUI thread goes idle; for mbpoll
# to the moment its output carries the values (measured in a shorter run of its own with the
# output on a pty, since a terminal costs mbpoll a write per line; the CPU run discards it).
#
# Usage: bench/compare-mbpoll.sh [--rounds N] [--seconds S]     (defaults: 3 rounds of 30 s)
# The build folder is $PELLIX_BUILD_DIR, default build/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${PELLIX_BUILD_DIR:-$root/build}"
rounds=3
seconds=30
while (($#)); do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    *) echo "usage: $0 [--rounds N] [--seconds S]" >&2; exit 2 ;;
  esac
done
for tool in mbpoll xvfb-run python3; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/setup installs it)" >&2; exit 1; }
done

if [[ ! -f "$build/CMakeCache.txt" ]]; then PELLIX_BUILD_DIR="$build" "$root/scripts/build" >&2; fi
cmake --build "$build" --target ui_program_bench bench_modbus_slave bench_qt_floor comm_engine_bench >&2

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat >"$work/compare.py" <<'PY'
import bisect, os, pty, re, signal, statistics, subprocess, sys, threading, time

build, root, work = sys.argv[1], sys.argv[2], sys.argv[3]
rounds, seconds = int(sys.argv[4]), float(sys.argv[5])
program = os.path.join(build, "bench/ui/ui_program_bench")
slave_bin = os.path.join(build, "bench/compare/bench_modbus_slave")
engine_bin = os.path.join(build, "bench/comm/comm_engine_bench")
floor_bin = os.path.join(build, "bench/compare/bench_qt_floor")
scenario = os.path.join(root, "sim/scenarios/small-plant.ini")
PERIOD_MS = 300

env = dict(os.environ)
for d in ("home", "config", "data", "run", "ports"):
    os.makedirs(os.path.join(work, d), exist_ok=True)
os.chmod(os.path.join(work, "run"), 0o700)
env.update(HOME=os.path.join(work, "home"), XDG_CONFIG_HOME=os.path.join(work, "config"),
           XDG_DATA_HOME=os.path.join(work, "data"), XDG_RUNTIME_DIR=os.path.join(work, "run"),
           PELLIX_PORTS_DIR=os.path.join(work, "ports"), QT_QPA_PLATFORM="xcb")

def now():
    return time.monotonic_ns()

def start_slave(name, link=None):
    log = os.path.join(work, name + ".log")
    cmd = [slave_bin, "--scenario", scenario, "--log", log] + (["--link", link] if link else [])
    p = subprocess.Popen(cmd, stdout=subprocess.PIPE, text=True, env=env)
    path = p.stdout.readline().strip()
    if not path:
        sys.exit("the slave did not start")
    return p, path, log

def stop(p, sig=signal.SIGTERM):
    if p.poll() is None:
        p.send_signal(sig)
    try:
        p.wait(timeout=20)
    except subprocess.TimeoutExpired:
        p.kill()
        p.wait()

def slave_log(log):
    # (request received, reply written, start address) per answered request, ns
    rows = []
    with open(log) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 3:
                rows.append((int(parts[0]), int(parts[1]), int(parts[2])))
    return rows

def wait_polls(p, log, n, timeout=30):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if p.poll() is not None:
            sys.exit("the master ended early")
        try:
            with open(log) as f:
                if sum(1 for _ in f) >= n:
                    return
        except FileNotFoundError:
            pass
        time.sleep(0.2)
    sys.exit("no polls reached the slave")

def snapshot(pid):
    # tid -> (ns on CPU, voluntary context switches)
    out = {}
    base = "/proc/%d/task" % pid
    for tid in os.listdir(base):
        try:
            with open("%s/%s/schedstat" % (base, tid)) as f:
                ns = int(f.read().split()[0])
            with open("%s/%s/status" % (base, tid)) as f:
                status = f.read()
            vol = int(re.search(r"^voluntary_ctxt_switches:\s+(\d+)", status, re.M).group(1))
            name = re.search(r"^Name:\s+(.*)$", status, re.M).group(1)
            out[tid] = (ns, vol, name)
        except (OSError, AttributeError):
            pass
    return out

def window(procs):
    """Measures each (process, slave log) over the same `seconds` once all of them poll:
    (t0, t1, [(cpu ns, wake-ups, {thread: (ns, wake-ups)}) per process])."""
    for p, log in procs:
        if log:
            wait_polls(p, log, 10)  # a whole round: every box has its channel
    time.sleep(1)
    a, t0 = [snapshot(p.pid) for p, _ in procs], now()
    time.sleep(seconds)
    b, t1 = [snapshot(p.pid) for p, _ in procs], now()
    out = []
    for before, after in zip(a, b):
        threads = {}
        for t, (ns, v, name) in after.items():
            was = before.get(t, (0, 0, name))
            threads[name] = (ns - was[0], v - was[1])
        out.append((sum(ns for ns, _ in threads.values()), sum(v for _, v in threads.values()), threads))
    return t0, t1, out

def spacing(rows, t0, t1):
    times = [r[0] for r in rows if t0 <= r[0] <= t1]
    return [(b - a) / 1e6 for a, b in zip(times, times[1:])]

def med(values):
    return statistics.median(values) if values else float("nan")

def pct(values, q):
    v = sorted(values)
    return v[min(len(v) - 1, int(q * (len(v) - 1) + 0.5))] if v else float("nan")

MBPOLL = ["mbpoll", "-m", "rtu", "-a", "1", "-b", "115200", "-P", "none", "-t", "4", "-0", "-r", "0", "-c",
          "100", "-l", str(PERIOD_MS)]

def run_pair():
    """The program and mbpoll, each on its own slave, measured over the same window."""
    link = os.path.join(work, "ports", "COM1")
    slave, _, log = start_slave("ours", link)
    mb_slave, mb_path, mb_log = start_slave("mbpoll")
    probe = os.path.join(work, "probe.txt")
    p = subprocess.Popen([program, "poll", "1", probe], env=env, stdout=subprocess.PIPE, text=True)
    mb = subprocess.Popen(MBPOLL + [mb_path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    floor = subprocess.Popen([floor_bin], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    try:
        t0, t1, ((cpu, wake, threads), (mb_cpu, mb_wake, _), (floor_cpu, _, _)) = window(
            [(p, log), (mb, mb_log), (floor, None)])
    finally:
        stop(p)
        stop(mb, signal.SIGINT)
        stop(floor)
        stop(slave)
        stop(mb_slave)
    counters = p.stdout.read().strip()
    if "connected=1" not in counters or "Err = 0" not in counters:
        print("  note: the program ended with " + counters, file=sys.stderr)
    rows = [r for r in slave_log(log)]
    polls = sum(1 for r in rows if t0 <= r[0] <= t1)
    layouts = paints = 0
    where = {}
    latency = []
    last_dispatch = None
    replies = [r[1] for r in rows]
    with open(probe) as f:
        for line in f:
            kind, ns, cls, name = line.split(" ", 3)
            ns = int(ns)
            if kind == "D":
                last_dispatch = ns
            elif kind == "R" and last_dispatch is not None:
                i = bisect.bisect_right(replies, last_dispatch) - 1
                if i >= 0 and t0 <= replies[i] <= t1:
                    latency.append((ns - replies[i]) / 1e6)
                last_dispatch = None
            elif t0 <= ns <= t1 and kind in "LP":
                if kind == "L":
                    layouts += 1
                else:
                    paints += 1
                key = kind + " " + cls + " " + name.strip()
                where[key] = where.get(key, 0) + 1
    if os.environ.get("PELLIX_COMPARE_DETAIL"):
        for name, (ns, v) in sorted(threads.items(), key=lambda kv: -kv[1][0]):
            print("    thread %-16s %6.0f us, %4.1f wake-ups per poll" % (name, ns / 1e3 / polls, v / polls),
                  file=sys.stderr)
    ours = dict(cpu=cpu / 1e3 / polls, wake=wake / polls, polls=polls, layouts=layouts / polls,
                paints=paints / polls, latency=latency, spacing=spacing(rows, t0, t1), where=where)
    mb_rows = slave_log(mb_log)
    mb_polls = sum(1 for r in mb_rows if t0 <= r[0] <= t1)
    mbpoll = dict(cpu=mb_cpu / 1e3 / mb_polls, wake=mb_wake / mb_polls, polls=mb_polls,
                  spacing=spacing(mb_rows, t0, t1), floor=floor_cpu / 1e3 / ((t1 - t0) / 1e6 / PERIOD_MS))
    return ours, mbpoll

def mbpoll_latency():
    """Reply sent -> mbpoll's first output after it, over a third of the run length."""
    slave, path, log = start_slave("mbpoll-out")
    master_fd, tty_fd = pty.openpty()
    out_times = []
    def drain():
        while True:
            try:
                data = os.read(master_fd, 65536)
            except OSError:
                return
            if not data:
                return
            out_times.append(now())
    reader = threading.Thread(target=drain, daemon=True)
    reader.start()
    p = subprocess.Popen(MBPOLL + [path], stdout=tty_fd, stderr=subprocess.DEVNULL, env=env)
    os.close(tty_fd)
    try:
        wait_polls(p, log, 5)
        t0 = now()
        time.sleep(max(10.0, seconds / 3))
        t1 = now()
    finally:
        stop(p, signal.SIGINT)
        stop(slave)
    reader.join(timeout=2)
    os.close(master_fd)
    rows = slave_log(log)
    latency = []
    for k, r in enumerate(rows):
        if not t0 <= r[1] <= t1:
            continue
        nxt = rows[k + 1][0] if k + 1 < len(rows) else t1
        i = bisect.bisect_right(out_times, r[1])
        if i < len(out_times) and out_times[i] < nxt:
            latency.append((out_times[i] - r[1]) / 1e6)
    return latency

def run_engine():
    out = subprocess.run([engine_bin, "--latency", "0", "--seconds", str(int(seconds))],
                         env=env, capture_output=True, text=True, check=True).stdout
    m = re.search(r"^engine:.* ([\d.]+) us per poll, ([\d.]+) wake-ups per poll", out, re.M)
    b = re.search(r"^mbpoll:.* ([\d.]+) us per poll", out, re.M)
    if not m or not b:
        sys.exit("comm_engine_bench said:\n" + out)
    return dict(cpu=float(m.group(1)), wake=float(m.group(2)), mbpoll=float(b.group(1)))

results = {"ours": [], "mbpoll": [], "engine": []}
for r in range(rounds):
    for name in (("pair", "engine") if r % 2 == 0 else ("engine", "pair")):
        if name == "pair":
            ours, mbpoll = run_pair()
            mbpoll["latency"] = mbpoll_latency()
            results["ours"].append(ours)
            results["mbpoll"].append(mbpoll)
            shown = (("ours", ours), ("mbpoll", mbpoll))
        else:
            results["engine"].append(run_engine())
            shown = (("engine", results["engine"][-1]),)
        for label, res in shown:
            print("  round %d %-6s %s" % (r + 1, label, ", ".join(
                "%s %.2f" % (k, v) for k, v in res.items() if isinstance(v, (int, float)))), file=sys.stderr)

def line(title, a, b, unit, fmt):
    ma, mb = statistics.median(a), statistics.median(b)
    print("%s: ours %s%s, mbpoll %s%s, ratio %.1f" % (
        title, "/".join(fmt % x for x in a), unit, "/".join(fmt % x for x in b), unit, ma / mb if mb else float("nan")))

ours, mb, eng = results["ours"], results["mbpoll"], results["engine"]
line("CPU per poll", [x["cpu"] for x in ours], [x["cpu"] for x in mb], " us", "%.0f")
line("wake-ups per poll", [x["wake"] for x in ours], [x["wake"] for x in mb], "", "%.1f")
line("engine CPU per poll", [x["cpu"] for x in eng], [x["mbpoll"] for x in eng], " us", "%.0f")
line("reply to repaint", [med(x["latency"]) for x in ours], [med(x["latency"]) for x in mb], " ms", "%.2f")
print()
print("reply to repaint p99: ours %s ms, mbpoll %s ms" % (
    "/".join("%.2f" % pct(x["latency"], 0.99) for x in ours), "/".join("%.2f" % pct(x["latency"], 0.99) for x in mb)))
print("engine wake-ups per poll: %s" % "/".join("%.1f" % x["wake"] for x in eng))
floor = [x["floor"] for x in mb]
print("Qt window floor per poll (one label repainted, nothing polled): %s us, ratio to mbpoll %.1f, ours to it %.1f" % (
    "/".join("%.0f" % x for x in floor), statistics.median(floor) / statistics.median([x["cpu"] for x in mb]),
    statistics.median([x["cpu"] for x in ours]) / statistics.median(floor)))
print("layout requests per poll: ours %s" % "/".join("%.2f" % x["layouts"] for x in ours))
print("paint events per poll: ours %s" % "/".join("%.2f" % x["paints"] for x in ours))
for name, res in (("ours", ours), ("mbpoll", mb)):
    print("request spacing, %s: median %s ms, p1 %s ms, p99 %s ms" % (name,
          "/".join("%.1f" % med(x["spacing"]) for x in res),
          "/".join("%.1f" % pct(x["spacing"], 0.01) for x in res),
          "/".join("%.1f" % pct(x["spacing"], 0.99) for x in res)))
print("polls measured: ours %s, mbpoll %s" % ("/".join(str(x["polls"]) for x in ours), "/".join(str(x["polls"]) for x in mb)))
if os.environ.get("PELLIX_COMPARE_DETAIL"):
    total = {}
    for x in ours:
        for k, v in x["where"].items():
            total[k] = total.get(k, 0) + v
    polls = sum(x["polls"] for x in ours)
    for k, v in sorted(total.items(), key=lambda kv: -kv[1]):
        print("  %6.2f per poll  %s" % (v / polls, k))
PY
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  python3 "$work/compare.py" "$build" "$root" "$work" "$rounds" "$seconds"
