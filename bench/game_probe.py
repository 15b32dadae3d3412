#!/usr/bin/env python3
"""The figures of the real game: start-up time, processor use per thread while idle, resident
memory after a minute of play. Prints rows of the bench table (see bench_util.h).

    game_probe.py --binary tessary --data RUN_DIR --probe frame_probe.so [--startups N]
                  [--idle SECONDS] [--play SECONDS] [--before-binary OLD_TESSARY]

Needs DISPLAY (scripts/bench starts an Xvfb when there is none) and xdotool. Every session runs
in a fresh copy of the run directory's data/ and music/, with no game.cfg, so the settings are
the defaults (all on: the game asks for swap interval 1). Sound goes through SDL's disk driver
into /dev/null, paced like a sound card, so the sound thread and the mixer do their real work.
"""

import argparse
import math
import os
import random
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 800, 600
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def project(x, y, z):
    """Client pixel of the eye-space point (x, y, z) under the game's 45-degree projection."""
    half_h = -z * math.tan(math.radians(22.5))
    half_w = half_h * WIDTH / HEIGHT
    return (int(round((x / half_w + 1) / 2 * WIDTH)), int(round((1 - y / half_h) / 2 * HEIGHT)))


MENU = {"easy": project(0, 0.3, -5), "hard": project(0, -0.7, -5), "about": project(-2, -1.6, -5)}
BOARDS = {"easy": ((1.65, 1.25, -5.0), 6, 6), "hard": ((2.7, 1.85, -6.0), 10, 8)}


def box_centre(level, index):
    (sx, sy, sz), columns, _rows = BOARDS[level]
    row, column = divmod(index, columns)
    return project(sx - 0.5 * (column + 1), sy - 0.5 * row, sz)


def row(figure, value, baseline, ratio, target, met):
    print("| %s | %s | %s | %s | %s | %s |" % (figure, value, baseline, ratio, target, met),
          flush=True)


def met(ok):
    return "yes" if ok else "**no**"


