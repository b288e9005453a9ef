#pragma once
// File-system helpers of the report engine.
#include <string>
#include <vector>

// Folders nested deeper than this below the given one are left in place.
inline constexpr int MaxFolderTreeDepth = 256;

// Removes a folder with everything in it. Nothing when Path is not a folder (a symbolic link
// to one included). Symbolic links inside are removed as links: their targets are never
// entered or deleted. Entries that cannot be deleted stay; nothing raises.
void DeleteFolderTree(const std::string& Path);

// The text of a script unit a report's script names in its uses clause, read from the first of
// Folders that holds it. Only files inside those folders are read: an absolute name, a name that
// leaves the folder ("..", a link pointing out) or one found nowhere raises the runtime's
// file-open error (rt::EFOpenError) with the name as the script gave it.
std::string ReadScriptUnit(const std::vector<std::string>& Folders, const std::string& UnitName);
