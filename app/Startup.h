#pragma once
// Start-up: application object, title, main window, event loop.

// Runs the program; returns the process exit code.
int RunZormekGui(int argc, char** argv);
