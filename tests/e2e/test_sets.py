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

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (case, CORE, FACE, Failure, Game, box_center, check,  # noqa: E402
                     closest, distance, menu_button, package_faces, project_point, raw_face,
                     run_cases, screen_face)
from test_game import wait_board, wait_left  # noqa: E402

BINARY = os.environ.get("TESSARY_BINARY", "")
DATA_DIR = os.environ.get("TESSARY_DATA_DIR", "")
def photo_face(path, orient=True):
    """A photo as the game should show it: upright, the centred square, scaled."""
    args = [path] + (["-auto-orient"] if orient else [])
    return raw_face(args + ["-resize", "%dx%d^" % (FACE, FACE), "-gravity", "center", "-extent",
                            "%dx%d" % (FACE, FACE)])


def clearly(face, candidates):
    """The candidate `face` is, when it is clearly nearer to one than to any other; else None.
    Half again as near is clear: the lit white and green triangle photo sits about twice as near
    its own picture as the pink and brown one, at times a little less."""
    (best, name), (second, _) = sorted((distance(face, candidates[name]), name)
                                       for name in candidates)[:2]
    return name if best * 1.5 < second else None


def about_row(g, candidates, expected):
    """Opens the about screen, waits until its row of faces shows `expected` (the names of the
    candidates), and goes back to the menu; returns the names it last saw, and its shot."""
    menu = g.screenshot()
    g.click(*menu_button("about"))
    # Only the row is looked at: the cube above it spins.
    left, y = project_point(-2.25, -1.2, -5)
    right = project_point(2.25, -1.2, -5)[0]
    region = (left - 30, y - 30, right - left + 61, 61)
    places = [(project_point(-2.25 + 0.5 * k, -1.2, -5)[0] - left + 30, 30) for k in range(10)]

    def row(shot):
        return [closest(screen_face(shot, place), candidates) for place in places]
    about = g.wait_shot(lambda shot: shot.difference(menu) > 8, "the about screen")
    shot = g.screenshot(region=region)
    try:
        shot = g.wait_shot(lambda shot: row(shot) == expected,
                           "the about row to show %s" % expected, region, settled=True)
    except Failure:
        shot = g.screenshot(region=region)  # the caller names what shows instead
    g.key("Escape")
    g.wait_shot(lambda again: again.difference(about) > 8, "the menu after the about screen")
    return shot, row(shot)


def faces_on_easy_board(g, candidates, boxes=(0, 7, 14, 21, 28, 35, 5, 30)):
    """Opens some boxes of a new easy board one at a time (an open box stays open until clicked
    again); the candidates their faces are."""
    g.click(*menu_button("easy"))
    board = wait_board(g, "easy")
    g.move(*box_center("easy", boxes[0]))
    seen = []
    for index in boxes:
        point = box_center("easy", index)
        g.click(*point)
        told = g.wait_shot(lambda shot: shot.difference(board, (point[0] - 20, point[1] - 20,
                                                                point[0] + 20, point[1] + 20)) > 10
                           and clearly(screen_face(shot, point), candidates) is not None,
                           "box %d to show a face told clearly" % index, settled=True)
        seen.append(clearly(screen_face(told, point), candidates))
        g.click(*point)
    g.key("Escape")
    wait_left(g, "easy")
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


@case(timeout=300)
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
            shapes_in_order = ["shape%d" % i for i in range(10)]
            shot, row = about_row(g, with_shapes, shapes_in_order)
            check(row == shapes_in_order,
                  "the about row does not show the shapes in order (%s)" % shot.path)
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
            # Sorted by name: the copy of photo0 stands for both, broken.jpg is skipped.
            order = ["photo%d" % i for i in range(8)] + ["turned"]
            mine = {name: photo_face(os.path.join(photos, file)) for name, file in
                    zip(order, sorted(n for n in os.listdir(photos) if n.startswith("photo")) +
                        ["turned.jpg"])}
            mine["turned sideways"] = photo_face(os.path.join(photos, "turned.jpg"), orient=False)
            mine["nothing"] = bytes(CORE * CORE * 3)
            # The nine small photos are prepared off the UI thread: the about row shows them once
            # they are.
            shot, row = about_row(g, dict(candidates, **mine), order + ["nothing"])
            check(row == order + ["nothing"],
                  "the about row is not the nine photos, upright, in order (%s)" % shot.path)
            menu = g.screenshot()
            g.click(*menu_button("hard"))  # nine pictures: too few for ten faces
            time.sleep(0.6)  # idles: the hard level must not start
            check(g.screenshot().difference(menu) < 10, "the hard level started with 9 pictures")
            mine.pop("nothing")
            seen = faces_on_easy_board(g, dict(candidates, **mine))
            check(all(name in order for name in seen), "not the photos: %s" % seen)
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



if __name__ == "__main__":
    run_cases(sys.argv)
