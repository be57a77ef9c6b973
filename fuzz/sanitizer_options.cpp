// ASan fills only the first 4 KB of each allocation by default; filling all of it makes a read of
// memory the code never wrote give the same garbage every run, so such a fault replays.
extern "C" const char* __asan_default_options() {
    return "max_malloc_fill_size=1073741824";
}
