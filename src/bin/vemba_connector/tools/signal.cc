#include "vemba_connector/tools/signal.h"

#include "project_io/store/folder_lock.h"
#include "project_io/store/store.h"

namespace vemba_connector {

namespace io = vemba_core::project_io;

void write_signal(std::string_view library_root, std::string_view project, std::string_view status,
                  std::string_view message) {
  const io::json::value record = io::json::object{
      {"at", static_cast<std::uint64_t>(io::now_ms())}, {"message", message}, {"project", project}, {"status", status}};
  const io::fs::path root{std::string(library_root)};
  // Servers on one library share the file's temporary name; one at a time, or
  // a reader could see one record cut into another. Unlocked when locking
  // fails: the notice is best effort.
  auto lock = io::lock_folder(root);
  (void)io::atomic_write(root / io::kSignalFile, io::to_compact(record));
}

}  // namespace vemba_connector
