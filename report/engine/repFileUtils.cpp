#include "report/engine/repFileUtils.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/SysUtils.h"

namespace {

// Removes the entries of the open folder Dir. Every step goes through the folder's descriptor
// and refuses to follow links, so a link swapped in meanwhile cannot lead outside.
void RemoveEntries(int Dir, int Depth) {
  const int Copy = dup(Dir);
  if (Copy < 0) return;
  DIR* D = fdopendir(Copy);
  if (!D) {
    close(Copy);
    return;
  }
  std::vector<std::string> Names;
  while (dirent* E = readdir(D)) {
    const std::string Name = E->d_name;
    if (Name != "." && Name != "..") Names.push_back(Name);
  }
  closedir(D);
  for (const std::string& Name : Names) {
    struct stat St;
    if (fstatat(Dir, Name.c_str(), &St, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(St.st_mode)) {
      if (Depth < MaxFolderTreeDepth) {
        const int Sub = openat(Dir, Name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (Sub >= 0) {
          RemoveEntries(Sub, Depth + 1);
          close(Sub);
        }
      }
      unlinkat(Dir, Name.c_str(), AT_REMOVEDIR);
    } else {
      unlinkat(Dir, Name.c_str(), 0);
    }
  }
}

} // namespace

void DeleteFolderTree(const std::string& Path) {
  if (Path.empty()) return;
  const int Dir = open(Path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (Dir < 0) return;
  RemoveEntries(Dir, 0);
  close(Dir);
  rmdir(Path.c_str());
}

std::string ReadScriptUnit(const std::vector<std::string>& Folders, const std::string& UnitName) {
  namespace fs = std::filesystem;
  const fs::path Name(UnitName);
  if (!UnitName.empty() && UnitName.find('\0') == std::string::npos && Name.is_relative() && !Name.has_root_name()) {
    for (const std::string& Folder : Folders) {
      if (Folder.empty()) continue;
      std::error_code Error;
      const fs::path Base = fs::canonical(Folder, Error);
      if (Error) continue;
      // Links are resolved before the test, so a link inside the folder cannot lead out of it.
      const fs::path File = fs::weakly_canonical(Base / Name, Error);
      if (Error) continue;
      const fs::path Inside = File.lexically_relative(Base);
      if (Inside.empty() || *Inside.begin() == ".." || *Inside.begin() == ".") continue;
      if (!fs::is_regular_file(File, Error)) continue;
      rt::TStringList Lines;
      Lines.LoadFromFile(File.string());
      return Lines.Text();
    }
  }
  throw rt::EFOpenError("Cannot open file \"" + UnitName + "\". " + std::generic_category().message(ENOENT));
}
