// Library-lifetime allocations of the window programs: besides fontconfig and OpenSSL (see the core's
// list), GTK, GLib, the X libraries, the accessibility bridge and wxWidgets keep caches, type
// registrations and theme data for the whole process. Read by LeakSanitizer when a window program runs
// under it.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libcrypto.so\n"
           "leak:libgtk-3.so\n"
           "leak:libgdk-3.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libgio-2.0.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libpangocairo-1.0.so\n"
           "leak:libcairo.so\n"
           "leak:libX11.so\n"
           "leak:libatk-1.0.so\n"
           "leak:libatk-bridge-2.0.so\n"
           "leak:libdbus-1.so\n"
           "leak:libwx_gtk3u_core-3.2.so\n"
           "leak:libwx_baseu-3.2.so\n";
}
