"""The real game under Xvfb, played through xdotool: start, menus, boards, the ways out."""

import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (case, Game, box_center, check, distance,  # noqa: E402
                     menu_button, package_faces, project_point, run_cases, screen_face,
                     wait_until)

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


BOX_COUNTS = {"easy": 36, "normal": 64, "hard": 80}


def enter_board(g, level):
    """Clicks the level's button and waits for its board, dealt and drawn whole."""
    g.click(*menu_button(level))
    return wait_board(g, level)


def wait_board(g, level):
    count = BOX_COUNTS[level]
    return g.wait_shot(lambda shot: board_boxes_visible(shot, level, count) == count,
                       "the %s board with its %d boxes" % (level, count), settled=True)


def wait_left(g, level):
    """Some frame of another scene after a board (the menu): most of its boxes gone."""
    count = BOX_COUNTS[level]
    return g.wait_shot(lambda shot: board_boxes_visible(shot, level, count) < count // 2,
                       "the %s board to give way" % level)


def switch_sound(g):
    """Clicks the sound switch in the menu and waits until it shows the change."""
    region = region_around(menu_button("sound"), 40, 8)
    before = g.screenshot()
    g.click(*menu_button("sound"))
    return g.wait_shot(lambda shot: shot.difference(before, region) > 3,
                       "the sound switch to change its picture")


def back_in_menu(g, menu, board):
    """Waits for the menu after a board, with the pointer moved off its buttons: a move while
    the menu is being entered changes no hover flag, so it is moved until no button is lit."""
    buttons = region_around(menu_button("normal"), 60, 60)
    easy = region_around(menu_button("easy"), 40, 12)

    def look():
        g.move(5, 5)
        return g.screenshot()
    # Stars drift over the buttons: compare with both pictures rather than with a threshold.
    return wait_until(look, lambda shot: brightness(shot, easy) < brightness(menu, easy) + 5 and
                      shot.difference(menu, buttons) < shot.difference(board, buttons) / 2,
                      "the menu with no button lit", describe=lambda shot: shot.path)


@case(timeout=180)
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


@case(timeout=180)
def test_hover_highlight():
    g = game()
    try:
        # Xvfb's pointer starts in the middle of the screen, between the buttons.
        menu = open_menu(g)
        easy = region_around(menu_button("easy"), 40, 12)
        plain = brightness(menu, easy)
        g.move(*menu_button("easy"))
        g.wait_shot(lambda shot: brightness(shot, (0, 0, 80, 24)) > plain + 5,
                    "hover to brighten the easy button from %.1f" % plain, easy_region(easy))
    finally:
        g.cleanup()


def easy_region(box):
    """A screenshot region (x, y, width, height) of a box (x0, y0, x1, y1)."""
    return (box[0], box[1], box[2] - box[0], box[3] - box[1])


def board_boxes_visible(shot, level, count):
    lit = 0
    for index in range(count):
        x, y = box_center(level, index)
        if brightness(shot, (x - 4, y - 4, x + 4, y + 4)) > 25:
            lit += 1
    return lit


@case(timeout=180)
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
        # The cursor still rests on the easy button: its highlight goes once the menu is back.
        back_in_menu(g, menu, board)
        check(g.running(), "Escape on a board ended the game")
    finally:
        g.cleanup()


@case(timeout=180)
def test_open_two_boxes():
    g = game()
    try:
        open_menu(g)
        g.move(5, 5)
        closed = enter_board(g, "easy")
        first, second = box_center("easy", 0), box_center("easy", 1)
        g.click(*first)
        area = region_around(first, 20, 20)
        opened = g.wait_shot(lambda shot: shot.difference(closed, area) > 10,
                             "the first box to open", settled=True)
        g.click(*second)
        # Either the pair vanished (match) or both boxes are closed again (mismatch).
        g.wait_shot(lambda shot: shot.difference(opened, area) > 10,
                    "the opened box to close or go after the try", settled=True)
    finally:
        g.cleanup()


