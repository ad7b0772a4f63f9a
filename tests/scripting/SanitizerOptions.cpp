// Leaks are matched against whole stacks: the interpreter's and the binding library's own
// allocations are only recognised with full unwinding. Options given in ASAN_OPTIONS still win.
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}
