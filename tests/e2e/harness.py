"""Drives the real tessary under Xvfb: start, look (screenshots), move, click, type, stop.

Every session runs in a fresh copy of the run directory, so a test never touches build/game.
"""

import ctypes
import ctypes.util
import functools
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


def pace():
    """A pause between two inputs, so that each is taken in a frame of its own as a player's
    would be; nothing tells when the game has read an event."""
    time.sleep(0.05)


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


# Every wait polls this often, up to a deadline far beyond what a loaded machine needs.
POLL_INTERVAL = 0.05
WAIT_TIMEOUT = 30


def wait_until(observe, accept, what, timeout=WAIT_TIMEOUT, describe=repr):
    """Calls `observe` until `accept` holds for what it returns, and returns that; fails after
    `timeout` s naming `what` was awaited and the last thing seen (through `describe`)."""
    deadline = time.time() + timeout
    while True:
        seen = observe()
        if accept(seen):
            return seen
        if time.time() >= deadline:
            raise Failure("waited %g s for %s; last seen: %s" % (timeout, what, describe(seen)))
        time.sleep(POLL_INTERVAL)


def wait_for(condition, what, timeout=WAIT_TIMEOUT):
    """Waits until `condition()` returns something true, and returns it."""
    return wait_until(condition, bool, what, timeout)


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
    "vsync": (2.22, -1.2), "language": (2.0, -0.2),
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


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class _Grabber:
    """Reads a region of an X screen straight from the server (XGetImage), in this process: a
    screenshot costs no program started, which keeps a busy machine's screenshots quick. None
    where libX11 cannot be loaded; then ImageMagick's import takes them."""

    def __init__(self):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.POINTER(_XImage)
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x.XFree.argtypes = [ctypes.c_void_p]
        # A failed request (a region off the screen) is reported here instead of ending Python.
        self.failed = False

        def on_error(_display, _event):
            self.failed = True
            return 0
        self.handler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(on_error)
        self.x.XSetErrorHandler(self.handler)

    def grab(self, display_name, x, y, width, height):
        """The region as RGB bytes, or None."""
        display = self.x.XOpenDisplay(display_name.encode())
        if not display:
            return None
        try:
            self.failed = False
            image = self.x.XGetImage(display, self.x.XDefaultRootWindow(display), x, y, width,
                                     height, 0xFFFFFFFF, 2)  # all planes, ZPixmap
            if self.failed or not image:
                return None
            try:
                i = image.contents
                if i.bits_per_pixel != 32 or i.byte_order != 0:
                    return None
                stride = i.bytes_per_line  # read before the image is freed
                data = ctypes.string_at(i.data, stride * height)
            finally:
                self.x.XFree(ctypes.cast(image.contents.data, ctypes.c_void_p))
                self.x.XFree(image)
        finally:
            self.x.XCloseDisplay(display)
        if len(data) != stride * height or stride < width * 4:
            return None
        rows = b"".join(data[row * stride:row * stride + width * 4] for row in range(height))
        rgb = bytearray(width * height * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = rows[2::4], rows[1::4], rows[0::4]
        return bytes(rgb)


try:
    _GRABBER = _Grabber()
except (OSError, AttributeError):
    _GRABBER = None


class Shot:
    """One screenshot of the client area as raw RGB; kept as a PNG file once its `path` is
    asked for (to look at, or named in a failure)."""

    def __init__(self, raw, path, width=WIDTH, height=HEIGHT, saved=True):
        self.raw = raw
        self._path = path
        self._saved = saved
        self.width = width
        self.height = height

    @property
    def path(self):
        if not self._saved:
            subprocess.run(["convert", "-size", "%dx%d" % (self.width, self.height), "-depth",
                            "8", "rgb:-", self._path], input=self.raw, check=True)
            self._saved = True
        return self._path

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

    def difference(self, other, box=None):
        """Mean absolute channel difference over a region (x0, y0, x1, y1); the whole shot by
        default."""
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        total = 0
        for y in range(y0, y1):
            a = self.raw[(y * self.width + x0) * 3:(y * self.width + x1) * 3]
            b = other.raw[(y * other.width + x0) * 3:(y * other.width + x1) * 3]
            total += sum(abs(p - q) for p, q in zip(a, b))
        return total / ((x1 - x0) * (y1 - y0) * 3)

    def brightness(self):
        return sum(self.raw) / len(self.raw)


# Telling faces: an open box's picture on the screen against the pictures of a package.
FACE = 58   # pixels across an open face on the easy board
CORE = 40   # the middle part compared: no edge, no outline


def raw_face(image_args, source=None):
    """The middle CORE x CORE of a picture scaled to a FACE-pixel square, as RGB bytes."""
    command = ["convert", *image_args, "-resize", "%dx%d!" % (FACE, FACE), "-gravity", "center",
               "-crop", "%dx%d+0+0" % (CORE, CORE), "+repage", "-depth", "8", "rgb:-"]
    return subprocess.run(command, input=source, capture_output=True, check=True).stdout


def package_faces(package, count):
    """The first `count` faces of a picture package as `raw_face` makes them."""
    import zipfile
    with zipfile.ZipFile(package) as archive:
        return [raw_face(["jpg:-"], archive.read("box%d.jpg" % (i + 1))) for i in range(count)]


def distance(a, b):
    """Mean channel difference once each picture's mean is taken away: the board's background
    adds light to every face alike."""
    return sum(abs(p - q) for p, q in zip(centred(a), centred(b))) / len(a)


@functools.lru_cache(maxsize=256)
def centred(raw):
    """The picture's channels less their means (kept: the same faces are compared many times)."""
    means = [sum(raw[c::3]) / (len(raw) / 3) for c in range(3)]
    return [raw[i] - means[i % 3] for i in range(len(raw))]


def screen_face(shot, point):
    """The middle CORE x CORE pixels of what shows around `point`, as `raw_face` makes them."""
    x, y = point
    raw = bytearray()
    for row in range(y - CORE // 2, y + CORE // 2):
        start = (row * shot.width + x - CORE // 2) * 3
        raw += shot.raw[start:start + CORE * 3]
    return bytes(raw)


def closest(face, candidates):
    """The name of the candidate face (by name) that `face` is most alike."""
    return min(candidates, key=lambda name: distance(face, candidates[name]))


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
            wait_until(lambda: subprocess.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env, capture_output=True,
                text=True).stdout, lambda out: "window id" in out, "openbox to manage the screen")

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
        def ready():
            check(self.process.poll() is None, "weston ended: " + self._log_text())
            return os.path.exists(os.path.join(self.runtime_dir, self.socket + ".lock")) and \
                self._shell_ready()
        wait_until(ready, bool, "weston's socket and shell", describe=lambda _: self._log_text())

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
        def ready():
            check(self.process.poll() is None, "mutter ended: " + self.log_text())
            return os.path.exists(os.path.join(session.runtime_dir, self.SOCKET))
        wait_until(ready, bool, "mutter's socket", describe=lambda _: self.log_text())
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
            if command == ["pipewire"]:
                # The session manager and the pulse server connect to pipewire's socket.
                wait_for(lambda: os.path.exists(os.path.join(self.session.runtime_dir,
                                                             "pipewire-0")), "pipewire's socket")
        wait_until(lambda: self.pactl("info"), lambda run: run.returncode == 0,
                   "pipewire-pulse to answer", describe=lambda run: run.stderr.strip())
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
        self._sync()

    def _sync(self):
        """Marks the root window until xev reports the mark: every event the server sent
        before it has been read too."""
        marks = self._marks()

        def mark():
            subprocess.run(["xprop", "-root", "-f", "TESSARY_E2E_MARK", "8s", "-set",
                            "TESSARY_E2E_MARK", "1"], env=self.env, check=True)
            return self._marks()
        wait_until(mark, lambda seen: seen > marks, "xev to see a property change of ours")

    def _marks(self):
        return sum(1 for line in list(self.lines) if line.startswith("PropertyNotify"))

    def _read(self):
        for line in self.process.stdout:
            self.lines.append(line)

    def stop(self):
        """Ends the watcher; returns how many windows were mapped meanwhile."""
        self._sync()
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
        # ctest names this build's catalogues; an installed game finds its own.
        if data_dir is None:
            self.env.pop("TESSARY_LOCALE_DIR", None)
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
        def search():
            if self.process.poll() is not None:
                raise Failure("the game ended before its window appeared: " + self.stderr())
            return subprocess.run(["xdotool", "search", "--name", "^Tessary$"], env=self.x_env,
                                  capture_output=True, text=True).stdout.split()
        self.window = wait_until(search, bool, "a window titled Tessary", timeout)[0]
        self.update_geometry()
        return self

    def wait_menu(self, timeout=30):
        """Waits until the loading picture has given way to the menu (the frame changes and
        keeps changing: the stars move)."""
        self.wait_window(timeout)
        # The window maps black before its first frame: compare with a drawn frame, or the
        # loading picture itself would pass for the change.
        first = self.wait_first_frame(timeout)
        changed = self.wait_shot(lambda shot: shot.difference(first) > 2,
                                 "the loading picture to give way to the menu", timeout=timeout)
        # The stars move on: a second, different frame shows the menu is being animated.
        return self.wait_shot(lambda shot: shot.difference(changed) > 0,
                              "the menu's stars to move", timeout=timeout)

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
        wait_until(lambda: (self.update_geometry(), self.origin),
                   lambda seen: seen == ((width, height), (0, 0)),
                   "the window at 0,0 with %dx%d" % (width, height), timeout)
        return self

    def screen_point(self, x, y):
        """The screen position of the client pixel (x, y)."""
        return x + self.origin[0], y + self.origin[1]

    def move(self, x, y):
        self.xdotool("mousemove", *map(str, self.screen_point(x, y)))
        pace()

    def click(self, x, y):
        self.xdotool("mousemove", *map(str, self.screen_point(x, y)), "click", "1")
        pace()

    def key(self, name):
        self.xdotool("key", name)
        pace()

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
        raw = _GRABBER.grab(self.display.name, x, y, width, height) if _GRABBER else None
        if raw is not None:
            shot = Shot(raw, path, width, height, saved=False)
            if keep:
                shot.path
            return shot
        command = ["import", "-silent", "-window", "root", "-crop",
                   "%dx%d+%d+%d" % (width, height, x, y), "+repage", path]
        # import now and then fails to grab a window that is being redrawn: try again.
        for attempt in range(3):
            if subprocess.run(command, env=self.x_env, stderr=subprocess.DEVNULL).returncode == 0:
                break
            time.sleep(0.1)  # a short pause before the retry: no event tells the redraw is over
        else:
            raise Failure("could not take a screenshot")
        raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                             check=True).stdout
        check(len(raw) == width * height * 3, "unexpected screenshot size %d" % len(raw))
        return Shot(raw, path, width, height)

    def wait_first_frame(self, timeout=20):
        """The first screenshot that is not black: the window maps before its first frame."""
        return self.wait_shot(lambda shot: shot.brightness() > 5, "a frame that is not black",
                              timeout=timeout)

    def wait_shot(self, accept, what, region=None, timeout=WAIT_TIMEOUT, settled=False):
        """Screenshots (of `region`, as `screenshot` takes it) until `accept` holds for one; with
        `settled`, also for the next one, which must equal it (no frame drawn half, no change
        on its way). Returns that screenshot; fails naming the last one kept."""
        def look():
            shot = self.screenshot(region=region)
            if not accept(shot) or not settled:
                return shot, accept(shot)
            again = self.screenshot(region=region)
            return again, again.difference(shot) == 0 and accept(again)
        return wait_until(look, lambda seen: seen[1], what, timeout,
                          describe=lambda seen: seen[0].path)[0]

    def wait_settled(self, what, region=None, timeout=WAIT_TIMEOUT):
        """Two screenshots in a row that are equal: whatever was on its way is drawn."""
        return self.wait_shot(lambda shot: True, what + " to settle", region, timeout, True)

    def wait_stderr(self, text, timeout=WAIT_TIMEOUT):
        """Waits until the game has said `text` on stderr; returns all it said."""
        return wait_until(self.stderr, lambda said: text in said, repr(text) + " on stderr",
                          timeout, describe=lambda said: repr(said[-500:]))

    # --- files and sound --------------------------------------------------

    def read(self, relative):
        with open(os.path.join(self.run_dir, relative), "rb") as f:
            return f.read()

    def audio_bytes(self):
        try:
            return os.path.getsize(self.audio_file)
        except OSError:
            return 0

    def wait_audio(self, since, seconds, timeout=WAIT_TIMEOUT):
        """Waits until the game has written `seconds` of sound after byte offset `since` (the
        output is 16-bit stereo at 44.1 kHz)."""
        wanted = since + int(seconds * 44100) * 4
        wait_until(self.audio_bytes, lambda size: size >= wanted,
                   "%g s of sound written" % seconds, timeout)

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


# The cases of each test script, by module: a script that imports another's helpers does not
# take its cases along.
_CASES = {}


def case(timeout=180, sanitize="", needs_tools=False):
    """Registers the decorated `test_NAME` function as the case NAME, which CMake makes the ctest
    test e2e.NAME: `timeout` in seconds, run only in the build whose TESSARY_SANITIZE is
    `sanitize` ("" for no sanitizer, "thread"), and with `needs_tools` only where the generated
    data and the install rules exist."""
    def register(function):
        name = function.__name__[len("test_"):]
        _CASES.setdefault(function.__module__, {})[name] = (function, timeout, sanitize,
                                                            needs_tools)
        return function
    return register


def run_cases(argv, after=None):
    """Runs the named cases of the script run (or all of them) and reports in the plain
    `N passed, N failed` form; `--list` prints one line per case for CMake instead:
    `NAME TIMEOUT SANITIZE NEEDS_TOOLS`, SANITIZE being "-" for none."""
    import traceback
    cases = _CASES.get("__main__", {})
    if argv[1:] == ["--list"]:
        for name, (_function, timeout, sanitize, needs_tools) in cases.items():
            print(name, timeout, sanitize or "-", int(needs_tools))
        return
    names = argv[1:] or list(cases)
    passed = failed = skipped = 0
    try:
        for name in names:
            started = time.time()
            try:
                cases[name][0]()
                passed += 1
                print("PASS %s (%.1f s)" % (name, time.time() - started), flush=True)
            except Skip as reason:
                skipped += 1
                print("SKIP %s: %s" % (name, reason), flush=True)
            except Exception:
                failed += 1
                print("FAIL %s" % name, flush=True)
                traceback.print_exc()
    finally:
        if after:
            after()
    print("%d passed, %d failed, %d skipped" % (passed, failed, skipped))
    sys.exit(1 if failed else SKIP_STATUS if skipped and not passed else 0)
