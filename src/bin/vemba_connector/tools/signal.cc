#include "vemba_connector/tools/signal.h"

#include "project_io/store/store.h"

namespace vemba_connector {

namespace io = vemba_core::project_io;

void write_signal(std::string_view library_root, std::string_view project, std::string_view status,
                  std::string_view message) {
  const io::json::value record = io::json::object{
      {"at", static_cast<std::uint64_t>(io::now_ms())}, {"message", message}, {"project", project}, {"status", status}};
  // Servers share the file with no lock and never wait for one another: each
  // write goes through a temporary of its own. "writing" and "done" matter
  // only to an app that is running, so their folder is left to the system;
  // "open" is read again at the app's next launch, as its reply promises, so
  // it must survive a power cut.
  const auto durability = status == "open" ? io::Durability::kDurable : io::Durability::kFileOnly;
  (void)io::atomic_write(io::fs::path(std::string(library_root)) / io::kSignalFile, io::to_compact(record), durability);
}

}  // namespace vemba_connector
