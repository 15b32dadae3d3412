"""The real game under Xvfb, played through xdotool: start, menus, boards, the ways out."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (Game, back_button, box_center, check, menu_button,  # noqa: E402
                     project_point, run_cases)

BINARY = os.environ.get("TESSARY_BINARY", "")
DATA_DIR = os.environ.get("TESSARY_DATA_DIR", "")


def game(**kwargs):
    return Game(BINARY, DATA_DIR, **kwargs)


def region_around(point, half_width, half_height):
    x, y = point
    return (x - half_width, y - half_height, x + half_width, y + half_height)


def brightness(shot, box):
    return sum(shot.mean(*box)) / 3


def open_menu(g):
    g.start()
    return g.wait_menu()


def enter_board(g, level):
    g.click(*menu_button(level))
    time.sleep(0.6)
    return g.screenshot()


def test_loading_then_menu():
    g = game()
    try:
        g.start().wait_window()
        # The loading caption sits at the raster position (-0.8, -3.5) ten units deep.
        caption_x, caption_y = project_point(-0.8, -3.5, -10)
        caption = (caption_x, caption_y - 14, caption_x + 150, caption_y)
        shot = g.wait_first_frame()
        check(brightness(shot, caption) > 20, "no loading caption in the first frame")
        menu = g.wait_menu()
        check(menu.difference(shot) > 5, "the menu looks like the loading picture")
        check(g.running(), "the game ended")
    finally:
        g.cleanup()


def test_hover_highlight():
    g = game()
    try:
        open_menu(g)
        easy = region_around(menu_button("easy"), 40, 12)
        g.move(20, 20)
        time.sleep(0.2)
        plain = brightness(g.screenshot(), easy)
        g.move(*menu_button("easy"))
        time.sleep(0.2)
        lit = brightness(g.screenshot(), easy)
        check(lit > plain + 5, "hover did not brighten the easy button (%.1f -> %.1f)" % (plain, lit))
    finally:
        g.cleanup()


def board_boxes_visible(shot, level, count):
    lit = 0
    for index in range(count):
        x, y = box_center(level, index)
        if brightness(shot, (x - 4, y - 4, x + 4, y + 4)) > 25:
            lit += 1
    return lit


def test_easy_board_and_escape():
    g = game()
    try:
        menu = open_menu(g)
        board = enter_board(g, "easy")
        check(board_boxes_visible(board, "easy", 36) == 36, "the easy board does not show 36 boxes")
        # The place of a seventh column, one pitch left of the top-left box, holds no box.
        x, y = box_center("easy", 5)
        pitch = box_center("easy", 4)[0] - x
        outside = (x - pitch - 4, y - 4, x - pitch + 4, y + 4)
        check(brightness(board, outside) < brightness(board, (x - 4, y - 4, x + 4, y + 4)),
              "something is drawn beside the board")
        g.key("Escape")
        # The cursor still rests on the easy button: take its highlight away once the menu is
        # back (a move while the menu is being entered changes no hover flag).
        time.sleep(0.4)
        g.move(5, 5)
        time.sleep(0.5)
        again = g.screenshot()
        buttons = region_around(menu_button("normal"), 60, 60)
        # Stars drift over the buttons: compare with both pictures rather than with a threshold.
        to_menu, to_board = again.difference(menu, buttons), again.difference(board, buttons)
        check(to_menu < to_board / 2, "Escape did not return to the menu (%.1f vs %.1f)"
              % (to_menu, to_board))
        check(g.running(), "Escape on a board ended the game")
    finally:
        g.cleanup()


def test_open_two_boxes():
    g = game()
    try:
        open_menu(g)
        g.move(5, 5)
        closed = enter_board(g, "easy")
        first, second = box_center("easy", 0), box_center("easy", 1)
        g.click(*first)
        time.sleep(0.1)
        opened = g.screenshot()
        area = region_around(first, 20, 20)
        check(opened.difference(closed, area) > 10, "the first box did not open")
        g.click(*second)
        time.sleep(1.2)
        after = g.screenshot()
        # Either the pair vanished (match) or both boxes are closed again (mismatch).
        check(after.difference(opened, area) > 10, "the opened box stayed open after the try")
    finally:
        g.cleanup()


def test_about_hidden_picture():
    g = game()
    try:
        open_menu(g)
        g.key("j")  # pressed before the about screen: does not count
        g.click(*menu_button("about"))
        time.sleep(0.5)
        g.key("Return")
        time.sleep(0.3)
        about = g.screenshot()
        g.key("j")
        g.key("v")
        g.key("Return")
        time.sleep(0.4)
        hidden = g.screenshot()
        time.sleep(0.3)
        hidden_later = g.screenshot()
        check(hidden.difference(about) > 8, "J, V, Enter did not show the hidden picture")
        check(hidden.difference(hidden_later) < 1, "the hidden picture is not still")
        g.key("Escape")
        time.sleep(0.4)
        back = g.screenshot()
        check(back.difference(hidden) > 8, "Escape did not leave the hidden picture")
        check(g.running(), "the game ended")
    finally:
        g.cleanup()


def test_three_escapes_quit():
    g = game()
    try:
        open_menu(g)
        g.key("Escape")
        g.key("Escape")
        time.sleep(0.3)
        check(g.running(), "two Escapes ended the game")
        g.key("Escape")
        status = g.wait_exit()
        check(status == 0, "exit status %d" % status)
        check(g.read("game.cfg") == b"111", "game.cfg holds %r" % g.read("game.cfg"))
        check(len(g.read("data/maxsum.cfg")) == 6, "maxsum.cfg is not six bytes")
    finally:
        g.cleanup()


def test_close_button_writes_files():
    g = game()
    try:
        open_menu(g)
        g.close_button()
        status = g.wait_exit()
        check(status == 0, "exit status %d" % status)
        check(g.read("game.cfg") == b"111", "game.cfg holds %r" % g.read("game.cfg"))
        check(g.read("data/maxsum.cfg") == bytes(6), "maxsum.cfg holds %r" % g.read("data/maxsum.cfg"))
    finally:
        g.cleanup()


def test_switches_saved():
    g = game()
    try:
        open_menu(g)
        before = g.screenshot()
        g.click(*menu_button("sound"))
        g.click(*menu_button("vsync"))
        time.sleep(0.2)
        after = g.screenshot()
        check(after.difference(before, region_around(menu_button("sound"), 40, 8)) > 3,
              "the sound switch did not change its picture")
        g.click(*menu_button("out"))
        status = g.wait_exit()
        check(status == 0, "exit status %d" % status)
        check(g.read("game.cfg") == b"010", "game.cfg holds %r" % g.read("game.cfg"))
    finally:
        g.cleanup()


def face_signature(shot, center):
    """A 3 x 3 grid of mean colours over an open box's picture."""
    x, y = center
    signature = []
    for gy in range(-1, 2):
        for gx in range(-1, 2):
            cx, cy = x + gx * 14, y + gy * 14
            signature.extend(shot.mean(cx - 6, cy - 6, cx + 6, cy + 6))
    return signature


