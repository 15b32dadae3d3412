"""Picture sets in the real game: a built-in set and a folder of the player's own photos (made
here: one turned by its EXIF orientation, one duplicate, one corrupt), every face on the board
recognised by screenshot as one of the set's."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (Game, box_center, check, menu_button, project_point,  # noqa: E402
                     run_cases)

BINARY = os.environ.get("TESSARY_BINARY", "")
DATA_DIR = os.environ.get("TESSARY_DATA_DIR", "")
FACE = 58   # pixels across an open face on the easy board
CORE = 40   # the middle part compared: no edge, no outline


def raw_face(image_args, source=None):
    """The middle CORE x CORE of a picture scaled to a FACE-pixel square, as RGB bytes."""
    command = ["convert", *image_args, "-resize", "%dx%d!" % (FACE, FACE), "-gravity", "center",
               "-crop", "%dx%d+0+0" % (CORE, CORE), "+repage", "-depth", "8", "rgb:-"]
    return subprocess.run(command, input=source, capture_output=True, check=True).stdout


def photo_face(path, orient=True):
    """A photo as the game should show it: upright, the centred square, scaled."""
    args = [path] + (["-auto-orient"] if orient else [])
    return raw_face(args + ["-resize", "%dx%d^" % (FACE, FACE), "-gravity", "center", "-extent",
                            "%dx%d" % (FACE, FACE)])


def package_faces(package, count):
    with zipfile.ZipFile(package) as archive:
        return [raw_face(["jpg:-"], archive.read("box%d.jpg" % (i + 1))) for i in range(count)]


def distance(a, b):
    """Mean channel difference once each picture's mean is taken away: the board's background
    adds light to every face alike."""
    def centred(raw):
        means = [sum(raw[c::3]) / (len(raw) / 3) for c in range(3)]
        return [raw[i] - means[i % 3] for i in range(len(raw))]
    return sum(abs(p - q) for p, q in zip(centred(a), centred(b))) / len(a)


def screen_face(shot, point):
    x, y = point
    raw = bytearray()
    for row in range(y - CORE // 2, y + CORE // 2):
        start = (row * shot.width + x - CORE // 2) * 3
        raw += shot.raw[start:start + CORE * 3]
    return bytes(raw)


def closest(face, candidates):
    return min(candidates, key=lambda name: distance(face, candidates[name]))


def about_row(g):
    """The faces of the about screen's row, as the names of the candidates they are closest to."""
    g.click(*menu_button("about"))
    time.sleep(1.0)
    shot = g.screenshot()
    g.key("Escape")
    time.sleep(0.5)
    return shot, [screen_face(shot, project_point(-2.25 + 0.5 * k, -1.2, -5)) for k in range(10)]


def faces_on_easy_board(g, candidates, boxes=(0, 7, 14, 21, 28, 35, 5, 30)):
    """Opens some boxes of a new easy board one at a time (an open box stays open until clicked
    again); the candidates their faces are."""
    g.click(*menu_button("easy"))
    time.sleep(1.0)
    g.move(*box_center("easy", boxes[0]))
    time.sleep(0.5)
    seen = []
    for index in boxes:
        point = box_center("easy", index)
        g.click(*point)
        time.sleep(0.3)
        seen.append(closest(screen_face(g.screenshot(), point), candidates))
        g.click(*point)
    g.key("Escape")
    time.sleep(0.5)
    return seen


def make_photos(folder):
    """Eight photos (JPEG, PNG, WebP), one JPEG turned by EXIF, a duplicate and a corrupt file."""
    colours = [("tomato", "navy"), ("gold", "purple"), ("white", "darkgreen"), ("skyblue", "black"),
               ("orange", "teal"), ("pink", "brown"), ("yellowgreen", "maroon"), ("grey", "yellow")]
    names = []
    for i, (ground, shape) in enumerate(colours):
        name = "photo%d.%s" % (i, ["jpg", "png", "webp"][i % 3])
        draw = ["circle 320,240 320,100", "rectangle 200,120 440,360",
                "polygon 320,80 520,400 120,400"][i % 3]
        subprocess.run(["convert", "-size", "640x480", "xc:" + ground, "-fill", shape, "-draw",
                        draw, "-quality", "92", os.path.join(folder, name)], check=True)
        names.append(name)
    # Red above blue when upright; stored turned a quarter left, with orientation 6 to undo it.
    stored = os.path.join(folder, "upright.tmp.jpg")
    subprocess.run(["convert", "-size", "360x480", "xc:red", "-fill", "blue", "-draw",
                    "rectangle 0,240 360,480", "-rotate", "-90", stored], check=True)
    data = open(stored, "rb").read()
    tiff = b"MM\x00\x2a" + struct.pack(">IH", 8, 1) + struct.pack(">HHIHH", 0x0112, 3, 1, 6, 0) \
        + struct.pack(">I", 0)
    exif = b"Exif\x00\x00" + tiff
    with open(os.path.join(folder, "turned.jpg"), "wb") as f:
        f.write(data[:2] + b"\xff\xe1" + struct.pack(">H", len(exif) + 2) + exif + data[2:])
    os.remove(stored)
    shutil.copy(os.path.join(folder, names[0]), os.path.join(folder, "copy of photo0.jpg"))
    with open(os.path.join(folder, names[3]), "rb") as f:
        head = f.read(300)
    with open(os.path.join(folder, "broken.jpg"), "wb") as f:
        f.write(head)
    return names


