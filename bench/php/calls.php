<?php
// Per-call cost of the PHP host, the same calls as bench/node_host/bench.js: best of five rounds of
// wall time per call. Run by hand: bench/php/run calls
declare(strict_types=1);

function measure(string $name, int $iterations, callable $body): void
{
    for ($i = 0; $i < min($iterations, 10000); ++$i)
        $body($i);
    $best = INF;
    for ($round = 0; $round < 5; ++$round) {
        $start = hrtime(true);
        for ($i = 0; $i < $iterations; ++$i)
            $body($i);
        $best = min($best, (hrtime(true) - $start) / $iterations);
    }
    printf("%-40s %.3f µs/call\n", $name, $best / 1000);
}

$thing = Vellumax\create('VxNodeTest.Thing');
$color = Vellumax\create('Vellumax.XColor');
$canvas = Vellumax\create('Vellumax.Canvas');
$bytes = str_repeat("\0", 64 * 1024);

measure('property put (test server Width)', 200000, function ($i) use ($thing) { $thing->Width = $i; });
measure('property get (test server Width)', 200000, fn () => $thing->Width);
measure('property put (string Name)', 200000, function () use ($thing) { $thing->Name = 'hello'; });
measure('method with retval (Scale)', 200000, fn ($i) => $thing->Scale($i & 7));
measure('method with three outs (Measure)', 100000, fn () => $thing->Measure('ab'));
measure('property put (XColor Red)', 200000, function ($i) use ($color) { $color->Red = $i % 100; });
measure('property put (Canvas PenSize)', 200000, function ($i) use ($canvas) { $canvas->PenSize = $i & 7; });
measure('property put (Canvas PenColor)', 100000, function () use ($canvas) { $canvas->PenColor = 'red'; });
measure('property put (XColor String)', 100000, function () use ($color) { $color->String = 'red'; });
$canvas->Width = 64;
$canvas->Height = 64;
measure('DrawShape of a small rectangle (Canvas)', 50000, fn () => $canvas->DrawShape('rect', 'rect=1,1,5,5'));
// No like of the Node bench's Data put: the test server's Data takes no byte string (a PHP string
// goes as bytes only to inData and inSrc parameters); Graphic.SetData reads only the header.
$graphic = Vellumax\create('Vellumax.Graphic');
measure('byte string, 64 KiB (Graphic SetData)', 5000, fn () => $graphic->SetData($bytes, 'image/png'));
measure('createObject (VxNodeTest.Thing)', 20000, fn () => Vellumax\create('VxNodeTest.Thing'));
