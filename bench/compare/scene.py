"""The comparison scene's shapes and paragraph: the same sequence as Scene.h,
so that Pillow draws what the two programs draw."""

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
