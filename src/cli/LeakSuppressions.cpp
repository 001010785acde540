// Fontconfig's configuration and OpenSSL's loaded providers live for the whole process by design;
// their allocations are not leaks of ours. Read by LeakSanitizer when the program runs under it.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libcrypto.so\n";
}
