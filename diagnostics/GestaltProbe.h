// The server's environment object, created by its class identity and read through the
// slots of its own interface. The only unit of the program that knows that interface.
#pragma once

#include <string>

#include <automation/Client.h>
#include <automation/Owners.h>

#include "RaisedError.h"

struct IGestalt;

class GestaltProbe {
public:
    GestaltProbe();
    GestaltProbe(const GestaltProbe&) = delete;
    GestaltProbe& operator=(const GestaltProbe&) = delete;
    ~GestaltProbe();

    // Each call answers the raised error, or one with S_OK when it succeeded.
    RaisedError Create();
    // The imaging platform's version as text, e.g. 4.1.2.
    RaisedError QuickTime(std::string& outText);
    // A new exporter collection, for late-bound reading.
    RaisedError GraphicsExporters(vx::Client& outCollection);

private:
    vx::ComPtr<IGestalt> mGestalt;
};
