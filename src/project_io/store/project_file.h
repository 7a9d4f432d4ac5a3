#pragma once
// The file a project's state is read from: opened only when it is a regular
// file, read whole in one go, and kept for the write that replaces it.

#include "project_io/json/json.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>

namespace vemba_core::project_io {

namespace fs = std::filesystem;

/// A regular file (or a folder, which fails when read) opened for reading,
/// closed when destroyed.
class OpenFile {
 public:
  OpenFile(int fd, const struct stat& st) : fd_(fd), st_(st) {}
  OpenFile(OpenFile&& other) noexcept;
  OpenFile& operator=(OpenFile&& other) noexcept;
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile();

  int fd() const { return fd_; }
  /// The file as the open found it.
  const struct stat& status() const { return st_; }
  std::size_t size() const { return st_.st_size > 0 ? static_cast<std::size_t>(st_.st_size) : 0; }
  /// Gives up the descriptor, which the caller then closes.
  int release();

 private:
  int fd_;
  struct stat st_;
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
  ProjectFile(std::string bytes, OpenFile file) : bytes_(std::move(bytes)), file_(std::move(file)) {}

  /// Whether `path` names the file read, of the same size and modification
  /// time: nothing (the app, say) wrote it since.
  bool unchanged(const fs::path& path) const;
  /// The bytes read; empty afterwards.
  std::string take_bytes();
  /// The file read, open; -1 when none was.
  int fd() const { return file_ ? file_->fd() : -1; }
  std::size_t size() const { return file_ ? file_->size() : 0; }
  /// Hands the open file to `close_replaced_files`.
  void retire();

 private:
  std::string bytes_;
  std::optional<OpenFile> file_;
};

/// Closes the project files that writes replaced; the loop calls it once a
/// reply is sent.
void close_replaced_files();

}  // namespace vemba_core::project_io
