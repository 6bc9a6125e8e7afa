<?php
require __DIR__ . '/include/pages.php';
answer(function () {
    $answer = chart($_GET);
    if ($answer[0] !== 'image/png')
        http_response_code(400);
    return $answer;
});
