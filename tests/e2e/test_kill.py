"""Kill safety of the real game: SIGKILL at many moments never costs the saved files, SIGTERM and
SIGINT run the close sequence.

kill_safety: one run directory lives through every kill, so each run starts from what the killed
one before it left. Before a kill the directory holds known settings and best scores; after it
both files must be whole and hold either what was there or what the game meant to save.
"""

import os
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (Display, Failure, Game, box_center, check, menu_button,  # noqa: E402
                     run_cases)

BINARY = os.environ.get("TESSARY_BINARY", "")
DATA_DIR = os.environ.get("TESSARY_DATA_DIR", "")

OLD_SETTINGS = b"101"
NEW_SETTINGS = b"001"  # after the sound switch is clicked
OLD_SCORES = bytes([0x03, 0xE8, 0x09, 0x29, 0xFF, 0xFF])
# A short file left by some other writer: the game reads 5, 7 and 257 and saves six bytes, so a
# file it has replaced is told from one it has not.
SHORT_SCORES = bytes([0x00, 0x05, 0x00, 0x07, 0x01])
SHORT_SCORES_SAVED = SHORT_SCORES + b"\x01"


def files_of(run_dir):
    out = []
    for name in ("game.cfg", os.path.join("data", "maxsum.cfg")):
        try:
            with open(os.path.join(run_dir, name), "rb") as f:
                out.append(f.read())
        except FileNotFoundError:
            out.append(None)
    return out


def put_files(run_dir, settings, scores):
    with open(os.path.join(run_dir, "game.cfg"), "wb") as f:
        f.write(settings)
    with open(os.path.join(run_dir, "data", "maxsum.cfg"), "wb") as f:
        f.write(scores)


def leftovers(run_dir):
    found = []
    for base, _dirs, files in os.walk(run_dir):
        found += [os.path.join(base, n) for n in files if ".tmp" in n]
    return found


class Tally:
    def __init__(self):
        self.kills = 0
        self.outcomes = {}

    def add(self, phase, outcome):
        self.kills += 1
        self.outcomes.setdefault(phase, {}).setdefault(outcome, 0)
        self.outcomes[phase][outcome] += 1

    def report(self):
        print("%d kills" % self.kills)
        for phase, outcomes in self.outcomes.items():
            counts = ", ".join("%s: %d" % kv for kv in sorted(outcomes.items()))
            print("  %-46s %s" % (phase, counts))


