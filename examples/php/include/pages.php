<?php
// What the example pages share: the drawing of the badge and the chart, and the upload's answer.
// Each page makes its own objects; PHP releases them, and their pixels, when the request ends.
declare(strict_types=1);

use function Vellumax\create;
use function Vellumax\params;

const FONT = ['textfont' => 'DejaVu Sans', 'textsize' => 11];
const THUMBNAIL_SIDE = 96;
const BAR_COLORS = ['#4e79a7', '#f28e2b', '#e15759', '#76b7b2', '#59a14f', '#edc948'];

// Runs a page; a failed call answers 400 with the server's description, which says what was
// wrong with the request (a colour, a value).
function answer(callable $page): void
{
    try {
        [$type, $body] = $page();
        header("Content-Type: $type");
        echo $body;
    } catch (Vellumax\Exception $e) {
        http_response_code(400);
        header('Content-Type: text/plain; charset=utf-8');
        echo $e->description;
    }
}

// The first 80 characters of a text (bytes, for a text that is not UTF-8).
function shortened(string $text): string
{
    return preg_match('/^.{0,80}/us', $text, $m) === 1 ? $m[0] : substr($text, 0, 80);
}

// Width and height of one line of text, from the server's own text layout.
function measure(string $text, array $style): array
{
    return create('Vellumax.Canvas')->TextArea($text, params($style + ['rect' => [0, 0, 30000, 1000]]));
}

// A two-part badge sized to its words: "label | value".
function badge(array $query): array
{
    $label = shortened((string) ($query['label'] ?? 'build'));
    $value = shortened((string) ($query['value'] ?? 'passing'));
    $color = (string) ($query['color'] ?? '#44cc11');
    $pad = 6;
    $height = 20;
    $left = measure($label, FONT)[0] + 2 * $pad;
    $right = measure($value, FONT)[0] + 2 * $pad;
    $canvas = create('Vellumax.Canvas');
    $canvas->Width = $left + $right;
    $canvas->Height = $height;
    $canvas->DrawShape('rect', params(['rect' => [0, 0, $left, $height], 'paintcolor' => '#555555', 'op' => 'paint']));
    $canvas->DrawShape('rect', params(['rect' => [$left, 0, $left + $right, $height], 'paintcolor' => $color, 'op' => 'paint']));
    $text = FONT + ['textcolor' => 'white', 'halign' => 'middle', 'valign' => 'middle'];
    $canvas->DrawText($label, params($text + ['rect' => [0, 0, $left, $height]]));
    $canvas->DrawText($value, params($text + ['rect' => [$left, 0, $left + $right, $height]]));
    return ['image/png', $canvas->GetAs('png', '')];
}

// A bar chart of up to 24 values, each bar scaled to the largest.
function chart(array $query): array
{
    $values = array_slice(explode(',', (string) ($query['values'] ?? '3,7,2,9')), 0, 24);
    foreach ($values as $v) {
        if (!is_numeric($v) || (float) $v < 0) {
            return ['text/plain; charset=utf-8', 'values: a list of numbers, none negative'];
        }
    }
    $values = array_map('floatval', $values);
    $labels = explode(',', (string) ($query['labels'] ?? ''));
    $width = min((int) ($query['width'] ?? 0) ?: 360, 2000);
    $height = min((int) ($query['height'] ?? 0) ?: 200, 2000);
    $top = 20;
    $bottom = $height - 20;
    $largest = max(max($values), 1e-9);
    $slot = intdiv($width - 20, count($values));
    $canvas = create('Vellumax.Canvas');
    $canvas->Width = $width;
    $canvas->Height = $height;
    $canvas->DrawShape('rect', params(['rect' => [0, 0, $width, $height], 'paintcolor' => 'white', 'op' => 'paint']));
    $small = ['textsize' => 9, 'halign' => 'middle'] + FONT;
    foreach ($values as $i => $v) {
        $x = 10 + $i * $slot;
        $y = $bottom - (int) round(($bottom - $top) * $v / $largest);
        if ($y < $bottom) {
            $bar = ['rect' => [$x + 2, $y, $x + $slot - 2, $bottom], 'paintcolor' => BAR_COLORS[$i % 6], 'op' => 'paint'];
            $canvas->DrawShape('rect', params($bar));
        }
        $canvas->DrawText((string) $v, params($small + ['rect' => [$x, $y - 14, $x + $slot, $y]]));
        if (($labels[$i] ?? '') !== '') {
            $canvas->DrawText($labels[$i], params($small + ['rect' => [$x, $bottom + 2, $x + $slot, $height]]));
        }
    }
    $canvas->DrawShape('line', params(['points' => [8, $bottom, $width - 8, $bottom], 'pencolor' => 'black']));
    return ['image/png', $canvas->GetAs('png', '')];
}

function formPage(string $action): array
{
    $action = htmlspecialchars($action);
    return ['text/html; charset=utf-8', <<<HTML
        <!doctype html>
        <html><head><meta charset="utf-8"><title>Upload a picture</title></head>
        <body>
        <h1>Upload a picture</h1>
        <form action="$action" method="post" enctype="multipart/form-data">
          <input type="file" name="picture" accept="image/*">
          <button type="submit">Inspect</button>
        </form>
        </body></html>
        HTML];
}

// The picture's facts from Graphic and a thumbnail drawn with DrawData, as an HTML page.
function factsPage(string $bytes, string $filename, string $type): array
{
    $graphic = create('Vellumax.Graphic');
    $graphic->SetData($bytes, $type);
    $images = iterator_to_array($graphic->GraphicImages);
    $first = $images[0];
    [$left, $top, $right, $bottom] = array_map('intval', explode(',', $first->Rectangle));
    $scale = min(THUMBNAIL_SIDE / max($right - $left, 1), THUMBNAIL_SIDE / max($bottom - $top, 1), 1);
    $width = max(1, (int) round(($right - $left) * $scale));
    $height = max(1, (int) round(($bottom - $top) * $scale));
    // A picture Graphic can read may still fail to draw: the page then says why.
    try {
        $canvas = create('Vellumax.Canvas');
        $canvas->Width = $width;
        $canvas->Height = $height;
        $canvas->DrawData($bytes, $type, params(['rect' => [0, 0, $width, $height]]));
        $thumbnail = '<img id="thumbnail" alt="thumbnail" src="data:image/png;base64,'
                   . base64_encode($canvas->GetAs('png', '')) . '">';
    } catch (Vellumax\Exception $e) {
        $thumbnail = '<span id="thumbnail-error">' . htmlspecialchars($e->description) . '</span>';
    }
    $facts = [
        'File' => $filename, 'Type' => $type, 'Bytes' => strlen($bytes), 'Format' => $graphic->Format,
        'Images' => count($images), 'Width' => $right - $left, 'Height' => $bottom - $top,
        'Depth' => $first->Depth, 'Resolution' => $first->Resolution,
    ];
    $rows = '';
    foreach ($facts as $name => $value) {
        $rows .= '<tr><th>' . $name . '</th><td id="fact-' . strtolower($name) . '">'
               . htmlspecialchars((string) $value) . '</td></tr>';
    }
    return ['text/html; charset=utf-8', <<<HTML
        <!doctype html>
        <html><head><meta charset="utf-8"><title>Picture facts</title></head>
        <body>
        <h1>Picture facts</h1>
        <table>$rows</table>
        <p>$thumbnail</p>
        </body></html>
        HTML];
}
