"""Playing it your way, under Xvfb: any window size and full screen, keyboard play, English or
Chinese texts, paced frames."""

import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (Display, Game, HEIGHT, WIDTH, box_center, check,  # noqa: E402
                     menu_button, project_point, run_cases)

BINARY = os.environ.get("TESSARY_BINARY", "")
DATA_DIR = os.environ.get("TESSARY_DATA_DIR", "")
# Screenshots worth looking at are copied here when set.
SHOT_DIR = os.environ.get("TESSARY_E2E_SHOTS", "")

ENGLISH = {"LANG": "en_US.UTF-8", "LC_ALL": "", "LC_MESSAGES": ""}
CHINESE = {"LANG": "zh_CN.UTF-8", "LC_ALL": "", "LC_MESSAGES": ""}


def game(**kwargs):
    return Game(BINARY, DATA_DIR, **kwargs)


def game_on(display, **kwargs):
    """A game on a display of its own making that ends with it (cleanup closes both)."""
    g = game(display=display, **kwargs)
    g.own_display = True
    return g


def brightness(shot, box):
    return sum(shot.mean(*box)) / 3


def scaled(point, scale, offset=(0, 0)):
    """Where a pixel of the 800 x 600 picture lands in a window showing it at `scale`."""
    return (int(point[0] * scale + offset[0]), int(point[1] * scale + offset[1]))


def around(point, half_width, half_height):
    x, y = point
    return (x - half_width, y - half_height, x + half_width, y + half_height)


def keep(shot, name):
    if SHOT_DIR:
        os.makedirs(SHOT_DIR, exist_ok=True)
        shutil.copy(shot.path, os.path.join(SHOT_DIR, name))


def wait_for(condition, message, timeout=10):
    deadline = time.time() + timeout
    while not condition():
        check(time.time() < deadline, message)
        time.sleep(0.1)


def wait_drawn(g, width, height, box):
    """The first screenshot of the whole window with something drawn in `box`: a resize takes
    effect a frame or two after the window has its size."""
    deadline = time.time() + 10
    while True:
        shot = g.screenshot(region=(0, 0, width, height))
        if brightness(shot, box) > 5:
            return shot
        check(time.time() < deadline, "nothing drawn in %s at %dx%d" % (box, width, height))
        time.sleep(0.1)


def quiet_settings(run_dir):
    """Sound effects on, music off, vsync on: every click that acts is heard alone."""
    with open(os.path.join(run_dir, "game.cfg"), "wb") as f:
        f.write(b"101")


def heard(g, action, settle=0.6):
    """The loudness of what the game played in answer to `action`."""
    time.sleep(0.3)
    since = g.audio_bytes()
    action()
    time.sleep(settle)
    return g.audio_loudness(since)


def edge_step(shot, y, x0, x1):
    """Along row y from inside a box (x0) to the background (x1): the pixels from the box's last
    to the background's first, and the edge's contrast."""
    v = [sum(shot.pixel(x, y)) for x in range(x0, x1)]
    i = max([4] + [k for k in range(len(v)) if abs(v[k] - v[-1]) > 9])
    low, high = sorted((v[-1], v[i - 4]))
    margin = 0.15 * (high - low)
    return 2 + sum(1 for x in v[i - 3:i + 1] if low + margin < x < high - margin), high - low


def check_sharp(shot, path):
    """The 2x board: native box edges step within two pixels and the label is 1-bit 28-pixel
    glyphs (runs of lit pixels of any length); scaled, edges take three or four pixels and the
    14-pixel glyphs are doubled (even runs only)."""
    steps = []
    for index in (0, 1, 6, 7, 12, 13):  # right edges, right of the middle: no side face
        x, y = scaled(box_center("easy", index), 2)
        step, contrast = edge_step(shot, y, x + 30, x + 75)
        steps += [step] if contrast > 60 else []
    rows, runs = [], []
    for y in range(30, 84):  # 历史最高分: at (-3.62, 3.6, -10)
        lit = "".join("#" if sum(shot.pixel(x, y)) > 380 else " " for x in range(270, 420))
        rows += [y] if "#" in lit else []
        runs += [len(run) for run in lit.split()]
    odd = sum(1 for r in runs if r % 2)
    print("%s: box edge steps %s; label %d rows high, %d of %d runs odd"
          % (path, steps, rows[-1] - rows[0] + 1 if rows else 0, odd, len(runs)))
    check(steps and rows and 24 <= rows[-1] - rows[0] + 1 <= 30, "%s: no edge or label" % path)
    if path == "native":
        check(max(steps) <= 2 and odd * 5 > len(runs), "native is not sharp")
    else:
        check(min(steps) >= 3 and max(steps) >= 4 and odd == 0, "scaled is not soft")


