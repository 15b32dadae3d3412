"""Drives the real tessary under Xvfb: start, look (screenshots), move, click, type, stop.

Every session runs in a fresh copy of the run directory, so a test never touches build/game.
"""

import math
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

WIDTH, HEIGHT = 800, 600


class Failure(Exception):
    pass


class Skip(Exception):
    """A case that cannot run here: a program it needs is missing."""


SKIP_STATUS = 77  # ctest's SKIP_RETURN_CODE for the e2e cases


def require_programs(*names):
    missing = [n for n in names if not shutil.which(n)]
    if missing:
        raise Skip("not installed: " + ", ".join(missing))


def check(condition, message):
    if not condition:
        raise Failure(message)


def project_point(x, y, z):
    """Client pixel of the eye-space point (x, y, z) under the game's 45-degree projection."""
    half_h = -z * math.tan(math.radians(22.5))
    half_w = half_h * WIDTH / HEIGHT
    px = (x / half_w + 1) / 2 * WIDTH
    py = (1 - y / half_h) / 2 * HEIGHT
    return int(round(px)), int(round(py))


# Board layouts: start position, columns, rows, back button position.
BOARDS = {
    "easy": ((1.65, 1.25, -5.0), 6, 6, (2.0, -1.8, -5.0)),
    "normal": ((2.0, 1.65, -6.0), 8, 8, (2.3, -1.8, -5.0)),
    "hard": ((2.7, 1.85, -6.0), 10, 8, (2.3, -1.8, -5.0)),
}

MENU_BUTTONS = {
    "readme": (0, 0.8), "easy": (0, 0.3), "normal": (0, -0.2), "hard": (0, -0.7),
    "out": (0, -1.7), "about": (-2, -1.6), "sound": (2.3, -1.6), "music": (2.3, -1.8),
    "vsync": (2.22, -1.2),
}


def box_center(level, index):
    (sx, sy, sz), columns, _rows, _back = BOARDS[level]
    row, column = divmod(index, columns)
    return project_point(sx - 0.5 * (column + 1), sy - 0.5 * row, sz)


def menu_button(name):
    x, y = MENU_BUTTONS[name]
    return project_point(x, y, -5.0)


def back_button(level=None):
    if level is None:
        return project_point(0, -1.8, -5.0)
    return project_point(*BOARDS[level][3])


class Shot:
    """One screenshot of the client area as raw RGB."""

    def __init__(self, raw, path, width=WIDTH, height=HEIGHT):
        self.raw = raw
        self.path = path
        self.width = width
        self.height = height

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.raw[i:i + 3])

    def mean(self, x0, y0, x1, y1):
        total = [0, 0, 0]
        count = 0
        for y in range(max(0, y0), min(self.height, y1)):
            row = (y * self.width) * 3
            for x in range(max(0, x0), min(self.width, x1)):
                i = row + x * 3
                total[0] += self.raw[i]
                total[1] += self.raw[i + 1]
                total[2] += self.raw[i + 2]
                count += 1
        return tuple(t / max(count, 1) for t in total)

    def patch(self, cx, cy, radius):
        """Pixels of the square around (cx, cy), as a flat list of RGB triples."""
        out = []
        for y in range(cy - radius, cy + radius + 1):
            for x in range(cx - radius, cx + radius + 1):
                out.append(self.pixel(x, y))
        return out

    def difference(self, other, box=(0, 0, WIDTH, HEIGHT)):
        """Mean absolute channel difference over a region."""
        x0, y0, x1, y1 = box
        total = 0
        for y in range(y0, y1):
            a = self.raw[(y * self.width + x0) * 3:(y * self.width + x1) * 3]
            b = other.raw[(y * other.width + x0) * 3:(y * other.width + x1) * 3]
            total += sum(abs(p - q) for p, q in zip(a, b))
        return total / ((x1 - x0) * (y1 - y0) * 3)

    def brightness(self):
        return sum(self.raw) / len(self.raw)


