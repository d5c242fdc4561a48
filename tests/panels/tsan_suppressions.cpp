// Pango starts fontconfig on a thread of its own; fontconfig and GLib are
// not built for the thread sanitizer, which then reports their internals
// in every test that lays out text. Only races inside those libraries are
// excused; the device threads and our code stay checked.

extern "C" const char* __tsan_default_suppressions() {
    return "race:libfontconfig.so\n"
           "race:libglib-2.0.so\n";
}