class Session:
    """One run of the game in its own copy of the run directory, the probe preloaded."""

    def __init__(self, args, binary=None, lang=None, choices=None):
        self.dir = tempfile.mkdtemp(prefix="tessary-bench-")
        for sub in ("data", "music"):
            shutil.copytree(os.path.join(args.data, sub), os.path.join(self.dir, sub))
        if choices:
            with open(os.path.join(self.dir, "tessary.conf"), "w") as f:
                f.write(choices)
        for stale in ("game.cfg", os.path.join("data", "maxsum.cfg")):
            path = os.path.join(self.dir, stale)
            if os.path.exists(path):
                os.remove(path)
        self.log = os.path.join(self.dir, "probe.log")
        env = dict(os.environ)
        env.update({
            "LD_PRELOAD": args.probe,
            "TESSARY_PROBE_LOG": self.log,
            "SDL_AUDIODRIVER": "disk",
            "SDL_DISKAUDIOFILE": "/dev/null",
        })
        self.env = env
        self.stderr = open(os.path.join(self.dir, "stderr.txt"), "wb")
        self.start_ns = time.monotonic_ns()
        command = [binary or args.binary] + (["--lang", lang] if lang else [])
        self.process = subprocess.Popen(command, cwd=self.dir, env=env,
                                        stdout=subprocess.DEVNULL, stderr=self.stderr)

    def events(self):
        found = {}
        try:
            with open(self.log) as f:
                for line in f:
                    parts = line.split()
                    if parts and parts[0] == "frames" and len(parts) == 3:
                        found.setdefault("frames", []).append((int(parts[1]), int(parts[2])))
                    elif parts and parts[0] == "thread" and len(parts) == 3:
                        found.setdefault("thread " + parts[1], int(parts[2]))
                    elif len(parts) == 2:
                        found[parts[0]] = int(parts[1])
        except OSError:
            pass
        return found

    def wait_for(self, event, timeout=30.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.events()
            if event in found:
                return found
            if self.process.poll() is not None:
                raise RuntimeError("the game ended early (status %s)" % self.process.returncode)
            time.sleep(0.005)
        raise RuntimeError("no %s event within %.0f s" % (event, timeout))

    def xdotool(self, *words):
        # Without the probe: preloaded into xdotool it would write into the game's log.
        env = {key: value for key, value in self.env.items() if key != "LD_PRELOAD"}
        subprocess.run(["xdotool", *map(str, words)], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def window(self):
        """The game's window id (the window opens centred, so clicks go relative to it)."""
        if not getattr(self, "window_id", None):
            env = {key: value for key, value in self.env.items() if key != "LD_PRELOAD"}
            found = subprocess.run(["xdotool", "search", "--name", "^Tessary$"], env=env,
                                   capture_output=True, text=True).stdout.split()
            if not found:
                raise RuntimeError("no window titled Tessary")
            self.window_id = found[0]
        return self.window_id

    def move(self, point):
        self.xdotool("mousemove", "--window", self.window(), point[0], point[1])

    def click(self, point):
        self.move(point)
        self.xdotool("click", 1)

    def thread_times(self):
        """{tid: (name, processor seconds)} of every thread of the game."""
        times = {}
        task_dir = "/proc/%d/task" % self.process.pid
        for tid in os.listdir(task_dir):
            try:
                with open(os.path.join(task_dir, tid, "stat")) as f:
                    stat = f.read()
            except OSError:
                continue
            name = stat[stat.index("(") + 1:stat.rindex(")")]
            fields = stat[stat.rindex(")") + 2:].split()
            # utime and stime are fields 14 and 15 of stat, 12 and 13 after the name.
            times[int(tid)] = (name, (int(fields[11]) + int(fields[12])) / CLOCK_TICKS)
        return times

    def resident_mb(self):
        values = {}
        with open("/proc/%d/status" % self.process.pid) as f:
            for line in f:
                key, _, rest = line.partition(":")
                if key in ("VmRSS", "VmHWM"):
                    values[key] = int(rest.split()[0]) / 1024.0
        return values.get("VmRSS", 0.0), values.get("VmHWM", 0.0)

    def frame_count(self):
        frames = self.events().get("frames", [])
        return frames[-1] if frames else (0, time.monotonic_ns())

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)  # SDL turns it into a quit: the close way out
            try:
                self.process.wait(20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.stderr.close()
        shutil.rmtree(self.dir, ignore_errors=True)


def group_of(name, tid, pid):
    if tid == pid:
        return "UI"
    if name == "SDLTimer":
        return "tick"
    if name in ("TimerThread", "SoundThread"):
        return name
    if name.startswith("SDLAudio"):
        return "audio"
    if name.startswith("llvmpipe"):
        return "llvmpipe"
    return "other"


GROUPS = ["UI", "tick", "TimerThread", "SoundThread", "audio", "llvmpipe", "other"]


def measure_idle(session, seconds):
    """Per group of threads, the share of one core used over `seconds`, and the frame rate."""
    before = session.thread_times()
    frames_before = session.frame_count()
    started = time.monotonic()
    time.sleep(seconds)
    after = session.thread_times()
    elapsed = time.monotonic() - started
    frames_after = session.frame_count()
    shares = {group: 0.0 for group in GROUPS}
    others = set()
    for tid, (name, used) in after.items():
        group = group_of(name, tid, session.process.pid)
        if group == "other":
            others.add(name)
        shares[group] += (used - before.get(tid, (name, 0.0))[1]) / elapsed * 100.0
    frame_seconds = (frames_after[1] - frames_before[1]) / 1e9
    fps = (frames_after[0] - frames_before[0]) / frame_seconds if frame_seconds > 0 else 0.0
    return shares, fps, sorted(others)


def report_idle(where, shares, fps, others, seconds):
    parts = ["%s %.1f %%" % (group, shares[group]) for group in GROUPS if group != "other"]
    other = "other %.1f %%" % shares["other"]
    if others:
        other += " (" + ", ".join(others) + ")"
    workers = shares["TimerThread"] + shares["SoundThread"]
    row("CPU while idle, %s, %d s, swap interval 1 asked (share of one core per thread)"
        % (where, seconds),
        ", ".join(parts + [other]) + "; the game drew %.0f frames/s" % fps,
        "one core = 100 %", "SoundThread + TimerThread = %.2f %%" % workers,
        "SoundThread + TimerThread < 1 %", met(workers < 1.0))


def compare_pacing(args):
    """Idle menu with vsync on (the default) on a display that refuses the swap interval, this
    build against the build before paced frames, in turns so that the machine's load falls on
    both alike."""
    runs = {"before": [], "after": []}
    for _ in range(args.pacing_rounds):
        for which, binary in (("before", args.before_binary), ("after", args.binary)):
            session = Session(args, binary)
            try:
                session.wait_for("menu")
                session.move((5, 5))
                time.sleep(2.0)
                shares, fps, _others = measure_idle(session, args.idle)
                runs[which].append((sum(shares.values()), shares["UI"], fps))
            finally:
                session.stop()

    def median(which, index):
        return statistics.median(run[index] for run in runs[which])
    after, before = median("after", 0), median("before", 0)
    row("Paced frames: CPU while idle in the menu, vsync on, %d s x %d (whole process, UI "
        "thread; frames/s)" % (args.idle, args.pacing_rounds),
        "%.1f %% (UI %.1f %%), %.0f frames/s" % (after, median("after", 1), median("after", 2)),
        "before pacing: %.1f %% (UI %.1f %%), %.0f frames/s"
        % (before, median("before", 1), median("before", 2)),
        "%.2f" % (after / before if before else 0.0), "about the display rate (60 Hz)",
        met(median("after", 2) <= 66))


def compare_motion(args):
    """Idle menu with less motion (the game draws only when something changes) against full
    motion, in turns, the whole process's share of one core read from /proc."""
    runs = {"less": [], "full": []}
    for _ in range(args.motion_rounds):
        for motion in ("less", "full"):
            session = Session(args, choices="motion = %s\n" % motion)
            try:
                session.wait_for("menu")
                session.move((5, 5))
                time.sleep(2.0)
                shares, fps, _others = measure_idle(session, args.idle)
                runs[motion].append((sum(shares.values()), shares["UI"], fps))
            finally:
                session.stop()

    def median(motion, index):
        return statistics.median(run[index] for run in runs[motion])
    less, full = median("less", 0), median("full", 0)
    row("Less motion: CPU while idle in the menu, %d s x %d (whole process, UI thread; "
        "frames/s)" % (args.idle, args.motion_rounds),
        "%.2f %% (UI %.2f %%), %.1f frames/s" % (less, median("less", 1), median("less", 2)),
        "full motion: %.1f %% (UI %.1f %%), %.0f frames/s"
        % (full, median("full", 1), median("full", 2)),
        "%.3f" % (less / full if full else 0.0), "< 2 %", met(less < 2.0))


def play(session, seconds):
    """A minute of play: boxes of the hard board clicked, the about screen, the easy board."""
    rng = random.Random(20261208)
    session.click(MENU["hard"])
    end = time.monotonic() + seconds
    phase_end = time.monotonic() + seconds * 0.45
    while time.monotonic() < min(end, phase_end):
        session.click(box_centre("hard", rng.randrange(80)))
        time.sleep(0.12)
    session.xdotool("key", "Escape")
    time.sleep(0.3)
    session.click(MENU["about"])
    time.sleep(min(5.0, max(0.0, end - time.monotonic())))
    session.xdotool("key", "Escape")
    time.sleep(0.3)
    session.click(MENU["easy"])
    while time.monotonic() < end:
        session.click(box_centre("easy", rng.randrange(36)))
        time.sleep(0.12)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--startups", type=int, default=5)
    parser.add_argument("--idle", type=float, default=10.0)
    parser.add_argument("--play", type=float, default=60.0)
    parser.add_argument("--before-binary", help="the game built before paced frames, compared "
                        "with --binary over an idle menu")
    parser.add_argument("--pacing-rounds", type=int, default=2)
    parser.add_argument("--motion-rounds", type=int, default=2,
                        help="idle menus with less and with full motion; 0 skips them")
    parser.add_argument("--motion-only", action="store_true",
                        help="measure only the idle menus with less and full motion")
    args = parser.parse_args()
    args.binary = os.path.abspath(args.binary)
    args.probe = os.path.abspath(args.probe)
    if args.before_binary:
        args.before_binary = os.path.abspath(args.before_binary)
        compare_pacing(args)
    if args.motion_rounds > 0:
        compare_motion(args)
    if args.motion_only:
        return

    # Start-up: several fresh starts, each stopped at its first menu frame.
    menus, firsts, loads, execs, sounds = [], [], [], [], []
    for _ in range(args.startups):
        session = Session(args)
        try:
            found = session.wait_for("menu")
            menus.append((found["menu"] - session.start_ns) / 1e9)
            firsts.append((found["swap1"] - session.start_ns) / 1e9)
            loads.append((found["swap2"] - found["swap1"]) / 1e9)
            execs.append((found["loaded"] - session.start_ns) / 1e9)
            if "thread SoundThread" in found:
                sounds.append((found["thread SoundThread"] - session.start_ns) / 1e9)
        finally:
            session.stop()
    menu = statistics.median(menus)
    row("Start-up: process start to the first menu frame (median of %d starts)" % len(menus),
        "%.3f s (%.3f s beyond the 1 s of the loading picture; runs %s)"
        % (menu, menu - 1.0, ", ".join("%.2f" % m for m in menus)),
        "1 s of loading picture", "%.2f" % (menu / 1.0), "≤ 1.2 s", met(menu <= 1.2))
    row("Start-up: process start to the first frame (loading picture shown)",
        "%.3f s (exec and libraries %.3f s)" % (statistics.median(firsts),
                                                  statistics.median(execs)),
        "first menu frame %.3f s" % menu, "%.2f" % (statistics.median(firsts) / menu), "-", "-")
    # Start-up in other languages: English, German and Arabic in turns, to the first menu frame
    # (the catalogue bound, the first texts shaped in their scripts).
    by_language = {"en": [], "de": [], "ar": []}
    for _ in range(args.startups):
        for lang, times in by_language.items():
            session = Session(args, lang=lang)
            try:
                times.append((session.wait_for("menu")["menu"] - session.start_ns) / 1e9)
            finally:
                session.stop()
    english = statistics.median(by_language["en"])
    for lang, name in (("de", "German"), ("ar", "Arabic")):
        other = statistics.median(by_language[lang])
        row("Start-up in %s: process start to the first menu frame (--lang %s)" % (name, lang),
            "%.3f s (%+.0f ms)" % (other, (other - english) * 1000), "English %.3f s" % english,
            "%.2f" % (other / english), "≤ +50 ms", met(other - english <= 0.05))
    if sounds:
        sound = statistics.median(sounds)
        row("Start-up: process start to the sound thread's start (its devices open, then the "
            "loading second)", "%.3f s; from there to the first menu frame %.3f s"
            % (sound, menu - sound), "first menu frame %.3f s" % menu, "%.2f" % (sound / menu),
            "-", "-")
    row("Start-up: loading frame to the next frame (LoadAssets in the game)",
        "%.3f s" % statistics.median(loads), "first menu frame %.3f s" % menu,
        "%.2f" % (statistics.median(loads) / menu), "-", "-")

    # Idle in the menu and on a board, then a minute of play.
    session = Session(args)
    try:
        session.wait_for("menu")
        time.sleep(2.0)
        rss_menu, _ = session.resident_mb()
        shares, fps, others = measure_idle(session, args.idle)
        report_idle("menu", shares, fps, others, args.idle)
        session.click(MENU["hard"])
        session.move((5, 5))  # off the board: nothing hovered
        time.sleep(2.0)
        shares, fps, others = measure_idle(session, args.idle)
        report_idle("hard board", shares, fps, others, args.idle)
        # Paused: one frame, then the loop sleeps until an event.
        session.xdotool("key", "p")
        time.sleep(1.0)
        paused, paused_fps, paused_others = measure_idle(session, args.idle)
        report_idle("paused hard board", paused, paused_fps, paused_others, args.idle)
        whole = sum(shares.values())
        whole_paused = sum(paused.values())
        row("CPU of the whole process on a paused hard board, %d s" % args.idle,
            "%.1f %% (%.1f frames/s)" % (whole_paused, paused_fps),
            "the board in play %.1f %% (%.0f frames/s)" % (whole, fps),
            "%.3f" % (whole_paused / whole if whole else 0.0), "< 2 %, no frames",
            met(whole_paused < 2.0 and paused_fps < 1.0))
        session.xdotool("key", "Escape")  # resumes
        time.sleep(0.3)
        session.xdotool("key", "Escape")
        time.sleep(0.5)
        play(session, args.play)
        rss, peak = session.resident_mb()
        row("Resident memory after %.0f s of play (hard board, about, easy board)" % args.play,
            "%.1f MB (peak %.1f MB)" % (rss, peak), "at the first menu frame %.1f MB" % rss_menu,
            "%.2f" % (rss / rss_menu), "< 150 MB", met(peak < 150.0))
    finally:
        session.stop()


if __name__ == "__main__":
    try:
        main()
    except (RuntimeError, OSError, subprocess.CalledProcessError) as error:
        print("game_probe: %s" % error, file=sys.stderr)
        sys.exit(1)
