// Fonts are resolved through the drawing layer's catalogue, which keeps
// fontconfig's configuration and font sets for the life of the process; only
// those are exempt from the leak check.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
