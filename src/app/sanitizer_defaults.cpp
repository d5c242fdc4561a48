// Built into the program in sanitizer builds only: what the sanitizers are
// told to overlook in the system libraries under the window, which are not
// built for them. Everything allocated or shared by our code stays checked.

// GLib (with GIO), pango and fontconfig: the thread sanitizer sees only their
// calls into the C library (string functions, malloc and free) and not the
// locks they take around them, so their own threads (GLib's worker, pango's
// fontconfig start-up) look like races there. Those calls are not checked.
// GObject's type and signal tables, which the desktop settings written from
// the input settings worker reach, are locked the same unseen way: only
// races and lock reports inside GObject are excused (excusing all its calls
// would hide the GDK lock's pairing too).
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libglib-2.0.so\n"
           "called_from_lib:libgio-2.0.so\n"
           "race:libgobject-2.0.so\n"
           "mutex:libgobject-2.0.so\n"
           "called_from_lib:libfontconfig.so\n"
           "called_from_lib:libpangoft2-1.0.so\n"
           "called_from_lib:libpango-1.0.so\n";
}

// fontconfig keeps its configuration and font cache, GLib its type and quark
// tables, and libdbus (GTK's accessibility bridge) its connection buffers for
// the life of the process and never free them. Their stacks end inside the library (it
// has no frame pointers), so these entries match allocations made there.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libdbus-1.so\n";
}
