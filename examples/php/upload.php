<?php
// The upload page through PHP's own form reading: the picture arrives in $_FILES.
require __DIR__ . '/include/pages.php';
answer(function () {
    $file = $_FILES['picture'] ?? null;
    if ($_SERVER['REQUEST_METHOD'] !== 'POST' || $file === null || $file['error'] !== UPLOAD_ERR_OK)
        return formPage('/upload.php');
    return factsPage(file_get_contents($file['tmp_name']), $file['name'], $file['type']);
});
