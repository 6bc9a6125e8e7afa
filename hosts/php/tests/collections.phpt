--TEST--
Collections: foreach, count, Item, nested and broken-off loops, and objects that are not collections
--EXTENSIONS--
vellumax
--FILE--
<?php
require __DIR__ . '/setup.inc';
$t = thing();
$items = $t->Items;
$names = [];
foreach ($items as $key => $item)
    $names[] = "$key:" . $item->Name;
echo implode(' ', $names), "\n";
var_dump(count($items), $items->Item('beta')->Name, $items->Item(3)->Name);

// Each loop has its own enumerator: nested loops over one collection, a loop left early.
$pairs = '';
foreach ($items as $a) {
    foreach ($items as $b)
        $pairs .= $a->Name[0] . $b->Name[0] . ' ';
}
echo $pairs, "\n";
foreach ($items as $item)
    break;
echo implode(',', array_map(fn ($i) => $i->Name, iterator_to_array($items))), "\n";
echo get_class($items->getIterator()), ' ', count(iterator_to_array($items->getIterator())), "\n";

// The server's own collections.
$fonts = 0;
foreach (Vellumax\create('Vellumax.Gestalt')->Fonts as $font)
    $fonts += is_string($font) ? 1 : 0;
check($fonts > 0, 'fonts are texts');

$e = throws(function () use ($t) { foreach ($t as $x) {} });
echo dechex($e->getCode()), ' ', $e->getMessage(), "\n";
echo throws(fn () => count($t))->getMessage(), "\n";
echo throws(fn () => $items->Item('delta'))->getMessage(), "\n";
?>
--EXPECT--
0:alpha 1:beta 2:gamma
int(3)
string(4) "beta"
string(5) "gamma"
aa ab ag ba bb bg ga gb gg 
alpha,beta,gamma
InternalIterator 3
80020011 INodeThing is not a collection
INodeThing has no Count
No item named delta
