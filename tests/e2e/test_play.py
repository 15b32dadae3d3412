"""Playing it your way, under Xvfb: any window size and full screen, keyboard play, English or
Chinese texts, paced frames."""

import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (case, Display, Game, HEIGHT, WIDTH, box_center, check,  # noqa: E402
                     menu_button, project_point, run_cases, wait_for, wait_until)
from test_game import face_of, wait_board  # noqa: E402

BINARY = os.environ.get("TESSARY_BINARY", "")
DATA_DIR = os.environ.get("TESSARY_DATA_DIR", "")
# Screenshots worth looking at are copied here when set.
SHOT_DIR = os.environ.get("TESSARY_E2E_SHOTS", "")

ENGLISH = {"LANG": "en_US.UTF-8", "LC_ALL": "", "LC_MESSAGES": "", "LANGUAGE": None}
CHINESE = {"LANG": "zh_CN.UTF-8", "LC_ALL": "", "LC_MESSAGES": "", "LANGUAGE": None}


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


def wait_drawn(g, width, height, box):
    """The first screenshot of the whole window with something drawn in `box`: a resize takes
    effect a frame or two after the window has its size."""
    return g.wait_shot(lambda shot: brightness(shot, box) > 5,
                       "something drawn in %s at %dx%d" % (box, width, height),
                       region=(0, 0, width, height))


def boxes_lit(shot, scale=1, offset=(0, 0)):
    """How many of the easy board's boxes show at their places in a window showing the picture
    at `scale`, moved by `offset`."""
    lit = 0
    for index in range(36):
        x, y = scaled(box_center("easy", index), scale, offset)
        r = int(4 * scale)
        lit += brightness(shot, (x - r, y - r, x + r, y + r)) > 25
    return lit


def wait_between_bars(g):
    """The first frame at 1000 x 600, still: the picture between black bars. Until it is drawn
    the window shows what was drawn at the size before, where the bars are."""
    return g.wait_shot(lambda shot: brightness(shot, (500, 300, 900, 600)) > 5 and
                       brightness(shot, (0, 0, 95, 600)) < 2 and
                       brightness(shot, (905, 0, 1000, 600)) < 2,
                       "the picture between black bars at 1000x600", region=(0, 0, 1000, 600),
                       settled=True)


def wait_scaled_board(g, scale, offset, size):
    """The easy board drawn whole at `scale` in a window of `size`, and still."""
    return g.wait_shot(lambda shot: boxes_lit(shot, scale, offset) == 36,
                       "the easy board at %dx%d" % size, region=(0, 0) + size, settled=True)


def wait_scaled_menu(g, scale, offset, size):
    """Some frame of the menu, in a window showing the picture at `scale`: the boxes gone."""
    return g.wait_shot(lambda shot: boxes_lit(shot, scale, offset) < 18,
                       "the menu at %dx%d" % size, region=(0, 0) + size)


def quiet_settings(run_dir):
    """Sound effects on, music off, vsync on: every click that acts is heard alone."""
    with open(os.path.join(run_dir, "game.cfg"), "wb") as f:
        f.write(b"101")


def heard(g, action, settle=0.6):
    """The loudness of the `settle` seconds of sound the game played in answer to `action`,
    after 0.3 s more of what it played before (a sound still ringing)."""
    g.wait_audio(g.audio_bytes(), 0.3)
    since = g.audio_bytes()
    action()
    g.wait_audio(since, settle)
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
        wait_scaled_board(g, 2, (0, 0), (1600, 1200))
        g.move(5, 5)
        return g.wait_settled("the board with no box hovered", region=(0, 0, 1600, 1200))
    finally:
        g.cleanup()


@case(timeout=240)
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
        g.wait_shot(lambda shot: brightness(shot, around(scaled(easy, 2), 80, 24)) > small + 5,
                    "hovering the scaled easy button to light it", region=(0, 0, 1600, 1200))

        g.click(*scaled(easy, 2))
        wait_scaled_board(g, 2, (0, 0), (1600, 1200))
        g.move(5, 5)
        board = g.wait_settled("the board with no box hovered", region=(0, 0, 1600, 1200))
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
        g.wait_shot(lambda shot: shot.difference(opened, around(top_right, 40, 40)) > 10,
                    "the scaled top-right box to shut", region=(0, 0, 1600, 1200))

        g.resize(1000, 600)
        g.move(40, 40)  # on a bar: nothing hovered
        wide = wait_between_bars(g)
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


