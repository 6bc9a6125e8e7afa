// Dropping a registry file that holds nothing any more, for packages that registered into a
// registry of their own and leave no file behind when they go.
#pragma once

enum class PruneOutcome { kRemoved, kHoldsValues, kFailed };

// Removes the current environment's registry file (with its -wal and -shm companions) when no
// key under any root holds a value; empty keys count as nothing.
PruneOutcome PruneEmptyRegistry();
