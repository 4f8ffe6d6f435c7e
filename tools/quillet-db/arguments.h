// The command line as UTF-8 strings, and stdout set up for UTF-8 bytes.
#pragma once

#include <string>
#include <vector>

// Windows: the wide command line converted to UTF-8 (the ANSI argv cannot hold every path), and stdout
// and stderr switched to binary so that "\n" stays one byte. Elsewhere: argv as given.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
