#pragma once
// A disk that fails chosen calls, put in place for the life of the object,
// as a failing device, a full disk or a network file system would.

#include "project_io/store/disk.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vemba_test {

enum class DiskCall { kOpen, kRead, kWrite, kFsync, kRename, kUnlink, kFlock, kList };

class FailingDisk : public vemba_core::project_io::Disk {
 public:
  FailingDisk();
  ~FailingDisk() override;
  FailingDisk(const FailingDisk&) = delete;
  FailingDisk& operator=(const FailingDisk&) = delete;

  /// Picks the paths a rule applies to.
  using Pick = std::function<bool(const std::string& path)>;
  /// What another process does meanwhile, given the call's path.
  using Act = std::function<void(const std::string& path)>;

  /// Fails the calls of `call` on a path holding `where` (for calls on an open
  /// file, the path it was opened by; for rename, its source), from the `nth`
  /// such call on (counted from 1), `times` of them (0: every one), with
  /// `err` as errno.
  void fail(DiskCall call, int err, std::string where = "", int nth = 1, int times = 0);
  /// The same for the calls on `path` itself, not on what lies in it.
  void fail_exactly(DiskCall call, int err, std::string path, int nth = 1, int times = 0);
  /// The same for the paths `pick` picks.
  void fail_where(DiskCall call, int err, Pick pick, int nth = 1, int times = 0);
  /// Runs `act` just before each call of `call` on a path `pick` picks, as
  /// another process could act between two steps; the call then goes on
  /// (and may fail by another rule).
  void before(DiskCall call, Pick pick, Act act);
  /// How many calls of `call` on a path holding `where` were made.
  int count(DiskCall call, const std::string& where = "") const;
  /// Every call made, with its path, in order.
  const std::vector<std::pair<DiskCall, std::string>>& calls() const { return calls_; }

  int open(const char* path, int flags, mode_t mode) override;
  ssize_t read(int fd, void* buffer, std::size_t size) override;
  ssize_t pread(int fd, void* buffer, std::size_t size, off_t at) override;
  ssize_t write(int fd, const void* bytes, std::size_t size) override;
  int fsync(int fd) override;
  int rename(const char* from, const char* to) override;
  int rename_new(const char* from, const char* to) override;
  int unlink(const char* path) override;
  int flock(int fd, int operation) override;
  std::vector<std::filesystem::directory_entry> list(const std::filesystem::path& folder,
                                                     std::error_code& error) override;

 private:
  struct Rule {
    DiskCall call;
    int err;  // 0: the call goes on
    Pick pick;
    Act act;
    int nth, times, seen = 0, failed = 0;
  };
  // Counts the call; true (errno set) when a rule fails it.
  bool fails(DiskCall call, const std::string& path);
  std::string path_of(int fd) const;

  std::vector<Rule> rules_;
  std::vector<std::pair<DiskCall, std::string>> calls_;
  std::map<int, std::string> open_paths_;
};

}  // namespace vemba_test
