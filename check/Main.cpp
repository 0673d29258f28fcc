// setup-check: the vendor's check of a setup folder before it ships.
#include <exception>
#include <string>

#include "check/Host.h"
#include "check/Output.h"

int main(int argc, char** argv) {
    std::string out, err;
    int status;
    try {
        status = check::RunCheck(argc - 1, argv + 1, out, err);
    } catch (const std::exception& e) {
        // Only exhausted memory gets here; say so rather than crash.
        err += std::string("setup-check: could not finish: ") + e.what() + "\n";
        status = 2;
    }
    check::WriteText(false, out);
    check::WriteText(true, err);
    return status;
}
