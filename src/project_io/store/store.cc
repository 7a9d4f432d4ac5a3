#include "project_io/store/store.h"
#include "project_io/store/disk.h"

#include "project_io/json/text.h"
#include "project_io/model/document.h"
#include "project_io/store/folder_lock.h"
#include "project_io/store/os.h"
#include "project_io/store/temporaries.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unicode/uchar.h>
#include <unistd.h>

#include <fmt/format.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <vector>

namespace vemba_core::project_io {
namespace {

// The platform's own resolution call: every link, "." and ".." resolved.
std::expected<fs::path, std::string> resolve(const fs::path& p) {
  if (holds_nul(p)) return std::unexpected(os_error(EINVAL));
  char* resolved = ::realpath(p.c_str(), nullptr);
  if (!resolved) return std::unexpected(os_error(errno));
  fs::path out(resolved);
  std::free(resolved);
  return out;
}

bool path_within(const fs::path& path, const fs::path& root) {
  auto p = path.begin();
  for (auto r = root.begin(); r != root.end(); ++r, ++p) {
    // A trailing separator shows up as an empty last component.
    if (r->empty() && std::next(r) == root.end()) break;
    if (p == path.end() || *p != *r) return false;
  }
  return true;
}

// A link may lead to a path that is not UTF-8; the reply must stay text.
std::string escapes(const fs::path& resolved) { return "path escapes library: " + lossy_utf8(resolved.string()); }

// The marker in a folder just made: nothing of the user's can stand there, so
// whatever does (a planted link, say) is refused rather than written through.
Status write_marker(const fs::path& folder) {
  const std::string marker = (folder / kMarkerFile).string();
  const int fd = disk().open(marker.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return std::unexpected("write marker: " + os_error(errno));
  const bool written = disk().write(fd, "1\n", 2) == 2 && disk().fsync(fd) == 0;
  const int err = errno;
  ::close(fd);
  if (!written) return std::unexpected("write marker: " + os_error(err));
  return {};
}

// A new project made whole in a folder of its own under a temporary name in
// the library, so that no one sees it before it is complete: until it is
// renamed in, a failure leaves nothing.
class ProjectDraft {
 public:
  /// The folder with its assets folder, marker and project.json, all synced.
  static std::expected<ProjectDraft, std::string> make(const fs::path& root, std::string_view text);
  ProjectDraft(ProjectDraft&& other) noexcept : path_(std::exchange(other.path_, {})) {}
  ProjectDraft(const ProjectDraft&) = delete;
  ProjectDraft& operator=(const ProjectDraft&) = delete;
  ~ProjectDraft() {
    if (!path_.empty()) remove_project_draft(path_);
  }

  /// Renames the draft in under the first free name among "base", "base
  /// (2)", "base (3)", ...; "commit: …". Once renamed in, it is the project.
  std::expected<std::string, std::string> name_in(const fs::path& root, const std::string& base);

 private:
  explicit ProjectDraft(fs::path path) : path_(std::move(path)) {}
  fs::path path_;
};

std::expected<ProjectDraft, std::string> ProjectDraft::make(const fs::path& root, std::string_view text) {
  fs::path path = temp_path_in(root);
  if (::mkdir(path.c_str(), 0777) != 0) return std::unexpected("create assets dir: " + os_error(errno));
  ProjectDraft draft(std::move(path));
  if (::mkdir((draft.path_ / kAssetsDir).c_str(), 0777) != 0)
    return std::unexpected("create assets dir: " + os_error(errno));
  if (auto marked = write_marker(draft.path_); !marked) return std::unexpected(marked.error());
  // One attempt: no one else sees the draft, and a failure leaves nothing, so
  // the call itself can be made again. The sync of the folder after the
  // rename keeps the marker and assets/ too.
  auto temp = TempFile::create(draft.path_);
  if (!temp) return std::unexpected(temp.error());
  if (auto written = temp->write(text); !written) return std::unexpected(written.error());
  if (auto committed = temp->commit(draft.path_ / kProjectFile, Durability::kDurable); !committed)
    return std::unexpected(std::move(committed.error().text));
  return draft;
}

std::expected<std::string, std::string> ProjectDraft::name_in(const fs::path& root, const std::string& base) {
  for (int n = 1;; ++n) {
    std::string candidate = n == 1 ? base : fmt::format("{} ({})", base, n);
    // Never over an entry of that name, whatever it is or whoever made it.
    if (disk().rename_new(path_.c_str(), (root / candidate).c_str()) == 0) {
      path_.clear();
      return candidate;
    }
    if (errno != EEXIST && errno != ENOTEMPTY) return std::unexpected("commit: " + os_error(errno));
  }
}

// Letters and digits in the Unicode sense, space, '-' and '_' stay; every
// other character becomes a space.
std::string folder_characters(std::string_view name) {
  std::string out;
  for_each_code_point(name, [&](char32_t c, std::string_view seq) {
    const auto u = static_cast<UChar32>(c);
    const int8_t type = u_charType(u);
    const bool keep = u_hasBinaryProperty(u, UCHAR_ALPHABETIC) || type == U_DECIMAL_DIGIT_NUMBER ||
                      type == U_LETTER_NUMBER || type == U_OTHER_NUMBER || c == ' ' || c == '-' || c == '_';
    if (keep)
      out.append(seq);
    else
      out.push_back(' ');
  });
  return out;
}

}  // namespace

bool is_bare_name(std::string_view name) {
  return !name.empty() && name.find("..") == std::string_view::npos &&
         name.find_first_of("/\\") == std::string_view::npos;
}

Status safe_project_name(std::string_view name) {
  if (!is_bare_name(name)) return std::unexpected(fmt::format("invalid project name: {}", name));
  return {};
}

std::expected<fs::path, std::string> project_dir(const fs::path& root, std::string_view name) {
  if (auto ok = safe_project_name(name); !ok) return std::unexpected(ok.error());
  return root / fs::path(std::string(name));
}

std::expected<fs::path, std::string> ensure_within(const fs::path& root, const fs::path& path) {
  const auto canon_root = resolve_library(root);
  if (!canon_root) return std::unexpected(canon_root.error());
  if (path.empty() || path == path.root_path()) return std::unexpected(std::string("no parent"));
  const auto canon_parent = resolve(path.parent_path());
  if (!canon_parent) return std::unexpected("path not found: " + canon_parent.error());
  const fs::path name = path.filename();
  if (name.empty() || name == "..") return std::unexpected(std::string("no file name"));
  fs::path joined = *canon_parent / name;
  // A link may lead to a path that is not UTF-8; the reply must stay text.
  if (!path_within(joined, *canon_root)) return std::unexpected(escapes(joined));
  return joined;
}

std::expected<fs::path, std::string> resolve_library(const fs::path& root) {
  auto canon = resolve(root);
  if (!canon) return std::unexpected("library not found: " + canon.error());
  return canon;
}

std::expected<fs::path, std::string> confine(const fs::path& library, const fs::path& path) {
  if (auto resolved = resolve(path)) {
    if (!path_within(*resolved, library)) return std::unexpected(escapes(*resolved));
    return resolved;
  }
  // Missing: the folder it would be made in must not lead outside either.
  if (auto folder = resolve(path.parent_path()); folder && !path_within(*folder, library))
    return std::unexpected(escapes(*folder / path.filename()));
  return path;
}

std::expected<std::string, std::string> read_confined(const fs::path& library, const fs::path& path) {
  auto where = confine(library, path);
  if (!where) return std::unexpected(where.error());
  return read_file(*where);
}

bool is_confined_file(const fs::path& library, const fs::path& path) {
  if (holds_nul(path)) return false;
  auto where = confine(library, path);
  std::error_code ec;
  return where && fs::is_regular_file(*where, ec);
}

std::expected<std::string, std::string> read_file(const fs::path& path) {
  const auto opened = open_regular(path);
  if (!opened) return std::unexpected(opened.error());
  return read_all(*opened);
}

std::expected<json::value, std::string> read_project(const fs::path& library, const fs::path& project_folder) {
  return read_project(library, project_folder, {});
}

std::expected<json::value, std::string> read_project(const fs::path& library, const fs::path& project_folder,
                                                     json::storage_ptr storage, ProjectFile* keep) {
  auto where = confine(library, project_folder / kProjectFile);
  if (!where) return std::unexpected("read project: " + where.error());
  auto opened = open_regular(*where);
  if (!opened) return std::unexpected("read project: " + opened.error());
  auto bytes = read_all(*opened);
  if (!bytes) return std::unexpected("read project: " + bytes.error());
  // The parser refuses ill-formed UTF-8 itself, so the bytes are checked
  // again only to word a failure.
  auto doc = parse_json(*bytes, std::move(storage));
  if (!doc && !is_valid_utf8(*bytes))
    return std::unexpected(std::string("read project: stream did not contain valid UTF-8"));
  if (!doc) return std::unexpected("parse project: " + doc.error());
  if (auto ok = normalize(*doc); !ok) return std::unexpected("parse project: " + ok.error());
  if (keep) *keep = ProjectFile(std::move(*bytes), std::move(*opened));
  return std::move(*doc);
}

std::size_t project_file_size(const fs::path& project_folder) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(project_folder / kProjectFile, ec);
  return ec ? 0 : static_cast<std::size_t>(size);
}

std::string folder_name_for(std::string_view name) {
  const std::string kept = folder_characters(name);
  const std::string_view trimmed = trim_white(kept);
  std::string folder;
  for (std::size_t i = 0; i < trimmed.size(); ++i) {
    folder.push_back(trimmed[i]);
    if (trimmed[i] == ' ' && i + 1 < trimmed.size() && trimmed[i + 1] == ' ') ++i;
  }
  return folder.empty() ? "Untitled Project" : folder;
}

std::expected<std::string, std::string> create_project(const fs::path& root, std::string_view name,
                                                       std::string_view context, LockDeadline deadline) {
  if (auto made = make_folders(root); !made) return std::unexpected("ensure library: " + made.error());
  auto lock = lock_folder(root, deadline);
  if (!lock) return std::unexpected(lock.error().busy ? busy_text("library") : "lock library: " + lock.error().text);
  sweep_temporaries(root);  // drafts that a dead server left among them
  std::string_view display = trim_white(name);
  const json::value doc = new_document(display.empty() ? "Untitled project" : display, context);
  auto draft = ProjectDraft::make(root, to_pretty(doc));
  if (!draft) return std::unexpected(draft.error());
  auto folder = draft->name_in(root, folder_name_for(name));
  if (!folder) return std::unexpected(folder.error());
  if (auto synced = sync_folder(root); !synced)
    return std::unexpected(failure_text({WriteFailure::Kind::kUnconfirmed, std::move(synced.error())},
                                        fmt::format("the project \"{}\" was created", *folder)));
  return folder;
}

std::expected<std::string, std::string> write_asset_file(const fs::path& library, const fs::path& project_folder,
                                                         std::string_view file_name, std::string_view bytes) {
  if (!is_bare_name(file_name)) return std::unexpected(fmt::format("invalid asset filename: {}", file_name));
  auto assets = confine(library, project_folder / kAssetsDir);
  if (!assets) return std::unexpected("ensure assets: " + assets.error());
  if (auto made = make_folders(*assets); !made) return std::unexpected("ensure assets: " + made.error());
  if (auto written = atomic_write(*assets / std::string(file_name), bytes); !written)
    return std::unexpected(failure_text(written.error()));
  return std::string(file_name);
}

std::string millis_text(Millis ms) {
  if (ms == 0) return "0";
  std::string digits;
  while (ms > 0) {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(ms % 10)));
    ms /= 10;
  }
  return digits;
}

}  // namespace vemba_core::project_io