def scaled_board_shot():
    """The easy board at 1600 x 1200 on the scaled path."""
    g = game_on(Display("1600x1200"), prepare=quiet_settings,
                env=dict(CHINESE, TESSARY_TEST_DRAW_PATH="scaled"))
    try:
        g.start()
        g.wait_menu()
        g.resize(1600, 1200)
        g.click(*scaled(menu_button("easy"), 2))
        time.sleep(0.8)
        g.move(5, 5)
        time.sleep(0.3)
        return g.screenshot(region=(0, 0, 1600, 1200))
    finally:
        g.cleanup()


def test_scaled_window():
    """1600 x 1200 (twice the picture) and 1000 x 600 (bars left and right): what is drawn where
    and what a click there hits; drawn native, sharp edges and 28-pixel texts, where the scaled
    picture is soft."""
    g = game_on(Display("1600x1200"), prepare=quiet_settings,
                env=dict(CHINESE, TESSARY_TEST_DRAW_PATH="native"))
    try:
        g.start()
        menu = g.wait_menu()
        g.move(5, 5)
        easy = menu_button("easy")
        small = brightness(menu, around(easy, 40, 12))

        g.resize(1600, 1200)
        big = wait_drawn(g, 1600, 1200, (800, 600, 1600, 1200))
        # The Easy button, twice as large at twice its place: as bright as it was.
        check(abs(brightness(big, around(scaled(easy, 2), 80, 24)) - small) < 12,
              "the easy button is not where the scaled picture puts it")
        # The hover follows the scaled button.
        g.move(*scaled(easy, 2))
        time.sleep(0.3)
        lit = g.screenshot(region=(0, 0, 1600, 1200))
        check(brightness(lit, around(scaled(easy, 2), 80, 24)) > small + 5,
              "hovering the scaled easy button did not light it")

        g.click(*scaled(easy, 2))
        time.sleep(0.8)
        g.move(5, 5)
        time.sleep(0.2)
        board = g.screenshot(region=(0, 0, 1600, 1200))
        keep(board, "board-1600x1200-native.png")
        check_sharp(board, "native")
        top_right = scaled(box_center("easy", 0), 2)
        loud = heard(g, lambda: g.click(*top_right))
        opened = g.screenshot(region=(0, 0, 1600, 1200))
        keep(opened, "board-1600x1200.png")
        check(loud > 50, "clicking the scaled top-right box made no sound (%.1f)" % loud)
        check(opened.difference(board, around(top_right, 40, 40)) > 10,
              "clicking the scaled top-right box did not open it")
        g.click(*top_right)  # shut again
        time.sleep(0.3)

        g.resize(1000, 600)
        g.move(40, 40)  # on a bar: nothing hovered
        wide = wait_drawn(g, 1000, 600, (500, 300, 900, 600))
        check(brightness(wide, (0, 0, 95, 600)) < 2 and brightness(wide, (905, 0, 1000, 600)) < 2,
              "the bars beside the picture are not black")
        # Clicks on the bars: beside the top row and at the back button's height. Nothing may
        # happen: no box, no button, not a sound.
        row_y = box_center("easy", 0)[1]
        back = scaled(project_point(2.0, -1.8, -5.0), 1, (100, 0))

        def click_bars():
            for x, y in ((960, row_y), (40, row_y), (960, back[1]), (40, back[1])):
                g.click(x, y)
        silence = heard(g, click_bars)
        after = g.screenshot(region=(0, 0, 1000, 600))
        print("loudness: a box click %.1f, the bar clicks %.1f" % (loud, silence))
        check(silence < 5, "a click on a black bar was heard (%.1f)" % silence)
        check(after.difference(wide, around(back, 60, 20)) < 3,
              "a click on a black bar left the board")
        # The top-right box at its place in the picture between the bars.
        loud = heard(g, lambda: g.click(*scaled(box_center("easy", 0), 1, (100, 0))))
        check(loud > 50, "clicking the top-right box between the bars made no sound (%.1f)" % loud)
        check(g.running(), "the game ended")
    finally:
        g.cleanup()
    board = scaled_board_shot()
    keep(board, "board-1600x1200-scaled.png")
    check_sharp(board, "scaled")


