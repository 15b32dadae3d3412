"""Bad inputs against the real game under Xvfb: broken picture packages, odd settings and score
files, loading pictures of every size, missing or unreadable media, and a run directory that
cannot be written at exit.

Each input either lets the game play on (it reaches the menu and ends with status 0, leaving the
files docs/formats.md promises) or ends it with one message on stderr naming the file and a
non-zero status. Nothing may crash, hang or lose the best scores saved before. Every sub-case
prints one row: case | expected | observed; docs/behaviour.md carries the same table.
"""

import os
import random
import re
import resource
import shutil
import signal
import struct
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (case, Display, Failure, Game, MapWatcher, check, project_point,  # noqa: E402
                     run_cases)

BINARY = os.environ.get("TESSARY_BINARY", "")
DATA_DIR = os.environ.get("TESSARY_DATA_DIR", "")
SEED = int(os.environ.get("TESSARY_E2E_SEED", "20240611"))

# Best scores saved by an earlier run: easy 1,000, normal 2,345, hard 65,535.
OLD_SCORES = bytes([0x03, 0xE8, 0x09, 0x29, 0xFF, 0xFF])
PACKAGE = os.path.join("data", "game.px")
SCORES = os.path.join("data", "maxsum.cfg")
SETTINGS = "game.cfg"
LOGO = os.path.join("data", "loading.logo")
NOBODY = (65534, 65534)

ROWS = []


def row(case, expected, observed):
    ROWS.append((case, expected, observed))
    print("ROW | %s | %s | %s" % (case, expected, observed), flush=True)


def print_table():
    if not ROWS:
        return
    print("\n| case | expected | observed |\n|---|---|---|")
    for case, expected, observed in ROWS:
        print("| %s | %s | %s |" % (case, expected, observed))


# --- what the game must never do ------------------------------------------------------------

def check_no_crash(g, status):
    text = g.stderr()
    for sign in ("Sanitizer", "runtime error:", "Segmentation", "Aborted", "terminate called"):
        check(sign not in text, "stderr shows %r:\n%s" % (sign, text))
    check(status >= 0, "the game died of signal %d:\n%s" % (-status, text))


def leftovers(run_dir):
    """Temporary files an atomic save left behind."""
    found = []
    for base, _dirs, files in os.walk(run_dir):
        found += [os.path.join(base, n) for n in files if ".tmp" in n]
    return found


