#include "vemba_connector/tools/signal.h"

#include "project_io/store/store.h"

namespace vemba_connector {

namespace io = vemba_core::project_io;

void write_signal(std::string_view library_root, std::string_view project, std::string_view status,
                  std::string_view message) {
  const io::json::value record = io::json::object{
      {"at", static_cast<std::uint64_t>(io::now_ms())}, {"message", message}, {"project", project}, {"status", status}};
  // Never waits for another server: the app's notice must not hold up an edit.
  (void)io::atomic_write_unwaited(io::fs::path(std::string(library_root)) / io::kSignalFile, io::to_compact(record));
}

}  // namespace vemba_connector
