--TEST--
Hints: the Node host's hint lines, from the shared vocabulary; PHP's own values and TypeErrors
--EXTENSIONS--
vellumax
--FILE--
<?php
require __DIR__ . '/setup.inc';
$c = Vellumax\create('Vellumax.Canvas');
$c->Width = 4;
$c->Height = 4;
$vocabulary = json_decode(file_get_contents(getenv('VX_PHP_VOCABULARY')), true, 8, JSON_THROW_ON_ERROR);
// [parameters, expected hint], the expected lines filled from the file the Node host reads.
$cases = [
    ['halign=sideways', str_replace(['{keyword}', '{takes}'], ['halign', $vocabulary['keywords']['halign']],
                                    $vocabulary['hints']['keywordTakes'])],
    ['pencolour=red', str_replace('{close}', 'pencolor', $vocabulary['hints']['keywordClose'])],
    ['zzzzzz=1', $vocabulary['hints']['keywordList']],
    ['rect=0,0,2,2', null],
];
foreach ($cases as [$params, $hint]) {
    $e = null;
    try {
        $c->DrawShape('rect', $params);
    } catch (Vellumax\Exception $e) {
    }
    check(($e === null) === ($hint === null), "$params: thrown");
    if ($e !== null) {
        check($e->hint === $hint, "$params: hint " . var_export($e->hint, true));
        check($e->getMessage() === $e->description . "\n" . $hint, "$params: message");
    }
}

// What only PHP has: its TypeErrors end with the same line, its values in its own words, a
// relative path resolved where the server resolves it, the code the server's HRESULT.
$work = sys_get_temp_dir() . '/vx-hints-' . getmypid();
mkdir($work);
chdir($work);
$calls = [
    fn () => $c->DrawCanvas(new ArrayObject(), ''),
    function () use ($c) { $c->PaintColor = ['red' => 100]; },
    function () use ($c) { $c->width = str_repeat("\u{e9}", 41); },
    function () use ($c) { $c->Width = 1.5e30; },
    fn () => $c->SaveAs('no/such/x.png', ''),
    fn () => $c->SaveAs('x.png', Vellumax\create('Vellumax.XPoint')),
];
foreach ($calls as $call) {
    $e = throws($call);
    $lines = explode("\n", $e->getMessage());
    echo get_class($e), ' ', dechex($e->getCode()), ' ', var_export($e->hint ?? null, true), "\n", end($lines), "\n";
    check($e instanceof TypeError || $e->hint === end($lines), 'the hint is the last line');
}
rmdir($work);
echo "done\n";
?>
--EXPECTF--
TypeError 0 NULL
Canvas.DrawCanvas's inCanvas takes a Canvas; it was given an object of class ArrayObject.
TypeError 0 NULL
Canvas.PaintColor takes a colour: %s; it was given an array.
Vellumax\Exception %x '%s'
Canvas.Width takes a whole number of pixels from 1 to 32767; it was given the text "éééééééééééééééééééééééééééééééééééééééé...".
Vellumax\Exception %x '%s'
Canvas.Width takes a whole number of pixels from 1 to 32767; it was given the number 1.5E+30.
Vellumax\Exception %x '%s'
The folder %s/vx-hints-%d/no does not exist: SaveAs makes no folders (mkdir($folder, 0777, true) makes them).
Vellumax\Exception %x '%s'
Canvas.SaveAs's inParams takes a parameter string, not an XPoint: build one from an array with Vellumax\params(['keyword' => value, ...]), which also quotes every value.
done
