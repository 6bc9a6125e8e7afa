--TEST--
Vellumax\params: quoting as the Node host's, against a model, and the refusals
--EXTENSIONS--
vellumax
--FILE--
<?php
require __DIR__ . '/setup.inc';
$table = [
    [[], ''],
    [['rect' => [0, 0, 10, 20]], "rect='0,0,10,20'"],
    [['textcolor' => "x' rect='0,0,1,1"], "textcolor='x'' rect=''0,0,1,1'"],
    [['a' => true, 'b' => false, 'c' => null, 'd' => 1.5, 'e' => 0.1 + 0.2, 'f' => 3.0, 'g' => -0.0], "a='true' b='false' d='1.5' e='0.30000000000000004' f='3' g='-0'"],
    [['points' => [[1, 2], [3, [4, 5]]]], "points='1,2,3,4,5'"],
    [['t' => "''"], "t=''''''"],
];
foreach ($table as [$values, $expected]) {
    $got = Vellumax\params($values);
    check($got === $expected, "params: $got");
}

// Random texts against an independent model: each value between quotes, quotes doubled.
mt_srand(33);
$alphabet = ["'", "'", ' ', '=', ',', 'a', 'Z', '9', "\u{e9}", "\u{1F3A8}", '"', '\\'];
for ($round = 0; $round < 300; ++$round) {
    $values = [];
    $model = [];
    foreach (['rect', 'text', 'color'] as $keyword) {
        $text = '';
        for ($n = mt_rand(0, 12); $n > 0; --$n)
            $text .= $alphabet[mt_rand(0, count($alphabet) - 1)];
        $values[$keyword] = $text;
        $model[] = $keyword . "='" . str_replace("'", "''", $text) . "'";
    }
    check(Vellumax\params($values) === implode(' ', $model), "round $round");
}

// A value object gives its text form; a hostile text stays one value the server reads back whole.
$color = Vellumax\create('Vellumax.XColor');
$color->String = 'red';
echo Vellumax\params(['paintcolor' => $color]), "\n";
$canvas = Vellumax\create('Vellumax.Canvas');
$canvas->Width = 40;
$canvas->Height = 40;
$hostile = "x' rect='0,0,1,1";
$style = ['textfont' => 'DejaVu Sans', 'textsize' => 11, 'rect' => [0, 0, 3000, 100]];
$plain = $canvas->TextArea(str_replace("'", 'x', $hostile), Vellumax\params($style));
check($canvas->TextArea($hostile, Vellumax\params($style))[1] === $plain[1], 'hostile text is laid out as text');

foreach ([[1, 2], ['bad key' => 1], ['nul' => "a\0b"], ['n' => INF], ['o' => new stdClass()], ['c' => $canvas], ['l' => [null]]] as $values)
    echo throws(fn () => Vellumax\params($values))->getMessage(), "\n";
$deep = 1;
for ($i = 0; $i < 20; ++$i)
    $deep = [$deep];
echo throws(fn () => Vellumax\params(['deep' => $deep]))->getMessage(), "\n";
$self = [1];
$self[] = &$self;
echo throws(fn () => Vellumax\params(['self' => $self]))->getMessage(), "\n";
// The cycle is PHP's to collect; left to the end of the request, it counts as a leak when PHP's
// allocator is off under the sanitizer.
unset($self);
gc_collect_cycles();
?>
--EXPECT--
paintcolor='86.5,3.4,2.6,100.0'
not a parameter keyword: 0; Vellumax\params takes an array of keyword => value pairs, each value a string, a number, a boolean, an XColor, XRect or XPoint, or an array of these
not a parameter keyword: 'bad key'; Vellumax\params takes an array of keyword => value pairs, each value a string, a number, a boolean, an XColor, XRect or XPoint, or an array of these
the value of nul holds a NUL character; Vellumax\params takes an array of keyword => value pairs, each value a string, a number, a boolean, an XColor, XRect or XPoint, or an array of these
the value of n is not a finite number; Vellumax\params takes an array of keyword => value pairs, each value a string, a number, a boolean, an XColor, XRect or XPoint, or an array of these
the value of o is an object of class stdClass; Vellumax\params takes an array of keyword => value pairs, each value a string, a number, a boolean, an XColor, XRect or XPoint, or an array of these
the value of c is an automation object (ICanvas) without a text form; Vellumax\params takes an array of keyword => value pairs, each value a string, a number, a boolean, an XColor, XRect or XPoint, or an array of these
the value of l holds null; Vellumax\params takes an array of keyword => value pairs, each value a string, a number, a boolean, an XColor, XRect or XPoint, or an array of these
the value of deep nests arrays over 16 deep; Vellumax\params takes an array of keyword => value pairs, each value a string, a number, a boolean, an XColor, XRect or XPoint, or an array of these
the value of self is an array that holds itself; Vellumax\params takes an array of keyword => value pairs, each value a string, a number, a boolean, an XColor, XRect or XPoint, or an array of these
