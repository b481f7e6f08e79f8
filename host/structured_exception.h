// Faults that C++ cannot catch: an access violation (or any other structured
// exception) in a frame, on the program's thread or on one of Direct3D's.
// They end the saver the way any other failure of the main loop does: the
// shut-down runs (the display gets its own mode back, the system hears that
// no screen saver runs any more), no crash dialog shows, and the process
// ends with exit code 0.
#pragma once

// Installs the process's last-chance handler; called once at entry, on the
// program's own thread.
void InstallStructuredExceptionHandler();
