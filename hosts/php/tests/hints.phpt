--TEST--
Hints: a refused parameter string gets the Node host's hint lines, from the shared vocabulary
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
echo "done\n";
?>
--EXPECT--
done
