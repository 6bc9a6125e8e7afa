<?php
// The PHP page the Debian package test runs as an installed extension is used: nothing but what
// php-vellumax enabled. Draws, encodes a GIF, reads it back, and prints what it made as JSON.
declare(strict_types=1);

$canvas = Vellumax\create('Vellumax.Canvas');
$canvas->Width = 120;
$canvas->Height = 40;
$canvas->DrawShape('oval', Vellumax\params(['rect' => [5, 5, 45, 35], 'paintcolor' => 'red', 'pensize' => 2]));
$gif = $canvas->GetAs('gif', '');
$graphic = Vellumax\create('Vellumax.Graphic');
$graphic->SetData($gif, 'image/gif');
$rects = [];
foreach ($graphic->GraphicImages as $image)
    $rects[] = (string) $image->Rectangle;
$missing = null;
try {
    Vellumax\create('Vellumax.NoSuchClass');
} catch (Vellumax\Exception $e) {
    $missing = $e->hint;
}
echo json_encode(['magic' => substr($gif, 0, 6), 'format' => $graphic->Format, 'rects' => $rects,
                  'registry' => ini_get('vellumax.registry'), 'missing' => $missing]), "\n";
