"""A learning deck in the real game: sums and their results, written here in our deck format and
opened with --pictures, played to its end. The test tells cards apart by what they show: it
opens every box once and groups the cards it saw by their pixels (a word card looks the same
wherever it lies); then it finds which card goes with which by trying one of each, as a player
would, and clears the board."""

import os
import shutil
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (case, Game, box_center, check, distance, menu_button,  # noqa: E402
                     run_cases)
from test_game import brightness, wait_board  # noqa: E402

BINARY = os.environ.get("TESSARY_BINARY", "")
DATA_DIR = os.environ.get("TESSARY_DATA_DIR", "")

SUMS = [("1+1", "2"), ("2+1", "3"), ("2+2", "4"), ("2+3", "5"), ("3+3", "6"), ("3+4", "7"),
        ("4+4", "8"), ("4+5", "9")]


def write_deck(path):
    lines = ["name = Sums", "name.de = Summen"]
    for n, (first, second) in enumerate(SUMS, 1):
        lines += ["pair.%d.a.word = %s" % (n, first), "pair.%d.b.word = %s" % (n, second)]
    with zipfile.ZipFile(path, "w") as deck:
        deck.writestr("set.txt", "\n".join(lines) + "\n")


def is_card(shot, index):
    """Whether box `index` shows a word card: near its four corners (inside the outline of the
    player's colour) the card's plain paper, above and below the word."""
    x, y = box_center("easy", index)
    return all(min(shot.mean(x + dx - 2, y + dy - 2, x + dx + 2, y + dy + 2)) > 200
               for dx in (-18, 18) for dy in (-20, 20))


def is_gone(shot, index):
    """Whether box `index` is gone: its middle is the dark board, a little lighter in places
    than where test_game counts boxes; the darkest box is far lighter."""
    x, y = box_center("easy", index)
    return brightness(shot, (x - 4, y - 4, x + 4, y + 4)) < 40


def card_pixels(shot, index):
    """The card's middle 48 x 48 pixels: wider than the harness's faces, so that the digits
    either side of a sum's "+" count."""
    x, y = box_center("easy", index)
    raw = bytearray()
    for row in range(y - 24, y + 24):
        start = (row * shot.width + x - 24) * 3
        raw += shot.raw[start:start + 48 * 3]
    return bytes(raw)


def open_box(g, index):
    """Clicks box `index` and waits until its card shows, settled; returns what it shows."""
    g.click(*box_center("easy", index))
    shot = g.wait_shot(lambda shot: is_card(shot, index), "box %d to show a card" % index,
                       settled=True)
    return shot, card_pixels(shot, index)


def close_box(g, index):
    g.click(*box_center("easy", index))
    g.wait_shot(lambda shot: not is_card(shot, index), "box %d to close" % index)


def try_pair(g, a, b):
    """Opens two boxes and tells, after the half-second judgement, whether they were a pair
    (gone) rather than closed again."""
    open_box(g, a)
    open_box(g, b)
    shot = g.wait_shot(lambda shot: not is_card(shot, a) and not is_card(shot, b),
                       "boxes %d and %d to be judged" % (a, b), settled=True)
    return is_gone(shot, a) and is_gone(shot, b)


@case(timeout=420)
def test_a_deck_of_sums_played_to_its_end():
    folder = tempfile.mkdtemp(prefix="tessary-deck-")
    deck = os.path.join(folder, "sums.px")
    write_deck(deck)
    # Two players: the clock counts up, so the learning below never loses the board.
    g = Game(BINARY, DATA_DIR, args=["--pictures", deck, "--players", "2", "--lang", "en"])
    try:
        g.start()
        g.wait_menu()
        g.move(5, 5)
        g.click(*menu_button("easy"))
        wait_board(g, "easy")

        # Every box once; then the cards are grouped by their pixels, the nearest first, into
        # the 12 cards the 6 pairs have (a card shows a little differently at each place of the
        # board in perspective, less than another card differs).
        faces = []
        for index in range(36):
            faces.append(open_box(g, index)[1])
            close_box(g, index)
        apart = [[distance(a, b) for b in faces] for a in faces]
        groups = [[face, [index]] for index, face in enumerate(faces)]
        while len(groups) > 12:
            _, i, j = min((max(apart[a][b] for a in groups[i][1] for b in groups[j][1]), i, j)
                          for i in range(len(groups)) for j in range(i + 1, len(groups)))
            groups[i][1] += groups.pop(j)[1]
        check(len(groups) == 12, "the cards fell into %d groups, not the 6 pairs' 12 cards: %s"
              % (len(groups), [group[1] for group in groups]))
        check(all(len(group[1]) == 3 for group in groups),
              "each card shows 3 times: %s" % [group[1] for group in groups])

        # Two different cards open, kept to look at.
        a, b = groups[0][1][0], groups[1][1][0]
        open_box(g, a)
        open_box(g, b)
        g.screenshot(keep=os.path.join(g.run_dir, "two-word-cards.png"))
        g.wait_shot(lambda shot: not is_card(shot, a) and not is_card(shot, b),
                    "boxes %d and %d to be judged" % (a, b), settled=True)

        # Which group goes with which: one of each tried; a pair vanishes, then the rest of the
        # two groups are paired off.
        left = list(range(len(groups)))
        while left:
            first = left.pop(0)
            for other in left:
                if try_pair(g, groups[first][1][0], groups[other][1][0]):
                    for x, y in zip(groups[first][1][1:], groups[other][1][1:]):
                        check(try_pair(g, x, y), "boxes %d and %d: no pair" % (x, y))
                    left.remove(other)
                    break
            else:
                check(False, "no card goes with the card of boxes %s" % groups[first][1])
        shot = g.wait_settled("the board played to its end")
        check(all(is_gone(shot, index) for index in range(36)), "boxes are left on the board")
        shutil.copy(shot.path, os.path.join(g.run_dir, "sums-played.png"))
        check("skipped" not in g.stderr(), g.stderr())
    finally:
        g.cleanup()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    run_cases(sys.argv)
