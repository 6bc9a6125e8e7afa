--TEST--
Lifetime: objects are released with their PHP values, passed to members, compared by identity
--EXTENSIONS--
vellumax
--FILE--
<?php
require __DIR__ . '/setup.inc';
$t = thing();
$base = $t->Alive;

// Children live as long as some PHP value or the server holds them.
$child = $t->CreateChild('kid');
var_dump($t->Alive - $base);
$t->Partner = $child;
unset($child);
var_dump($t->Alive - $base, $t->Partner->Name);
check($t->Partner == $t->Partner, 'one object is == itself through two values');
check($t->Partner != $t->CreateChild('kid'), 'two objects are not ==');
$t->Partner = null;
var_dump($t->Alive - $base, $t->Partner);
for ($i = 0; $i < 1000; ++$i)
    $t->CreateChild("c$i")->Name;
var_dump($t->Alive - $base);

// A canvas's pixels go with its last value: 60 canvases of 16 MB each stay within a few.
function rss(): int
{
    preg_match('/VmRSS:\s+(\d+)/', file_get_contents('/proc/self/status'), $m);
    return (int) $m[1] * 1024;
}
$before = rss();
for ($i = 0; $i < 60; ++$i) {
    $c = Vellumax\create('Vellumax.Canvas');
    $c->Width = 2048;
    $c->Height = 2048;
    $c->Erase();
}
unset($c);
$grown = rss() - $before;
check($grown < 200 * 1024 * 1024, "RSS grew by $grown bytes");

// An object passed to a member: a canvas drawn onto another.
$src = Vellumax\create('Vellumax.Canvas');
$src->Width = 4;
$src->Height = 4;
$src->Color = '#ff0000';
$src->Erase();
$dst = Vellumax\create('Vellumax.Canvas');
$dst->Width = 8;
$dst->Height = 8;
$dst->DrawCanvas($src, 'rect=0,0,4,4');
unset($src);
$g = Vellumax\create('Vellumax.Graphic');
$g->SetData($dst->GetAs('png', ''), 'image/png');
var_dump($g->Drawable);
?>
--EXPECT--
int(1)
int(1)
string(3) "kid"
int(0)
NULL
int(0)
bool(true)