@case(timeout=180)
def test_about_hidden_picture():
    g = game()
    try:
        menu = open_menu(g)
        g.key("j")  # pressed before the about screen: does not count
        g.click(*menu_button("about"))
        about = g.wait_shot(lambda shot: shot.difference(menu) > 8, "the about screen")
        g.key("Return")
        g.key("j")
        g.key("v")
        g.key("Return")
        hidden = g.wait_shot(lambda shot: shot.difference(about) > 8,
                             "J, V, Enter to show the hidden picture", settled=True)
        time.sleep(0.3)  # idles, to show that the hidden picture stays still
        check(hidden.difference(g.screenshot()) < 1, "the hidden picture is not still")
        g.key("Escape")
        g.wait_shot(lambda shot: shot.difference(hidden) > 8, "Escape to leave the hidden picture")
        check(g.running(), "the game ended")
    finally:
        g.cleanup()


@case(timeout=180)
def test_three_escapes_quit():
    g = game()
    try:
        open_menu(g)
        g.key("Escape")
        g.key("Escape")
        time.sleep(0.3)  # idles, to show that two Escapes leave the game running
        check(g.running(), "two Escapes ended the game")
        g.key("Escape")
        status = g.wait_exit()
        check(status == 0, "exit status %d" % status)
        check(g.read("game.cfg") == b"111", "game.cfg holds %r" % g.read("game.cfg"))
        check(len(g.read("data/maxsum.cfg")) == 6, "maxsum.cfg is not six bytes")
    finally:
        g.cleanup()


@case(timeout=180)
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


@case(timeout=180)
def test_switches_saved():
    g = game()
    try:
        open_menu(g)
        before = g.screenshot()
        g.click(*menu_button("sound"))
        g.click(*menu_button("vsync"))
        g.wait_shot(lambda shot: shot.difference(
            before, region_around(menu_button("sound"), 40, 8)) > 3,
            "the sound switch to change its picture")
        g.click(*menu_button("out"))
        status = g.wait_exit()
        check(status == 0, "exit status %d" % status)
        check(g.read("game.cfg") == b"010", "game.cfg holds %r" % g.read("game.cfg"))
    finally:
        g.cleanup()


# How far (harness.distance) an open box's face may be from its picture in the package (4 to 7
# seen; a closed box is 22 or more from every face), and how much nearer it must be to that
# picture than to any other: anything less clear is no face yet (a closed box, a frame on its
# way) and is looked at again.
FACE_MATCH = 12
_FACES = {}


def classic_faces():
    """The game's ten faces from its package, by number."""
    if not _FACES:
        _FACES.update(enumerate(package_faces(os.path.join(DATA_DIR, "data", "game.px"), 10)))
    return _FACES


def face_of(shot, point):
    """The number of the face that shows clearly around `point`, or None."""
    seen = screen_face(shot, point)
    (best, number), (second, _) = sorted(
        (distance(seen, face), number) for number, face in classic_faces().items())[:2]
    return number if best < FACE_MATCH and best * 2 < second else None


def look_at_box(g, level, index):
    """Opens a box and waits until its face shows, drawn whole and told; returns the face."""
    x, y = box_center(level, index)
    region = (x - 25, y - 25, 51, 51)  # only the box itself: quick enough for the countdown
    g.click(x, y)
    return face_of(g.wait_shot(lambda shot: face_of(shot, (25, 25)) is not None,
                               "box %d to show a face" % index, region, settled=True), (25, 25))


def look_at_boxes(g, level, indexes):
    """Opens each box, tells its face and closes it again; returns the faces by box."""
    faces = {}
    for index in indexes:
        faces[index] = look_at_box(g, level, index)
        g.click(*box_center(level, index))  # the one open box closes again
    return faces


def pairs_of(faces):
    """The boxes paired by their faces."""
    boxes = {}
    for index, face in sorted(faces.items()):
        boxes.setdefault(face, []).append(index)
    for face, indexes in boxes.items():
        check(len(indexes) % 2 == 0, "face %d on %d boxes: %r" % (face, len(indexes), faces))
    return [pair for indexes in boxes.values() for pair in zip(indexes[0::2], indexes[1::2])]


def score_region():
    """The region (x, y, width, height) of the single player's score: a pair found changes it."""
    x, y = project_point(3.0, 3.6, -10)
    return (x - 2, y - 14, 70, 18)


