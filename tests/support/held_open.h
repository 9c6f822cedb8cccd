// Whether this process still holds a folder open, for tests of code that must close
// what it opened even when its thread ends halfway.
#pragma once
#include <string>

// `path`: UTF-8, no trailing separator.
bool folderHeldOpen(const std::string& path);
