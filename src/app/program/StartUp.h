#pragma once
// The program's start-up sequence: folders, settings, then the message loop. Returns the
// process exit code.
int RunProgram(int argc, char **argv);