def open_pair(g, level, a, b, tally):
    """Opens two boxes that are a pair and waits until the pair is taken: the region `tally`
    (the score, or the player's slot) changes, which it does once the try is judged."""
    before = g.screenshot(region=tally)
    g.click(*box_center(level, a))
    g.click(*box_center(level, b))
    g.wait_shot(lambda shot: shot.difference(before) > 0,
                "the pair of boxes %d and %d to be taken" % (a, b), tally, settled=True)


def play_level(g, level, box_count):
    """Plays a board as a player with a perfect memory: looks at every box, then opens the
    pairs, each taken before the next is opened."""
    for a, b in pairs_of(look_at_boxes(g, level, range(box_count))):
        open_pair(g, level, a, b, score_region())


def message_shown(shot):
    x, y = project_point(-0.5, 0, -10)
    return brightness(shot, (x, y - 14, x + 70, y)) > \
        brightness(shot, (x, y + 20, x + 70, y + 34)) + 8


def message_visible(g):
    """Whether the win or lose message shows: its colour changes every tick, so look thrice."""
    return any(message_shown(g.screenshot()) for _ in range(3))


def wait_message(g):
    return g.wait_shot(message_shown, "the win or lose message")


def history(g):
    try:
        return g.read(os.path.join("data", "history"))
    except OSError:
        return b""


def wait_recorded(g, before):
    """Waits until a game's line is added to the history (`before`, as it was): it is written
    once the result, and a beaten best score, are kept."""
    return wait_until(lambda: history(g), lambda now: len(now) > len(before) and
                      now.endswith(b"\n"), "a line added to the history")


@case(timeout=180)
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
        shutil.copy(wait_message(g).path, os.path.join(g.run_dir, "won.png"))
        # The win sound and the best score come half a second after the message.
        wait_recorded(g, b"")
        g.key("Escape")
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


def slot_of(players, p):
    """The board's top-row slot of player p (x0, y0, x1, y1): their name and pairs."""
    left, top = project_point(-5.2 + 2.2 * p, 3.86, -10)
    right, bottom = project_point(-5.2 + 2.2 * p + 1.9, 3.57, -10)
    return (left, top, right, bottom)


def lit_slot(shot, players=2):
    """The player whose slot in the board's top row is lit (their turn): the brightest slot, if
    it is clearly the brightest; else None."""
    means = [brightness(shot, slot_of(players, p)) for p in range(players)]
    ranked = sorted(range(players), key=lambda p: -means[p])
    return ranked[0] if means[ranked[0]] > means[ranked[1]] + 8 else None


def lit_player(shot, players=2):
    player = lit_slot(shot, players)
    check(player is not None, "no player's slot is lit: %s" % shot.path)
    return player


def result_shown(shot):
    """Whether the headline and the standings of a game played together show on the board."""
    empty = brightness(shot, region_around(project_point(0, -2.0, -10), 100, 20))
    return all(brightness(shot, region) > empty + 8 for region in (
        region_around(project_point(0, 0.97, -10), 70, 9),
        region_around(project_point(0, 0.2, -10), 100, 20)))


@case(timeout=300)
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
        faces = look_at_boxes(g, "easy", range(36))
        check(lit_player(g.screenshot()) == 0, "looking at boxes passed the turn")
        a = 0
        b = next(box for box in faces if faces[box] != faces[a])
        for box in (a, b):
            g.move(*box_center("easy", box))
            g.key("space")
        middle = g.wait_shot(lambda shot: lit_slot(shot) == 1, "a miss to pass the turn",
                             settled=True)
        shutil.copy(middle.path, os.path.join(g.run_dir, "two-players-turn.png"))
        g.move(5, 5)
        tally = easy_region(slot_of(2, 1))
        for a, b in pairs_of(faces):
            open_pair(g, "easy", a, b, tally)
        g.move(5, 5)
        result = g.wait_shot(result_shown, "the result with the standings")
        shutil.copy(result.path, os.path.join(g.run_dir, "two-players-result.png"))
        g.key("Escape")
        g.close_button()
        check(g.wait_exit() == 0, "the game did not end cleanly")
        check(g.read("data/maxsum.cfg") == bytes(6),
              "a game together changed the best scores: %r" % g.read("data/maxsum.cfg"))
        check(not os.path.exists(os.path.join(g.run_dir, "tessary.conf")),
              "--players, given for one run, was saved")
    finally:
        g.cleanup()


if __name__ == "__main__":
    run_cases(sys.argv)