def test_fullscreen():
    """F11 switches desktop full screen on and off; --fullscreen starts in it, --window not."""
    g = game_on(Display(window_manager=True))
    try:
        g.start()
        g.wait_menu()
        g.key("F11")
        wait_for(lambda: g.update_geometry() == g.display.size, "F11 did not fill the screen")
        check(g.origin == (0, 0), "the full-screen window is not at the top left")
        time.sleep(0.5)
        g.move(*scaled(menu_button("easy"), 1024 / 800))
        time.sleep(0.3)
        shot = g.screenshot(region=(0, 0, 1024, 768))
        keep(shot, "menu-fullscreen.png")
        easy = around(scaled(menu_button("easy"), 1024 / 800), 50, 15)
        check(brightness(shot, easy) > 40, "no lit easy button where the scaled menu has it")
        g.key("F11")
        wait_for(lambda: g.update_geometry() == (WIDTH, HEIGHT), "F11 did not leave full screen")
        g.close_button()
        check(g.wait_exit() == 0, "the game did not end cleanly")
    finally:
        g.cleanup()
    for args, size in ((["--fullscreen"], (1024, 768)), (["--fullscreen", "--window"], (800, 600))):
        g = game_on(Display(window_manager=True), args=args)
        try:
            g.start()
            g.wait_window()
            time.sleep(0.5)
            check(g.update_geometry() == size, "%s: a window of %s, not %s"
                  % (" ".join(args), g.size, size))
        finally:
            g.cleanup()


def test_keyboard_play():
    """Arrows and Space start the easy level from the menu and open a box; 2 starts normal."""
    g = game()
    try:
        g.start()
        g.wait_menu()
        g.move(5, 5)
        easy = around(menu_button("easy"), 40, 12)
        plain = brightness(g.screenshot(), easy)
        g.key("Down")  # nothing highlighted yet: the first arrow lights Easy
        time.sleep(0.2)
        check(brightness(g.screenshot(), easy) > plain + 5, "Down did not light the easy button")
        g.key("space")
        time.sleep(0.8)
        board = g.screenshot()
        g.key("Right")  # the top-left box
        time.sleep(0.2)
        lit = g.screenshot()
        top_left = around(box_center("easy", 5), 22, 22)
        check(lit.difference(board, top_left) > 3, "Right did not put the outline on a box")
        g.key("space")
        time.sleep(0.2)
        opened = g.screenshot()
        check(opened.difference(lit, top_left) > 10, "Space did not open the box")
        # The mouse takes the highlight over: Space then opens the box under it.
        g.move(*box_center("easy", 0))
        g.key("space")
        time.sleep(1.3)
        g.key("Escape")
        time.sleep(0.6)
        g.key("2")
        time.sleep(0.8)
        normal = g.screenshot()
        check(normal.difference(board, around(box_center("normal", 63), 15, 15)) > 10,
              "2 in the menu did not start the normal level")
        check(g.running(), "the game ended")
    finally:
        g.cleanup()


# SDL's controller buttons, as the virtual pad numbers them.
PAD_A, PAD_B, PAD_START, PAD_RIGHT_SHOULDER, PAD_DOWN = 0, 1, 6, 10, 12


