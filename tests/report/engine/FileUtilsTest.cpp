#include "report/engine/repFileUtils.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class FolderTree : public ::testing::Test {
protected:
  void SetUp() override {
    char Name[] = "/tmp/repFolderXXXXXX";
    ASSERT_NE(mkdtemp(Name), nullptr);
    Root = Name;
  }
  void TearDown() override { fs::remove_all(Root); }
  static void Touch(const fs::path& P) { std::ofstream(P) << "x"; }
  fs::path Root;
};

} // namespace

TEST_F(FolderTree, RemovesNestedFoldersAndReadOnlyFiles) {
  const fs::path Tree = Root / "tree";
  fs::create_directories(Tree / "a" / "b" / "c");
  Touch(Tree / "top.txt");
  Touch(Tree / "a" / "b" / "deep.txt");
  Touch(Tree / "a" / "b" / "c" / ".hidden");
  Touch(Tree / "a" / "readonly.txt");
  chmod((Tree / "a" / "readonly.txt").c_str(), 0444);
  DeleteFolderTree(Tree.string());
  EXPECT_FALSE(fs::exists(Tree));
  EXPECT_TRUE(fs::exists(Root));
}

TEST_F(FolderTree, MissingFoldersAndFilesAreLeftAlone) {
  DeleteFolderTree((Root / "nothing here").string());
  DeleteFolderTree("");
  Touch(Root / "file");
  DeleteFolderTree((Root / "file").string());
  EXPECT_TRUE(fs::exists(Root / "file"));
}

TEST_F(FolderTree, NeverFollowsSymbolicLinksOut) {
  const fs::path Outside = Root / "outside", Tree = Root / "tree";
  fs::create_directories(Outside / "sub");
  Touch(Outside / "keep.txt");
  Touch(Outside / "sub" / "keep2.txt");
  fs::create_directories(Tree);
  fs::create_directory_symlink(Outside, Tree / "link-to-folder");
  fs::create_symlink(Outside / "keep.txt", Tree / "link-to-file");
  fs::create_symlink(Root / "dangling", Tree / "dangling");
  DeleteFolderTree(Tree.string());
  EXPECT_FALSE(fs::exists(fs::symlink_status(Tree)));
  EXPECT_TRUE(fs::exists(Outside / "keep.txt"));
  EXPECT_TRUE(fs::exists(Outside / "sub" / "keep2.txt"));
  // A link given as the folder itself is not followed either.
  fs::create_directory_symlink(Outside, Root / "link");
  DeleteFolderTree((Root / "link").string());
  EXPECT_TRUE(fs::exists(Outside / "keep.txt"));
  EXPECT_TRUE(fs::is_symlink(Root / "link"));
}
