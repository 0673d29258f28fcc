// The positive control for the planted libraries: loads each library named
// on its command line the ordinary way, with the default search path (its own
// folder, then the system folders, then the current directory), as a program
// without setup's protection would. Prints where each came from; the exit
// code is the number that did not load.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    int missing = 0;
    for (int i = 1; i < argc; ++i) {
        HMODULE module = LoadLibraryA(argv[i]);
        char path[MAX_PATH] = "(not loaded)";
        if (module)
            GetModuleFileNameA(module, path, MAX_PATH);
        else
            ++missing;
        std::printf("control: %s from %s\n", argv[i], path);
    }
    std::fflush(stdout);
    return missing;
}
