"""A soak of the real game (built with AddressSanitizer): random but bounded input across every
scene for N minutes, resident memory sampled every few seconds, sanitizer output collected.

    python3 tests/e2e/soak.py MINUTES     (TESSARY_BINARY, TESSARY_DATA_DIR, TESSARY_WM_CLOSE set)

The input never clicks the exit button and never sends a third Escape in the menu as far as the
driver can tell; its idea of the scene is checked against screenshots every few seconds. Should
the game quit anyway, that exit is checked like the last one and the game is started again.
Fails on a crash, any sanitizer report, a non-zero exit status, or resident memory that grows
after the first minute.
"""

import os
import random
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (BOARDS, Display, Game, back_button, box_center, check,  # noqa: E402
                     menu_button)

BINARY = os.environ.get("TESSARY_BINARY", "")
DATA_DIR = os.environ.get("TESSARY_DATA_DIR", "")
SANITIZER_SIGNS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                   "WARNING: ThreadSanitizer", "SUMMARY:", "Segmentation", "Aborted")
THUMB = (80, 60)
SCENES = ("menu", "readme", "easy", "normal", "hard", "about", "hidden")
LEVEL_BUTTONS = ("readme", "easy", "normal", "hard", "about")
SWITCHES = ("sound", "music", "vsync")


def rss_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def thumbnail(g):
    """The client area scaled down to 80 x 60 grey levels."""
    raw = subprocess.run(
        "import -silent -window root -crop 800x600+0+0 +repage miff:- | "
        "convert - -scale %dx%d! -colorspace gray -depth 8 gray:-" % THUMB,
        shell=True, env=g.env, capture_output=True, check=True).stdout
    check(len(raw) == THUMB[0] * THUMB[1], "unexpected thumbnail size %d" % len(raw))
    return raw


def distance(a, b):
    return sum(abs(p - q) for p, q in zip(a, b)) / len(a)


