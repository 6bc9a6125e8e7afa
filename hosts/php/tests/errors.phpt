--TEST--
Errors: Vellumax\Exception with the HRESULT, the server's description, its source and hint lines
--EXTENSIONS--
vellumax
--FILE--
<?php
require __DIR__ . '/setup.inc';
$t = thing();

$e = throws(fn () => $t->Fail(-2147024809, 'The width is wrong'));
var_dump(get_class($e), dechex($e->getCode()), $e->getMessage(), $e->description, $e->source, $e->hint);
check($e instanceof Exception, 'a PHP Exception');

// A failed put leaves the value as it was.
$t->Width = 5;
$e = throws(function () use ($t) { $t->Width = -1; });
var_dump($e->getMessage(), $t->Width);

// Wrong argument counts: the member's parameters, from the type information.
echo throws(fn () => $t->Scale())->getMessage(), "\n";
echo throws(fn () => $t->TypeOf(1, 2))->hint, "\n";
echo throws(fn () => Vellumax\create('Vellumax.Canvas')->DrawShape('oval'))->hint, "\n";

// Members that are not there, read, written or called.
foreach ([fn () => $t->Nothing, function () use ($t) { $t->Nothing = 1; }, fn () => $t->Nothing(1)] as $call) {
    $e = throws($call);
    echo get_class($e), ' ', dechex($e->getCode()), ' ', $e->getMessage(), "\n";
}
var_dump(isset($t->Nothing), isset($t->Width), isset($t->Partner), $t->Nothing ?? 'default');
echo throws(function () use ($t) { $t->Items = 1; })->getMessage(), "\n";
echo throws(fn () => $t->CreateChild)->getMessage(), "\n";
echo throws(fn () => new Vellumax\AutomationObject())->getMessage(), "\n";
echo throws(fn () => clone $t)->getMessage(), "\n";
echo throws(fn () => serialize($t))->getMessage(), "\n";
echo throws(fn () => $t->Scale(factor: 2))->getMessage(), "\n";

// A class that is not registered: where the registry is and how to register.
$e = throws(fn () => Vellumax\create('Vellumax.Nothing'));
echo dechex($e->getCode()), "\n", $e->getMessage(), "\n";
$e = throws(fn () => Vellumax\create("Vellumax.Canvas\0x"));
echo dechex($e->getCode()), "\n";
$e = throws(fn () => Vellumax\register_server('/nowhere/libnothing.so'));
echo dechex($e->getCode()), ' ', $e->getMessage(), "\n";
?>
--EXPECTF--
string(18) "Vellumax\Exception"
string(8) "80070057"
string(18) "The width is wrong"
string(18) "The width is wrong"
string(18) "VxNodeTest.Thing.1"
NULL
string(26) "Width must not be negative"
int(5)
Invalid number of parameters.
INodeThing.Scale(inFactor, [inOffset]) takes 1 to 2 arguments; 0 given.
INodeThing.TypeOf(inValue) takes 1 argument; 2 given.
ICanvas.DrawShape(inShape, inParams) takes 2 arguments; 1 given.
Vellumax\Exception 80020003 INodeThing has no member Nothing
Vellumax\Exception 80020003 INodeThing has no member Nothing
Vellumax\Exception 80020003 INodeThing has no member Nothing
bool(false)
bool(true)
bool(false)
string(7) "default"
INodeThing.Items is read-only
INodeThing.CreateChild takes arguments: call it as ->CreateChild(...)
Vellumax\AutomationObject is made by Vellumax\create('Vellumax.Canvas') and the like, not by new
Trying to clone an uncloneable object of class Vellumax\AutomationObject
Serialization of 'Vellumax\AutomationObject' is not allowed
automation members take no named arguments ($factor)
800401f3
Vellumax.Nothing: Invalid class string
Vellumax.Nothing is not registered in the registry %s/registry.db (VX_REGISTRY). Register the server once with Vellumax\register_server('/path/to/libvellumax.so'), or tools/regsvr with the path of libvellumax.so, with VX_REGISTRY naming the same file in both processes (under PHP-FPM: env[VX_REGISTRY] in the pool).
800401f3
800401f8 /nowhere/libnothing.so: %s
