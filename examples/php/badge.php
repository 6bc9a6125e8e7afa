<?php
require __DIR__ . '/include/pages.php';
answer(fn () => badge($_GET));