class Display:
    """A private Xvfb server of the given screen size ("WIDTHxHEIGHT"). Xvfb picks a free display
    number itself (-displayfd), so runs from several worktrees at once never share one."""

    def __init__(self, size="1024x768", window_manager=False):
        """`window_manager` also starts openbox, for what only a window manager does (full
        screen); without one every window stays where and as large as it asks to be."""
        read_end, write_end = os.pipe()
        self.size = tuple(int(n) for n in size.split("x"))
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size + "x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.time() + 20
        while not number.endswith(b"\n") and time.time() < deadline:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        check(number.strip(), "Xvfb did not start")
        self.name = ":" + number.decode().strip()
        self.window_manager = None
        if window_manager:
            env = dict(os.environ, DISPLAY=self.name)
            self.window_manager = subprocess.Popen(
                ["openbox", "--sm-disable"], env=env, stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL)
            deadline = time.time() + 20
            while "window id" not in subprocess.run(
                    ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env, capture_output=True,
                    text=True).stdout:
                check(time.time() < deadline, "openbox did not start")
                time.sleep(0.1)

    def close(self):
        if self.window_manager:
            self.window_manager.terminate()
            self.window_manager.wait(10)
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()


class Weston:
    """A Wayland compositor shown in an X window of a private Xvfb: weston's x11 backend with
    the pixman renderer, its own runtime folder, one 800 x 600 output and no panel, so that a
    client's 800 x 600 window covers the output at its top-left corner."""

    def __init__(self, display):
        self.display = display
        self.runtime_dir = tempfile.mkdtemp(prefix="tessary-wayland-")
        os.chmod(self.runtime_dir, 0o700)
        config = os.path.join(self.runtime_dir, "weston.ini")
        with open(config, "w") as f:
            f.write("[core]\nidle-time=0\n[shell]\npanel-position=none\nlocking=false\n")
        self.socket = "wayland-tessary"
        self.log_path = os.path.join(self.runtime_dir, "weston.log")
        self.log = open(self.log_path, "wb")
        self.process = subprocess.Popen(
            ["weston", "--backend=x11-backend.so", "--use-pixman", "--width=%d" % WIDTH,
             "--height=%d" % HEIGHT, "--socket=" + self.socket, "--config=" + config,
             "--idle-time=0"],
            env=dict(os.environ, DISPLAY=display.name, XDG_RUNTIME_DIR=self.runtime_dir),
            stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.time() + 20
        while not os.path.exists(os.path.join(self.runtime_dir, self.socket + ".lock")) or \
                not self._shell_ready():
            check(self.process.poll() is None and time.time() < deadline,
                  "weston did not start: " + self._log_text())
            time.sleep(0.1)

    def _log_text(self):
        with open(self.log_path, "rb") as f:
            return f.read().decode(errors="replace")

    def _shell_ready(self):
        return "launching '" in self._log_text() and os.path.exists(
            os.path.join(self.runtime_dir, self.socket))

    def client_env(self):
        """What a game needs to talk to this compositor only: no X display."""
        return {"DISPLAY": None, "WAYLAND_DISPLAY": self.socket,
                "XDG_RUNTIME_DIR": self.runtime_dir, "SDL_VIDEODRIVER": "wayland"}

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()
        shutil.rmtree(self.runtime_dir, ignore_errors=True)


class DbusSession:
    """A private session bus, as dbus-run-session makes one: it lives while its stdin is open."""

    def __init__(self):
        require_programs("dbus-run-session")
        self.process = subprocess.Popen(
            ["dbus-run-session", "--", "sh", "-c", 'echo "$DBUS_SESSION_BUS_ADDRESS"; exec cat'],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.address = self.process.stdout.readline().decode().strip()
        check(self.address, "dbus-run-session gave no bus address")
        self.runtime_dir = tempfile.mkdtemp(prefix="tessary-session-")
        os.chmod(self.runtime_dir, 0o700)

    def env(self):
        return dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.address,
                    XDG_RUNTIME_DIR=self.runtime_dir)

    def close(self):
        self.process.stdin.close()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.runtime_dir, ignore_errors=True)