class Soak:
    def __init__(self, minutes, seed):
        self.minutes = minutes
        self.rng = random.Random(seed)
        self.seed = seed
        self.display = Display()
        self.events = 0
        self.quits = 0
        self.starts = 0
        self.entered = {scene: 0 for scene in SCENES}
        self.seen = {scene: 0 for scene in SCENES}
        self.resyncs = 0
        self.samples = []  # (seconds since that game started, start number, RSS KiB)
        self.problems = []
        self.references = {}
        self.run_dir = None
        self.g = None

    # --- the game's life -----------------------------------------------------------------

    def start(self):
        self.g = Game(BINARY, DATA_DIR, run_dir=self.run_dir, display=self.display)
        self.run_dir = self.g.run_dir
        self.g.own_run_dir = False  # kept across restarts, removed at the end
        self.g.start()
        self.started_at = time.time()
        self.starts += 1
        self.g.wait_menu(120)
        self.scene = "menu"
        self.menu_escapes = 0
        self.keys_jv = set()
        self.last_sample = 0

    def ended(self, status):
        """Checks one ended game: status 0 and a clean stderr."""
        text = self.g.stderr()
        for sign in SANITIZER_SIGNS:
            if sign in text:
                self.problems.append("run %d: %s in stderr:\n%s" % (self.starts, sign, text))
                break
        if status != 0:
            self.problems.append("run %d: exit status %d:\n%s" % (self.starts, status, text))
        self.g.close()

    # --- input --------------------------------------------------------------------------

    def send(self, *args):
        self.g.xdotool(*args)
        self.events += 1

    def click(self, point, looked=False):
        """Clicks; near the exit button only when a screenshot has just shown another scene."""
        x, y = point
        check(looked or not self.on_exit_button(x, y), "the driver aimed at the exit button")
        self.send("mousemove", *map(str, self.g.screen_point(x, y)), "click", "1")

    @staticmethod
    def on_exit_button(x, y):
        ox, oy = menu_button("out")
        return abs(x - ox) < 90 and abs(y - oy) < 30

    def random_point(self):
        while True:
            x, y = self.rng.randrange(800), self.rng.randrange(600)
            if not self.on_exit_button(x, y):
                return x, y

    def enter(self, scene):
        self.scene = scene
        self.entered[scene] += 1
        if scene == "menu":
            self.menu_escapes = 0
        if scene == "about":
            self.keys_jv = set()

    def step(self):
        rng = self.rng
        choice = rng.random()
        if choice < 0.30:
            x, y = self.random_point()
            self.send("mousemove", *map(str, self.g.screen_point(x, y)))
        elif choice < 0.55:
            self.click_something()
        elif choice < 0.70:
            self.escape()
        elif choice < 0.80:
            key = rng.choice(("j", "v"))
            self.send("key", key)
            if self.scene == "about":
                self.keys_jv.add(key)
        elif choice < 0.88:
            self.send("key", "Return")
            if self.scene == "about" and self.keys_jv == {"j", "v"}:
                self.enter("hidden")
        else:
            # Some other key: ignored by the game.
            self.send("key", rng.choice(("a", "space", "F1", "Left")))
        time.sleep(rng.choice((0.0, 0.02, 0.05, 0.1, 0.3)))  # random pacing, on purpose

    def escape(self):
        if self.scene == "menu":
            if self.menu_escapes >= 2:
                return
            self.menu_escapes += 1
            self.send("key", "Escape")
        elif self.scene == "hidden":
            self.send("key", "Escape")
            self.scene = "about"
        else:
            self.send("key", "Escape")
            self.enter("menu")

    def click_something(self):
        rng = self.rng
        if self.scene == "menu":
            if rng.random() < 0.5:
                name = rng.choice(LEVEL_BUTTONS)
                self.click(menu_button(name))
                self.enter(name)
                if name in BOARDS:
                    time.sleep(0.3)  # a player's pause before the first box, on purpose
            else:
                self.click(menu_button(rng.choice(SWITCHES)))
        elif self.scene == "about" and rng.random() < 0.3:
            # The hidden picture: J and V on the about screen, then Enter.
            for key in ("j", "v", "Return"):
                self.send("key", key)
            self.enter("hidden")
        elif self.scene in BOARDS:
            _start, columns, rows, _back = BOARDS[self.scene]
            if rng.random() < 0.08:
                self.click(back_button(self.scene))
                self.enter("menu")
            else:
                box = box_center(self.scene, rng.randrange(columns * rows))
                if not self.on_exit_button(*box):
                    self.click(box)
                elif self.look() == self.scene:
                    self.click(box, looked=True)
        else:
            # The back button of the help and about screens lies where the menu's exit button
            # is: look before pressing it.
            if rng.random() < 0.3 and self.look() in ("readme", "about"):
                self.click(back_button(), looked=True)
                self.enter("menu")
            else:
                x, y = self.random_point()
                self.click((x, y))

    # --- eyes ---------------------------------------------------------------------------

    def tour(self):
        """One deterministic visit of every scene, keeping a thumbnail of each."""
        self.g.move(5, 5)
        self.references["menu"] = [thumbnail(self.g)]

        def open_scene(name):
            self.g.click(*menu_button(name))
            self.g.move(5, 5)

        def hidden():
            for key in ("j", "v", "Return"):
                self.g.key(key)
        for name in ("readme", "easy", "normal", "hard", "about"):
            self.changes(lambda: open_scene(name), name)
            self.references[name] = [thumbnail(self.g)]
            if name == "about":
                self.changes(hidden, "the hidden picture")
                self.references["hidden"] = [thumbnail(self.g)]
                self.changes(lambda: self.g.key("Escape"), "the about screen")
            self.changes(lambda: self.g.key("Escape"), "the menu")
        self.references["menu"].append(thumbnail(self.g))
        self.events += 20

    def changes(self, action, what):
        """Does `action` and waits until another scene shows: most of the picture changes."""
        before = self.g.screenshot()
        action()
        self.g.wait_shot(lambda shot: shot.difference(before) > 8, what)

    def look(self):
        """The scene on screen, by the nearest reference thumbnail."""
        shot = thumbnail(self.g)
        best = min(SCENES, key=lambda s: min(distance(shot, r) for r in self.references[s]))
        self.seen[best] += 1
        return best

    def resync(self):
        seen = self.look()
        if seen != self.scene:
            self.resyncs += 1
            if seen == "menu" and self.scene != "menu":
                self.menu_escapes = 2  # unknown: send no Escape until the menu is left
            self.scene = seen

    # --- the soak -----------------------------------------------------------------------

    def sample(self):
        now = time.time()
        if now - self.last_sample < 5:
            return
        self.last_sample = now
        value = rss_kib(self.g.process.pid)
        if value:
            self.samples.append((now - self.started_at, self.starts, value))

    def run(self):
        print("soak: %d minutes, seed %d, binary %s" % (self.minutes, self.seed, BINARY),
              flush=True)
        self.start()
        self.tour()
        deadline = time.time() + self.minutes * 60
        next_look = time.time() + 4
        next_report = time.time() + 60
        while time.time() < deadline:
            if not self.g.running():
                status = self.g.wait_exit()
                self.quits += 1
                print("soak: the game quit (status %d) after %d events; restarting"
                      % (status, self.events), flush=True)
                self.ended(status)
                self.start()
                continue
            self.sample()
            try:
                self.step()
            except subprocess.CalledProcessError:
                continue  # the window went away under xdotool: the next pass sees why
            if time.time() >= next_look:
                self.resync()
                next_look = time.time() + 4
            if time.time() >= next_report:
                print("soak: %.0f min, %d events, RSS %s KiB" % (
                    (time.time() + self.minutes * 60 - deadline) / 60, self.events,
                    self.samples[-1][2] if self.samples else "?"), flush=True)
                next_report = time.time() + 60
        self.finish()

    def finish(self):
        # Back to the menu without a third Escape, then the close button: the leak check runs
        # at this exit.
        if self.g.running():
            self.g.close_button()
            status = self.g.wait_exit(120)
            self.ended(status)
        self.display.close()

    def report(self):
        print("\n== soak figures ==")
        print("seed %d, %d minutes" % (self.seed, self.minutes))
        print("input events sent: %d" % self.events)
        print("games started: %d, quits caused by the input: %d" % (self.starts, self.quits))
        print("scene entries sent: %s" % ", ".join("%s %d" % kv for kv in self.entered.items()))
        print("scenes seen in screenshots: %s" % ", ".join("%s %d" % kv
                                                           for kv in self.seen.items()))
        print("driver's scene corrected by a screenshot: %d times" % self.resyncs)
        # Memory of the longest-lived game.
        by_run = {}
        for seconds, run, value in self.samples:
            by_run.setdefault(run, []).append((seconds, value))
        longest = max(by_run.values(), key=lambda s: s[-1][0]) if by_run else []
        growth_ok = True
        if longest:
            after_minute = [v for s, v in longest if s >= 60]
            at_minute = after_minute[0] if after_minute else None
            end = longest[-1][1]
            print("RSS of the longest run (%.0f s): first %d KiB, at 1 min %s KiB, end %d KiB, "
                  "max after 1 min %s KiB" % (longest[-1][0], longest[0][1], at_minute, end,
                                             max(after_minute) if after_minute else "-"))
            if at_minute and len(after_minute) > 6:
                # Flat: the last quarter of the samples stays within 10 % (and 20 MiB) of the
                # one-minute mark; ASan's quarantine and the allocator caches settle by then.
                tail = after_minute[-max(1, len(after_minute) // 4):]
                limit = at_minute + max(at_minute // 10, 20 * 1024)
                growth_ok = max(tail) <= limit
                print("RSS samples after 1 min: %s" % " ".join(str(v // 1024) for _s, v in
                                                               longest if _s >= 60) + " (MiB)")
        print("sanitizer and exit problems: %d" % len(self.problems))
        for problem in self.problems:
            print(problem)
        return not self.problems and growth_ok


def main():
    minutes = float(sys.argv[1]) if len(sys.argv) > 1 else 10
    seed = int(os.environ.get("TESSARY_SOAK_SEED", str(int(time.time()))))
    soak = Soak(minutes, seed)
    try:
        soak.run()
    except Exception as failure:  # noqa: BLE001 - whatever stopped the driver is reported
        soak.problems.append("driver: %r" % failure)
        if soak.g:
            soak.problems.append("stderr:\n" + soak.g.stderr())
            soak.g.close()
        soak.display.close()
    ok = soak.report()
    if soak.run_dir:
        import shutil
        shutil.rmtree(soak.run_dir, ignore_errors=True)
    print("soak: %s" % ("clean" if ok else "FAILED"))
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
