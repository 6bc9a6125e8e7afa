// fontconfig keeps its configuration and font sets for the life of the
// process (Pango holds them through its per-thread font maps); only those
// caches are exempt from the leak check.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
