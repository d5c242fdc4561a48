// fontconfig keeps its configuration and font cache for the life of the
// process and never frees them; LeakSanitizer would report those as leaks
// in every test that measures or draws text. Only fontconfig's own
// allocations are excused.

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