@case(timeout=240)
def test_fullscreen():
    """F11 switches desktop full screen on and off; --fullscreen starts in it, --window not."""
    g = game_on(Display(window_manager=True))
    try:
        g.start()
        g.wait_menu()
        g.key("F11")
        wait_for(lambda: g.update_geometry() == g.display.size, "F11 did not fill the screen")
        check(g.origin == (0, 0), "the full-screen window is not at the top left")
        g.move(*scaled(menu_button("easy"), 1024 / 800))
        easy = around(scaled(menu_button("easy"), 1024 / 800), 50, 15)
        shot = g.wait_shot(lambda shot: brightness(shot, easy) > 40,
                           "a lit easy button where the scaled menu has it",
                           region=(0, 0, 1024, 768))
        keep(shot, "menu-fullscreen.png")
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
            # The window manager has placed the window once the game draws in it.
            g.wait_first_frame()
            wait_until(g.update_geometry, lambda seen: seen == size,
                       "%s: a window of %s" % (" ".join(args), size))
        finally:
            g.cleanup()


@case(timeout=240)
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
        g.wait_shot(lambda shot: brightness(shot, easy) > plain + 5,
                    "Down to light the easy button")
        g.key("space")
        board = wait_board(g, "easy")
        g.key("Right")  # the top-left box
        top_left = around(box_center("easy", 5), 22, 22)
        lit = g.wait_shot(lambda shot: shot.difference(board, top_left) > 3,
                          "Right to put the outline on a box", settled=True)
        g.key("space")
        g.wait_shot(lambda shot: face_of(shot, box_center("easy", 5)) is not None,
                    "Space to open the box", settled=True)
        # The mouse takes the highlight over: Space then opens the box under it, and the pair
        # is judged: the first box shuts or goes.
        g.move(*box_center("easy", 0))
        g.key("space")
        g.wait_shot(lambda shot: face_of(shot, box_center("easy", 5)) is None,
                    "the try to be judged", settled=True)
        g.key("Escape")
        wait_scaled_menu(g, 1, (0, 0), (WIDTH, HEIGHT))
        g.key("2")
        normal = wait_board(g, "normal")
        check(normal.difference(board, around(box_center("normal", 63), 15, 15)) > 10,
              "2 in the menu did not start the normal level")
        check(g.running(), "the game ended")
    finally:
        g.cleanup()


# SDL's controller buttons, as the virtual pad numbers them.
PAD_A, PAD_B, PAD_START, PAD_RIGHT_SHOULDER, PAD_DOWN = 0, 1, 6, 10, 12


@case(timeout=240)
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

    def taken():
        """How far the probe in the game has read the command file."""
        for fd in os.listdir("/proc/%d/fd" % g.process.pid):
            try:
                if os.readlink("/proc/%d/fd/%s" % (g.process.pid, fd)).endswith("/pad.txt"):
                    with open("/proc/%d/fdinfo/%s" % (g.process.pid, fd)) as info:
                        return int(info.readline().split()[1])
            except OSError:
                continue
        return -1

    def pad(*lines):
        """Each line once the probe has taken the one before, and a frame or more later: the
        game reads a controller's changes once a frame, and nothing shows when a frame is over."""
        path = os.path.join(g.run_dir, "pad.txt")
        for line in lines:
            with open(path, "a") as f:
                f.write(line + "\n")
            size = os.path.getsize(path)
            # The last B quits: a game that has ended takes no more lines.
            wait_until(taken, lambda read: read == size or not g.running(),
                       "the pad probe to take %r" % line)
            # A frame or more, with no sign of its end; a controller plugged in is opened when
            # the game takes the event of its arrival, which shows nothing either.
            time.sleep(0.3 if line == "attach" else 0.1)

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
        press(PAD_DOWN)
        g.wait_shot(lambda shot: brightness(shot, easy) > plain + 5, "the d-pad to light Easy")
        press(PAD_RIGHT_SHOULDER)  # two players
        tap(project_point(-2.0, -0.2, -5.0))  # three, and not four
        press(PAD_A)
        board = wait_board(g, "easy")
        pad("axis 0 32767", "axis 0 0")  # the first move lands on the top-left box
        top_left = around(box_center("easy", 5), 22, 22)
        press(PAD_A)
        opened = g.wait_shot(lambda shot: shot.difference(board, top_left) > 10,
                             "the stick and A to open a box", settled=True)
        keep(opened, "board-opened-by-pad-e2e.png")
        top_right = around(box_center("easy", 0), 22, 22)
        tap(box_center("easy", 0))
        g.wait_shot(lambda shot: shot.difference(board, top_right) > 10,
                    "a tap to open the box")
        g.wait_shot(lambda shot: all(face_of(shot, box_center("easy", i)) is None
                                     for i in (0, 5)), "the pair to shut again", settled=True)
        g.resize(1000, 600)
        g.move(40, 40)  # the pointer on a bar, out of the way
        wide = wait_between_bars(g)
        back = scaled(project_point(2.0, -1.8, -5.0), 1, (100, 0))
        tap((40, back[1]), (1000, 600))
        tap((960, back[1]), (1000, 600))
        time.sleep(0.3)  # idles a few frames: the taps on the bars must change nothing
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
        press(PAD_B)
        wait_for(lambda: not hidden(), "B to resume the board")
        press(PAD_B)
        wait_scaled_menu(g, 1, (100, 0), (1000, 600))
        for _ in range(3):
            press(PAD_B)
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


