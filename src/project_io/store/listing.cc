#include "project_io/store/listing.h"

#include "project_io/json/text.h"
#include "project_io/store/os.h"
#include "project_io/store/store.h"
#include "project_io/store/temporaries.h"

#include <system_error>

namespace vemba_core::project_io {
namespace {

// A folder, marker or state document that leads outside the library is not
// one of its projects, nor is one still being made under a temporary name.
bool is_project(const fs::path& library, const fs::path& folder) {
  return !is_own_temp_name(folder.filename().string()) && confine(library, folder) &&
         is_confined_file(library, folder / kMarkerFile);
}

}  // namespace

ProjectFolders project_folders(const fs::path& root) {
  ProjectFolders found;
  if (holds_nul(root)) return found;
  auto library = resolve_library(root);
  if (!library) return found;
  found.library = std::move(*library);
  std::error_code ec;
  fs::directory_iterator it(root, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec))
    if (is_project(found.library, it->path())) found.folders.push_back(it->path());
  return found;
}

std::vector<std::string> asset_names(const fs::path& library, const fs::path& project_folder) {
  std::vector<std::string> names;
  auto assets = confine(library, project_folder / kAssetsDir);
  if (!assets) return names;
  std::error_code ec;
  fs::directory_iterator it(*assets, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec))
    if (is_confined_file(library, it->path())) names.push_back(lossy_utf8(it->path().filename().string()));
  return names;
}

}  // namespace vemba_core::project_io