def distance(a, b):
    return sum((p - q) ** 2 for p, q in zip(a, b)) ** 0.5


def closest_pairs(signatures):
    """Pairs the boxes whose pictures look most alike, the most alike first."""
    left = dict(signatures)
    pairs = []
    while len(left) > 1:
        a, b = min(((a, b) for a in left for b in left if a < b),
                   key=lambda pair: distance(left[pair[0]], left[pair[1]]))
        pairs.append((a, b))
        del left[a], left[b]
    return pairs


def look_at_boxes(g, level, indexes, check_presence):
    """Opens each box, remembers its picture and closes it again. With check_presence, a box
    whose place does not change when clicked is gone and is left out."""
    signatures = {}
    for index in indexes:
        center = box_center(level, index)
        region = (center[0] - 25, center[1] - 25, 51, 51)
        before = g.screenshot(region=region) if check_presence else None
        g.click(*center)
        time.sleep(0.05)
        # Only the box itself is captured: quick enough for the countdown.
        opened = g.screenshot(region=region)
        if before is not None and opened.difference(before) < 20:
            continue
        signatures[index] = face_signature(opened, (25, 25))
        g.click(*center)  # the one open box closes again
    return signatures


def play_level(g, level, box_count):
    """Plays a board as a player with a perfect memory: looks at every box, then opens the
    pairs. A pair taken for one by mistake closes again and is looked at in the next round."""
    indexes = list(range(box_count))
    for round_number in range(4):
        signatures = look_at_boxes(g, level, indexes, check_presence=round_number > 0)
        if not signatures:
            return
        for a, b in closest_pairs(signatures):
            g.click(*box_center(level, a))
            g.click(*box_center(level, b))
            time.sleep(1.0)  # the pair is judged after a pause of half a second
        indexes = sorted(signatures)
        time.sleep(0.5)


def message_visible(g):
    """Whether the win or lose message shows: its colour changes every tick, so look twice."""
    x, y = project_point(-0.5, 0, -10)
    for _ in range(3):
        shot = g.screenshot()
        if brightness(shot, (x, y - 14, x + 70, y)) > brightness(shot, (x, y + 20, x + 70, y + 34)) + 8:
            return True
        time.sleep(0.2)
    return False


