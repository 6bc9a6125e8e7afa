// Which registry file a thread uses, when its host knows better than the process environment.
//
// A script host whose threads keep environments of their own (a worker's copy of its variables)
// names the file for the calling thread here; RegistryDatabasePath then answers that file on this
// thread instead of reading VX_REGISTRY, XDG_DATA_HOME and HOME.
#pragma once

// inPath null or empty returns the thread to the process environment's rule.
void SetThreadRegistryPath(const char* inPath);
