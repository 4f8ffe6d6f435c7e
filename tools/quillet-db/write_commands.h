// The writing subcommands of quillet-db, implemented in write_commands.cpp (the engine's writing half).
// Each gets the arguments after the program name: argv[0] is the subcommand ("create", "check",
// "import"), argv[1..] its own arguments. Exit codes as for every subcommand: 0 success, 1 failure
// (message on stderr), 2 usage error. Arguments and paths are UTF-8 (the Windows build converts them).
#pragma once

int RunCreate(int argc, char** argv);
int RunCheck(int argc, char** argv);
int RunImport(int argc, char** argv);
