#pragma once
#include <string>

// File names as the user sees them: long names for 8.3 components, and the shell's display name.
namespace ulong {

// The path with its last component replaced by its long name as stored on disk, where found.
std::wstring LongComponentName(const std::wstring& path);
// The path with every component replaced by its long name, where found.
std::wstring ShortToLongPath(const std::wstring& path);
// The shell's display name of the file (with or without extension, as the user's setting says),
// or the path itself when the shell gives none.
std::wstring ShellDisplayName(const std::wstring& path);

} // namespace ulong