def read_or_none(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


# --- the picture package ----------------------------------------------------------------------

def default_entries():
    with zipfile.ZipFile(os.path.join(DATA_DIR, PACKAGE)) as package:
        return [(info.filename, package.read(info)) for info in package.infolist()]


def write_package(path, entries, deflated=()):
    with zipfile.ZipFile(path, "w") as package:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED if name in deflated else zipfile.ZIP_STORED
            package.writestr(info, data)


def replaced(entries, name, data):
    return [(n, data if n == name else d) for n, d in entries]


def forge_sizes(path, name, size=None, compressed=None):
    """Rewrites the sizes an entry declares, in its local and its central header alike, so the
    archive stays self-consistent and only the claim is false."""
    with open(path, "rb") as f:
        raw = bytearray(f.read())
    end = raw.rindex(b"PK\x05\x06")
    count = struct.unpack_from("<H", raw, end + 10)[0]
    offset = struct.unpack_from("<I", raw, end + 16)[0]
    for _ in range(count):
        check(raw[offset:offset + 4] == b"PK\x01\x02", "central directory not found")
        name_length, extra_length, comment_length = struct.unpack_from("<HHH", raw, offset + 28)
        local = struct.unpack_from("<I", raw, offset + 42)[0]
        if raw[offset + 46:offset + 46 + name_length] == name.encode():
            if compressed is not None:
                struct.pack_into("<I", raw, offset + 20, compressed)
                struct.pack_into("<I", raw, local + 18, compressed)
            if size is not None:
                struct.pack_into("<I", raw, offset + 24, size)
                struct.pack_into("<I", raw, local + 22, size)
            with open(path, "wb") as f:
                f.write(raw)
            return
        offset += 46 + name_length + extra_length + comment_length
    raise Failure("no entry %s to forge" % name)


def damage_entry(path, name):
    """Overwrites bytes in the middle of a stored entry's data: its CRC no longer holds."""
    with zipfile.ZipFile(path) as package:
        info = package.getinfo(name)
    with open(path, "r+b") as f:
        f.seek(info.header_offset + 26)
        name_length, extra_length = struct.unpack("<HH", f.read(4))
        start = info.header_offset + 30 + name_length + extra_length
        f.seek(start + info.compress_size // 2)
        f.write(b"\x5a" * 64)


PICTURES = {}


def picture(width, height, kind="jpg"):
    """A plain picture made by ImageMagick, cached for the run."""
    key = (width, height, kind)
    if key not in PICTURES:
        PICTURES[key] = subprocess.run(
            ["convert", "-size", "%dx%d" % (width, height), "xc:#c03020", "%s:-" % kind],
            capture_output=True, check=True).stdout
    return PICTURES[key]


def prepare_package(build):
    """A run directory whose package is what `build(path, entries)` makes, with the old best
    scores saved and no settings file."""
    def prepare(run_dir):
        path = os.path.join(run_dir, PACKAGE)
        os.remove(path)
        build(path, default_entries())
        with open(os.path.join(run_dir, SCORES), "wb") as f:
            f.write(OLD_SCORES)
    return prepare


def refused_package(display, case, build, entry, reason, user=None, after_prepare=None):
    """The game opens its window, names the package and the entry on stderr, ends with status 1
    and leaves every file as it was."""
    def prepare(run_dir):
        prepare_package(build)(run_dir)
        if after_prepare:
            after_prepare(run_dir)
    g = Game(BINARY, DATA_DIR, prepare=prepare, display=display, user=user)
    try:
        before = sorted(os.listdir(os.path.join(g.run_dir, "data")))
        watcher = MapWatcher(display)
        g.start()
        try:
            status = g.wait_exit(40)
        finally:
            mapped = watcher.stop()
        check_no_crash(g, status)
        text = g.stderr()
        expected = 'tessary: data/game.px: entry "%s": %s' % (entry, reason)
        lines = [line for line in text.splitlines() if line.startswith("tessary: data/game.px")]
        check(len(lines) == 1 and re.fullmatch(expected, lines[0]),
              "expected one line matching %r, stderr:\n%s" % (expected, text))
        check(status == 1, "exit status %d" % status)
        check(mapped >= 1, "the window never opened")
        check(not os.path.exists(os.path.join(g.run_dir, SETTINGS)), "game.cfg was written")
        check(read_or_none(os.path.join(g.run_dir, SCORES)) == OLD_SCORES,
              "the best scores changed")
        check(sorted(os.listdir(os.path.join(g.run_dir, "data"))) == before,
              "files appeared in data/")
        row(case, "window opens, one line naming data/game.px and \"%s\", status 1, no file "
                  "written" % entry,
            "%s; status %d; files untouched" % (lines[0], status))
    finally:
        g.cleanup()


def bigger_than(entries, name, megabytes):
    return replaced(entries, name, bytes(megabytes << 20))


@case(timeout=300)
def test_bad_package():
    display = Display()
    try:
        def none(path, entries):
            pass

        def missing_star(path, entries):
            write_package(path, [(n, d) for n, d in entries if n != "star.jpg"])

        def not_jpeg(path, entries):
            write_package(path, replaced(entries, "box3.jpg", picture(64, 64, "png")))

        def truncated_jpeg(path, entries):
            data = dict(entries)["box.jpg"]
            write_package(path, replaced(entries, "box.jpg", data[:len(data) * 6 // 10]))

        def huge_picture(path, entries):
            write_package(path, replaced(entries, "menu.jpg", picture(4000, 3000)))

        def one_column_too_wide(path, entries):
            write_package(path, replaced(entries, "game.jpg", picture(801, 600)))

        def empty_entry(path, entries):
            write_package(path, replaced(entries, "pe.jpg", b""))

        def truncated_archive(path, entries):
            write_package(path, entries)
            with open(path, "r+b") as f:
                f.truncate(os.path.getsize(path) // 2)

        def cut_end(path, entries):
            write_package(path, entries)
            with open(path, "r+b") as f:
                f.truncate(os.path.getsize(path) - 10)

        def garbage(path, entries):
            with open(path, "wb") as f:
                f.write(random.Random(SEED).randbytes(200_000))

        def empty_file(path, entries):
            open(path, "wb").close()

        def directory(path, entries):
            os.mkdir(path)

        def enormous_claim(path, entries):
            write_package(path, entries)
            forge_sizes(path, "tlite.jpg", size=0xFFFFFF00)

        def zeros_bomb(path, entries):
            write_package(path, bigger_than(entries, "esay.jpg", 64), deflated=("esay.jpg",))

        def understated(path, entries):
            write_package(path, entries, deflated=("hard.jpg",))
            forge_sizes(path, "hard.jpg", size=1000)

        def damaged(path, entries):
            write_package(path, entries)
            damage_entry(path, "about.jpg")

        cases = [
            ("no package", none, "menu.jpg", "the package cannot be opened: No such file"),
            ("a package missing an entry", missing_star, "star.jpg", "not found in the package"),
            ("an entry that is not a JPEG (a PNG)", not_jpeg, "box3.jpg",
             "is not a readable JPEG picture: .*"),
            ("a truncated JPEG (60 % of it)", truncated_jpeg, "box.jpg",
             "is damaged or cut short: .*"),
            ("a picture of 4000 x 3000 pixels", huge_picture, "menu.jpg",
             "is 4000 x 3000 pixels, larger than the 800 x 600 the game can show"),
            ("a picture of 801 x 600 pixels", one_column_too_wide, "game.jpg",
             "is 801 x 600 pixels, larger than the 800 x 600 the game can show"),
            ("an empty entry", empty_entry, "pe.jpg", "is empty"),
            ("an archive cut in half", truncated_archive, "menu.jpg",
             "the package cannot be opened: .*"),
            ("an archive missing its last 10 bytes", cut_end, "menu.jpg",
             "the package cannot be opened: .*"),
            ("200,000 bytes of garbage", garbage, "menu.jpg", "the package cannot be opened: .*"),
            ("an empty package file", empty_file, "menu.jpg", "the package cannot be opened: .*"),
            ("a directory in place of the package", directory, "menu.jpg",
             "the package cannot be opened: .*"),
            ("an entry claiming 4 GiB uncompressed", enormous_claim, "tlite.jpg",
             r"declares 4294967040 bytes \(\d+ compressed\), more than a picture can take"),
            ("an entry inflating to 64 MiB of zeros", zeros_bomb, "esay.jpg",
             r"declares 67108864 bytes \(\d+ compressed\), more than a picture can take"),
            ("an entry declaring fewer bytes than it inflates to", understated, "hard.jpg",
             "holds more bytes than the 1000 its header declares"),
            ("an entry with damaged bytes (CRC)", damaged, "about.jpg", "cannot be read: .*"),
        ]
        for case, build, entry, reason in cases:
            refused_package(display, case, build, entry, reason)

        # The largest picture the game accepts still plays.
        def largest(path, entries):
            write_package(path, replaced(entries, "menu.jpg", picture(800, 600)))
        plays_on(display, "a picture of exactly 800 x 600 pixels", prepare_package(largest),
                 expected_files=(b"111", OLD_SCORES))
    finally:
        display.close()


@case(timeout=300)
def test_bad_sharper_package():
    """The pictures at twice their size are for a large window only: a broken data/game-2x.px,
    or one drawn from other pictures than a player's own game.px, is one line at the first large
    size, never again, and the game plays on with its 800 x 600 pictures."""
    display = Display("1600x1200")
    try:
        def damaged(path, entries):
            write_package(path, entries)
            sharper = os.path.join(os.path.dirname(path), "game-2x.px")
            with open(sharper, "r+b") as f:
                f.truncate(1000)

        def own_package(path, entries):
            write_package(path, replaced(entries, "menu.jpg", picture(800, 600)))

        def large_twice(g):
            g.resize(1600, 1200)
            g.resize(1000, 700)
            g.resize(1600, 1200)
            check(g.screenshot(region=(0, 0, 1600, 1200)).brightness() > 5,
                  "the large menu is not drawn")
            lines = [l for l in g.stderr().splitlines() if "game-2x.px" in l]
            check(len(lines) == 1, "expected one line about data/game-2x.px: %r" % lines)

        for case, build, reason in (
                ("a damaged data/game-2x.px, the window at 1600 x 1200", damaged,
                 'entry "source\\.txt": the package cannot be opened: .*'),
                ("a player's own game.px beside the game's data/game-2x.px, at 1600 x 1200",
                 own_package,
                 r'drawn from other pictures than data/game\.px \("menu\.jpg" differs\)')):
            plays_on(display, case, prepare_package(build), (b"111", OLD_SCORES),
                     before_exit=large_twice,
                     message=r"^tessary: data/game-2x\.px: %s; the pictures stay at their own "
                             r"size$" % reason,
                     expected_text="plays on at every size; one line naming data/game-2x.px")
    finally:
        display.close()



# --- settings and best scores -----------------------------------------------------------------

def settings_model(content, char=0):
    """What the game reads from game.cfg: the three switches and the carried-over byte."""
    if content is None:
        return (True, True, True), char
    switches = []
    for i in range(3):
        if i < len(content):
            char = content[i]
        switches.append(char != ord("0"))
    return tuple(switches), char


def scores_model(content, char):
    if content is None:
        return [0, 0, 0]
    scores, position = [], 0
    for _level in range(3):
        value = 0
        for _half in range(2):
            if position < len(content):
                char = content[position]
                position += 1
            value = value * 256 + char
        scores.append(value)
    return scores


def saved_settings(switches):
    return bytes(ord("1") if on else ord("0") for on in switches)


def saved_scores(scores):
    return b"".join(struct.pack(">H", s & 0xFFFF) for s in scores)


def write_files(run_dir, settings, scores):
    for relative, content in ((SETTINGS, settings), (SCORES, scores)):
        path = os.path.join(run_dir, relative)
        if os.path.exists(path):
            os.remove(path)
        if content is not None:
            with open(path, "wb") as f:
                f.write(content)


def plays_on(display, case, prepare, expected_files, status_expected=0, message=None,
             during_loading=None, user=None, env=None, preexec=None, stderr_pipe=False,
             before_exit=None, expected_text=None):
    """The game reaches the menu, is closed with the window's close button and ends with the
    expected status, leaving (settings, scores) as expected_files (None: absent; a callable:
    checked by it)."""
    g = Game(BINARY, DATA_DIR, prepare=prepare, display=display, user=user, env=env,
             preexec=preexec, stderr_pipe=stderr_pipe)
    try:
        g.start()
        seen = during_loading(g) if during_loading else None
        g.wait_menu()
        if before_exit:
            before_exit(g)
        g.close_button()
        status = g.wait_exit(30)
        check_no_crash(g, status)
        text = g.stderr()
        check(status == status_expected,
              "exit status %d, expected %d; stderr:\n%s" % (status, status_expected, text))
        messages = [message] if isinstance(message, str) else list(message or [])
        for pattern in messages:
            check(re.search(pattern, text, re.MULTILINE),
                  "stderr lacks %r:\n%s" % (pattern, text))
        settings = read_or_none(os.path.join(g.run_dir, SETTINGS))
        scores = read_or_none(os.path.join(g.run_dir, SCORES))
        want_settings, want_scores = expected_files
        check(settings == want_settings, "game.cfg holds %r, expected %r" % (settings,
                                                                            want_settings))
        if callable(want_scores):
            want_scores(g.run_dir)
        else:
            check(scores == want_scores, "maxsum.cfg holds %r, expected %r" % (scores,
                                                                              want_scores))
        check(not leftovers(g.run_dir), "temporary files left: %r" % leftovers(g.run_dir))
        observed = "menu reached, status %d, game.cfg %s, maxsum.cfg %s" % (
            status, show(settings), "checked" if callable(want_scores) else show(scores))
        for pattern in messages:
            observed += "; " + re.search(pattern, text, re.MULTILINE).group(0)
        if seen:
            observed += "; " + seen
        row(case, expected_text or "plays on, status %d" % status_expected, observed)
        return g
    finally:
        g.cleanup()


def show(content):
    if content is None:
        return "absent"
    return content.hex(" ") if content else "empty"


@case(timeout=300)
def test_bad_settings_and_scores():
    rng = random.Random(SEED)
    print("seed %d (set TESSARY_E2E_SEED to replay)" % SEED)
    runs = [
        (None, None),
        (b"", b""),
        (b"0", b""),
        (b"111", b""),
        (b"01", b"\x07"),
        (b"x0y", b"\x00\x05"),
        (b"\x000\xff0", b"\x00\x05\x00"),
        (b"0\n1\r\n", b"\x00\x05\x00\x07"),
        (rng.randbytes(5), b"\x00\x05\x00\x07\x01"),
        (b"010", b"\x01\x00\x00\x0a\xff\xff"),
        (rng.randbytes(4), b"\x01\x00\x00\x0a\xff\xff\x42"),
        (rng.randbytes(rng.randrange(0, 6)), rng.randbytes(rng.randrange(0, 8))),
    ]
    display = Display()
    try:
        for settings, scores in runs:
            switches, char = settings_model(settings)
            want = (saved_settings(switches), saved_scores(scores_model(scores, char)))
            case = "game.cfg %s (%s bytes), maxsum.cfg %s (%s bytes)" % (
                show(settings), "no" if settings is None else len(settings),
                show(scores), "no" if scores is None else len(scores))
            plays_on(display, case, lambda d, s=settings, b=scores: write_files(d, s, b), want,
                     expected_text="plays on, status 0, saves game.cfg %s, maxsum.cfg %s" % (
                         show(want[0]), show(want[1])))
    finally:
        display.close()


# --- the loading picture ----------------------------------------------------------------------

# The loading picture's quad on screen (z = -5, 4 x 3 units) and the caption below it.
LOGO_LEFT, LOGO_TOP = project_point(-2.0, 1.5, -5.0)
LOGO_RIGHT, LOGO_BOTTOM = project_point(2.0, -1.5, -5.0)
CAPTION_X, CAPTION_Y = project_point(-0.8, -3.5, -10)


def loading_shot(g):
    """A screenshot of the loading frame: the caption is lit and the menu not yet shown."""
    g.wait_window()
    return g.wait_shot(lambda shot: sum(shot.mean(CAPTION_X, CAPTION_Y - 14, CAPTION_X + 150,
                                                  CAPTION_Y)) / 3 > 20,
                       "the loading frame, its caption lit", timeout=20)


def two_halves_logo(size):
    """The top half red, the bottom half blue, stored blue-green-red, bottom row first; padded
    with white bytes (or cut) to `size` bytes."""
    row_bytes = 1800
    blue_row = bytes([255, 0, 0]) * 600
    red_row = bytes([0, 0, 255]) * 600
    content = blue_row * 225 + red_row * 225
    content += b"\xff" * max(0, size - len(content))
    check(len(blue_row) == row_bytes, "row size")
    return content[:size]


def logo_regions(shot):
    width = LOGO_RIGHT - LOGO_LEFT
    inner_left, inner_right = LOGO_LEFT + width // 4, LOGO_RIGHT - width // 4
    top = shot.mean(inner_left, LOGO_TOP + 40, inner_right, LOGO_TOP + 120)
    bottom = shot.mean(inner_left, LOGO_BOTTOM - 120, inner_right, LOGO_BOTTOM - 40)
    # The lowest screen rows of the quad: where the file's first row lands.
    edge = max(sum(shot.mean(inner_left, y, inner_right, y + 1))
               for y in range(LOGO_BOTTOM - 4, LOGO_BOTTOM + 2))
    return top, bottom, edge


def fmt(colour):
    return "(%d, %d, %d)" % tuple(round(c) for c in colour)


def black_logo(g):
    top, bottom, edge = logo_regions(loading_shot(g))
    check(max(top + bottom) < 12 and edge < 36, "the picture is not black: %s %s %d"
          % (fmt(top), fmt(bottom), edge))
    return "loading frame black"


@case(timeout=300)
def test_bad_loading_picture():
    display = Display()
    try:
        def with_logo(content):
            def prepare(run_dir):
                path = os.path.join(run_dir, LOGO)
                os.remove(path)
                if content is not None:
                    with open(path, "wb") as f:
                        f.write(content)
            return prepare

        def bottom_row_only(g):
            top, bottom, edge = logo_regions(loading_shot(g))
            check(max(top + bottom) < 12, "more than the bottom row shows: %s %s"
                  % (fmt(top), fmt(bottom)))
            check(edge > 60, "the bottom row does not show (%d)" % edge)
            return "only the bottom row lit (row sum %d)" % edge

        def whole(g):
            top, bottom, _edge = logo_regions(loading_shot(g))
            check(top[0] > 150 and top[2] < 60, "the top half is not red: %s" % fmt(top))
            check(bottom[2] > 150 and bottom[0] < 60, "the bottom half is not blue: %s"
                  % fmt(bottom))
            return "top red %s, bottom blue %s" % (fmt(top), fmt(bottom))

        everything = (b"111", bytes(6))
        plays_on(display, "no loading picture", with_logo(None), everything,
                 during_loading=black_logo, expected_text="black loading picture, plays on")
        plays_on(display, "a loading picture of 0 bytes", with_logo(b""), everything,
                 during_loading=black_logo, expected_text="black loading picture, plays on")
        plays_on(display, "a loading picture of 1,800 bytes (one row)",
                 with_logo(two_halves_logo(1800)), everything, during_loading=bottom_row_only,
                 expected_text="only the bottom row shows, plays on")
        plays_on(display, "a loading picture of 810,000 bytes (whole)",
                 with_logo(two_halves_logo(810_000)), everything, during_loading=whole,
                 expected_text="the whole picture, bottom row first, plays on")
        plays_on(display, "a loading picture of 1,000,000 bytes",
                 with_logo(two_halves_logo(1_000_000)), everything, during_loading=whole,
                 expected_text="the first 810,000 bytes show, the rest is ignored, plays on")
    finally:
        display.close()


# --- media, unreadable files --------------------------------------------------------------------

def can_drop_to_nobody():
    """As root, mode 000 stops no read: those cases run the game as `nobody` instead, provided
    nobody can reach the binary."""
    if os.geteuid() != 0:
        return True
    probe = subprocess.run(["test", "-x", BINARY], user=NOBODY[0], group=NOBODY[1],
                           extra_groups=[])
    return probe.returncode == 0


def unprivileged():
    return NOBODY if os.geteuid() == 0 else None


@case(timeout=300)
def test_bad_media_and_unreadable():
    display = Display()
    try:
        def no_music(run_dir):
            shutil.rmtree(os.path.join(run_dir, "music"))
        plays_on(display, "no music folder", no_music, (b"111", bytes(6)),
                 message=r"^tessary: cannot open sound music/menu\.wma: .*$",
                 expected_text="a line per missing sound, plays silently, status 0")

        def directory_at(relative, keep_scores=False):
            def prepare(run_dir):
                path = os.path.join(run_dir, relative)
                if keep_scores:
                    with open(os.path.join(run_dir, SCORES), "wb") as f:
                        f.write(OLD_SCORES)
                if os.path.exists(path):
                    os.remove(path)
                os.mkdir(path)
            return prepare

        def still_directory(relative):
            def check_it(run_dir):
                check(os.path.isdir(os.path.join(run_dir, relative)), relative + " replaced")
            return check_it

        plays_on(display, "a directory in place of music/menu.wma", directory_at("music/menu.wma"),
                 (b"111", bytes(6)), message=r"^tessary: cannot open sound music/menu\.wma: .*$",
                 expected_text="one line naming the sound, plays on, status 0")
        plays_on(display, "a directory in place of data/loading.logo", directory_at(LOGO),
                 (b"111", bytes(6)), during_loading=black_logo,
                 expected_text="black loading picture, plays on, status 0")
        plays_on(display, "a directory in place of game.cfg", directory_at(SETTINGS, True),
                 (None, OLD_SCORES), status_expected=1,
                 message=r"^tessary: game\.cfg: could not be saved: .*\(the previous file is "
                         r"kept\)$",
                 expected_text="read as missing (all on), plays on; at exit one line naming "
                               "game.cfg, scores saved, status 1")
        plays_on(display, "a directory in place of data/maxsum.cfg", directory_at(SCORES),
                 (b"111", still_directory(SCORES)), status_expected=1,
                 message=r"^tessary: data/maxsum\.cfg: could not be saved: .*$",
                 expected_text="scores read as 0, plays on; at exit one line naming "
                               "data/maxsum.cfg, status 1")

        def looping_scores(run_dir):
            with open(os.path.join(run_dir, SETTINGS), "wb") as f:
                f.write(b"010")
            os.symlink("maxsum.cfg", os.path.join(run_dir, SCORES))

        def still_a_loop(run_dir):
            check(os.readlink(os.path.join(run_dir, SCORES)) == "maxsum.cfg",
                  "the unreadable score file was replaced")
        plays_on(display, "data/maxsum.cfg a link to itself (unreadable, even for root)",
                 looping_scores, (b"010", still_a_loop), status_expected=1,
                 message=r"^tessary: data/maxsum\.cfg: cannot be read: Too many levels of "
                         r"symbolic links.*$",
                 expected_text="plays on with scores 0, one line naming data/maxsum.cfg; the "
                               "file is not replaced at exit, status 1")

        if not can_drop_to_nobody():
            row("files of mode 000", "(skipped)", "running as root and user nobody cannot run "
                "%s, so mode 000 cannot be made to stop a read here" % BINARY)
            return
        user = unprivileged()
        who = " (run as nobody: root reads mode 000)" if user else ""

        def mode_000(relative, keep_scores=True):
            def prepare(run_dir):
                with open(os.path.join(run_dir, SETTINGS), "wb") as f:
                    f.write(b"010")
                if keep_scores:
                    with open(os.path.join(run_dir, SCORES), "wb") as f:
                        f.write(OLD_SCORES)
                os.chmod(os.path.join(run_dir, relative), 0)
            return prepare

        def unchanged_scores(run_dir):
            check(read_or_none(os.path.join(run_dir, SCORES)) == OLD_SCORES,
                  "the unreadable best scores were replaced")

        refused_package(display, "data/game.px of mode 000" + who, lambda p, e: write_package(p, e),
                        "menu.jpg", "the package cannot be opened: .*Permission denied",
                        user=user, after_prepare=lambda d: os.chmod(os.path.join(d, PACKAGE), 0))
        plays_on(display, "game.cfg of mode 000" + who, mode_000(SETTINGS),
                 (b"111", OLD_SCORES), user=user,
                 expected_text="read as missing (all on), plays on, replaced at exit, status 0")
        plays_on(display, "data/maxsum.cfg of mode 000" + who, mode_000(SCORES),
                 (b"010", unchanged_scores), user=user, status_expected=1,
                 message=r"^tessary: data/maxsum\.cfg: cannot be read: Permission denied.*$",
                 expected_text="plays on with scores 0, one line naming data/maxsum.cfg; the "
                               "file is not replaced at exit, status 1")
        plays_on(display, "data/loading.logo of mode 000" + who, mode_000(LOGO),
                 (b"010", OLD_SCORES), user=user, during_loading=black_logo,
                 expected_text="black loading picture, plays on, status 0")
        plays_on(display, "music/game.wma of mode 000" + who, mode_000("music/game.wma"),
                 (b"010", OLD_SCORES), user=user,
                 message=r"^tessary: cannot open sound music/game\.wma: .*$",
                 expected_text="one line naming the sound, plays on, status 0")
    finally:
        display.close()


# --- a run directory that cannot be written at exit -------------------------------------------

@case(timeout=300)
def test_unwritable_at_exit():
    display = Display()
    try:
        def old_files(run_dir):
            with open(os.path.join(run_dir, SETTINGS), "wb") as f:
                f.write(b"101")
            with open(os.path.join(run_dir, SCORES), "wb") as f:
                f.write(OLD_SCORES)

        def switch_sound(g):
            # The new settings differ from the old ones: a kept file is told from a saved one.
            from test_game import switch_sound
            switch_sound(g)

        def no_writes():
            # Any file write beyond 0 bytes fails with EFBIG (as on a full disk) instead of
            # killing the game with SIGXFSZ.
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (0, 0))

        plays_on(display, "no file may grow (RLIMIT_FSIZE 0, like a full disk)", old_files,
                 (b"101", OLD_SCORES), status_expected=1, preexec=no_writes, stderr_pipe=True,
                 env={"SDL_DISKAUDIOFILE": "/dev/null"}, before_exit=switch_sound,
                 message=[r"^tessary: game\.cfg: could not be saved: File too large "
                          r"\(the previous file is kept\)$",
                          r"^tessary: data/maxsum\.cfg: could not be saved: File too large "
                          r"\(the previous file is kept\)$"],
                 expected_text="plays on; at exit a line for game.cfg and for data/maxsum.cfg, "
                               "both kept as they were, status 1")

        def data_gone(g):
            # The data folder disappears while the game runs (a removed USB stick, say).
            os.rename(os.path.join(g.run_dir, "data"), os.path.join(g.run_dir, "data.away"))
            switch_sound(g)

        def away_scores(run_dir):
            check(read_or_none(os.path.join(run_dir, "data.away", "maxsum.cfg")) == OLD_SCORES,
                  "the old scores changed")
        plays_on(display, "the data folder removed while the game runs", old_files,
                 (b"001", away_scores), status_expected=1, before_exit=data_gone,
                 message=r"^tessary: data/maxsum\.cfg: could not be saved: No such file or "
                         r"directory \(the previous file is kept\)$",
                 expected_text="game.cfg saved; one line naming data/maxsum.cfg, status 1")

        if not can_drop_to_nobody():
            row("a read-only data folder", "(skipped)",
                "running as root and user nobody cannot run %s" % BINARY)
            return
        user = unprivileged()

        def read_only_data(run_dir):
            old_files(run_dir)
            os.chmod(os.path.join(run_dir, "data"), 0o555)
        plays_on(display, "a read-only data folder" + (" (run as nobody)" if user else ""),
                 read_only_data, (b"001", OLD_SCORES), status_expected=1, user=user,
                 before_exit=switch_sound,
                 message=r"^tessary: data/maxsum\.cfg: could not be saved: Permission denied "
                         r"\(the previous file is kept\)$",
                 expected_text="game.cfg saved; one line naming data/maxsum.cfg, old scores "
                               "kept, status 1")
    finally:
        display.close()



if __name__ == "__main__":
    run_cases(sys.argv, after=print_table)
