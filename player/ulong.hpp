#pragma once
#include <string>

// File names as the user sees them: long names for 8.3 components, and the shell's display name.
// Paths are code page 936 text.
namespace ulong {

// The path with its last component replaced by its long name as stored on disk, where found.
std::string LongComponentName(const std::string& path);
// The path with every component replaced by its long name, where found.
std::string ShortToLongPath(const std::string& path);
// The shell's display name of the file (with or without extension, as the user's setting says),
// or the path itself when the shell gives none.
std::string ShellDisplayName(const std::string& path);

} // namespace ulong
