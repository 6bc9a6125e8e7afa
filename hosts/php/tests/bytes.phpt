--TEST--
Bytes: PHP strings reach byte parameters whole, and byte arrays come back as strings
--EXTENSIONS--
vellumax
--FILE--
<?php
require __DIR__ . '/setup.inc';
$canvas = Vellumax\create('Vellumax.Canvas');
$canvas->Width = 30;
$canvas->Height = 20;
$png = $canvas->GetAs('png', '');
var_dump(substr($png, 1, 3), strlen($png) > 50);

// A picture's bytes into Graphic and DrawData.
$graphic = Vellumax\create('Vellumax.Graphic');
$graphic->SetData($png, 'image/png');
var_dump($graphic->Format, $graphic->Drawable);
$canvas->DrawData($png, 'image/png', 'rect=0,0,10,10');

// A form body that is valid UTF-8 text still goes as bytes, and every byte value comes back.
$all = '';
for ($i = 0; $i < 256; ++$i)
    $all .= chr($i);
$body = "--b\r\nContent-Disposition: form-data; name=\"note\"\r\n\r\nhello\r\n"
      . "--b\r\nContent-Disposition: form-data; name=\"blob\"; filename=\"a.bin\"\r\nContent-Type: application/octet-stream\r\n\r\n"
      . $all . "\r\n--b--\r\n";
$form = Vellumax\create('Vellumax.XMultipart');
$form->SetData("--b\r\nContent-Disposition: form-data; name=\"only\"\r\n\r\ntext\r\n--b--\r\n");
var_dump($form->Item('only')->Data);
$form->SetData($body);
var_dump($form->Count, $form->Item('blob')->Data === $all, $form->Item(1)->Data);

// Gestalt.Save writes the bytes as given.
$path = tempnam(sys_get_temp_dir(), 'vx-bytes-');
Vellumax\create('Vellumax.Gestalt')->Save($path, $all);
var_dump(file_get_contents($path) === $all);
unlink($path);
?>
--EXPECT--
string(3) "PNG"
bool(true)
string(3) "PNG"
bool(true)
string(4) "text"
int(2)
bool(true)
string(5) "hello"
bool(true)
