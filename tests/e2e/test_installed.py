"""The installed game: `cmake --install` into a prefix, the prefix moved, the game started from
an unrelated folder with a fresh HOME. It finds its data from its own place, keeps its files in
the XDG folders and writes nothing into the prefix or the working directory.

The run-directory mode's reads and writes beside the working directory are the cases
close_button_writes_files, switches_saved and bad_settings_and_scores."""

import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile

from harness import case, Display, Failure, Game, check, menu_button, run_cases

BUILD_DIR = os.environ.get("TESSARY_BUILD_DIR", "")
APP_ID = os.environ.get("TESSARY_APP_ID", "")
HARNESS_FILES = re.compile(r"^(stderr\.txt|audio\.raw|shot-\d+\.png)$")


class Installed:
    """A prefix installed from the build and then moved, in a scratch folder with a fresh home
    and an unrelated working directory."""

    def __init__(self):
        check(BUILD_DIR and APP_ID, "TESSARY_BUILD_DIR and TESSARY_APP_ID must be set")
        self.scratch = tempfile.mkdtemp(prefix="tessary-installed-")
        first = os.path.join(self.scratch, "first-prefix")
        subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", first], check=True,
                       stdout=subprocess.DEVNULL)
        self.prefix = os.path.join(self.scratch, "moved", "prefix")
        os.makedirs(os.path.dirname(self.prefix))
        os.rename(first, self.prefix)
        self.binary = os.path.join(self.prefix, "bin", "tessary")
        self.home = os.path.join(self.scratch, "home")
        self.work = os.path.join(self.scratch, "work")
        os.makedirs(self.home)
        os.makedirs(self.work)
        self.before = self.snapshot(self.prefix)

    @staticmethod
    def snapshot(folder):
        """Every name under folder with its size and modification time."""
        found = {}
        for base, dirs, files in os.walk(folder):
            for name in dirs + files:
                path = os.path.join(base, name)
                info = os.lstat(path)
                found[os.path.relpath(path, folder)] = (info.st_size, info.st_mtime_ns)
        return found

    def check_prefix_untouched(self):
        after = self.snapshot(self.prefix)
        changed = sorted(n for n in set(after) | set(self.before)
                         if after.get(n) != self.before.get(n))
        check(not changed, "the prefix changed: %s" % changed)

    def game_made(self):
        """What the game left in its working directory, the harness's own files aside."""
        return sorted(n for n in os.listdir(self.work) if not HARNESS_FILES.match(n))

    def cleanup(self):
        if os.environ.get("TESSARY_E2E_KEEP"):
            print("kept", self.scratch)
        else:
            shutil.rmtree(self.scratch, ignore_errors=True)


def mode_of(path):
    return stat.S_IMODE(os.stat(path).st_mode)


