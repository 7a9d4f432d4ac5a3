// Writing a project: the snapshot of the file it replaces, then the atomic
// replace, their file work overlapped with serializing the document.

#include "project_io/store/atomic_write.h"
#include "project_io/store/os.h"
#include "project_io/store/store.h"

#include <fmt/format.h>

namespace vemba_core::project_io {
namespace {

bool entry_exists(const fs::path& p) {
  std::error_code ec;
  return fs::symlink_status(p, ec).type() != fs::file_type::not_found && !ec;
}

// The history folder, made when missing.
std::expected<fs::path, std::string> ensure_history(const fs::path& library, const fs::path& project_folder) {
  auto history = confine(library, project_folder / kHistoryDir);
  if (!history) return std::unexpected("ensure history: " + history.error());
  if (auto made = make_folders(*history); !made) return std::unexpected("ensure history: " + made.error());
  return history;
}

// Never replace an earlier snapshot: two writes within one millisecond would
// otherwise lose a state from the history.
fs::path free_snapshot_name(const fs::path& history, Millis ms) {
  fs::path target = history / ("snap-" + millis_text(ms) + ".json");
  while (entry_exists(target)) target = history / ("snap-" + millis_text(++ms) + ".json");
  return target;
}

// A stored value may sit deeper than any request could nest it; a file the
// reader refuses would lock the project.
std::expected<std::string, std::string> serialize(const json::value& document, std::size_t expected_size) {
  std::optional<std::string> text = to_pretty_document(document, kMaxNesting, expected_size);
  if (!text) return std::unexpected(fmt::format("serialize: nested deeper than {} levels", kMaxNesting));
  return std::move(*text);
}

// What a snapshot copies: the bytes the load read while project.json is still
// that file, else the file as it stands now. None without a file.
struct SnapshotSource {
  ProjectFile* loaded = nullptr;    // the load's bytes, then its open file
  std::optional<OpenFile> current;  // the file read again

  int fd() const { return loaded ? loaded->fd() : current->fd(); }
  std::size_t size() const { return loaded ? loaded->size() : current->size(); }
};

std::expected<std::optional<SnapshotSource>, std::string> snapshot_source(const fs::path& file, ProjectFile* loaded) {
  if (loaded && loaded->unchanged(file)) return SnapshotSource{loaded, std::nullopt};
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return std::nullopt;
  auto opened = open_regular(file);
  if (!opened) return std::unexpected("read for snapshot: " + opened.error());
  return SnapshotSource{nullptr, std::move(*opened)};
}

// The first attempt writes the load's bytes and lets them go, so that the old
// text is gone before the new one is made; a retry copies the open file.
FileWrite::Fill fill_from(SnapshotSource& source) {
  return [&source, first = true](TempFile& temp) mutable {
    if (std::exchange(first, false) && source.loaded) return temp.write(source.loaded->take_bytes());
    return temp.copy_from(source.fd());
  };
}

}  // namespace

// The disk works on the snapshot's temporary while the document is
// serialized, and on both while the snapshot is committed. The snapshot is
// stored (its folder synced) before the project file is replaced, so a write
// that is kept always has its snapshot; a snapshot that failed, even after
// its rename, leaves the project as it was. Whatever does not commit leaves
// no temporary.
Status write_project(const fs::path& library, const fs::path& project_folder, const json::value& document, Millis ms,
                     ProjectFile* loaded) {
  const auto file = confine(library, project_folder / kProjectFile);
  if (!file) return std::unexpected("read for snapshot: " + file.error());
  auto source = snapshot_source(*file, loaded);
  if (!source) return std::unexpected(source.error());

  // 1. The snapshot's temporary, when there is a file to copy.
  std::optional<BegunWrite> snapshot;
  if (*source) {
    const auto history = ensure_history(library, project_folder);
    if (!history) return std::unexpected(history.error());
    snapshot.emplace(begin_write({free_snapshot_name(*history, ms), fill_from(**source)}));
  }
  // 2. The new text and its temporary.
  const auto text = serialize(document, *source ? (*source)->size() : 0);
  if (!text) return std::unexpected(text.error());
  BegunWrite replace = begin_write({project_folder / kProjectFile, [&](TempFile& temp) { return temp.write(*text); }});
  // 3. The snapshot stored. The project is unchanged when it fails.
  if (snapshot)
    if (auto stored = finish_write(std::move(*snapshot)); !stored) return std::unexpected(stored.error().text);
  // 4. The file replaced. The old one stays open, so the rename does not free it.
  if (loaded) loaded->retire();
  if (auto replaced = finish_write(std::move(replace)); !replaced)
    return std::unexpected(failure_text(replaced.error()));
  return {};
}

}  // namespace vemba_core::project_io