def test_gamepad_and_touch():
    """A controller plugged in while the game runs: the d-pad lights Easy, the right shoulder
    steps the players, A starts the level, the stick puts the highlight on a box and A opens it.
    A tap steps a selector once (not again for SDL's mouse made from it) and opens a box; a tap
    on a black bar does nothing. Pulled out and plugged in again, B resumes, leaves and quits.
    A mapping
    file that cannot be read is named on stderr."""
    probe = os.environ.get("TESSARY_PAD_PROBE", "")
    check(probe, "TESSARY_PAD_PROBE is not set")

    def prepare(run_dir):
        quiet_settings(run_dir)
        open(os.path.join(run_dir, "pad.txt"), "w").close()
    g = game(prepare=prepare, game_env={
        "LD_PRELOAD": probe, "TESSARY_PAD_COMMANDS": "pad.txt",
        "SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS": "1",
        "SDL_GAMECONTROLLERCONFIG_FILE": "no-such-mappings.txt"})

    def pad(*lines):
        """SDL reads a virtual controller's state once a frame: a line a frame or more apart."""
        for line in lines:
            with open(os.path.join(g.run_dir, "pad.txt"), "a") as f:
                f.write(line + "\n")
            time.sleep(0.1)
        time.sleep(0.1)

    def press(button):
        pad("button %d 1" % button, "button %d 0" % button)

    def tap(point, size=(WIDTH, HEIGHT)):
        pad("tap %f %f" % (point[0] / size[0], point[1] / size[1]))
    try:
        g.start()
        g.wait_menu()
        g.move(5, 5)
        easy = around(menu_button("easy"), 40, 12)
        plain = brightness(g.screenshot(), easy)
        pad("attach")
        time.sleep(0.3)
        press(PAD_DOWN)
        check(brightness(g.screenshot(), easy) > plain + 5, "the d-pad did not light Easy")
        press(PAD_RIGHT_SHOULDER)  # two players
        tap(project_point(-2.0, -0.2, -5.0))  # three, and not four
        press(PAD_A)
        time.sleep(1.5)  # the board dealt and still
        board = g.screenshot()
        pad("axis 0 32767", "axis 0 0")  # the first move lands on the top-left box
        top_left = around(box_center("easy", 5), 22, 22)
        press(PAD_A)
        opened = g.screenshot()
        keep(opened, "board-opened-by-pad-e2e.png")
        check(opened.difference(board, top_left) > 10, "the stick and A did not open a box")
        top_right = around(box_center("easy", 0), 22, 22)
        tap(box_center("easy", 0))
        check(g.screenshot().difference(board, top_right) > 10, "a tap did not open the box")
        time.sleep(1.5)  # the pair shuts again
        g.resize(1000, 600)
        g.move(40, 40)  # the pointer on a bar, out of the way
        wait_drawn(g, 1000, 600, (500, 300, 900, 600))
        time.sleep(0.3)
        wide = g.screenshot(region=(0, 0, 1000, 600))
        back = scaled(project_point(2.0, -1.8, -5.0), 1, (100, 0))
        tap((40, back[1]), (1000, 600))
        tap((960, back[1]), (1000, 600))
        check(g.screenshot(region=(0, 0, 1000, 600)).difference(wide, around(back, 60, 20)) < 3,
              "a tap on a black bar left the board")
        pad("detach")

        def hidden():
            """The paused panel: the top and bottom rows' centres one shade, where the boxes
            have many (and change them); the texts lie between."""
            shot = g.screenshot(region=(0, 0, 1000, 600))
            rows = [scaled(box_center("easy", i), 1, (100, 0)) for i in [*range(6), *range(30, 36)]]
            shades = [sum(shot.mean(x - 3, y - 3, x + 3, y + 3)) for x, y in rows]
            return max(shades) - min(shades) < 10
        wait_for(hidden, "pulling out the controller did not pause the board")
        keep(g.screenshot(region=(0, 0, 1000, 600)), "board-paused-by-detach.png")
        check(g.running(), "the game ended when the controller was pulled out")
        # Plugged in again it plays on: B resumes, B leaves the board, the third B in
        # the menu quits.
        pad("attach")
        time.sleep(0.3)
        for _ in range(5):
            press(PAD_B)
            time.sleep(0.3)
        check(g.wait_exit() == 0, "B did not go back and quit as Esc does")
        conf = g.read("tessary.conf").decode()
        check("players = 3" in conf, "the shoulder and one tap did not make three players: " + conf)
        check("pad_probe" not in g.stderr(), "the virtual pad failed: " + g.stderr())
        check("cannot read the controller mappings in no-such-mappings.txt" in g.stderr(),
              "the unreadable mapping file was not named: " + g.stderr())
        print("virtual pad: d-pad lit Easy, shoulder and one tap made three players, A started "
              "the level, stick and A opened a box, a tap opened another, taps on the bars did "
              "nothing, pulled out paused the board, plugged in again B resumed, left and quit")
    finally:
        g.cleanup()


