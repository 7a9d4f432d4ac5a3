// Every file the store writes: a temporary of its own, fsync, rename, and a
// sync of the folder, so that a reader sees the old file or the new one whole
// and a power cut cannot undo a write that returned.

#include "project_io/store/atomic_write.h"

#include "project_io/store/disk.h"
#include "project_io/store/os.h"
#include "project_io/store/store.h"
#include "project_io/store/temporaries.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

namespace vemba_core::project_io {
namespace {

// Errors that say the system gives no sync of a folder here: it cannot be
// opened for reading (a folder the server may write but not list), or its
// file system has no such sync.
bool gives_no_folder_sync(int err) {
  constexpr int kNone[] = {EACCES, EPERM, EINVAL, ENOTSUP, EOPNOTSUPP};
  for (const int none : kNone)
    if (err == none) return true;
  return false;
}

// The folder a path's last component lies in; "." for a bare name.
fs::path folder_of(const fs::path& path) {
  const fs::path parent = path.parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

std::unexpected<WriteFailure> not_written(std::string text) {
  return std::unexpected(WriteFailure{WriteFailure::Kind::kNotWritten, std::move(text)});
}

// One attempt's temporary, made and filled, its write-back begun.
std::expected<TempFile, WriteFailure> make_temp(const FileWrite& write) {
  // The system takes a path up to its first NUL, which would name another file.
  if (holds_nul(write.target)) return not_written("create temp: " + os_error(EINVAL));
  auto made = TempFile::create(folder_of(write.target));
  if (!made) return not_written(std::move(made.error()));
  // A temporary that is not filled goes with `made`.
  if (Status filled = write.fill(*made); !filled) return not_written(std::move(filled.error()));
  made->start_writeback();
  return std::move(*made);
}

// Commits one attempt's temporary; one that does not commit goes with it.
WriteResult commit_attempt(const FileWrite& write, std::expected<TempFile, WriteFailure> attempt) {
  if (!attempt) return std::unexpected(std::move(attempt.error()));
  return attempt->commit(write.target, write.durability);
}

}  // namespace

TempFile::TempFile(TempFile&& other) noexcept
    : path_(std::move(other.path_)),
      fd_(std::exchange(other.fd_, -1)),
      committed_(std::exchange(other.committed_, true)) {}

TempFile::~TempFile() {
  close_file();
  if (!committed_) disk().unlink(path_.c_str());
}

std::expected<TempFile, std::string> TempFile::create(const fs::path& folder) {
  fs::path path = temp_path_in(folder);
  if (holds_nul(path)) return std::unexpected("create temp: " + os_error(EINVAL));
  // Exclusive and not through a link: whatever stands at the name, even a
  // hard link to a file elsewhere, is refused, never written.
  const int fd = disk().open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return std::unexpected("create temp: " + os_error(errno));
  return TempFile(std::move(path), fd);
}

void TempFile::close_file() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

Status TempFile::write(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = disk().write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected("write temp: " + os_error(errno));
    }
    done += static_cast<std::size_t>(n);
  }
  return {};
}

Status TempFile::copy_from(int from) {
  std::vector<char> piece(std::size_t{1} << 18);
  for (off_t at = 0;;) {
    const ssize_t n = disk().pread(from, piece.data(), piece.size(), at);
    if (n == 0) return {};
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected("read for snapshot: " + os_error(errno));
    }
    if (auto ok = write(std::string_view(piece.data(), static_cast<std::size_t>(n))); !ok) return ok;
    at += n;
  }
}

void TempFile::start_writeback() {
#if defined(__linux__)
  ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

WriteResult TempFile::commit(const fs::path& target, Durability durability) {
  if (disk().fsync(fd_) != 0) return not_written("fsync: " + os_error(errno));
  close_file();
  if (disk().rename(path_.c_str(), target.c_str()) != 0) return not_written("commit: " + os_error(errno));
  committed_ = true;
  if (durability == Durability::kFileOnly) return {};
  if (auto synced = sync_folder(folder_of(target)); !synced)
    return std::unexpected(WriteFailure{WriteFailure::Kind::kUnconfirmed, std::move(synced.error())});
  return {};
}

std::string failure_text(const WriteFailure& failure, std::string_view done) {
  if (failure.kind == WriteFailure::Kind::kNotWritten) return failure.text;
  return fmt::format("{} \u2014 {}, but the disk did not confirm it is stored; check before trying again", failure.text,
                     done.empty() ? "the change was made" : done);
}

BegunWrite begin_write(FileWrite write) {
  sweep_temporaries(folder_of(write.target));
  auto first = make_temp(write);
  return {std::move(write), std::move(first)};
}

WriteResult finish_write(BegunWrite begun) {
  using namespace std::chrono_literals;
  const FileWrite& write = begun.write;
  WriteResult result = commit_attempt(write, std::move(begun.first));
  for (int n = 2; n <= 3 && !result && result.error().kind == WriteFailure::Kind::kNotWritten; ++n) {
    std::this_thread::sleep_for(n == 2 ? 120ms : 240ms);
    result = commit_attempt(write, make_temp(write));
  }
  // A failed write may have left what a sweep removes.
  if (!result) sweep_again(folder_of(write.target));
  return result;
}

WriteResult atomic_write(const fs::path& path, std::string_view bytes, Durability durability) {
  return finish_write(begin_write({path, [bytes](TempFile& temp) { return temp.write(bytes); }, durability}));
}

Status sync_folder(const fs::path& folder) {
  if (holds_nul(folder)) return std::unexpected("sync folder: " + os_error(EINVAL));
  const int fd = disk().open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (gives_no_folder_sync(errno)) return {};
    return std::unexpected("sync folder: " + os_error(errno));
  }
  const int synced = disk().fsync(fd);
  const int err = errno;
  ::close(fd);
  if (synced != 0 && !gives_no_folder_sync(err)) return std::unexpected("sync folder: " + os_error(err));
  return {};
}

Status make_folders(const fs::path& folder) {
  if (holds_nul(folder)) return std::unexpected(os_error(EINVAL));
  // The missing folders, the deepest first; a trailing "/" names no folder.
  std::vector<fs::path> missing;
  std::error_code ec;
  for (fs::path p = folder.filename().empty() ? folder.parent_path() : folder;
       !p.empty() && !fs::is_directory(p, ec) && p != p.root_path(); p = p.parent_path())
    missing.push_back(p);
  // A failure takes back the folders made here, so that it changes nothing
  // visible (one that another process filled meanwhile stays).
  std::vector<fs::path> made;
  const auto undo = [&made](Status failed) {
    for (auto it = made.rbegin(); it != made.rend(); ++it) ::rmdir(it->c_str());
    return failed;
  };
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (::mkdir(it->c_str(), 0777) == 0) {
      made.push_back(*it);
    } else {
      const int err = errno;
      // Another process may have made it in the meantime; a file there is
      // no folder.
      if (err != EEXIST) return undo(std::unexpected(os_error(err)));
      if (!fs::is_directory(*it, ec)) return undo(std::unexpected(os_error(ENOTDIR)));
    }
    if (auto synced = sync_folder(folder_of(*it)); !synced) return undo(synced);
  }
  return {};
}

}  // namespace vemba_core::project_io