def stop_process(process, sig=signal.SIGTERM):
    if process.poll() is None:
        process.send_signal(sig)
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class Mutter:
    """GNOME's compositor, headless, on a session bus of its own, with one 1024 x 768 virtual
    monitor; keys reach its focused window through its RemoteDesktop interface (`press`)."""

    SOCKET = "wayland-tessary"
    KEYS_SCRIPT = r"""
import sys
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
name = "org.gnome.Mutter.RemoteDesktop"
def proxy(path, interface):
    return Gio.DBusProxy.new_sync(bus, 0, None, name, path, interface, None)
path = proxy("/org/gnome/Mutter/RemoteDesktop", name).call_sync(
    "CreateSession", None, 0, -1, None).unpack()[0]
session = proxy(path, name + ".Session")
session.call_sync("Start", None, 0, -1, None)
print("ready", flush=True)
for line in sys.stdin:
    for pressed in (True, False):
        session.call_sync("NotifyKeyboardKeysym", GLib.Variant("(ub)", (int(line, 0), pressed)),
                          0, -1, None)
    print("sent", flush=True)
"""

    def __init__(self, session):
        require_programs("mutter")
        self.python = gi_python()
        self.session = session
        self.log = tempfile.TemporaryFile()
        self.process = subprocess.Popen(
            ["mutter", "--wayland", "--headless", "--no-x11", "--virtual-monitor", "1024x768",
             "--wayland-display=" + self.SOCKET], env=session.env(),
            stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.time() + 30
        while not os.path.exists(os.path.join(session.runtime_dir, self.SOCKET)):
            check(self.process.poll() is None and time.time() < deadline,
                  "mutter did not start: " + self.log_text())
            time.sleep(0.1)
        self.keys = None

    def log_text(self):
        self.log.seek(0)
        return self.log.read().decode(errors="replace")[-2000:]

    def client_env(self):
        return {"DISPLAY": None, "WAYLAND_DISPLAY": self.SOCKET, "SDL_VIDEODRIVER": "wayland",
                "XDG_RUNTIME_DIR": self.session.runtime_dir,
                "DBUS_SESSION_BUS_ADDRESS": self.session.address}

    def press(self, keysym):
        """Presses and releases one key (an X keysym) in the focused window."""
        if self.keys is None:
            self.keys = subprocess.Popen([self.python, "-c", self.KEYS_SCRIPT],
                                         env=self.session.env(), stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE, text=True, bufsize=1)
            check(self.keys.stdout.readline().strip() == "ready",
                  "mutter's RemoteDesktop session did not start")
        self.keys.stdin.write("%#x\n" % keysym)
        check(self.keys.stdout.readline().strip() == "sent", "a key was not sent")

    def close(self, sig=signal.SIGTERM):
        if self.keys:
            self.keys.stdin.close()
            stop_process(self.keys)
            self.keys = None
        stop_process(self.process, sig)
        self.log.close()


def gi_python():
    """An interpreter that has PyGObject (Debian's python3-gi), which may not be the one running
    the tests."""
    for candidate in (sys.executable, "/usr/bin/python3"):
        if candidate and subprocess.run([candidate, "-c", "import gi"],
                                        capture_output=True).returncode == 0:
            return candidate
    raise Skip("no Python with PyGObject (python3-gi)")


class PipeWire:
    """PipeWire with WirePlumber and its PulseAudio server on a private session bus, and one null
    sink to play into (there is no sound card); `stop` and `start` again as a restart would."""

    def __init__(self, session):
        require_programs("pipewire", "wireplumber", "pipewire-pulse", "pactl")
        self.session = session
        self.processes = []
        self.start()

    def pactl(self, *args):
        return subprocess.run(["pactl", *args], env=self.session.env(), capture_output=True,
                              text=True)

    def start(self):
        env = self.session.env()
        for command in (["pipewire"], ["wireplumber"], ["pipewire-pulse"]):
            self.processes.append(subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                                                   stderr=subprocess.DEVNULL))
            time.sleep(0.3)
        deadline = time.time() + 20
        while self.pactl("info").returncode != 0:
            check(time.time() < deadline, "pipewire-pulse did not start")
            time.sleep(0.1)
        self.pactl("load-module", "module-null-sink", "sink_name=tessary")

    def stop(self, sig=signal.SIGKILL):
        for process in reversed(self.processes):
            stop_process(process, sig)
        self.processes = []

    def streams(self):
        """The lines of `pactl list sink-inputs short`: one per stream playing."""
        return [line for line in self.pactl("list", "sink-inputs", "short").stdout.splitlines()
                if line.strip()]


