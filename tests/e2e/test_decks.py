"""A learning deck in the real game: sums and their results, written here in our deck format and
opened with --pictures, played to its end. The test tells cards apart by what they show: it
opens every box once and groups the cards it saw by their pixels (a word card looks the same
wherever it lies); then it finds which card goes with which by trying one of each, as a player
would, and clears the board."""

import os
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (case, Game, box_center, check, distance, menu_button,  # noqa: E402
                     run_cases, screen_face)
from test_game import wait_board  # noqa: E402

BINARY = os.environ.get("TESSARY_BINARY", "")
DATA_DIR = os.environ.get("TESSARY_DATA_DIR", "")

SUMS = [("1+1", "2"), ("2+1", "3"), ("2+2", "4"), ("2+3", "5"), ("3+3", "6"), ("3+4", "7"),
        ("4+4", "8"), ("4+5", "9")]
SAME = 6  # below: the same card; distinct words lie far apart


def write_deck(path):
    lines = ["name = Sums", "name.de = Summen"]
    for n, (first, second) in enumerate(SUMS, 1):
        lines += ["pair.%d.a.word = %s" % (n, first), "pair.%d.b.word = %s" % (n, second)]
    with zipfile.ZipFile(path, "w") as deck:
        deck.writestr("set.txt", "\n".join(lines) + "\n")


def region_of(point):
    x, y = point
    return (x - 22, y - 22, x + 22, y + 22)


def open_box(g, board, index):
    """Clicks box `index` and waits until its card shows, settled; returns what shows."""
    point = box_center("easy", index)
    g.click(*point)
    shot = g.wait_shot(lambda shot: shot.difference(board, region_of(point)) > 10,
                       "box %d to open" % index, settled=True)
    return shot, screen_face(shot, point)


def judged(g, board, opened, indexes):
    """After a try (both cards open in `opened`): waits for the judgement after the half-second
    pause and tells whether the cards were a pair (gone) rather than closed again."""
    regions = [region_of(box_center("easy", i)) for i in indexes]
    shot = g.wait_shot(lambda shot: all(shot.difference(opened, r) > 10 for r in regions),
                       "boxes %s to be judged" % indexes, settled=True)
    return all(shot.difference(board, r) > 4 for r in regions)


def wait_closed(g, board, index):
    region = region_of(box_center("easy", index))
    g.wait_shot(lambda shot: shot.difference(board, region) < 4, "box %d to close" % index,
                settled=True)


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
        g.click(*menu_button("easy"))
        board = wait_board(g, "easy")

        # Every box once: the cards are grouped by their pixels.
        groups = []  # [the card's pixels, [box indexes]]
        for index in range(36):
            shot, face = open_box(g, board, index)
            if index == 35:
                g.screenshot(keep=os.path.join(folder, "word-card.png"))
            near = [group for group in groups if distance(face, group[0]) < SAME]
            if near:
                near[0][1].append(index)
            else:
                groups.append([face, [index]])
            g.click(*box_center("easy", index))
            wait_closed(g, board, index)
        check(len(groups) == 12, "the cards fell into %d groups, not the 6 pairs' 12 cards: %s"
              % (len(groups), [group[1] for group in groups]))
        check(all(len(group[1]) == 3 for group in groups),
              "each card shows 3 times: %s" % [group[1] for group in groups])

        # A board with some cards open, for the eye.
        for index in groups[0][1][:1] + groups[1][1][:1]:
            open_box(g, board, index)
        g.screenshot(keep=os.path.join(folder, "two-cards.png"))
        for index in groups[0][1][:1] + groups[1][1][:1]:
            g.click(*box_center("easy", index))
            wait_closed(g, board, index)

        # Which group goes with which: one of each tried; a pair vanishes, then the rest of the
        # two groups are paired off.
        left = list(range(len(groups)))
        while left:
            first = left.pop(0)
            for other in list(left):
                a, b = groups[first][1][0], groups[other][1][0]
                open_box(g, board, a)
                opened, _ = open_box(g, board, b)
                if judged(g, board, opened, [a, b]):
                    left.remove(other)
                    for x, y in zip(groups[first][1][1:], groups[other][1][1:]):
                        open_box(g, board, x)
                        opened, _ = open_box(g, board, y)
                        check(judged(g, board, opened, [x, y]), "boxes %d and %d: no pair" % (x, y))
                    break
            else:
                check(False, "no card goes with group %d" % first)
        g.wait_settled("the finished board")
        g.screenshot(keep=os.path.join(folder, "finished.png"))
        g.close()
        check("skipped" not in g.stderr(), g.stderr())
    finally:
        g.cleanup()


if __name__ == "__main__":
    run_cases(sys.argv)
