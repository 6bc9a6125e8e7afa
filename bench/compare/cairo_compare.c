/* The antialiased shapes case drawn with Cairo, antialiasing on: the floor the
 * engine's own drawing could reach, for bench/compare/run.
 * Usage: cairo_compare REPETITIONS [IMAGES_DIR]
 * Prints "aashapes MS": the median over the repetitions of the processor
 * milliseconds per drawing. With IMAGES_DIR, the picture is saved there as
 * cairo-aashapes.png. */
#include <cairo.h>
#include <math.h>
#include <stdlib.h>
#include <time.h>

#include "Scene.h"

enum { kShapeDrawings = 10 };

static double Now(void)
{
    struct timespec theTime;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &theTime);
    return theTime.tv_sec * 1000.0 + theTime.tv_nsec / 1e6;
}

static int CompareDoubles(const void* inLeft, const void* inRight)
{
    const double l = *(const double*)inLeft, r = *(const double*)inRight;
    return (l > r) - (l < r);
}

/* Each shape filled, then outlined with the pen centred half a pen inside its box. */
static void DrawShapes(cairo_t* inCairo, const SceneShape* inShapes)
{
    const double h = kScenePen / 2.0;
    cairo_set_source_rgb(inCairo, 1, 1, 1);
    cairo_paint(inCairo);
    cairo_set_line_width(inCairo, kScenePen);
    for (int i = 0; i < 2 * kSceneShapes; ++i) {
        const SceneShape* s = &inShapes[i];
        const double l = s->left + h, t = s->top + h, r = s->right - h, b = s->bottom - h;
        if (i < kSceneShapes) {
            cairo_rectangle(inCairo, l, t, r - l, b - t);
        } else {
            cairo_save(inCairo);
            cairo_translate(inCairo, (l + r) / 2, (t + b) / 2);
            cairo_scale(inCairo, (r - l) / 2, (b - t) / 2);
            cairo_new_path(inCairo);
            cairo_arc(inCairo, 0, 0, 1, 0, 2 * M_PI);
            cairo_restore(inCairo);
        }
        cairo_set_source_rgb(inCairo, s->red / 255.0, s->green / 255.0, s->blue / 255.0);
        cairo_fill_preserve(inCairo);
        cairo_set_source_rgb(inCairo, 0, 0, 0);
        cairo_stroke(inCairo);
    }
}

int main(int argc, char** argv)
{
    const int theRepetitions = argc > 1 && atoi(argv[1]) > 0 ? atoi(argv[1]) : 5;
    static SceneShape theShapes[2 * kSceneShapes];
    (void)SceneParagraph; /* the shared scene also holds the text case */
    SceneShapes(theShapes);
    cairo_surface_t* theSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSceneWidth, kSceneHeight);
    cairo_t* theCairo = cairo_create(theSurface);
    cairo_set_antialias(theCairo, CAIRO_ANTIALIAS_DEFAULT);
    DrawShapes(theCairo, theShapes);
    double theTimes[64];
    const int theCount = theRepetitions < 64 ? theRepetitions : 64;
    for (int r = 0; r < theCount; ++r) {
        const double theStart = Now();
        for (int i = 0; i < kShapeDrawings; ++i)
            DrawShapes(theCairo, theShapes);
        theTimes[r] = (Now() - theStart) / kShapeDrawings;
    }
    qsort(theTimes, (size_t)theCount, sizeof *theTimes, CompareDoubles);
    printf("aashapes %.3f\n", theTimes[theCount / 2]);
    if (argc > 2) {
        char thePath[4096];
        snprintf(thePath, sizeof thePath, "%s/cairo-aashapes.png", argv[2]);
        cairo_surface_write_to_png(theSurface, thePath);
    }
    cairo_destroy(theCairo);
    cairo_surface_destroy(theSurface);
    return 0;
}
