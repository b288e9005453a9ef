#pragma once
// File-system helpers of the report engine.
#include <string>

// Folders nested deeper than this below the given one are left in place.
inline constexpr int MaxFolderTreeDepth = 256;

// Removes a folder with everything in it. Nothing when Path is not a folder (a symbolic link
// to one included). Symbolic links inside are removed as links: their targets are never
// entered or deleted. Entries that cannot be deleted stay; nothing raises.
void DeleteFolderTree(const std::string& Path);
