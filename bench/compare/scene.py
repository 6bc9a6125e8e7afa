"""The comparison scene's shapes and paragraph: the same sequence as Scene.h,
so that Pillow draws what the two programs draw."""

SCENE_WIDTH, SCENE_HEIGHT, SHAPES, PEN, WORDS = 800, 600, 200, 3, 120
TEXT_LEFT, TEXT_TOP, TEXT_WIDTH, TEXT_HEIGHT, TEXT_PIXELS, LINE = 480, 320, 300, 250, 13, 15
VOCABULARY = ["drawing", "server", "canvas", "pixels", "the", "of", "a", "quick", "page", "script", "text",
              "wraps", "inside", "its", "rectangle", "and", "every", "line", "is", "measured"]

WEB_PALETTE = [0xE6194B, 0x3CB44B, 0xFFE119, 0x4363D8, 0xF58231, 0x911EB4, 0x46F0F0, 0xF032E6, 0xBCF60C, 0xFABEBE,
               0x008080, 0xE6BEFF, 0x9A6324, 0x800000, 0x000075]
PAGE_WIDTH, PAGE_HEIGHT, PAGE_PIXELS = 400, 300, 20
PAGE_GROUND, PAGE_INK = 0xF0F4F8, 0x1F2A44
PAGE_LINES = ["Quarterly figures, drawn on the server", "Every pixel sent as it was drawn"]
PAGE_LEFT, PAGE_FIRST_BASELINE, PAGE_LINE_STEP = 24, 120, 40


def web_color(shape):
    """As SceneWebColor in Scene.h: one of 15 page colours for a shape."""
    value = WEB_PALETTE[(shape[4] + shape[5] + shape[6]) % len(WEB_PALETTE)]
    return (value >> 16, (value >> 8) & 255, value & 255)


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