def label_shots(env, args=(), keep_about=None, run_dir=None):
    """The best-score label of the easy board and the about screen's credits."""
    g = Game(BINARY, DATA_DIR, run_dir=run_dir, env=env, args=args)
    try:
        g.start()
        g.wait_menu()
        g.move(5, 5)
        g.key("1")
        board = wait_board(g, "easy")
        g.key("Escape")
        menu = wait_scaled_menu(g, 1, (0, 0), (WIDTH, HEIGHT))
        g.click(*menu_button("about"))
        about = g.wait_shot(lambda shot: shot.difference(menu) > 8, "the about screen")
        if keep_about:
            keep(about, keep_about)
        return board, about
    finally:
        g.cleanup()


def choose_german(env):
    """Steps the menu's language selector from English to German (five steps in po/LINGUAS'
    order), each step seen on the panel; returns the German board's label shot and the run
    directory, whose tessary.conf keeps the choice."""
    g = game(env=env)
    g.own_run_dir = False  # the next run plays in it; the caller removes it
    try:
        g.start()
        g.wait_menu()
        selector = menu_button("language")
        panel = around(selector, 80, 22)
        g.move(5, 5)
        before = g.wait_settled("the menu", region=(0, 0, WIDTH, HEIGHT))
        for step in range(5):
            g.click(*selector)
            before = g.wait_shot(lambda shot: shot.difference(before, panel) > 3,
                                 "the language panel's step %d" % (step + 1),
                                 region=(0, 0, WIDTH, HEIGHT))
        keep(before, "menu-german.png")
        g.move(5, 5)
        g.key("1")
        board = wait_board(g, "easy")
        g.key("Escape")
        wait_scaled_menu(g, 1, (0, 0), (WIDTH, HEIGHT))
        g.close_button()
        check(g.wait_exit() == 0, "the game did not end cleanly after choosing German")
        conf = g.read("tessary.conf").decode()
        check("language = de" in conf, "tessary.conf does not keep German: " + conf)
        check("tessary.mo" not in g.stderr(), "the catalogues were not read: " + g.stderr())
        return board, g.run_dir
    finally:
        g.close()


@case(timeout=240)
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

    # The menu's selector switches at once, and the choice outlives the game; --lang still
    # overrides it for one run.
    german_board, run_dir = choose_german(ENGLISH)
    try:
        check(german_board.difference(english_board, label) > 8,
              "the German label looks like the English one")
        again_board, _ = label_shots(ENGLISH, run_dir=run_dir)
        check(again_board.difference(german_board, label) < 2,
              "German did not survive the restart")
        forced_board, _ = label_shots(ENGLISH, ["--lang", "en"], run_dir=run_dir)
        check(forced_board.difference(english_board, label) < 2, "--lang en did not give English")
    finally:
        shutil.rmtree(run_dir, ignore_errors=True)


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
        # The probe counts the frames about once a second: the count after the menu is up, and
        # one `seconds` later.
        first = wait_until(count, lambda seen: seen[1] > 0, "frames counted")
        last = wait_until(count, lambda seen: seen[1] >= first[1] + seconds * 1e9,
                          "frames counted %g s later" % seconds)
        return (last[0] - first[0]) / ((last[1] - first[1]) / 1e9)
    finally:
        g.cleanup()


@case(timeout=240)
def test_paced_frames():
    """Vsync on (the default) while Xvfb refuses the swap interval: about 60 frames a second."""
    check(os.environ.get("TESSARY_FRAME_PROBE"), "TESSARY_FRAME_PROBE is not set")
    paced = frame_rate({})
    print("vsync on: %.1f frames/s" % paced)
    check(5 < paced < 80, "vsync on drew %.1f frames/s on a 60 Hz display" % paced)



if __name__ == "__main__":
    run_cases(sys.argv)
