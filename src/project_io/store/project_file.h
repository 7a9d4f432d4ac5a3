#pragma once
// The file a project's state is read from: opened only when it is a regular
// file, read whole in one go, and kept for the write that replaces it.

#include "project_io/json/json.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>

namespace vemba_core::project_io {

namespace fs = std::filesystem;

/// A regular file (or a folder, which fails when read) opened for reading.
struct OpenFile {
  int fd;
  struct stat st;  // as the open found it
  std::size_t size() const { return st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0; }
};

/// Opens `path` for reading without blocking; a named pipe, socket or device
/// is refused ("not a regular file"). The error is the system's text.
std::expected<OpenFile, std::string> open_regular(const fs::path& path);
/// The whole file from where it stands, read straight into the text.
std::expected<std::string, std::string> read_all(const OpenFile& file);

/// The project.json that a write will replace, as the load read it: its
/// bytes and the open file. While the file is still the one read, the write
/// snapshots these bytes without reading it again, and keeps it open past
/// the replace, so that the system frees the old file once the reply is out
/// (`close_replaced_files`) rather than inside the call.
class ProjectFile {
 public:
  ProjectFile() = default;
  ProjectFile(std::string bytes, int fd, const struct stat& read) : bytes_(std::move(bytes)), fd_(fd), read_(read) {}
  ProjectFile(ProjectFile&& other) noexcept;
  ProjectFile& operator=(ProjectFile&& other) noexcept;
  ProjectFile(const ProjectFile&) = delete;
  ProjectFile& operator=(const ProjectFile&) = delete;
  ~ProjectFile();

  /// Whether `path` names the file read, of the same size and modification
  /// time: nothing (the app, say) wrote it since.
  bool unchanged(const fs::path& path) const;
  /// The bytes read; empty afterwards.
  std::string take_bytes();
  std::size_t size() const { return read_.st_size > 0 ? static_cast<std::size_t>(read_.st_size) : 0; }
  /// Hands the open file to `close_replaced_files`.
  void retire();

 private:
  std::string bytes_;
  int fd_ = -1;
  struct stat read_ {};
};

/// Closes the project files that writes replaced; the loop calls it once a
/// reply is sent.
void close_replaced_files();

}  // namespace vemba_core::project_io
