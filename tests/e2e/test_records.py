"""Records and pause under Xvfb: the history a few games leave and the records screen built from
it; a board paused by losing the focus under a window manager."""

import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (case, Display, Game, box_center, check, menu_button,  # noqa: E402
                     project_point, run_cases)
from test_game import (enter_board, face_of, open_menu, play_level,  # noqa: E402
                       wait_left, wait_message, wait_recorded)

BINARY = os.environ.get("TESSARY_BINARY", "")
DATA_DIR = os.environ.get("TESSARY_DATA_DIR", "")
# Screenshots worth looking at are copied here when set.
SHOT_DIR = os.environ.get("TESSARY_E2E_SHOTS", "")
ENGLISH = {"LANG": "en_US.UTF-8", "LC_ALL": "", "LC_MESSAGES": ""}

# Two wins above what a quick player scores on the easy board, older games, a line from
# something else and a line cut short by a kill.
EARLIER = (b"2026-11-01T10:00:00Z easy 1 classic 2155 40 18 0 won\n"
           b"2026-11-02T10:00:00Z easy 1 classic 2150 41 18 0 won\n"
           b"2026-11-03T10:00:00Z hard 1 classic 9000 300 40 12 won\n"
           b"2026-11-04T10:00:00Z normal computer classic 800 300 20 4 won\n"
           b"not a game\n"
           b"2026-11-05T10:00:00Z easy 1 cl")


def keep(shot, name):
    if SHOT_DIR:
        os.makedirs(SHOT_DIR, exist_ok=True)
        shutil.copy(shot.path, os.path.join(SHOT_DIR, name))


def history_lines(g):
    return g.read(os.path.join("data", "history"))


@case(timeout=240)
def test_records_after_games():
    """A game given up and an easy level won are appended to a history that holds earlier games,
    odd lines and half a line; the win is announced as the third record; the records screen
    opened from the won board shows them."""
    def prepare(run_dir):
        with open(os.path.join(run_dir, "data", "history"), "wb") as f:
            f.write(EARLIER)
    g = Game(BINARY, DATA_DIR, prepare=prepare, env=ENGLISH)
    try:
        open_menu(g)
        g.move(5, 5)
        enter_board(g, "normal")
        g.click(*box_center("normal", 0))
        g.key("Escape")
        wait_left(g, "normal")
        given_up = wait_recorded(g, EARLIER)
        enter_board(g, "easy")
        play_level(g, "easy", 36)
        wait_message(g)
        wait_recorded(g, given_up)
        x, y = project_point(-0.5, -0.7, -10)

        def announced(shot):
            return sum(shot.mean(x, y - 12, x + 100, y)) > \
                sum(shot.mean(x, y + 10, x + 100, y + 22)) + 20
        won = g.wait_shot(announced, "the record announced under the win message")
        keep(won, "won-board-new-record.png")
        g.click(*project_point(-2.0, -1.8, -5))
        records = g.wait_shot(lambda shot: sum(shot.mean(30, 100, 770, 300)) > 20 and
                              shot.difference(won) > 5, "the records screen", settled=True)
        keep(records, "records-screen.png")

        g.key("Escape")
        g.close_button()
        check(g.wait_exit() == 0, g.stderr())
        history = history_lines(g)
        check(history.startswith(EARLIER + b"\n"), "the earlier history changed: %r" % history)
        added = history[len(EARLIER) + 1:].decode().splitlines()
        check(len(added) == 2 and added[0].split()[1:3] == ["normal", "1"] and
              added[0].endswith(" gaveup") and added[1].split()[1] == "easy" and
              added[1].split()[6:] == ["18", added[1].split()[7], "won"],
              "lines added: %r" % added)
        check("data/history: 2 lines are not a game's record and skipped (kept in the file)"
              in g.stderr(), g.stderr())
        print("history: 2 lines appended after the half line; records screen and the 3rd record "
              "shown")
    finally:
        g.cleanup()


def client_origin(g):
    """Where the client area is under a window manager (its frame moves it)."""
    out = subprocess.run(["xwininfo", "-id", g.window], env=g.x_env, capture_output=True,
                         text=True, check=True).stdout
    g.origin = tuple(int(re.search(r"Absolute upper-left %s:\s+(-?\d+)" % axis, out).group(1))
                     for axis in "XY")


def time_region(shot):
    x, y = project_point(0.5, 3.6, -10)
    return (x - 2, y - 14, x + 30, y + 3)


@case(timeout=240)
def test_pause_on_focus_loss():
    """Under openbox the focus moves away from a board with one box open: the board is hidden,
    the time left stands still while the window is away; a click after the focus comes back
    resumes the countdown."""
    display = Display(window_manager=True)
    g = Game(BINARY, DATA_DIR, display=display, env=ENGLISH)
    g.own_display = True
    try:
        open_menu(g)
        g.xdotool("windowactivate", "--sync", g.window)
        client_origin(g)
        enter_board(g, "easy")
        box = box_center("easy", 0)
        g.click(*box)
        playing = g.wait_shot(lambda shot: face_of(shot, box) is not None,
                              "the first box to show its face", settled=True)
        root = subprocess.run(["xdotool", "search", "--maxdepth", "0", "--name", ""],
                              env=g.x_env, capture_output=True, text=True).stdout.split()
        check(root, "no root window")
        g.xdotool("windowfocus", "--sync", root[0])
        patch = (box[0] - 8, box[1] - 8, box[0] + 8, box[1] + 8)
        row = [box_center("easy", i) for i in range(6)] + [box_center("easy", i)
                                                           for i in range(30, 36)]

        def shades(shot):
            return [sum(shot.mean(x - 3, y - 3, x + 3, y + 3)) for x, y in row]
        paused = g.wait_shot(lambda shot: shot.difference(playing, patch) > 20 and
                             max(shades(shot)) - min(shades(shot)) < 10,
                             "the board hidden, the open box with it", settled=True)
        keep(paused, "paused-board.png")
        time.sleep(2.5)  # idles for more than a second: the time left must stand still
        later = g.screenshot()
        check(later.difference(paused, time_region(paused)) == 0,
              "the time left changed while the window was away")

        g.xdotool("windowactivate", "--sync", g.window)
        g.click(*box_center("easy", 20))
        g.wait_shot(lambda shot: shot.difference(later, time_region(later)) > 0 and
                    shot.difference(playing, patch) < 5,
                    "the clock to go on and the open box to come back")
        print("focus lost: board hidden, time left unchanged for 2.5 s; a click resumed it")
    finally:
        g.cleanup()



if __name__ == "__main__":
    run_cases(sys.argv)
