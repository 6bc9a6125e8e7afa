--TEST--
Registry: vellumax.registry names it when VX_REGISTRY does not, and VX_REGISTRY wins over it
--EXTENSIONS--
vellumax
--FILE--
<?php
// A PHP of its own per case: the setting is read once per process, the environment per request.
function create(array $env, string $setting): string
{
    $code = 'try { Vellumax\create("VxNodeTest.Thing"); echo "created"; } '
          . 'catch (Vellumax\Exception $e) { echo $e->hint; }';
    $php = proc_open([PHP_BINARY, '-n', '-d', 'extension=' . getenv('VX_PHP_EXTENSION'),
                      '-d', "vellumax.registry=$setting", '-r', $code],
                     [1 => ['pipe', 'w']], $pipes, null, $env);
    $out = stream_get_contents($pipes[1]);
    proc_close($php);
    return $out;
}
$registry = getenv('VX_REGISTRY');
$env = getenv();
unset($env['VX_REGISTRY']);
$empty = sys_get_temp_dir() . '/vx-php-registry-' . getmypid() . '.db';

echo create($env, $registry), "\n";
echo create($env + ['VX_REGISTRY' => $empty], $registry), "\n";
echo create($env, $empty), "\n";
foreach (glob("$empty*") as $file)
    unlink($file);
?>
--EXPECTF--
created
VxNodeTest.Thing is not registered in the registry %svx-php-registry-%d.db (VX_REGISTRY). %s
VxNodeTest.Thing is not registered in the registry %svx-php-registry-%d.db. %s
