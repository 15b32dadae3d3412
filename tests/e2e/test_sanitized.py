"""The real game built with a sanitizer, played through xdotool for about a minute: the menu and
its switches, every board with boxes opened in pairs, the help, the about screen and its hidden
picture, and the exit button. Any sanitizer report, a crash or a non-zero status fails.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (Game, back_button, box_center, check, menu_button,  # noqa: E402
                     run_cases)

BINARY = os.environ.get("TESSARY_BINARY", "")
DATA_DIR = os.environ.get("TESSARY_DATA_DIR", "")
# A report; "ThreadSanitizer: Matched N suppressions" (print_suppressions=1) is not one.
SIGNS = ("WARNING: ThreadSanitizer", "ThreadSanitizer: reported", "ERROR: AddressSanitizer",
         "ERROR: LeakSanitizer", "runtime error:")


def open_pairs(g, level, pairs):
    """Opens boxes two at a time and waits for each pair to be judged."""
    for pair in range(pairs):
        g.click(*box_center(level, 2 * pair))
        time.sleep(0.15)
        g.click(*box_center(level, 2 * pair + 1))
        time.sleep(1.0)


def test_tsan_play():
    g = Game(BINARY, DATA_DIR)
    try:
        g.start()
        g.wait_menu(120)
        started = time.time()

        for name in ("easy", "normal", "hard", "about", "readme"):
            g.move(*menu_button(name))
            time.sleep(0.1)
        for name in ("sound", "music", "vsync", "sound", "music", "vsync"):
            g.click(*menu_button(name))
            time.sleep(0.2)

        g.click(*menu_button("easy"))
        time.sleep(1.0)
        open_pairs(g, "easy", 6)
        g.click(*box_center("easy", 20))
        g.click(*box_center("easy", 20))  # the one open box closes again
        time.sleep(0.3)
        g.key("Escape")
        time.sleep(0.8)

        g.click(*menu_button("normal"))
        time.sleep(1.0)
        open_pairs(g, "normal", 4)
        g.click(*back_button("normal"))
        time.sleep(0.8)

        g.click(*menu_button("hard"))
        time.sleep(1.0)
        open_pairs(g, "hard", 4)
        g.key("Escape")
        time.sleep(0.8)

        g.click(*menu_button("readme"))
        time.sleep(1.0)
        g.key("Escape")
        time.sleep(0.8)

        g.click(*menu_button("about"))
        time.sleep(2.0)
        for key in ("j", "v", "Return"):
            g.key(key)
        time.sleep(1.0)
        g.key("Escape")  # back to the about screen
        time.sleep(1.0)
        g.click(*back_button())
        time.sleep(0.8)

        # Play on in the menu until about a minute has passed: the stars, the music, the ticks.
        while time.time() - started < 55:
            g.move(*menu_button("easy"))
            time.sleep(0.5)
            g.move(5, 5)
            time.sleep(0.5)
            check(g.running(), "the game ended:\n" + g.stderr())

        g.click(*menu_button("out"))
        status = g.wait_exit(120)
        text = g.stderr()
        for sign in SIGNS:
            check(sign not in text, "the sanitizer reported:\n" + text)
        check(status == 0, "exit status %d:\n%s" % (status, text))
        check(g.read("game.cfg") == b"111", "game.cfg holds %r" % g.read("game.cfg"))
        check(len(g.read("data/maxsum.cfg")) == 6, "maxsum.cfg is not six bytes")
    finally:
        g.cleanup()


CASES = {
    "tsan_play": test_tsan_play,
}

if __name__ == "__main__":
    run_cases(CASES, sys.argv)
