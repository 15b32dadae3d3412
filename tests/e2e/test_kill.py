"""Kill safety of the real game: SIGKILL at many moments never costs the saved files; SIGTERM,
SIGINT and SIGHUP run the close sequence; the end of a desktop session (a lost display, a window
destroyed from outside, a second copy of the game, a Wayland compositor, no display at all)
never hangs the game or costs a best score.

kill_safety: one run directory lives through every kill, so each run starts from what the killed
one before it left. Before a kill the directory holds known settings and best scores; after it
both files must be whole and hold either what was there or what the game meant to save, and the
history must hold what it held plus at most the one whole line of a game given up.
"""

import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (case, HEIGHT, WIDTH, DbusSession, Display, Failure, Game,  # noqa: E402
                     Mutter, PipeWire, Weston, box_center, check, menu_button, run_cases,
                     wait_until)
from test_game import (enter_board, face_of, history, open_menu, play_level,  # noqa: E402
                       switch_sound, wait_board, wait_left, wait_message, wait_recorded)

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


@case(timeout=400)
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
            time.sleep(delay)  # the kill comes this long after the start, on purpose
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
            wait_board(g, "easy")
            for index in range(clicks):
                g.click(*box_center("easy", index))
            if clicks:
                # Killed while the last box opened shows (a pair is judged for half a second).
                last = box_center("easy", clicks - 1)
                g.wait_shot(lambda shot: face_of(shot, last) is not None,
                            "box %d to open" % (clicks - 1))
        return act

    def about(g):
        menu = g.screenshot()
        g.click(*menu_button("about"))
        g.wait_shot(lambda shot: shot.difference(menu) > 8, "the about screen")

    def history():
        try:
            with open(os.path.join(run_dir, "data", "history"), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return b""

    def giving_up(delay):
        def act(g):
            g.wait_menu()
            g.click(*menu_button("easy"))
            wait_board(g, "easy")
            g.click(*box_center("easy", 0))
            g.xdotool("key", "Escape")
            time.sleep(delay)  # the kill comes this long after the Escape, on purpose
        return act

    def leaving(delay):
        def act(g):
            g.wait_menu()
            g.click(*menu_button("sound"))
            g.key("Escape")
            g.key("Escape")
            g.xdotool("key", "Escape")
            time.sleep(delay)  # the kill comes this long after the third Escape, on purpose
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
        # A game given up appends its line at once; the history starts with half a line.
        with open(os.path.join(run_dir, "data", "history"), "wb") as f:
            f.write(b"2026-12-01T10:00:00Z easy 1 cla")
        for delay in (0.0, 0.01, 0.02, 0.04, 0.08, 0.15, 0.3):
            before = history()
            phase = "history, %d ms after giving a game up" % (delay * 1000)
            killed_run(phase, OLD_SETTINGS, OLD_SCORES, OLD_SETTINGS, OLD_SCORES,
                       giving_up(delay))
            added = history()[len(before):]
            check(history().startswith(before), "%s: the history lost bytes" % phase)
            line = added.lstrip(b"\n")
            check(added == b"" or (line.count(b"\n") == 1 and line.endswith(b" gaveup\n") and
                                   line.split()[1:4] == [b"easy", b"1", b"classic"]),
                  "%s: the history gained %r" % (phase, added))
            tally.add(phase, "history line added" if added.strip() else "history unchanged")
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


@case(timeout=400)
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
            switch_sound(g)

        def board(g):
            switched(g)
            g.click(*menu_button("easy"))
            wait_board(g, "easy")
            g.click(*box_center("easy", 0))

        def exiting(g):
            switched(g)
            for _ in range(3):
                g.key("Escape")
            time.sleep(0.1)  # the signal is meant to land in the exit sequence begun

        run("SIGTERM while loading", signal.SIGTERM, lambda g: g.wait_window(), OLD_SETTINGS)
        run("SIGTERM in the menu", signal.SIGTERM, switched, NEW_SETTINGS)
        run("SIGTERM on a board with a box open", signal.SIGTERM, board, NEW_SETTINGS)
        run("SIGTERM during the exit sequence", signal.SIGTERM, exiting, NEW_SETTINGS)
        run("SIGINT in the menu", signal.SIGINT, switched, NEW_SETTINGS)
        run("SIGHUP in the menu", signal.SIGHUP, switched, NEW_SETTINGS)

        def hung_up_twice(g):
            switched(g)
            g.process.send_signal(signal.SIGHUP)
            time.sleep(0.1)  # the second lands inside the close sequence
        run("SIGHUP twice in the menu", signal.SIGHUP, hung_up_twice, NEW_SETTINGS)
    finally:
        display.close()


def wait_end(g, limit, what):
    """Waits for the game to end; returns its status and how long it took (at most `limit`)."""
    started = time.time()
    status = g.wait_exit(max(limit, 10))
    took = time.time() - started
    check(took <= limit, "%s: the game took %.2f s to end" % (what, took))
    return status, took


@case(timeout=400)
def test_display_lost():
    """The X server goes away while a won level is on show: the beaten best score was saved at
    the win already; the game saves both files, says so in one line and ends with status 1
    within 2 s."""
    g = Game(BINARY, DATA_DIR, prepare=lambda d: put_files(d, OLD_SETTINGS, bytes(6)))
    try:
        open_menu(g)
        g.click(*menu_button("sound"))
        g.move(5, 5)
        enter_board(g, "easy")
        play_level(g, "easy", 36)
        wait_message(g)
        wait_recorded(g, b"")  # written once the best score, half a second after, is kept
        at_win = files_of(g.run_dir)[1]
        check(at_win and at_win[:2] != bytes(2), "the best score was not saved at the win")
        g.display.process.kill()
        status, took = wait_end(g, 2.0, "display lost")
        check(status == 1, "status %d" % status)
        lines = [line for line in g.stderr().splitlines() if line.startswith("tessary:")]
        check(lines == ["tessary: the display connection was lost; settings and best scores "
                        "saved"], "stderr: %r" % lines)
        game_cfg, maxsum = files_of(g.run_dir)
        easy_best = maxsum[0] * 256 + maxsum[1]
        check(game_cfg == NEW_SETTINGS and easy_best > 0 and maxsum[2:] == bytes(4),
              "files %r %r" % (game_cfg, maxsum))
        print("X server killed on a won board: ended after %.2f s, status 1, easy best %d saved"
              % (took, easy_best))
    finally:
        g.cleanup()


@case(timeout=400)
def test_window_destroyed():
    """Another client destroys the game's window (xdotool windowclose): the game closes within
    2 s with both files saved."""
    g = Game(BINARY, DATA_DIR, prepare=lambda d: put_files(d, OLD_SETTINGS, OLD_SCORES))
    try:
        g.start()
        g.wait_menu()
        switch_sound(g)
        g.xdotool("windowclose", g.window)
        status, took = wait_end(g, 2.0, "window destroyed")
        check(status == 1, "status %d: %s" % (status, g.stderr()))
        check("tessary: the window is gone" in g.stderr(), g.stderr())
        check(files_of(g.run_dir) == [NEW_SETTINGS, OLD_SCORES],
              "files %r" % files_of(g.run_dir))
        check(not leftovers(g.run_dir), "temporary files left")
        print("window destroyed: ended after %.2f s, status %d, both files saved" % (took, status))
    finally:
        g.cleanup()


@case(timeout=400)
def test_two_copies():
    """Two copies on the same files, and a third writer saving higher scores while both run:
    whichever ends last, no best score goes down."""
    first = Game(BINARY, DATA_DIR, prepare=lambda d: put_files(
        d, OLD_SETTINGS, bytes([0, 100, 0, 200, 1, 44])))
    run_dir = first.run_dir
    a = Game(BINARY, DATA_DIR, run_dir=run_dir)
    b = Game(BINARY, DATA_DIR, run_dir=run_dir)
    b.stderr_path = os.path.join(run_dir, "stderr-b.txt")
    try:
        a.start()
        b.start()
        a.wait_menu()
        b.wait_menu()
        # Saved from outside while both run: easy and hard higher, normal lower.
        higher = bytes([0x01, 0xF4, 0, 50, 0x03, 0x20])
        with open(os.path.join(run_dir, "data", "maxsum.cfg.new"), "wb") as f:
            f.write(higher)
        os.rename(os.path.join(run_dir, "data", "maxsum.cfg.new"),
                  os.path.join(run_dir, "data", "maxsum.cfg"))
        # Both give games up in turns: every line whole, none lost.
        for _round in range(3):
            for g in (a, b):
                before = history(g)
                g.click(*menu_button("easy"))
                wait_board(g, "easy")
                g.click(*box_center("easy", 0))
                g.key("Escape")
                wait_recorded(g, before)
                wait_left(g, "easy")
        with open(os.path.join(run_dir, "data", "history"), "rb") as f:
            lines = f.read().decode().splitlines()
        check(len(lines) == 6 and all(line.split()[1:4] == ["easy", "1", "classic"] and
                                      line.endswith(" gaveup") for line in lines),
              "the history of both copies: %r" % lines)
        a.process.send_signal(signal.SIGTERM)
        check(a.wait_exit(30) == 0, "A: %s" % a.stderr())
        b.process.send_signal(signal.SIGTERM)
        check(b.wait_exit(30) == 0, "B: %s" % b.stderr())
        _settings, maxsum = files_of(run_dir)
        check(maxsum == bytes([0x01, 0xF4, 0, 200, 0x03, 0x20]),
              "the scores after both copies ended: %r" % maxsum)
        check(not leftovers(run_dir), "temporary files left")
        print("two copies: scores 500/200/800 kept (file 500/50/800, both copies 100/200/300); "
              "6 games given up in turns, 6 whole lines")
    finally:
        a.close()
        b.close()
        first.cleanup()


@case(timeout=400)
def test_file_modes_and_links():
    """A private score file stays private; a settings file kept elsewhere behind a symbolic link
    keeps its link, and its target gets the new settings."""
    def prepare(run_dir):
        put_files(run_dir, OLD_SETTINGS, OLD_SCORES)
        os.chmod(os.path.join(run_dir, "data", "maxsum.cfg"), 0o600)
        os.mkdir(os.path.join(run_dir, "elsewhere"))
        os.rename(os.path.join(run_dir, "game.cfg"), os.path.join(run_dir, "elsewhere", "mine"))
        os.symlink(os.path.join("elsewhere", "mine"), os.path.join(run_dir, "game.cfg"))
    g = Game(BINARY, DATA_DIR, prepare=prepare)
    try:
        g.start()
        g.wait_menu()
        switch_sound(g)
        g.close_button()
        check(g.wait_exit() == 0, g.stderr())
        mode = stat.S_IMODE(os.stat(os.path.join(g.run_dir, "data", "maxsum.cfg")).st_mode)
        check(mode == 0o600, "the score file's mode became %o" % mode)
        link = os.path.join(g.run_dir, "game.cfg")
        check(os.path.islink(link), "the settings link was replaced by a file")
        check(g.read(os.path.join("elsewhere", "mine")) == NEW_SETTINGS,
              "the link's target holds %r" % g.read(os.path.join("elsewhere", "mine")))
        print("score file mode 600 kept; game.cfg still a link, its target saved")
    finally:
        g.cleanup()


@case(timeout=400)
def test_no_display():
    """Without DISPLAY and WAYLAND_DISPLAY the game says so and ends with status 1; with
    SDL_VIDEODRIVER chosen on purpose it runs."""
    run_dir = tempfile.mkdtemp(prefix="tessary-e2e-")
    try:
        shutil.copytree(os.path.join(DATA_DIR, "data"), os.path.join(run_dir, "data"))
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
        started = time.time()
        done = subprocess.run([BINARY], cwd=run_dir, env=env, capture_output=True, timeout=20)
        took = time.time() - started
        check(done.returncode == 1, "status %d" % done.returncode)
        check(done.stderr == b"tessary: no display (set DISPLAY or WAYLAND_DISPLAY)\n",
              "stderr %r" % done.stderr)
        check(not os.path.exists(os.path.join(run_dir, "game.cfg")), "a file was written")
        print("no display: status 1 after %.2f s, one line" % took)

        # On purpose: the offscreen driver runs the game without a display (it is killed after
        # a second: Mesa queues unthrottled offscreen frames without bound).
        env.update(SDL_VIDEODRIVER="offscreen", SDL_AUDIODRIVER="dummy",
                   LIBGL_ALWAYS_SOFTWARE="1")
        game = subprocess.Popen([BINARY], cwd=run_dir, env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE)
        time.sleep(1)  # idles a second: the game must still be running then
        running = game.poll() is None
        game.kill()
        _out, err = game.communicate(timeout=20)
        check(running and b"no display" not in err, "the offscreen run ended: %r" % err)
        print("SDL_VIDEODRIVER=offscreen without a display: the game runs")
    finally:
        shutil.rmtree(run_dir, ignore_errors=True)


MENU_TITLE = (250, 20, 550, 100)


def wait_animated(g, timeout=40):
    """Waits for the menu on a display whose first pictures are not the game's (the compositor's
    background, the loading picture): the title shows and the stars move."""
    seen = {"previous": g.screenshot(), "changes": 0}

    def look():
        check(g.running(), "the game ended: " + g.stderr())
        shot = g.screenshot()
        # Shots a moment apart: the twinkling stars move the whole screen's mean by about 1 (a
        # still screen by 0.02), the fade-in and the title's entrance by far more.
        seen["changes"] = seen["changes"] + 1 if shot.difference(seen["previous"]) > 0.5 else 0
        seen["previous"] = shot
        return shot
    # The compositor's start fades in too: the menu is the one with the bright title.
    return wait_until(look, lambda shot: seen["changes"] >= 2 and
                      sum(shot.mean(*MENU_TITLE)) > 150, "the menu, its title lit and its stars "
                      "moving", timeout, describe=lambda shot: "%s; %s" % (shot.path, g.stderr()))


@case(timeout=400)
def test_wayland():
    """A real Wayland compositor (weston on Xvfb) with SDL's libdecor decorations: the game
    reaches the menu, deals a board on a click, ends on SIGTERM with both files; and when the
    compositor dies it saves and ends like on a lost X display."""
    display = Display()
    weston = None
    try:
        weston = Weston(display)
        g = Game(BINARY, DATA_DIR, display=display, env=weston.client_env(),
                 prepare=lambda d: None)
        try:
            g.start()
            menu = wait_animated(g)
            title = menu.mean(*MENU_TITLE)
            g.screenshot(keep=os.path.join(g.run_dir, "wayland-menu.png"))
            # Xvfb starts with its pointer inside the compositor's window, which then never sees
            # it enter: take it out and back in before the click.
            g.move(WIDTH + 100, HEIGHT + 100)
            g.move(*menu_button("easy"))
            g.click(*menu_button("easy"))
            board = wait_board(g, "easy")
            shutil.copy(board.path, os.path.join(g.run_dir, "wayland-board.png"))
            check(sum(board.mean(*MENU_TITLE)) < sum(title) / 2,
                  "the click did not deal a board")
            check(board.mean(*[p for c in (box_center("easy", 0),) for p in
                               (c[0] - 10, c[1] - 10, c[0] + 10, c[1] + 10)]) != (0, 0, 0),
                  "no box on the board")
            maps = open("/proc/%d/maps" % g.process.pid).read()
            check("libdecor-cairo" in maps, "the libdecor plugin was not loaded")
            g.process.send_signal(signal.SIGTERM)
            status = g.wait_exit(30)
            check(status == 0, "status %d: %s" % (status, g.stderr()))
            game_cfg, maxsum = files_of(g.run_dir)
            check(game_cfg == b"111" and maxsum == bytes(6), "files %r %r" % (game_cfg, maxsum))
            print("wayland: menu, board, SIGTERM status 0, both files written")
        finally:
            g.cleanup()

        g = Game(BINARY, DATA_DIR, display=display, env=weston.client_env(),
                 prepare=lambda d: put_files(d, OLD_SETTINGS, OLD_SCORES))
        try:
            g.start()
            wait_animated(g)
            switch_sound(g)
            weston.process.kill()
            status, took = wait_end(g, 2.0, "compositor killed")
            check(status == 1, "status %d: %s" % (status, g.stderr()))
            check("tessary: the display connection was lost; settings and best scores saved"
                  in g.stderr(), g.stderr())
            check(files_of(g.run_dir) == [NEW_SETTINGS, OLD_SCORES],
                  "files %r" % files_of(g.run_dir))
            print("wayland: compositor killed, ended after %.2f s, status 1, files saved" % took)
        finally:
            g.cleanup()
    finally:
        if weston:
            weston.close()
        display.close()


# Two settings bytes read as "100" (a missing byte repeats the one before) and five score bytes
# read as 5, 7, 257: both files come back a byte longer only when the game saved them.
TWO_SETTINGS, TWO_SETTINGS_SAVED = b"10", b"100"


def saved_both(run_dir):
    return files_of(run_dir) == [TWO_SETTINGS_SAVED, SHORT_SCORES_SAVED]


def deal_board_in_mutter(mutter, g, timeout=40):
    """Presses 1 until the game says a board is on show (the menu must be up to take it)."""
    def press():
        check(g.running(), "the game ended: " + g.stderr())
        mutter.press(0x31)  # XK_1
        try:
            return g.wait_stderr("a board is on show", timeout=0.5)
        except Failure:
            return ""  # pressed before the menu was up: pressed again
    wait_until(press, bool, "a board dealt", timeout, describe=lambda _: g.stderr())


@case(timeout=400)
def test_mutter_goes():
    """GNOME's compositor, native Wayland: ten times in a row a board is dealt and mutter is
    killed (SIGTERM and SIGKILL in turn); each time the game ends within 2 s with status 1 and
    both files saved. Then the UI thread is held stuck (a test hook blocks it on the board) and
    SIGTERM still ends the game within 2 s, status 0, both files saved by the watcher."""
    def run(hold, sig=None):
        session = DbusSession()
        mutter = None
        g = None
        try:
            mutter = Mutter(session)
            g = Game(BINARY, DATA_DIR, display=display, env=mutter.client_env(),
                     game_env={"TESSARY_TEST_ON_BOARD": "hold" if hold else "say"},
                     prepare=lambda d: put_files(d, TWO_SETTINGS, SHORT_SCORES))
            g.start()
            deal_board_in_mutter(mutter, g)
            # The exit is timed from a board settled: the game's music is still being decoded
            # for a moment after the board shows, and nothing shows when that is over.
            time.sleep(0.5)
            if hold:
                g.process.send_signal(signal.SIGTERM)
            else:
                mutter.process.send_signal(sig)
            status, took = wait_end(g, 2.0, "mutter killed" if not hold else "held UI thread")
            check(status == (0 if hold else 1), "status %d: %s" % (status, g.stderr()))
            check(saved_both(g.run_dir), "files %r: %s" % (files_of(g.run_dir), g.stderr()))
            line = ("the window did not answer the close request; settings and best scores saved"
                    if hold else
                    "the display connection was lost; settings and best scores saved")
            check("tessary: " + line in g.stderr(), g.stderr())
            return took
        finally:
            if g:
                g.cleanup()
            if mutter:
                mutter.close(signal.SIGKILL)
            session.close()

    display = Display()  # unused by the game; the harness's X tools want one
    try:
        times = [run(False, signal.SIGTERM if n % 2 == 0 else signal.SIGKILL) for n in range(10)]
        print("mutter killed on a board: 10 of 10 exits, status 1, both files; times %s s"
              % " ".join("%.2f" % t for t in times))
        took = run(True)
        print("UI thread held, SIGTERM: ended after %.2f s, status 0, both files" % took)
    finally:
        display.close()


@case(timeout=400)
def test_sound_server_restarts():
    """Without a sound server the game says so in one line (libasound's own messages stay
    away). With PipeWire: the game's stream shows in pactl; the server is killed and started
    again, and the stream is back within a few seconds, with one line for the loss and one for
    the return."""
    display = Display()
    session = DbusSession()
    server = None
    quiet = {"SDL_AUDIODRIVER": None, "XDG_RUNTIME_DIR": session.runtime_dir,
             "DBUS_SESSION_BUS_ADDRESS": session.address}
    try:
        g = Game(BINARY, DATA_DIR, display=display, env=quiet)
        try:
            g.start()
            g.wait_menu()
            g.process.send_signal(signal.SIGTERM)
            check(g.wait_exit(30) == 0, g.stderr())
            lines = [l for l in g.stderr().splitlines() if l.strip()]
            check(len(lines) == 1 and lines[0].startswith("tessary: no sound device"),
                  "stderr without a sound server: %r" % lines)
            print("no sound server: one line, %r" % lines[0])
        finally:
            g.cleanup()

        server = PipeWire(session)
        g = Game(BINARY, DATA_DIR, display=display, env=quiet)
        try:
            g.start()
            g.wait_menu()
            wait_until(server.streams, bool, "a stream of the game", 10,
                       describe=lambda _: g.stderr())
            server.stop()
            g.wait_stderr("tessary: the sound device is gone; playing on without sound")
            check(g.running(), "the game ended with its sound server: " + g.stderr())
            server.start()
            started = time.time()
            wait_until(server.streams, bool, "the stream to come back", 8,
                       describe=lambda _: g.stderr())
            back = time.time() - started
            # The stream shows in the server a moment before the game's open returns and says so.
            g.wait_stderr("tessary: sound is back", timeout=10)
            g.process.send_signal(signal.SIGTERM)
            check(g.wait_exit(30) == 0, g.stderr())
            print("sound server killed and started again: the stream was back %.2f s after the "
                  "server" % back)
        finally:
            g.cleanup()
    finally:
        if server:
            server.stop(signal.SIGTERM)
        session.close()
        display.close()



if __name__ == "__main__":
    run_cases(sys.argv)
