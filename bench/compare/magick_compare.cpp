// The antialiased shapes case drawn with ImageMagick's Magick++ (antialiased by
// default), for bench/compare/run.
// Usage: magick_compare REPETITIONS [IMAGES_DIR]
// Prints "aashapes MS": the median over the repetitions of the processor
// milliseconds per drawing. With IMAGES_DIR, the picture is saved there as
// magick-aashapes.png.
#include <Magick++.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <list>
#include <string>
#include <vector>

#include "Scene.h"

namespace {

constexpr int kShapeDrawings = 10;

double ProcessMs()
{
    timespec theTime{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &theTime);
    return theTime.tv_sec * 1000.0 + theTime.tv_nsec / 1e6;
}

// One list of drawables for the whole scene, drawn in one call as the library prefers.
std::list<Magick::Drawable> SceneDrawables()
{
    static SceneShape theShapes[2 * kSceneShapes];
    SceneShapes(theShapes);
    const double h = static_cast<double>(kScenePen) / 2;
    std::list<Magick::Drawable> theList;
    theList.push_back(Magick::DrawableStrokeWidth(kScenePen));
    theList.push_back(Magick::DrawableStrokeColor(Magick::Color("black")));
    for (int i = 0; i < 2 * kSceneShapes; ++i) {
        const SceneShape& s = theShapes[i];
        char theFill[32];
        std::snprintf(theFill, sizeof theFill, "#%02x%02x%02x", s.red, s.green, s.blue);
        theList.push_back(Magick::DrawableFillColor(Magick::Color(theFill)));
        const double l = s.left + h, t = s.top + h, r = s.right - h, b = s.bottom - h;
        if (i < kSceneShapes)
            theList.push_back(Magick::DrawableRectangle(l, t, r, b));
        else
            theList.push_back(Magick::DrawableEllipse((l + r) / 2, (t + b) / 2, (r - l) / 2, (b - t) / 2, 0, 360));
    }
    return theList;
}

}  // namespace

int main(int argc, char** argv)
{
    Magick::InitializeMagick(argv[0]);
    const int theRepetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    (void)SceneParagraph;  // the shared scene also holds the text case
    const std::list<Magick::Drawable> theScene = SceneDrawables();
    Magick::Image theImage(Magick::Geometry(kSceneWidth, kSceneHeight), Magick::Color("white"));
    const auto theDraw = [&] {
        theImage = Magick::Image(Magick::Geometry(kSceneWidth, kSceneHeight), Magick::Color("white"));
        theImage.draw(theScene);
    };
    theDraw();
    std::vector<double> theTimes;
    for (int r = 0; r < theRepetitions; ++r) {
        const double theStart = ProcessMs();
        for (int i = 0; i < kShapeDrawings; ++i)
            theDraw();
        theTimes.push_back((ProcessMs() - theStart) / kShapeDrawings);
    }
    std::sort(theTimes.begin(), theTimes.end());
    std::printf("aashapes %.3f\n", theTimes[theTimes.size() / 2]);
    if (argc > 2)
        theImage.write(std::string(argv[2]) + "/magick-aashapes.png");
    return 0;
}
