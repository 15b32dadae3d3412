"""The real game built with a sanitizer, played through xdotool for about a minute: the menu and
its switches, every board with boxes opened in pairs, the help, the about screen and its hidden
picture, and the exit button. Any sanitizer report, a crash or a non-zero status fails.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (case, Game, back_button, box_center, check, menu_button,  # noqa: E402
                     run_cases)

BINARY = os.environ.get("TESSARY_BINARY", "")
DATA_DIR = os.environ.get("TESSARY_DATA_DIR", "")
# A report; "ThreadSanitizer: Matched N suppressions" (print_suppressions=1) is not one.
SIGNS = ("WARNING: ThreadSanitizer", "ThreadSanitizer: reported", "ERROR: AddressSanitizer",
         "ERROR: LeakSanitizer", "runtime error:")


def region_of(point, half=20):
    x, y = point
    return (x - half, y - half, 2 * half + 1, 2 * half + 1)


def changes(g, action, region, what, settled=False):
    """Does `action` and waits until the region (x, y, width, height) changes from how it was."""
    before = g.screenshot(region=region)
    action()
    return g.wait_shot(lambda shot: shot.difference(before) > 3, what, region, timeout=120,
                       settled=settled)


def open_pairs(g, level, pairs):
    """Opens boxes two at a time and waits for each pair to be judged: the second box opens,
    then shuts or goes."""
    for pair in range(pairs):
        g.click(*box_center(level, 2 * pair))
        second = box_center(level, 2 * pair + 1)
        opened = changes(g, lambda: g.click(*second), region_of(second),
                         "box %d to open" % (2 * pair + 1), settled=True)
        g.wait_shot(lambda shot: shot.difference(opened) > 3, "the try to be judged",
                    region_of(second), timeout=120)


def whole(g, action, what):
    """Does `action` and waits until another scene shows: most of the picture changes."""
    before = g.screenshot()
    action()
    return g.wait_shot(lambda shot: shot.difference(before) > 8, what, timeout=120)


@case(timeout=600, sanitize="thread")
def test_tsan_play():
    g = Game(BINARY, DATA_DIR)
    try:
        g.start()
        # Xvfb's pointer starts in the middle of the screen, between the buttons.
        menu = g.wait_menu(120)
        started = time.time()

        def hover(name, lit=True):
            """Moves onto the button (or off it) and waits until it is lit (or plain)."""
            region = region_of(menu_button(name), 12)
            plain = sum(menu.mean(region[0], region[1], region[0] + region[2],
                                  region[1] + region[3])) / 3
            g.move(*(menu_button(name) if lit else (5, 5)))
            g.wait_shot(lambda shot: (shot.brightness() > plain + 5) == lit,
                        "the %s button %s" % (name, "lit" if lit else "plain"), region,
                        timeout=120)
        for name in ("easy", "normal", "hard", "about", "readme"):
            hover(name)
        hover("readme", lit=False)
        for name in ("sound", "music", "vsync", "sound", "music", "vsync"):
            x, y = menu_button(name)
            changes(g, lambda: g.click(x, y), (x - 40, y - 8, 80, 16),
                    "the %s switch to turn" % name)

        whole(g, lambda: g.click(*menu_button("easy")), "the easy board")
        open_pairs(g, "easy", 6)
        g.click(*box_center("easy", 20))
        g.click(*box_center("easy", 20))  # the one open box closes again
        whole(g, lambda: g.key("Escape"), "the menu")

        whole(g, lambda: g.click(*menu_button("normal")), "the normal board")
        open_pairs(g, "normal", 4)
        whole(g, lambda: g.click(*back_button("normal")), "the menu")

        whole(g, lambda: g.click(*menu_button("hard")), "the hard board")
        open_pairs(g, "hard", 4)
        whole(g, lambda: g.key("Escape"), "the menu")

        whole(g, lambda: g.click(*menu_button("readme")), "the help")
        whole(g, lambda: g.key("Escape"), "the menu")

        whole(g, lambda: g.click(*menu_button("about")), "the about screen")

        def hidden():
            for key in ("j", "v", "Return"):
                g.key(key)
        whole(g, hidden, "the hidden picture")
        whole(g, lambda: g.key("Escape"), "the about screen")  # back from the hidden picture
        whole(g, lambda: g.click(*back_button()), "the menu")

        # Play on in the menu until about a minute has passed: the stars, the music, the ticks.
        while time.time() - started < 55:
            hover("easy")
            hover("easy", lit=False)
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



if __name__ == "__main__":
    run_cases(sys.argv)
