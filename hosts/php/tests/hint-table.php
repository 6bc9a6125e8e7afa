<?php
// The PHP half of hint-table.test.js: reads {cases, folder} as JSON on standard input, runs each
// failing call and prints what it threw as JSON, one result per case.
declare(strict_types=1);

$input = json_decode(stream_get_contents(STDIN), true, 32, JSON_THROW_ON_ERROR);
$folder = $input['folder'];

function target(?string $progId): ?Vellumax\AutomationObject
{
    if ($progId === null)
        return null;
    $object = Vellumax\create($progId);
    if ($progId === 'Vellumax.Canvas') {
        $object->Width = 20;
        $object->Height = 20;
        $object->Erase();
    }
    return $object;
}

// A case's value: JSON's own, or {object}, {self}, {map}, {list}, {bytes}, {path} as the test
// describes.
function value(mixed $form, ?Vellumax\AutomationObject $self, string $folder): mixed
{
    if (!is_array($form))
        return $form;
    return match (array_key_first($form)) {
        'object' => Vellumax\create($form['object']),
        'self' => $self,
        'map', 'list', 'bytes' => reset($form),
        'path' => $folder . '/' . $form['path'],
    };
}

$results = [];
foreach ($input['cases'] as $case) {
    $result = ['thrown' => null];
    try {
        if (isset($case['create'])) {
            Vellumax\create($case['create']);
        } else {
            $self = target($case['on']);
            foreach ($case['set'] ?? [] as [$name, $value])
                $self->$name = $value;
            if (isset($case['put'])) {
                [$name, $form] = $case['put'];
                $self->$name = value($form, $self, $folder);
            } else {
                $name = $case['call'][0];
                $args = array_map(fn ($form) => value($form, $self, $folder), array_slice($case['call'], 1));
                $self->$name(...$args);
            }
        }
    } catch (Throwable $e) {
        $message = $e->getMessage();
        $ours = $e instanceof Vellumax\Exception;
        $cut = strpos($message, "\n");
        $result = [
            'thrown' => get_class($e),
            'message' => $message,
            'description' => $ours ? $e->description : null,
            'hint' => $ours ? $e->hint : ($cut === false ? null : substr($message, $cut + 1)),
        ];
    }
    $results[] = $result;
}
echo json_encode($results, JSON_THROW_ON_ERROR | JSON_UNESCAPED_SLASHES), "\n";