class MapWatcher:
    """Records the top-level windows mapped on a display (xev on the root window), to tell that
    a game which ends at once did open its window first."""

    def __init__(self, display):
        self.env = dict(os.environ, DISPLAY=display.name)
        self.lines = []
        self.process = subprocess.Popen(
            ["xev", "-root", "-event", "substructure", "-event", "property"], env=self.env,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        # A window mapped before xev has selected its events would go unseen: wait until a
        # property change of our own comes through.
        deadline = time.time() + 10
        while time.time() < deadline:
            subprocess.run(["xprop", "-root", "-f", "TESSARY_E2E_MARK", "8s", "-set",
                            "TESSARY_E2E_MARK", "1"], env=self.env, check=True)
            time.sleep(0.05)
            if any(line.startswith("PropertyNotify") for line in self.lines):
                return
        raise Failure("xev did not start watching the display")

    def _read(self):
        for line in self.process.stdout:
            self.lines.append(line)

    def stop(self):
        """Ends the watcher; returns how many windows were mapped meanwhile."""
        time.sleep(0.2)
        self.process.terminate()
        self.process.wait(10)
        self.reader.join(10)
        return sum(1 for line in self.lines if line.startswith("MapNotify event"))


class Game:
    """One run of tessary in its own run directory on its own display."""

    def __init__(self, binary, data_dir, run_dir=None, prepare=None, display=None, env=None,
                 user=None, preexec=None, stderr_pipe=False, args=(), game_env=None):
        """A given `run_dir` is the working directory as it is (nothing is copied into it, and
        `data_dir` may be None); `env` adds to the environment, a None value removes the name.
        `user` (uid, gid) runs the game as that user, owning the run directory; `preexec` runs
        in the child before the game starts (limits, signal dispositions); `stderr_pipe` collects
        stderr through a pipe, for runs whose own file writes are limited; `args` go on the
        command line; `game_env` is added to the game's environment alone, not to that of the
        tools that drive it (a preloaded library, say)."""
        self.binary = binary
        self.args = list(args)
        self.game_env = dict(game_env or {})
        # Where the window's client area lies on the screen, and its size: the window opens
        # centred, and moves and grows when resized or put in full screen.
        self.origin = (0, 0)
        self.size = (WIDTH, HEIGHT)
        self.user = user
        self.preexec = preexec
        self.stderr_pipe = stderr_pipe
        self.own_run_dir = run_dir is None
        self.run_dir = run_dir or tempfile.mkdtemp(prefix="tessary-e2e-")
        if self.own_run_dir:
            shutil.copytree(os.path.join(data_dir, "data"), os.path.join(self.run_dir, "data"))
            shutil.copytree(os.path.join(data_dir, "music"), os.path.join(self.run_dir, "music"))
        if prepare:
            prepare(self.run_dir)
        if user:
            for base, dirs, files in os.walk(self.run_dir):
                for name in [base] + [os.path.join(base, n) for n in dirs + files]:
                    os.lchown(name, *user)
        self.display = display or Display()
        self.own_display = display is None
        self.audio_file = os.path.join(self.run_dir, "audio.raw")
        self.env = dict(os.environ)
        # ctest hands the tests the data folder under this name; the game itself would read it
        # as an override of its installed data. A test that wants it passes it in `env`.
        self.env.pop("TESSARY_DATA_DIR", None)
        self.env.update({
            "DISPLAY": self.display.name,
            "SDL_AUDIODRIVER": "disk",
            "SDL_DISKAUDIOFILE": self.audio_file,
            "LIBGL_ALWAYS_SOFTWARE": "1",
        })
        if env:
            self.env.update(env)
        # A value of None takes the variable away from the game (no DISPLAY, say).
        self.env = {k: v for k, v in self.env.items() if v is not None}
        # xdotool and import always look at the X server, even when the game talks to a
        # Wayland compositor shown on it.
        self.x_env = dict(os.environ, DISPLAY=self.display.name)
        self.process = None
        self.shots = 0
        self.stderr_path = os.path.join(self.run_dir, "stderr.txt")

    # --- life -------------------------------------------------------------

    def start(self):
        self.stderr_file = open(self.stderr_path, "wb")
        extra = {}
        if self.user:
            extra = {"user": self.user[0], "group": self.user[1], "extra_groups": []}
        self.process = subprocess.Popen(
            [self.binary, *self.args], cwd=self.run_dir, env=dict(self.env, **self.game_env),
            stdout=subprocess.DEVNULL,
            stderr=subprocess.PIPE if self.stderr_pipe else self.stderr_file,
            preexec_fn=self.preexec, **extra)
        self.stderr_copier = None
        if self.stderr_pipe:
            self.stderr_copier = threading.Thread(target=self._copy_stderr, daemon=True)
            self.stderr_copier.start()
        return self

    def _copy_stderr(self):
        for chunk in iter(lambda: self.process.stderr.read1(4096), b""):
            self.stderr_file.write(chunk)
            self.stderr_file.flush()

    def wait_window(self, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.process.poll() is not None:
                raise Failure("the game ended before its window appeared: " + self.stderr())
            found = subprocess.run(["xdotool", "search", "--name", "^Tessary$"], env=self.x_env,
                                   capture_output=True, text=True)
            if found.stdout.strip():
                self.window = found.stdout.split()[0]
                self.update_geometry()
                return self
            time.sleep(0.1)
        raise Failure("no window titled Tessary within %d s" % timeout)

    def wait_menu(self, timeout=30):
        """Waits until the loading picture has given way to the menu (the frame changes and
        keeps changing: the stars move)."""
        self.wait_window(timeout)
        # The window maps black before its first frame: compare with a drawn frame, or the
        # loading picture itself would pass for the change.
        first = self.wait_first_frame(timeout)
        deadline = time.time() + timeout
        while time.time() < deadline:
            time.sleep(0.3)
            shot = self.screenshot()
            if shot.difference(first) > 2:
                time.sleep(0.3)
                return shot
        raise Failure("the loading picture never gave way to the menu")

    def wait_exit(self, timeout=20):
        try:
            status = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the game did not end within %d s" % timeout)
        if self.stderr_copier:
            self.stderr_copier.join(10)
        return status

    def running(self):
        return self.process.poll() is None

    def stderr(self):
        try:
            with open(self.stderr_path, "rb") as f:
                return f.read().decode(errors="replace")
        except OSError:
            return ""

    def close(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if getattr(self, "stderr_copier", None):
            self.stderr_copier.join(10)
        if getattr(self, "stderr_file", None):
            self.stderr_file.close()
        if self.own_display:
            self.display.close()

    def cleanup(self):
        """Ends the run and removes its directory, unless TESSARY_E2E_KEEP asks to keep it (for
        looking at the screenshots)."""
        self.close()
        if os.environ.get("TESSARY_E2E_KEEP"):
            print("kept", self.run_dir)
        elif self.own_run_dir:
            shutil.rmtree(self.run_dir, ignore_errors=True)

    # --- input ------------------------------------------------------------

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.x_env, check=True)

    def update_geometry(self):
        """Reads where the window's client area is on the screen and how large it is."""
        out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", self.window],
                             env=self.env, capture_output=True, text=True, check=True).stdout
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        self.origin = (int(values["X"]), int(values["Y"]))
        self.size = (int(values["WIDTH"]), int(values["HEIGHT"]))
        return self.size

    def resize(self, width, height, timeout=10):
        """Resizes the window (as a player dragging its corner would) and puts it at the top
        left of the screen; waits until the window has the size."""
        self.xdotool("windowmove", self.window, "0", "0")
        self.xdotool("windowsize", self.window, str(width), str(height))
        deadline = time.time() + timeout
        while self.update_geometry() != (width, height) or self.origin != (0, 0):
            check(time.time() < deadline, "the window did not take %dx%d" % (width, height))
            time.sleep(0.05)
        time.sleep(0.3)  # a few frames at the new size
        return self

    def screen_point(self, x, y):
        """The screen position of the client pixel (x, y)."""
        return x + self.origin[0], y + self.origin[1]

    def move(self, x, y):
        self.xdotool("mousemove", *map(str, self.screen_point(x, y)))
        time.sleep(0.05)

    def click(self, x, y):
        self.xdotool("mousemove", *map(str, self.screen_point(x, y)), "click", "1")
        time.sleep(0.05)

    def key(self, name):
        self.xdotool("key", name)
        time.sleep(0.05)

    def close_button(self):
        """What a window manager does when the close button is pressed: WM_DELETE_WINDOW."""
        helper = os.environ.get("TESSARY_WM_CLOSE")
        check(helper, "TESSARY_WM_CLOSE is not set")
        subprocess.run([helper, self.window], env=self.x_env, check=True)

    # --- eyes -------------------------------------------------------------

    def screenshot(self, keep=None, region=None):
        """The client area's first 800 x 600 pixels (or the region x, y, width, height of the
        client area) as a Shot; kept as PNG."""
        self.shots += 1
        path = keep or os.path.join(self.run_dir, "shot-%03d.png" % self.shots)
        x, y, width, height = region or (0, 0, WIDTH, HEIGHT)
        x, y = self.screen_point(x, y)
        command = ["import", "-silent", "-window", "root", "-crop",
                   "%dx%d+%d+%d" % (width, height, x, y), "+repage", path]
        # import now and then fails to grab a window that is being redrawn: try again.
        for attempt in range(3):
            if subprocess.run(command, env=self.x_env, stderr=subprocess.DEVNULL).returncode == 0:
                break
            time.sleep(0.1)
        else:
            raise Failure("could not take a screenshot")
        raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                             check=True).stdout
        check(len(raw) == width * height * 3, "unexpected screenshot size %d" % len(raw))
        return Shot(raw, path, width, height)

    def wait_first_frame(self, timeout=20):
        """The first screenshot that is not black: the window maps before its first frame."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            shot = self.screenshot()
            if shot.brightness() > 5:
                return shot
            time.sleep(0.05)
        raise Failure("the window stayed black")

    # --- files and sound --------------------------------------------------

    def read(self, relative):
        with open(os.path.join(self.run_dir, relative), "rb") as f:
            return f.read()

    def audio_bytes(self):
        try:
            return os.path.getsize(self.audio_file)
        except OSError:
            return 0

    def audio_loudness(self, since=0):
        """Mean absolute sample value of the 16-bit output written after byte offset `since`."""
        import array
        with open(self.audio_file, "rb") as f:
            f.seek(since - since % 2)
            data = f.read()
        samples = array.array("h")
        samples.frombytes(data[:len(data) - len(data) % 2])
        if not samples:
            return 0.0
        return sum(abs(s) for s in samples) / len(samples)


def run_cases(cases, argv):
    """Runs the named case (or all) and reports in the plain `N passed, N failed` form."""
    import traceback
    names = argv[1:] or list(cases)
    passed = failed = skipped = 0
    for name in names:
        started = time.time()
        try:
            cases[name]()
            passed += 1
            print("PASS %s (%.1f s)" % (name, time.time() - started), flush=True)
        except Skip as reason:
            skipped += 1
            print("SKIP %s: %s" % (name, reason), flush=True)
        except Exception:
            failed += 1
            print("FAIL %s" % name, flush=True)
            traceback.print_exc()
    print("%d passed, %d failed, %d skipped" % (passed, failed, skipped))
    sys.exit(1 if failed else SKIP_STATUS if skipped and not passed else 0)
