--TEST--
Values: every PHP type into the server and every automation type back
--EXTENSIONS--
vellumax
--FILE--
<?php
require __DIR__ . '/setup.inc';
$t = thing();

// PHP → automation: the VARTYPE the server receives.
$in = [
    [null, 1], [true, 11], [false, 11], [7, 3], [-2147483648, 3], [2147483648, 20], [PHP_INT_MIN, 20],
    [1.0, 5], [-0.0, 5], [NAN, 5], ['text', 8], ['', 8], [$t, 9],
];
foreach ($in as [$value, $type])
    check($t->TypeOf($value) === $type, 'TypeOf ' . var_export($value, true));

// Automation → PHP: the Convert member hands the value back as the asked type.
$out = [
    [2, 300, 300], [3, -5, -5], [4, 0.5, 0.5], [5, 1e300, 1e300], [6, 12.3456, 12.3456], [7, 45000.25, 45000.25],
    [8, 42, '42'], [11, 1, true], [11, 0, false], [16, -7, -7], [17, 255, 255], [18, 65535, 65535],
    [19, 4294967295, 4294967295], [20, PHP_INT_MAX, PHP_INT_MAX], [22, -9, -9], [23, 9, 9], [10, 1, null],
];
foreach ($out as [$type, $value, $expected]) {
    $got = $t->Convert($value, $type);
    check($got === $expected, "Convert to $type: " . var_export($got, true));
}
var_dump($t->Convert(1.8e19, 21), $t->Convert(PHP_INT_MAX, 21), $t->Convert('1.5', 5));

// Text is UTF-8 both ways; invalid UTF-8 arrives as U+FFFD; NUL stays.
foreach (["plain", "Grüße 漢字 🎨", "a\0b", ""] as $text) {
    $t->Name = $text;
    check($t->Name === $text, 'Name round trip ' . bin2hex($text));
}
$t->Name = "bad \xff\xfe end";
var_dump($t->Name);

// Numbers convert as the member's type asks; a put of null is a null object reference.
$t->Width = '12';
$t->Ratio = 3;
var_dump($t->Width, $t->Ratio);
$t->Value = null;
var_dump($t->Value, $t->TypeOf(null));
echo throws(function () use ($t) { $t->Value = [1, 2]; })->getMessage(), "\n";
echo throws(fn () => $t->TypeOf(new stdClass()))->getMessage(), "\n";
echo throws(fn () => $t->TypeOf(fopen('php://memory', 'r')))->getMessage(), "\n";
?>
--EXPECT--
float(1.8E+19)
int(9223372036854775807)
float(1.5)
string(14) "bad �� end"
int(12)
float(3)
NULL
int(1)
an array can't be passed to an automation object; Vellumax\params makes a parameter string of one
an object of class stdClass can't be passed to an automation object
a resource can't be passed to an automation object
