#include "project_io/store/listing.h"

#include "project_io/store/store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vemba_core::project_io {
namespace {

using vemba_test::TempDir;
using vemba_test::write_file;

std::vector<std::string> sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> folder_names(const ProjectFolders& found) {
  std::vector<std::string> names;
  for (const fs::path& folder : found.folders) names.push_back(folder.filename().string());
  return sorted(names);
}

// A project is a folder with its marker, both inside the library: a folder
// without the marker, a plain file, a linked folder that leads outside, a
// marker linked from outside and a project still being made in its draft
// folder are none; a link that stays inside counts.
TEST(ProjectFolders, OnlyMarkedFoldersInsideTheLibrary) {
  TempDir dir;
  const fs::path root = dir / "library";
  write_file(root / "a" / kMarkerFile, "");
  write_file(root / "unmarked" / "project.json", "{}");
  write_file(root / "file", "");
  write_file(dir / "outside" / kMarkerFile, "");
  fs::create_directory_symlink(dir / "outside", root / "escape");
  fs::create_directory_symlink(root / "a", root / "alias");
  write_file(root / "linked" / "project.json", "{}");
  fs::create_symlink(dir / "outside" / kMarkerFile, root / "linked" / kMarkerFile);
  write_file(root / ".vemba-tmp-0123456789abcdef" / kMarkerFile, "1\n");
  const ProjectFolders found = project_folders(root);
  EXPECT_EQ(found.library, fs::canonical(root));
  EXPECT_EQ(folder_names(found), (std::vector<std::string>{"a", "alias"}));
}

TEST(ProjectFolders, NoneForARootThatDoesNotResolve) {
  TempDir dir;
  EXPECT_TRUE(project_folders(dir / "missing").folders.empty());
  EXPECT_TRUE(project_folders(fs::path(std::string("x\0y", 3))).folders.empty());
}

// Regular files only (links followed), and none that lead outside the library.
TEST(AssetNames, RegularFilesInsideTheLibrary) {
  TempDir dir;
  const fs::path root = dir / "library";
  const fs::path project = root / "p";
  write_file(project / kAssetsDir / "a.png", "x");
  write_file(project / kAssetsDir / "sub" / "b.png", "x");
  write_file(root / "shared.png", "x");
  write_file(dir / "outside.png", "x");
  fs::create_symlink(root / "shared.png", project / kAssetsDir / "inside.png");
  fs::create_symlink(dir / "outside.png", project / kAssetsDir / "escape.png");
  const fs::path library = fs::canonical(root);
  EXPECT_EQ(sorted(asset_names(library, library / "p")), (std::vector<std::string>{"a.png", "inside.png"}));
  EXPECT_TRUE(asset_names(library, library / "none").empty());

  write_file(dir / "elsewhere" / "c.png", "x");
  fs::create_directories(root / "q");
  fs::create_directory_symlink(dir / "elsewhere", root / "q" / kAssetsDir);
  EXPECT_TRUE(asset_names(library, library / "q").empty());
}

}  // namespace
}  // namespace vemba_core::project_io
