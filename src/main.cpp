#include "app/monitormain.h"
#include "shell/windowprogram.h"

// zel-fm-monitor: the command line, and the monitor without a window, run
// here; the window is a program of its own that takes over this process, so
// that a service without a display loads no widget library at all.
int main(int argc, char* argv[])
{
    // The window program reads the same arguments again, --profile with them.
    if (const auto status = zel::runWithoutWindow(argc, argv).status)
        return *status;
    return zel::runWindowProgram(argv);
}
