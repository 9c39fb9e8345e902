#!/usr/bin/env python3
"""Start-up of the program: time to the first painted frame and peak memory.

The main baseline is a plain Qt Widgets program of the same shape (menus with
shortcuts, a toolbar with icons, a three-pane status bar, 50 form controls);
a bare QMainWindow is shown too. Every probe prints the moment its window has
painted its first frame and ends there, so peak memory is the peak up to that
frame.

Runs are taken pair by pair: each round starts the program and each baseline
once, in a shuffled order, so a slow moment of the machine hits both sides of
a pair. The ratios are the medians of the per-pair ratios, with a bootstrap
95% interval of that median. Then the first start in a fresh home (no
settings, nothing registered) is compared with a second start in the same
home, again pair by pair.

    bench/startup.py [BUILD_DIR]       PAIRS=41 by default; QT_QPA_PLATFORM
                                       (default offscreen) may name another
                                       platform, such as xcb under Xvfb.
"""
import os, random, shutil, statistics, subprocess, sys, tempfile, time

build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build", "default")
pairs = int(os.environ.get("PAIRS", "41"))
platform = os.environ.get("QT_QPA_PLATFORM", "offscreen")
probe = lambda name: os.path.join(build, "bench", "bench-startup-" + name)
QZM, PLAIN, BARE = probe("qzm"), probe("plain"), probe("bare")


def make_home(root):
    home = tempfile.mkdtemp(dir=root)
    for sub in ("home", "config", "data", "cache", "runtime"):
        os.makedirs(os.path.join(home, sub))
    os.chmod(os.path.join(home, "runtime"), 0o700)
    return home


def run(program, home):
    env = dict(os.environ, QT_QPA_PLATFORM=platform, HOME=os.path.join(home, "home"),
               XDG_CONFIG_HOME=os.path.join(home, "config"), XDG_DATA_HOME=os.path.join(home, "data"),
               XDG_CACHE_HOME=os.path.join(home, "cache"), XDG_RUNTIME_DIR=os.path.join(home, "runtime"))
    env.pop("QT_QPA_PLATFORMTHEME", None)
    start = time.clock_gettime_ns(time.CLOCK_MONOTONIC)
    proc = subprocess.Popen([program], env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    out = proc.stdout.read().decode()
    _, status, usage = os.wait4(proc.pid, 0)
    shown = [l for l in out.splitlines() if l.startswith("shown ")]
    if not shown:
        sys.exit(f"{program} did not report its first frame (status {status})")
    return (int(shown[0].split()[1]) - start) / 1e6, usage.ru_maxrss / 1024, (usage.ru_utime + usage.ru_stime) * 1e3


def median_ci(values):
    rng = random.Random(1)
    boots = sorted(statistics.median(rng.choices(values, k=len(values))) for _ in range(2000))
    return statistics.median(values), boots[50], boots[1949]


def line(label, values, goal=None):
    m, lo, hi = median_ci(values)
    text = f"{label:<38} {m:6.3f}   (95% {lo:.3f}..{hi:.3f})"
    if goal is not None:
        text += f"   goal <= {goal:.2f}: {'met' if m <= goal else 'NOT met'}"
    print(text)


root = tempfile.mkdtemp(prefix="qzm-startup-")
try:
    homes = {p: make_home(root) for p in (QZM, PLAIN, BARE)}
    for p in homes:                      # the first start of each warms its home
        run(p, homes[p])
    runs = {p: [] for p in homes}
    for _ in range(pairs):
        order = list(homes)
        random.shuffle(order)
        for p in order:
            runs[p].append(run(p, homes[p]))

    fresh, second = [], []
    for _ in range(pairs):
        home = make_home(root)
        fresh.append(run(QZM, home))
        second.append(run(QZM, home))
        shutil.rmtree(home)

    med = lambda rs, i: statistics.median(r[i] for r in rs)
    print(f"platform {platform}, {pairs} pairs; medians of whole processes, start to first painted frame")
    for name, p in (("QZM", QZM), ("plain, same shape", PLAIN), ("bare QMainWindow", BARE)):
        print(f"  {name:<20} {med(runs[p], 0):7.1f} ms   peak RSS {med(runs[p], 1):6.1f} MiB   cpu {med(runs[p], 2):5.1f} ms")
    print(f"  {'QZM, fresh home':<20} {med(fresh, 0):7.1f} ms   peak RSS {med(fresh, 1):6.1f} MiB")
    print(f"  {'QZM, second start':<20} {med(second, 0):7.1f} ms   peak RSS {med(second, 1):6.1f} MiB")
    print("median of per-pair ratios:")
    line("  time   QZM / plain same shape", [q[0] / b[0] for q, b in zip(runs[QZM], runs[PLAIN])], 1.05)
    line("  memory QZM / plain same shape", [q[1] / b[1] for q, b in zip(runs[QZM], runs[PLAIN])], 1.05)
    # Processor time (user and system) waits for nothing, so a busy machine
    # moves it less than the time to the frame.
    line("  cpu    QZM / plain same shape", [q[2] / b[2] for q, b in zip(runs[QZM], runs[PLAIN])])
    line("  time   QZM / bare window", [q[0] / b[0] for q, b in zip(runs[QZM], runs[BARE])])
    line("  memory QZM / bare window", [q[1] / b[1] for q, b in zip(runs[QZM], runs[BARE])])
    line("  time   fresh home / second start", [f[0] / s[0] for f, s in zip(fresh, second)], 1.10)
finally:
    shutil.rmtree(root, ignore_errors=True)
