#!/usr/bin/env python3
"""Time from process start to main window shown, QZM against a bare QMainWindow.

Runs each program N times (offscreen platform, private HOME), takes the median
start-to-shown time and the peak resident memory, and prints the ratio.
"""
import os, statistics, subprocess, sys, tempfile, time

build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "build", "default")
runs = int(os.environ.get("RUNS", "20"))

def measure(*program):
    times, peaks = [], []
    with tempfile.TemporaryDirectory() as home:
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=home, XDG_CONFIG_HOME=home,
                   XDG_DATA_HOME=home)
        env.pop("QT_QPA_PLATFORMTHEME", None)
        for _ in range(runs):
            start = time.clock_gettime_ns(time.CLOCK_MONOTONIC)
            proc = subprocess.Popen(list(program), env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            out = proc.stdout.read().decode()
            _, status, usage = os.wait4(proc.pid, 0)
            shown = [l for l in out.splitlines() if l.startswith("shown ")]
            if not shown:
                sys.exit(f"{program} did not report its window")
            times.append((int(shown[0].split()[1]) - start) / 1e6)
            peaks.append(usage.ru_maxrss / 1024)
    return statistics.median(times), max(peaks)

qzm_ms, qzm_mb = measure(os.path.join(build, "bench", "bench-startup-qzm"))
bare = os.path.join(build, "bench", "bench-startup-bare")
bare_ms, bare_mb = measure(bare)
text_ms, text_mb = measure(bare, "--text")
print(f"runs per program:           {runs}")
print(f"QZM       start -> shown:   {qzm_ms:7.1f} ms   peak RSS {qzm_mb:6.1f} MiB")
print(f"bare      start -> shown:   {bare_ms:7.1f} ms   peak RSS {bare_mb:6.1f} MiB")
print(f"bare+menu start -> shown:   {text_ms:7.1f} ms   peak RSS {text_mb:6.1f} MiB   (loads fonts, as any window with text)")
print(f"ratio QZM / bare:           {qzm_ms / bare_ms:7.2f}   (goal <= 1.3)")
print(f"ratio QZM / bare+menu:      {qzm_ms / text_ms:7.2f}")