def test_win_easy_level():
    g = game()
    try:
        open_menu(g)
        g.move(5, 5)
        fresh = enter_board(g, "easy")
        best_x, best_y = project_point(-2.5, 3.6, -10)
        best_area = (best_x, best_y - 14, best_x + 40, best_y)
        check(not message_visible(g), "a message shows on a new board")
        play_level(g, "easy", 36)
        time.sleep(1.0)  # the win sound and the best score come half a second after the message
        g.screenshot(keep=os.path.join(g.run_dir, "won.png"))
        check(message_visible(g), "no win message")
        g.key("Escape")
        time.sleep(0.3)
        g.key("Escape")
        g.key("Escape")
        g.key("Escape")
        check(g.wait_exit() == 0, "the game did not end cleanly")
        scores = g.read("data/maxsum.cfg")
        easy_best = scores[0] * 256 + scores[1]
        check(easy_best > 0 and scores[2:] == bytes(4), "best scores %r" % scores)

        # The best score survives the next start and shows on the board.
        g.close()
        second = Game(BINARY, DATA_DIR, run_dir=g.run_dir)
        try:
            open_menu(second)
            second.move(5, 5)
            board = enter_board(second, "easy")
            check(board.difference(fresh, best_area) > 5, "the best score is not shown")
            second.close_button()
            check(second.wait_exit() == 0, "the second run did not end cleanly")
            check(second.read("data/maxsum.cfg") == scores, "the best score changed")
        finally:
            second.close()
    finally:
        g.cleanup()


def lit_player(shot, players=2):
    """The player whose slot in the board's top row is lit (their turn): the brightest slot."""
    means = []
    for p in range(players):
        left, top = project_point(-5.2 + 2.2 * p, 3.86, -10)
        right, bottom = project_point(-5.2 + 2.2 * p + 1.9, 3.57, -10)
        means.append(brightness(shot, (left, top, right, bottom)))
    ranked = sorted(range(players), key=lambda p: -means[p])
    check(means[ranked[0]] > means[ranked[1]] + 8, "no player's slot is lit: %r" % means)
    return ranked[0]


def result_shown(shot):
    """Whether the headline and the standings of a game played together show on the board."""
    empty = brightness(shot, region_around(project_point(0, -2.0, -10), 100, 20))
    return all(brightness(shot, region) > empty + 8 for region in (
        region_around(project_point(0, 0.97, -10), 70, 9),
        region_around(project_point(0, 0.2, -10), 100, 20)))


def test_two_players_easy():
    """Two players at one screen play an easy board to its result: the first player's miss
    (opened with Space on the highlight) passes the turn; the second takes every pair; the
    standings show, and the single player's best scores stay as they were."""
    g = game(args=("--players", "2"))
    try:
        open_menu(g)
        g.move(5, 5)
        check(lit_player(enter_board(g, "easy")) == 0, "the first player does not begin")
        # Looking at a box and closing it again keeps the turn, as it keeps the try alone.
        signatures = look_at_boxes(g, "easy", range(36), check_presence=False)
        check(lit_player(g.screenshot()) == 0, "looking at boxes passed the turn")
        a, b = max(((a, b) for a in signatures for b in signatures if a < b),
                   key=lambda pair: distance(signatures[pair[0]], signatures[pair[1]]))
        for box in (a, b):
            g.move(*box_center("easy", box))
            g.key("space")
        time.sleep(1.2)
        middle = g.screenshot(keep=os.path.join(g.run_dir, "two-players-turn.png"))
        check(lit_player(middle) == 1, "a miss did not pass the turn")
        g.move(5, 5)
        for round_number in range(6):  # a pair mistaken for one (busy machine): look again
            if round_number:
                time.sleep(1.0)
                if result_shown(g.screenshot()):
                    break
                signatures = look_at_boxes(g, "easy", range(36), check_presence=True)
            for a, b in closest_pairs(signatures):
                g.click(*box_center("easy", a))
                g.click(*box_center("easy", b))
                time.sleep(1.0)
        g.move(5, 5)
        deadline = time.time() + 5
        while not result_shown(g.screenshot(keep=os.path.join(g.run_dir, "two-players-result.png"))):
            check(time.time() < deadline, "no result with standings; %d boxes still on the board"
                  % len(look_at_boxes(g, "easy", range(36), check_presence=True)))
            time.sleep(0.5)
        g.key("Escape")
        time.sleep(0.3)
        g.close_button()
        check(g.wait_exit() == 0, "the game did not end cleanly")
        check(g.read("data/maxsum.cfg") == bytes(6),
              "a game together changed the best scores: %r" % g.read("data/maxsum.cfg"))
        check(not os.path.exists(os.path.join(g.run_dir, "tessary.conf")),
              "--players, given for one run, was saved")
    finally:
        g.cleanup()


CASES = {
    "loading_then_menu": test_loading_then_menu,
    "hover_highlight": test_hover_highlight,
    "easy_board_and_escape": test_easy_board_and_escape,
    "open_two_boxes": test_open_two_boxes,
    "about_hidden_picture": test_about_hidden_picture,
    "three_escapes_quit": test_three_escapes_quit,
    "close_button_writes_files": test_close_button_writes_files,
    "switches_saved": test_switches_saved,
    "win_easy_level": test_win_easy_level,
    "two_players_easy": test_two_players_easy,
}

if __name__ == "__main__":
    run_cases(CASES, sys.argv)
