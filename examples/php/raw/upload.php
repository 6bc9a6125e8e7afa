<?php
// The upload page over the raw request body: XMultipart splits the form. The server sets
// enable_post_data_reading=Off for this folder (a pool of its own), so PHP leaves the body unread.
require __DIR__ . '/../include/pages.php';
answer(function () {
    if ($_SERVER['REQUEST_METHOD'] !== 'POST')
        return formPage('/raw/upload.php');
    $form = Vellumax\create('Vellumax.XMultipart');
    $form->SetData(file_get_contents('php://input'));
    $field = $form->Item('picture');
    return factsPage($field->Data, $field->Filename, $field->Type ?? '');
});