def test_kill_safety():
    display = Display()
    tally = Tally()
    first = Game(BINARY, DATA_DIR, display=display)
    run_dir = first.run_dir

    def killed_run(phase, settings, scores, new_settings, new_scores, act):
        """Starts a game on known files, lets `act` bring it to the moment and kills it there;
        checks both files are whole and old or new."""
        put_files(run_dir, settings, scores)
        g = Game(BINARY, DATA_DIR, run_dir=run_dir, display=display)
        try:
            g.start()
            act(g)
            g.process.send_signal(signal.SIGKILL)
            status = g.wait_exit(20)
        finally:
            g.close()
        check(status == -signal.SIGKILL, "%s: the game had already ended (status %d): %s"
              % (phase, status, g.stderr()))
        game_cfg, maxsum = files_of(run_dir)
        check(game_cfg in (settings, new_settings),
              "%s: game.cfg holds %r, neither %r nor %r" % (phase, game_cfg, settings,
                                                           new_settings))
        check(maxsum in (scores, new_scores),
              "%s: maxsum.cfg holds %r, neither %r nor %r" % (phase, maxsum, scores, new_scores))
        def state(name, now, before, meant):
            if before == meant:
                return name + " kept"
            return name + (" new" if now == meant else " old")
        outcome = state("settings", game_cfg, settings, new_settings) + ", " + \
            state("scores", maxsum, scores, new_scores)
        for path in leftovers(run_dir):
            outcome += " (temporary file left)"
            os.remove(path)
        tally.add(phase, outcome)

    def after(delay):
        def act(g):
            time.sleep(delay)
        return act

    def in_menu(extra=None):
        def act(g):
            g.wait_menu()
            if extra:
                extra(g)
        return act

    def on_board(clicks):
        def act(g):
            g.wait_menu()
            g.click(*menu_button("easy"))
            time.sleep(0.5)
            for index in range(clicks):
                g.click(*box_center("easy", index))
            time.sleep(0.05)
        return act

    def about(g):
        g.click(*menu_button("about"))
        time.sleep(0.4)

    def leaving(delay):
        def act(g):
            g.wait_menu()
            g.click(*menu_button("sound"))
            g.key("Escape")
            g.key("Escape")
            g.xdotool("key", "Escape")
            time.sleep(delay)
            check(g.running() or delay > 0.4, "the game ended before its files could be saved")
        return act

    try:
        # Loading: from before the window exists to the last loading frames.
        for delay in (0.0, 0.05, 0.15, 0.3, 0.6, 1.0, 1.5):
            killed_run("loading, %d ms after start" % (delay * 1000), OLD_SETTINGS, OLD_SCORES,
                       OLD_SETTINGS, OLD_SCORES, after(delay))
        killed_run("menu", OLD_SETTINGS, OLD_SCORES, OLD_SETTINGS, OLD_SCORES, in_menu())
        killed_run("menu, sound switched off", OLD_SETTINGS, OLD_SCORES, OLD_SETTINGS,
                   OLD_SCORES, in_menu(lambda g: g.click(*menu_button("sound"))))
        killed_run("about screen", OLD_SETTINGS, OLD_SCORES, OLD_SETTINGS, OLD_SCORES,
                   in_menu(about))
        killed_run("easy board, one box open", OLD_SETTINGS, OLD_SCORES, OLD_SETTINGS,
                   OLD_SCORES, on_board(1))
        killed_run("easy board, a pair being judged", OLD_SETTINGS, OLD_SCORES, OLD_SETTINGS,
                   OLD_SCORES, on_board(2))
        # The exit sequence: 500 ms of grace, the settings, the workers, the scores. Every other
        # run starts from a short score file, which a save turns into six bytes.
        delays = (0.0, 0.1, 0.2, 0.3, 0.4, 0.44, 0.46, 0.47, 0.48, 0.485, 0.49, 0.495, 0.5,
                  0.505, 0.51, 0.52, 0.54, 0.6)
        for number, delay in enumerate(delays):
            scores, new_scores = ((OLD_SCORES, OLD_SCORES) if number % 2 == 0
                                  else (SHORT_SCORES, SHORT_SCORES_SAVED))
            put_files(run_dir, OLD_SETTINGS, scores)
            try:
                killed_run("exit sequence, %d ms after the third Escape" % (delay * 1000),
                           OLD_SETTINGS, scores, NEW_SETTINGS, new_scores, leaving(delay))
            except Failure as failure:
                if "had already ended" not in str(failure):
                    raise
                # The machine was quick: the game finished its exit before the kill.
                check(files_of(run_dir) == [NEW_SETTINGS, new_scores],
                      "an exit that finished left %r" % files_of(run_dir))
                tally.add("exit sequence, %d ms after the third Escape" % (delay * 1000),
                          "ended before the kill, both saved")

        # After all that the directory still starts a game that reads and saves normally.
        put_files(run_dir, OLD_SETTINGS, OLD_SCORES)
        g = Game(BINARY, DATA_DIR, run_dir=run_dir, display=display)
        try:
            g.start()
            g.wait_menu()
            g.close_button()
            check(g.wait_exit() == 0, "the last run did not end cleanly")
        finally:
            g.close()
        check(files_of(run_dir) == [OLD_SETTINGS, OLD_SCORES],
              "the last run left %r" % files_of(run_dir))
        tally.report()
        seen = {o for outcomes in tally.outcomes.values() for o in outcomes}
        print("outcomes: %s" % sorted(seen))
    finally:
        display.close()
        import shutil
        shutil.rmtree(run_dir, ignore_errors=True)


def test_sigterm_closes():
    """SIGTERM (and SIGINT, Ctrl+C) arrive as a quit event: the close sequence runs, the files
    are written and the status is 0, wherever the game stands."""
    display = Display()
    try:
        def run(case, signal_number, act, settings_after):
            def prepare(run_dir):
                put_files(run_dir, OLD_SETTINGS, OLD_SCORES)
            g = Game(BINARY, DATA_DIR, prepare=prepare, display=display)
            try:
                g.start()
                act(g)
                g.process.send_signal(signal_number)
                status = g.wait_exit(30)
                check(status == 0, "%s: status %d, stderr:\n%s" % (case, status, g.stderr()))
                check(files_of(g.run_dir) == [settings_after, OLD_SCORES],
                      "%s: files %r" % (case, files_of(g.run_dir)))
                check(not leftovers(g.run_dir), "%s: temporary files left" % case)
                print("%s: status 0, game.cfg %r, maxsum.cfg whole" % (case, settings_after))
            finally:
                g.cleanup()

        def switched(g):
            g.wait_menu()
            g.click(*menu_button("sound"))
            time.sleep(0.2)

        def board(g):
            switched(g)
            g.click(*menu_button("easy"))
            time.sleep(0.5)
            g.click(*box_center("easy", 0))

        def exiting(g):
            switched(g)
            for _ in range(3):
                g.key("Escape")
            time.sleep(0.1)

        run("SIGTERM while loading", signal.SIGTERM, lambda g: g.wait_window(), OLD_SETTINGS)
        run("SIGTERM in the menu", signal.SIGTERM, switched, NEW_SETTINGS)
        run("SIGTERM on a board with a box open", signal.SIGTERM, board, NEW_SETTINGS)
        run("SIGTERM during the exit sequence", signal.SIGTERM, exiting, NEW_SETTINGS)
        run("SIGINT in the menu", signal.SIGINT, switched, NEW_SETTINGS)
    finally:
        display.close()


CASES = {
    "kill_safety": test_kill_safety,
    "sigterm_closes": test_sigterm_closes,
}

if __name__ == "__main__":
    run_cases(CASES, sys.argv)
