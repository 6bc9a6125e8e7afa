#!/usr/bin/python3
"""Draws the comparison scene (Scene.h) with this engine, with libgd and with
Pillow, and prints the processor time per frame of each and the ratios.

Usage: compare.py (with the system Python, which python3-pil serves) BUILD_DIR [--frames N] [--images DIR]
BUILD_DIR is the CMake build folder holding bin/compare_vellumax (and
bin/compare_gd when libgd was found) and lib/libvx-imaging.so.
"""
import argparse
import os
import subprocess
import sys
import time

SCENE_WIDTH, SCENE_HEIGHT, SHAPES, PEN, WORDS = 800, 600, 200, 3, 120
TEXT_LEFT, TEXT_TOP, TEXT_WIDTH, TEXT_HEIGHT, TEXT_PIXELS, LINE = 480, 320, 300, 250, 13, 15
VOCABULARY = ["drawing", "server", "canvas", "pixels", "the", "of", "a", "quick", "page", "script", "text",
              "wraps", "inside", "its", "rectangle", "and", "every", "line", "is", "measured"]


class Generator:
    """The same sequence as SceneNext in Scene.h."""

    def __init__(self, seed):
        self.seed = seed

    def next(self):
        self.seed = (self.seed * 1103515245 + 12345) & 0x7FFFFFFF
        return self.seed >> 8


def scene_shapes():
    g = Generator(7)
    shapes = []
    for _ in range(2 * SHAPES):
        left = g.next() % 740
        top = g.next() % 540
        right = left + 10 + g.next() % 50
        bottom = top + 10 + g.next() % 50
        shapes.append((left, top, right, bottom, g.next() % 256, g.next() % 256, g.next() % 256))
    return shapes


def scene_paragraph():
    g = Generator(11)
    return " ".join(VOCABULARY[g.next() % len(VOCABULARY)] for _ in range(WORDS))


def font_path():
    try:
        path = subprocess.run(["fc-match", "-f", "%{file}", "DejaVu Sans"], capture_output=True, text=True,
                              check=True).stdout.strip()
        if path:
            return path
    except (OSError, subprocess.CalledProcessError):
        pass
    sys.exit("DejaVu Sans not found (fonts-dejavu-core)")


def pillow_frames(frames, font, out):
    from PIL import Image, ImageDraw, ImageFont

    shapes = scene_shapes()
    paragraph = scene_paragraph().split(" ")
    face = ImageFont.truetype(font, TEXT_PIXELS)
    image = Image.new("RGB", (SCENE_WIDTH, SCENE_HEIGHT), "white")

    def draw():
        image.paste((255, 255, 255), (0, 0, SCENE_WIDTH, SCENE_HEIGHT))
        d = ImageDraw.Draw(image)
        for i, (l, t, r, b, red, green, blue) in enumerate(shapes):
            box = (l, t, r - 1, b - 1)  # Pillow's boxes are inclusive; the pen grows inwards
            if i < SHAPES:
                d.rectangle(box, fill=(red, green, blue), outline=(0, 0, 0), width=PEN)
            else:
                d.ellipse(box, fill=(red, green, blue), outline=(0, 0, 0), width=PEN)
        line, y = "", TEXT_TOP
        for word in paragraph:
            trial = word if not line else line + " " + word
            if line and d.textlength(trial, font=face) > TEXT_WIDTH:
                if y + LINE > TEXT_TOP + TEXT_HEIGHT:
                    return
                d.text((TEXT_LEFT, y), line, fill=(0, 0, 0), font=face)
                line, y = word, y + LINE
            else:
                line = trial
        if line and y + LINE <= TEXT_TOP + TEXT_HEIGHT:
            d.text((TEXT_LEFT, y), line, fill=(0, 0, 0), font=face)

    draw()
    start = time.process_time()
    for _ in range(frames):
        draw()
    elapsed = (time.process_time() - start) * 1000.0 / frames
    if out:
        image.save(os.path.join(out, "pillow.png"))
    return elapsed


def program_frames(command, env=None):
    result = subprocess.run(command, capture_output=True, text=True, env=env)
    if result.returncode != 0:
        sys.exit(f"{command[0]} failed: {result.stderr.strip()}")
    for line in result.stdout.splitlines():
        if line.startswith("ms_per_frame "):
            return float(line.split()[1])
    sys.exit(f"{command[0]} printed no time")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build")
    parser.add_argument("--frames", type=int, default=20)
    parser.add_argument("--images", help="folder to write each library's picture into")
    args = parser.parse_args()
    font = font_path()
    binaries = os.path.join(args.build, "bin")
    env = dict(os.environ, VX_IMAGING=os.path.join(args.build, "lib", "libvx-imaging.so"))

    times = {}
    command = [os.path.join(binaries, "compare_vellumax"), str(args.frames)]
    if args.images:
        command.append(os.path.join(args.images, "vellumax.ppm"))
    times["vellumax"] = program_frames(command, env)
    gd = os.path.join(binaries, "compare_gd")
    if os.path.exists(gd):
        command = [gd, str(args.frames), font]
        if args.images:
            command.append(os.path.join(args.images, "gd.png"))
        times["libgd"] = program_frames(command)
    try:
        times["Pillow"] = pillow_frames(args.frames, font, args.images)
    except ImportError:
        print("Pillow is not installed (python3-pil): skipped")

    print(f"Scene: {SCENE_WIDTH}x{SCENE_HEIGHT}, {SHAPES} rectangles and {SHAPES} ovals (fill and {PEN}-pixel "
          f"outline), {WORDS}-word paragraph in {TEXT_WIDTH}x{TEXT_HEIGHT}; {args.frames} frames")
    for name, value in times.items():
        print(f"  {name:10s} {value:9.3f} ms/frame")
    for name, value in times.items():
        if name != "vellumax":
            print(f"  vellumax / {name}: {times['vellumax'] / value:.2f}")


if __name__ == "__main__":
    main()