def label_shots(env, args=(), keep_about=None):
    """The best-score label of the easy board and the about screen's credits."""
    g = game(env=env, args=args)
    try:
        g.start()
        g.wait_menu()
        g.move(5, 5)
        g.key("1")
        time.sleep(0.8)
        board = g.screenshot()
        g.key("Escape")
        time.sleep(0.6)
        g.click(*menu_button("about"))
        time.sleep(0.8)
        about = g.screenshot()
        if keep_about:
            keep(about, keep_about)
        return board, about
    finally:
        g.cleanup()


def test_language():
    """LANG picks the texts; --lang overrides it."""
    # The label ends before its value at x -2.5 on the text plane; the credits are at the top.
    label_x, label_y = project_point(-3.6, 3.6, -10)
    label = (label_x, label_y - 14, project_point(-2.55, 3.6, -10)[0], label_y + 3)
    credits = (150, 10, 650, project_point(0, 2.6, -10)[1] + 3)
    english_board, english_about = label_shots(ENGLISH, keep_about="about-english.png")
    chinese_board, chinese_about = label_shots(CHINESE)
    forced_board, _ = label_shots(ENGLISH, ["--lang", "zh"])
    check(brightness(english_board, label) > 5 and brightness(chinese_board, label) > 5,
          "no label drawn")
    check(english_board.difference(chinese_board, label) > 8,
          "the English and the Chinese labels look alike")
    check(forced_board.difference(chinese_board, label) < 2, "--lang zh did not give Chinese")
    check(english_about.difference(chinese_about, credits) > 3,
          "the English and the Chinese credits look alike")


def frame_rate(env, seconds=3.0):
    probe = os.environ.get("TESSARY_FRAME_PROBE", "")
    g = game(env=env, game_env={"LD_PRELOAD": probe, "TESSARY_PROBE_LOG": "probe.log"})
    try:
        g.start()
        g.wait_menu()
        g.move(5, 5)

        def count():
            lines = g.read("probe.log").decode().split("\n")
            frames = [line.split() for line in lines if line.startswith("frames ")]
            return (int(frames[-1][1]), int(frames[-1][2])) if frames else (0, 0)
        time.sleep(1.2)
        first = count()
        time.sleep(seconds)
        last = count()
        check(last[1] > first[1], "no frames counted")
        return (last[0] - first[0]) / ((last[1] - first[1]) / 1e9)
    finally:
        g.cleanup()


def test_paced_frames():
    """Vsync on (the default) while Xvfb refuses the swap interval: about 60 frames a second."""
    check(os.environ.get("TESSARY_FRAME_PROBE"), "TESSARY_FRAME_PROBE is not set")
    paced = frame_rate({})
    print("vsync on: %.1f frames/s" % paced)
    check(5 < paced < 80, "vsync on drew %.1f frames/s on a 60 Hz display" % paced)


CASES = {
    "scaled_window": test_scaled_window,
    "fullscreen": test_fullscreen,
    "keyboard_play": test_keyboard_play,
    "gamepad_and_touch": test_gamepad_and_touch,
    "language": test_language,
    "paced_frames": test_paced_frames,
}

if __name__ == "__main__":
    run_cases(CASES, sys.argv)
