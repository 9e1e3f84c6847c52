#pragma once

// Everything that must succeed before the command word is looked at: root
// check, I/O privilege, debug switch, token table. Ends the process on failure.
void run_startup();
