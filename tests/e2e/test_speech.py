"""Play by ear under Xvfb: a real speech-dispatcher on a socket of its own (a dummy voice into
ALSA's null device, so no sound card is needed) logs every text the game hands it; a scripted
player who reads only that log, never the screen, and presses only keys wins the easy level,
with the classic faces and with a deck of sums and their results. Without a daemon the game
says so in one line and plays on."""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (Failure, Game, case, check, pace, require_programs,  # noqa: E402
                     run_cases, wait_until)

BINARY = os.environ.get("TESSARY_BINARY", "")
DATA_DIR = os.environ.get("TESSARY_DATA_DIR", "")
ENGLISH = {"LANG": "en_US.UTF-8", "LC_ALL": "", "LC_MESSAGES": ""}

CONFIG = """LogLevel 5
LogDir "{log}"
AudioOutputMethod "alsa"
AudioALSADevice "null"
AddModule "dummy" "sd_dummy" ""
DefaultModule dummy
"""

# At log level 5 the daemon writes each message it queues: "Queueing message |TEXT| with ...".
QUEUED = re.compile(r"Queueing message \|(.*?)\| with priority")
SPEECH_LINE = re.compile(r"^tessary: speech: .*; playing without speech$", re.M)


class SpeechDaemon:
    """speech-dispatcher in the foreground, its socket, configuration and log in a folder of
    its own; stopped by its PID."""

    def __init__(self):
        require_programs("speech-dispatcher")
        self.folder = tempfile.mkdtemp(prefix="tessary-speechd-")
        config = os.path.join(self.folder, "config")
        self.log_dir = os.path.join(self.folder, "log")
        os.makedirs(config)
        os.makedirs(self.log_dir)
        with open(os.path.join(config, "speechd.conf"), "w") as f:
            f.write(CONFIG.format(log=self.log_dir))
        self.socket = os.path.join(self.folder, "socket")
        self.log = os.path.join(self.log_dir, "speech-dispatcher.log")
        env = dict(os.environ, HOME=self.folder, XDG_CACHE_HOME=self.folder,
                   XDG_RUNTIME_DIR=self.folder, XDG_CONFIG_HOME=self.folder)
        self.process = subprocess.Popen(
            ["speech-dispatcher", "--run-single", "--timeout", "0", "--log-level", "5",
             "--communication-method", "unix_socket", "--socket-path", self.socket,
             "--config-dir", config, "--log-dir", self.log_dir,
             "--pid-file", os.path.join(self.folder, "pid")],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.offset = 0  # of the log, read so far
        self.received = []  # every text the daemon queued, in order
        self.heard = 0  # of those, the ones the player has read
        wait_until(lambda: os.path.exists(self.socket) and self._log_text(),
                   lambda text: text and "waiting for clients" in text,
                   "speech-dispatcher to listen")

    def address(self):
        return "unix_socket:" + self.socket

    def _log_text(self):
        """The log's lines not read before (whole lines only)."""
        if self.process.poll() is not None:
            raise Failure("speech-dispatcher ended: status %s" % self.process.returncode)
        try:
            with open(self.log, "rb") as f:
                f.seek(self.offset)
                chunk = f.read()
        except OSError:
            return ""
        chunk = chunk[:chunk.rfind(b"\n") + 1]
        self.offset += len(chunk)
        return chunk.decode(errors="replace")

    def texts(self):
        self.received += QUEUED.findall(self._log_text())
        return self.received

    def hear(self, accept, what):
        """The first text after those already heard that `accept` takes; the texts before it
        count as heard too."""
        def fresh():
            return self.texts()[self.heard:]

        def found(texts):
            return any(accept(t) for t in texts)
        texts = wait_until(fresh, found, what, describe=lambda t: t[-5:])
        index = next(i for i, t in enumerate(texts) if accept(t))
        self.heard += index + 1
        return texts[index]

    def kill(self):
        os.kill(self.process.pid, signal.SIGKILL)
        self.process.wait()

    def stop(self):
        if self.process.poll() is None:
            os.kill(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                os.kill(self.process.pid, signal.SIGKILL)
                self.process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


def relaxed_clock():
    """--clock relaxed where this build has it: the player then never races the countdown."""
    usage = subprocess.run([BINARY, "--help"], capture_output=True, text=True).stdout
    return ["--clock", "relaxed"] if re.search(r"--clock\b", usage) else []


ROWS = COLUMNS = 6
POSITION = re.compile(r"Row (\d+), column (\d+)(?:: (.*))?$")


def same_name(a, b):
    return a == b


class EarPlayer:
    """Plays a board by the daemon's log alone: where the highlight is, what a box shows.
    `match(a, b)` tells whether two boxes' spoken names make a pair."""

    def __init__(self, game, daemon, match=same_name):
        self.game = game
        self.daemon = daemon
        self.match = match
        self.at = None  # (row, column) as last said

    def open(self, place):
        """Goes to the box and opens it, in one go (the first arrow lands top left; the game
        says only where the highlight ends): the box's name as said with its place."""
        at = self.at or (1, 1)
        keys = ["Down"] if self.at is None else []
        keys += ["Down" if place[0] > at[0] else "Up"] * abs(place[0] - at[0])
        keys += ["Right" if place[1] > at[1] else "Left"] * abs(place[1] - at[1])
        self.game.xdotool("key", *keys, "space")
        said = self.daemon.hear(lambda t: (m := POSITION.search(t)) and m.group(3) and
                                (int(m.group(1)), int(m.group(2))) == place,
                                "the face of %s said" % (place,))
        self.at = place
        return POSITION.search(said).group(3)

    def play(self):
        """Wins the board: opens unseen boxes two at a time, and pairs what it remembers."""
        known, gone = {}, set()
        unseen = [(r, c) for r in range(1, ROWS + 1) for c in range(1, COLUMNS + 1)]

        def partner(place):
            return next((p for p, n in known.items()
                         if p != place and p not in gone and self.match(known[place], n)), None)
        while len(gone) < ROWS * COLUMNS:
            first = next((p for p in known if p not in gone and partner(p)), None) or \
                unseen.pop(0)
            known[first] = self.open(first)
            second = partner(first) or unseen.pop(0)
            known[second] = self.open(second)
            judged = self.daemon.hear(lambda t: "Pair found" in t or "No pair" in t, "the try")
            if "Pair found" in judged:
                gone.update((first, second))


@case(timeout=300)
def test_win_by_ear():
    """Menu, easy board, every pair and the win, by what the game said alone."""
    require_programs("speech-dispatcher")
    daemon = SpeechDaemon()
    g = Game(BINARY, DATA_DIR, env=dict(ENGLISH, SPEECHD_ADDRESS=daemon.address()),
             args=["--speech", "--lang", "en", *relaxed_clock()])
    try:
        g.start()
        g.wait_window()
        daemon.hear(lambda t: t == "Menu", "the menu said")
        g.key("Down")
        daemon.hear(lambda t: t == "Easy", "the easy button said")
        g.key("space")
        daemon.hear(lambda t: t == "Easy, 6 by 6", "the easy board said")
        player = EarPlayer(g, daemon)
        player.play()
        daemon.hear(lambda t: t == "You won!", "the win said")
        g.key("t")
        status = daemon.hear(lambda t: "Score" in t, "the T key's status")
        check("0 pairs left." in status, "the status after the win: %r" % status)
        g.key("Escape")
        daemon.hear(lambda t: t == "Menu", "the menu said again")
        check(SPEECH_LINE.search(g.stderr()) is None, "speech gave up: " + g.stderr())
        transcript = os.environ.get("TESSARY_E2E_TRANSCRIPT")
        if transcript:
            with open(transcript, "w") as f:
                f.write("\n".join(daemon.texts()) + "\n")
        # The daemon killed under the game: its socket breaks mid-write (no SIGPIPE may end
        # the game); one line, and the game plays on and ends as always.
        daemon.kill()
        g.key("Down")
        g.wait_stderr("playing without speech")
        g.key("Up")
        for _ in range(3):
            g.key("Escape")
        check(g.wait_exit() == 0, g.stderr())
        check(len(SPEECH_LINE.findall(g.stderr())) == 1, "not one speech line: " + g.stderr())
    finally:
        g.cleanup()
        daemon.stop()


# Sums and their results, one result per pair: a sum goes with its result alone.
SUMS = [("%d+%d" % (r // 2, r - r // 2), str(r)) for r in range(2, 14)]


def write_sums_deck(path):
    """Our deck package: set.txt alone, two word cards a pair."""
    lines = ["name = Sums"]
    for n, (first, second) in enumerate(SUMS, 1):
        lines += ["pair.%d.a.word = %s" % (n, first), "pair.%d.b.word = %s" % (n, second)]
    with zipfile.ZipFile(path, "w") as deck:
        deck.writestr("set.txt", "\n".join(lines) + "\n")


def sum_matches(a, b):
    """A sum and a number make a pair when the sum comes to it; two sums, or two numbers, never
    do (they are cards of one side)."""
    for word in (a, b):
        check(re.fullmatch(r"\d+(\+\d+)?", word), "not a card of the sums deck: %r" % word)

    def value(word):
        return sum(int(term) for term in word.split("+"))
    return ("+" in a) != ("+" in b) and value(a) == value(b)


@case(timeout=300)
def test_sums_by_ear():
    """A deck given with --pictures: each card says its word as it opens, and the player who
    pairs each sum with its result by ear clears the easy board."""
    require_programs("speech-dispatcher")
    folder = tempfile.mkdtemp(prefix="tessary-sums-")
    deck = os.path.join(folder, "sums.px")
    write_sums_deck(deck)
    daemon = SpeechDaemon()
    g = Game(BINARY, DATA_DIR, env=dict(ENGLISH, SPEECHD_ADDRESS=daemon.address()),
             args=["--pictures", deck, "--speech", "--lang", "en", *relaxed_clock()])
    try:
        g.start()
        g.wait_window()
        daemon.hear(lambda t: t == "Menu", "the menu said")
        g.key("Down")
        daemon.hear(lambda t: t == "Easy", "the easy button said")
        g.key("space")
        daemon.hear(lambda t: t == "Easy, 6 by 6", "the easy board said")
        EarPlayer(g, daemon, sum_matches).play()
        daemon.hear(lambda t: t == "You won!", "the win said")
        transcript = os.environ.get("TESSARY_E2E_TRANSCRIPT")
        if transcript:
            with open(transcript, "w") as f:
                f.write("\n".join(daemon.texts()) + "\n")
        g.key("Escape")
        daemon.hear(lambda t: t == "Menu", "the menu said again")
        for _ in range(3):
            g.key("Escape")
        check(g.wait_exit() == 0, g.stderr())
        check(SPEECH_LINE.search(g.stderr()) is None, "speech gave up: " + g.stderr())
    finally:
        g.cleanup()
        daemon.stop()
        shutil.rmtree(folder, ignore_errors=True)


@case(timeout=120)
def test_no_daemon():
    """Speech asked for with no daemon to speak to: one line on stderr, and the game plays and
    ends as always."""
    folder = tempfile.mkdtemp(prefix="tessary-nospeech-")
    g = Game(BINARY, DATA_DIR, env=dict(
        ENGLISH, SPEECHD_ADDRESS="unix_socket:" + os.path.join(folder, "none"),
        HOME=folder, XDG_RUNTIME_DIR=folder), args=["--speech", "--lang", "en"])
    try:
        g.start()
        g.wait_menu()
        g.wait_stderr("playing without speech")
        g.key("1")
        pace()
        g.key("Down")
        g.key("space")
        g.key("t")
        g.key("Escape")
        for _ in range(3):
            g.key("Escape")
        check(g.wait_exit() == 0, g.stderr())
        check(len(SPEECH_LINE.findall(g.stderr())) == 1, "not one speech line: " + g.stderr())
    finally:
        g.cleanup()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    run_cases(sys.argv)
