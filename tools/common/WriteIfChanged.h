// Writes a generated file only when its contents change, so that the build
// does not rebuild what depends on it for nothing.
#pragma once

#include <string>

// Returns false when the file cannot be written.
bool WriteIfChanged(const std::string& path, const std::string& bytes);