def folder_state(folder):
    return sorted((name, os.stat(os.path.join(folder, name)).st_mtime_ns,
                   os.path.getsize(os.path.join(folder, name))) for name in os.listdir(folder))


def test_picture_sets():
    photos = tempfile.mkdtemp(prefix="tessary-photos-")
    cache = tempfile.mkdtemp(prefix="tessary-cache-")
    classic = package_faces(os.path.join(DATA_DIR, "data", "game.px"), 10)
    candidates = {"classic%d" % i: face for i, face in enumerate(classic)}
    try:
        # A built-in set, chosen in tessary.conf as a player's earlier run left it.
        g = Game(BINARY, DATA_DIR, env={"XDG_CACHE_HOME": cache},
                 prepare=lambda run: open(os.path.join(run, "tessary.conf"), "w").write(
                     "pictures = shapes\n"))
        try:
            g.start()
            g.wait_menu()
            shapes = package_faces(os.path.join(DATA_DIR, "data", "pictures", "shapes.px"), 10)
            with_shapes = dict(candidates, **{"shape%d" % i: f for i, f in enumerate(shapes)})
            _, row = about_row(g)
            check([closest(face, with_shapes) for face in row] == ["shape%d" % i for i in
                                                                     range(10)],
                  "the about row does not show the shapes in order")
            seen = faces_on_easy_board(g, with_shapes)
            check(all(name.startswith("shape") for name in seen), "not the shapes: %s" % seen)
        finally:
            g.cleanup()

        # The player's photos for one run, from the command line.
        make_photos(photos)
        before = folder_state(photos)
        g = Game(BINARY, DATA_DIR, args=["--pictures", photos], env={"XDG_CACHE_HOME": cache},
                 prepare=lambda run: open(os.path.join(run, "tessary.conf"), "w").write(
                     "pictures = shapes\n"))
        try:
            g.start()
            g.wait_menu()
            time.sleep(2)  # nine small photos prepared off the UI thread
            menu = g.screenshot()
            g.click(*menu_button("hard"))  # nine pictures: too few for ten faces
            time.sleep(0.6)
            check(g.screenshot().difference(menu) < 10, "the hard level started with 9 pictures")
            # Sorted by name: the copy of photo0 stands for both, broken.jpg is skipped.
            order = ["photo%d" % i for i in range(8)] + ["turned"]
            mine = {name: photo_face(os.path.join(photos, file)) for name, file in
                    zip(order, sorted(n for n in os.listdir(photos) if n.startswith("photo")) +
                        ["turned.jpg"])}
            mine["turned sideways"] = photo_face(os.path.join(photos, "turned.jpg"), orient=False)
            mine["nothing"] = bytes(CORE * CORE * 3)
            shot, row = about_row(g)
            check([closest(face, dict(candidates, **mine)) for face in row] == order + ["nothing"],
                  "the about row is not the nine photos, upright, in order (%s)" % shot.path)
            seen = faces_on_easy_board(g, dict(candidates, **mine))
            check(all(name in order for name in seen), "not the photos: %s" % seen)
            g.key("Escape")
            time.sleep(0.5)
            g.close_button()
            check(g.wait_exit() == 0, "the game did not end cleanly")
            lines = [line for line in g.stderr().splitlines() if "broken.jpg" in line]
            check(len(lines) == 1, "one line for the corrupt photo: %r" % g.stderr())
            check("copy of photo0" not in g.stderr(), "a duplicate is no problem")
            check(b"pictures = shapes" in g.read("tessary.conf"), "--pictures is for one run")
        finally:
            g.cleanup()
        check(folder_state(photos) == before, "the player's folder was written to")
    finally:
        shutil.rmtree(photos, ignore_errors=True)
        shutil.rmtree(cache, ignore_errors=True)


CASES = {"picture_sets": test_picture_sets}

if __name__ == "__main__":
    run_cases(CASES, sys.argv)
