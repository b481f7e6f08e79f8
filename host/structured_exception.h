// Faults that C++ cannot catch: an access violation (or any other structured
// exception) in a frame, on the program's thread or on one of Direct3D's.
// They end the saver the way any other failure of the main loop does, no
// crash dialog shows, and the process ends with exit code 0. The steps that
// need nothing of Direct3D come first (the system hears that no saver runs,
// the display gets its own mode back, the saver's windows are hidden); the
// release of Direct3D, inside the driver that may just have faulted holding
// a lock, comes last and gets two seconds before the process ends anyway.
// A second fault on that path ends the process at once.
#pragma once

// Installs the process's last-chance handler; called once at entry, on the
// program's own thread.
void InstallStructuredExceptionHandler();
