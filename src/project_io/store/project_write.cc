// Writing a project: the snapshot of the file it replaces, then the atomic
// replace.

#include "project_io/store/os.h"
#include "project_io/store/pending_write.h"
#include "project_io/store/store.h"

#include <fmt/format.h>

#include <unistd.h>

namespace vemba_core::project_io {
namespace {

bool entry_exists(const fs::path& p) {
  std::error_code ec;
  return fs::symlink_status(p, ec).type() != fs::file_type::not_found && !ec;
}

// The history folder, made when missing and rid of leftovers.
std::expected<fs::path, std::string> ensure_history(const fs::path& library, const fs::path& project_folder) {
  auto history = confine(library, project_folder / kHistoryDir);
  if (!history) return std::unexpected("ensure history: " + history.error());
  std::error_code ec;
  fs::create_directories(*history, ec);
  if (ec) return std::unexpected("ensure history: " + os_error(ec));
  sweep_temporaries(*history, Sweep::kWithSnapshots);
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

// The snapshot and the replace with their file work overlapped. The
// snapshot's bytes are those of the load, and the disk takes them while the
// document is serialized; the new file is written before the snapshot is
// synced. The snapshot is still safe (synced and renamed) before the project
// file is replaced, and a temporary written before then is removed when a
// step fails. None when it does not apply or a step before the snapshot was
// safe failed: the plain path then starts over and words any failure.
std::optional<Status> write_overlapped(const fs::path& library, const fs::path& project_folder,
                                       const json::value& document, Millis ms, Temporaries temps, ProjectFile& loaded) {
  const auto current = confine(library, project_folder / kProjectFile);
  if (!current || !loaded.unchanged(*current)) return std::nullopt;
  const auto history = ensure_history(library, project_folder);
  if (!history) return std::nullopt;
  auto snap = PendingWrite::open(free_snapshot_name(*history, ms), temps);
  if (!snap) return std::nullopt;
  // Taken out, so that the old text is gone before the new one is made.
  if (!snap->write(loaded.take_bytes())) {
    snap->abandon();
    return std::nullopt;
  }
  snap->start_writeback();
  auto text = serialize(document, loaded.size());
  if (!text) {
    snap->abandon();
    return Status(std::unexpected(text.error()));
  }
  auto replace = PendingWrite::open(project_folder / kProjectFile, temps);
  if (!replace || !replace->write(*text)) {
    if (replace) replace->abandon();
    snap->abandon();
    return std::nullopt;
  }
  replace->start_writeback();
  if (!snap->commit()) {
    replace->abandon();
    return std::nullopt;
  }
  // The old file stays open, so the rename does not free it.
  loaded.retire();
  if (replace->commit()) return Status();
  // The snapshot is safe: only the replace is tried again.
  return atomic_write(project_folder / kProjectFile, *text, temps);
}

}  // namespace

Status write_project(const fs::path& library, const fs::path& project_folder, const json::value& document, Millis ms,
                     Temporaries temps, ProjectFile* loaded) {
  if (loaded)
    if (auto written = write_overlapped(library, project_folder, document, ms, temps, *loaded)) return *written;
  // The file it replaces tells its size on the first write of a process.
  auto text = serialize(document, project_file_size(project_folder));
  if (!text) return std::unexpected(text.error());
  if (auto ok = snapshot(library, project_folder, ms, temps); !ok) return ok;
  return atomic_write(project_folder / kProjectFile, *text, temps);
}

Status snapshot(const fs::path& library, const fs::path& project_folder, Millis ms, Temporaries temps) {
  auto current = confine(library, project_folder / kProjectFile);
  if (!current) return std::unexpected("read for snapshot: " + current.error());
  std::error_code ec;
  if (!fs::is_regular_file(*current, ec)) return {};
  auto history = ensure_history(library, project_folder);
  if (!history) return std::unexpected(history.error());
  const auto from = open_regular(*current);
  if (!from) return std::unexpected("read for snapshot: " + from.error());
  Status copied = atomic_copy(free_snapshot_name(*history, ms), from->fd, temps);
  ::close(from->fd);
  return copied;
}

}  // namespace vemba_core::project_io