@case(timeout=180, needs_tools=True)
def test_installed_from_anywhere():
    place = Installed()
    g = big = None
    try:
        for name in ["share/applications/%s.desktop" % APP_ID,
                     "share/metainfo/%s.metainfo.xml" % APP_ID,
                     "share/icons/hicolor/256x256/apps/%s.png" % APP_ID,
                     "share/man/man6/tessary.6.gz", "share/tessary/data/game.px",
                     "share/tessary/data/game-2x.px",
                     "share/tessary/data/pictures-2x/animals.px",
                     "share/tessary/data/pictures/numbers.px",
                     "share/tessary/music/menu.wma"]:
            check(os.path.isfile(os.path.join(place.prefix, name)), "not installed: " + name)
        config = os.path.join(place.scratch, "config")
        g = Game(place.binary, None, run_dir=place.work, env={
            "HOME": place.home, "XDG_CONFIG_HOME": config, "XDG_DATA_HOME": None,
            "TESSARY_DATA_DIR": None})
        g.start()
        menu = g.wait_menu()
        check(menu.brightness() > 20, "the menu looks empty (brightness %.1f)" % menu.brightness())
        # The desktop matches the window to the menu entry by its class.
        wm_class = subprocess.run(["xprop", "-id", g.window, "WM_CLASS"], env=g.env,
                                  capture_output=True, text=True, check=True).stdout
        check('"%s"' % APP_ID in wm_class, "WM_CLASS is %s" % wm_class.strip())
        # Saved settings differ from the defaults.
        music = menu_button("music")
        region = (music[0] - 40, music[1] - 8, 80, 16)
        before = g.screenshot(region=region)
        g.click(*music)
        g.wait_shot(lambda shot: shot.difference(before) > 3, "the music switch to turn", region)
        for _ in range(3):
            g.key("Escape")
        status = g.wait_exit()
        check(status == 0, "exit status %d; stderr:\n%s" % (status, g.stderr()))

        settings = os.path.join(config, "tessary", "game.cfg")
        scores = os.path.join(place.home, ".local", "share", "tessary", "maxsum.cfg")
        with open(settings, "rb") as f:
            check(f.read() == b"101", "game.cfg holds the wrong switches")
        with open(scores, "rb") as f:
            check(f.read() == bytes(6), "maxsum.cfg is not six zero bytes")
        for folder in [os.path.dirname(settings), config, os.path.dirname(scores),
                       os.path.join(place.home, ".local")]:
            check(mode_of(folder) == 0o700, "%s has mode %o" % (folder, mode_of(folder)))
        check(sorted(os.listdir(os.path.dirname(settings))) == ["game.cfg"],
              "other files beside game.cfg")
        check(place.game_made() == [], "the game wrote into its working directory: %s"
              % place.game_made())
        place.check_prefix_untouched()

        # A second run reads them back: the music switch stays off. Large, it finds the sharper
        # pictures installed beside the others: nothing to say about them.
        g.cleanup()
        big = Display("1600x1200")
        g = Game(place.binary, None, run_dir=place.work, display=big, env={
            "HOME": place.home, "XDG_CONFIG_HOME": config, "XDG_DATA_HOME": None})
        g.start()
        g.wait_menu()
        g.resize(1600, 1200)
        # Drawn large: the sharper pictures have been taken, or refused with a line.
        g.wait_shot(lambda shot: shot.brightness() > 5, "the menu drawn at 1600x1200",
                    region=(800, 600, 800, 600))
        check("game-2x" not in g.stderr(), "stderr:\n" + g.stderr())
        for _ in range(3):
            g.key("Escape")
        check(g.wait_exit() == 0, "second run: exit status not 0")
        with open(settings, "rb") as f:
            check(f.read() == b"101", "the second run lost the settings")
        place.check_prefix_untouched()
        print("prefix %s, home %s: game.cfg and maxsum.cfg saved, prefix untouched"
              % (place.prefix, place.home))
    finally:
        if g:
            g.cleanup()
        if big:
            big.close()
        place.cleanup()


@case(timeout=180, needs_tools=True)
def test_installed_without_data_or_home():
    place = Installed()
    g = None
    try:
        # Without HOME the game plays, and names each file it could not save at exit.
        g = Game(place.binary, None, run_dir=place.work, env={
            "HOME": None, "XDG_CONFIG_HOME": None, "XDG_DATA_HOME": "relative/ignored",
            "TESSARY_DATA_DIR": None})
        g.start()
        g.wait_menu()
        for _ in range(3):
            g.key("Escape")
        status = g.wait_exit()
        lines = g.stderr().splitlines()
        check(status == 1, "exit status %d without a home" % status)
        for name, variable in [("game.cfg", "XDG_CONFIG_HOME"), ("maxsum.cfg", "XDG_DATA_HOME")]:
            expected = ("tessary: %s: could not be saved: neither %s nor HOME names an absolute "
                        "folder" % (name, variable))
            check(lines.count(expected) == 1, "no line %r in:\n%s" % (expected, g.stderr()))
        check(place.game_made() == [], "files in the working directory: %s" % place.game_made())
        place.check_prefix_untouched()
        g.cleanup()
        g = None

        # Without its data the game says where it looked, in one line, and opens no window.
        shutil.rmtree(os.path.join(place.prefix, "share", "tessary"))
        run = subprocess.run([place.binary], cwd=place.work, capture_output=True, text=True,
                             env=dict(os.environ, HOME=place.home, TESSARY_DATA_DIR=""),
                             timeout=20)
        expected = ("tessary: cannot find the game's data (data/game.px): looked in %s (the "
                    "working directory), %s (installed with the game), %s (beside the game)\n"
                    % (place.work, os.path.join(place.prefix, "share", "tessary"),
                       os.path.join(place.prefix, "bin")))
        check(run.returncode == 1, "status %d without data" % run.returncode)
        check(run.stderr == expected, "stderr %r, expected %r" % (run.stderr, expected))
        check(os.listdir(place.home) == [], "the home changed")

        # --version answers from the installed binary without data or display.
        run = subprocess.run([place.binary, "--version"], capture_output=True, text=True,
                             timeout=20)
        check(run.returncode == 0 and re.fullmatch(r"tessary \d+\.\d+\.\d+\n", run.stdout),
              "--version printed %r" % run.stdout)
    finally:
        if g:
            g.cleanup()
        place.cleanup()



if __name__ == "__main__":
    run_cases(sys.argv)
