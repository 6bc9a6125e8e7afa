<?php
// The t1 shapes scene (800 x 600, 200 rectangles and 200 ovals filled and outlined with a 3-pixel
// pen, as bench/compare draws it) and the examples' bar chart (as a PNG), drawn from PHP through
// the extension and through PHP's own GD functions in the same process, in alternating rounds.
// Prints the median processor milliseconds per drawing of each, and the ratio. Run by hand:
//
//   bench/php/run [ROUNDS]
declare(strict_types=1);

use function Vellumax\create;
use function Vellumax\params;

require __DIR__ . '/../../examples/php/include/pages.php';

function cpuMs(): float
{
    $u = getrusage();
    return ($u['ru_utime.tv_sec'] + $u['ru_stime.tv_sec']) * 1000.0 + ($u['ru_utime.tv_usec'] + $u['ru_stime.tv_usec']) / 1000.0;
}

// The scene's shapes, from the generator bench/compare/Scene.h uses.
function sceneShapes(): array
{
    $seed = 7;
    $next = function () use (&$seed): int {
        $seed = ($seed * 1103515245 + 12345) & 0x7fffffff;
        return $seed >> 8;
    };
    $shapes = [];
    for ($i = 0; $i < 400; ++$i) {
        $left = $next() % 740;
        $top = $next() % 540;
        $right = $left + 10 + $next() % 50;
        $bottom = $top + 10 + $next() % 50;
        $shapes[] = [$left, $top, $right, $bottom, $next() % 256, $next() % 256, $next() % 256];
    }
    return $shapes;
}

function percent(int $component): string
{
    return sprintf('%.4f', $component * 100.0 / 255.0);
}

$shapes = sceneShapes();
$shapeParams = array_map(fn ($s) => "rect=$s[0],$s[1],$s[2],$s[3] pensize=3 pencolor=black paintcolor="
                                    . percent($s[4]) . ',' . percent($s[5]) . ',' . percent($s[6]), $shapes);
$canvas = create('Vellumax.Canvas');
$canvas->Width = 800;
$canvas->Height = 600;
$ours = function () use ($canvas, $shapeParams) {
    $canvas->Erase();
    foreach ($shapeParams as $i => $p)
        $canvas->DrawShape($i < 200 ? 'rect' : 'oval', $p);
};
$image = imagecreatetruecolor(800, 600);
$gd = function () use ($image, $shapes) {
    $black = imagecolorallocate($image, 0, 0, 0);
    imagefilledrectangle($image, 0, 0, 799, 599, imagecolorallocate($image, 255, 255, 255));
    imagesetthickness($image, 3);
    foreach ($shapes as $i => [$l, $t, $r, $b, $red, $green, $blue]) {
        $fill = imagecolorallocate($image, $red, $green, $blue);
        // As bench/compare: one pixel in keeps GD's centred 3-pixel pen inside the shape.
        [$l, $t, $r, $b] = [$l + 1, $t + 1, $r - 2, $b - 2];
        if ($i < 200) {
            imagefilledrectangle($image, $l, $t, $r, $b, $fill);
            imagerectangle($image, $l, $t, $r, $b, $black);
        } else {
            [$cx, $cy, $w, $h] = [intdiv($l + $r, 2), intdiv($t + $b, 2), $r - $l, $b - $t];
            imagefilledellipse($image, $cx, $cy, $w, $h, $fill);
            imagearc($image, $cx, $cy, $w, $h, 0, 360, $black);
        }
    }
    imagesetthickness($image, 1);
};

// The chart of examples/php, and the same chart with GD: bars, values and labels in DejaVu Sans,
// the axis, as a PNG.
$query = ['values' => '3,7,2,9,4,6', 'labels' => 'Mon,Tue,Wed,Thu,Fri,Sat'];
$oursChart = fn () => chart($query)[1];
$font = '/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf';
$gdChart = function () use ($query, $font) {
    $values = array_map('floatval', explode(',', $query['values']));
    $labels = explode(',', $query['labels']);
    [$width, $height, $top] = [360, 200, 20];
    $bottom = $height - 20;
    $largest = max($values);
    $slot = intdiv($width - 20, count($values));
    $im = imagecreatetruecolor($width, $height);
    imagefilledrectangle($im, 0, 0, $width - 1, $height - 1, imagecolorallocate($im, 255, 255, 255));
    $ink = imagecolorallocate($im, 0, 0, 0);
    foreach ($values as $i => $v) {
        $x = 10 + $i * $slot;
        $y = $bottom - (int) round(($bottom - $top) * $v / $largest);
        $rgb = hexdec(substr(BAR_COLORS[$i % 6], 1));
        imagefilledrectangle($im, $x + 2, $y, $x + $slot - 3, $bottom - 1,
                             imagecolorallocate($im, $rgb >> 16, ($rgb >> 8) & 255, $rgb & 255));
        foreach ([[(string) $v, $y - 3], [$labels[$i], $height - 5]] as [$text, $baseline]) {
            $box = imagettfbbox(9, 0, $font, $text);
            imagettftext($im, 9, 0, $x + intdiv($slot - ($box[2] - $box[0]), 2), $baseline, $ink, $font, $text);
        }
    }
    imageline($im, 8, $bottom, $width - 8, $bottom, $ink);
    ob_start();
    imagepng($im);
    return ob_get_clean();
};

$rounds = (int) ($argv[1] ?? 15);
$cases = ['shapes' => [$ours, $gd, 4], 'chart' => [$oursChart, $gdChart, 40]];
foreach ($cases as $name => [$a, $b, $drawings]) {
    $a();
    $b();
    $times = [[], []];
    for ($r = 0; $r < $rounds; ++$r) {
        foreach ([$a, $b] as $which => $draw) {
            $start = cpuMs();
            for ($i = 0; $i < $drawings; ++$i)
                $draw();
            $times[$which][] = (cpuMs() - $start) / $drawings;
        }
    }
    foreach ($times as &$t)
        sort($t);
    unset($t);
    $median = fn ($t) => $t[intdiv(count($t), 2)];
    printf("%-7s vellumax %7.3f ms   gd %7.3f ms   gd/vellumax %.2fx\n", $name, $median($times[0]), $median($times[1]),
           $median($times[1]) / $median($times[0]));
}
