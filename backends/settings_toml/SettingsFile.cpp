#include "backends/settings_toml/SettingsFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "platform/Exception.h"

namespace {

std::string ErrorText(int error) {
  return std::generic_category().message(error);
}

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool SameFile(const TFileStamp& a, const TFileStamp& b) {
  if (a.exists != b.exists) return false;
  if (!a.exists) return true;
  return a.device == b.device && a.inode == b.inode && a.size == b.size &&
         SameTime(a.modified, b.modified) && SameTime(a.changed, b.changed);
}

TFileStamp StampOf(const struct stat& info) {
  TFileStamp stamp;
  stamp.exists = true;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.modified = info.st_mtim;
  stamp.changed = info.st_ctim;
  return stamp;
}

// Closes a descriptor when it goes out of scope, unless it was closed explicitly.
class TDescriptor {
 public:
  explicit TDescriptor(int fd) : fd_(fd) {}
  ~TDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;

  int Get() const { return fd_; }
  // Closes now; false (with errno set) when closing reports an error, as it can for delayed writes.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Reads up to limit + 1 bytes, so that a file that grew past the limit is noticed. False on error.
bool ReadAll(int fd, std::size_t limit, std::string& content) {
  content.clear();
  std::vector<char> buffer(64 * 1024);
  while (content.size() <= limit) {
    const ssize_t count = ::read(fd, buffer.data(), buffer.size());
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return false;
    if (count == 0) return true;
    content.append(buffer.data(), static_cast<std::size_t>(count));
  }
  return true;
}

// False (with errno set) when not every byte could be written.
bool WriteAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t count = ::write(fd, content.data() + done, content.size() - done);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return false;
    done += static_cast<std::size_t>(count);
  }
  return true;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
  std::filesystem::path folder = file.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

}  // namespace

TSettingsFile::TSettingsFile(std::filesystem::path path) : path_(std::move(path)) {}

TFileSnapshot TSettingsFile::Read() const {
  TFileSnapshot snapshot;
  // Non-blocking, so that a named pipe placed at the path cannot stall the program.
  TDescriptor fd(::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.Get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return snapshot;
    snapshot.state = TFileSnapshot::TState::Unreadable;
    snapshot.problem = ErrorText(errno);
    return snapshot;
  }
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0) {
    snapshot.state = TFileSnapshot::TState::Unreadable;
    snapshot.problem = ErrorText(errno);
    return snapshot;
  }
  snapshot.stamp = StampOf(info);
  snapshot.state = TFileSnapshot::TState::Unreadable;
  if (S_ISDIR(info.st_mode)) {
    snapshot.problem = ErrorText(EISDIR);
  } else if (!S_ISREG(info.st_mode)) {
    snapshot.problem = "not a regular file";
  } else if (!ReadAll(fd.Get(), kMaxSize, snapshot.content)) {
    snapshot.problem = ErrorText(errno);
  } else if (snapshot.content.size() > kMaxSize) {
    snapshot.problem = "the file is larger than 1 MiB";
  } else {
    snapshot.state = TFileSnapshot::TState::Present;
  }
  if (snapshot.state != TFileSnapshot::TState::Present) snapshot.content.clear();
  return snapshot;
}

void TSettingsFile::KeepDamagedCopy(const std::string& content) const {
  const std::filesystem::path target = RealPath();
  const std::filesystem::path folder = FolderOf(target);
  const std::string baseName = target.filename().string() + ".bad";
  for (int number = 0; number < 100; ++number) {
    const std::filesystem::path copy =
        folder / (number == 0 ? baseName : baseName + "." + std::to_string(number));
    TDescriptor fd(::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600));
    if (fd.Get() < 0) {
      if (errno != EEXIST) throw Exception(SaveErrorFromErrno(errno));
      if (HoldsContent(copy, content)) return;
      continue;
    }
    if (!WriteAll(fd.Get(), content) || ::fsync(fd.Get()) != 0 || !fd.Close()) {
      const int error = errno;
      ::unlink(copy.c_str());
      throw Exception(SaveErrorFromErrno(error));
    }
    SyncFolder(folder);
    return;
  }
  throw Exception(
      SaveError("it cannot be read, and 100 damaged copies are already kept beside it"));
}

bool TSettingsFile::ReplaceUnlessChanged(const std::string& content,
                                         const TFileSnapshot& basis) const {
  const std::filesystem::path target = RealPath();
  const std::filesystem::path folder = FolderOf(target);
  CreateFolder(folder);

  // The new contents go to a temporary file in the same folder, which is then renamed over the old
  // file: a reader sees the old file or the new one, never a part of either.
  std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  TDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (fd.Get() < 0) throw Exception(SaveErrorFromErrno(errno));
  const auto fail = [&](int error) {
    ::unlink(temporary.c_str());
    throw Exception(SaveErrorFromErrno(error));
  };
  if (::fchmod(fd.Get(), 0600) != 0 || !WriteAll(fd.Get(), content) || ::fsync(fd.Get()) != 0 ||
      !fd.Close()) {
    fail(errno);
  }

  struct stat info {};
  TFileStamp now;
  if (::stat(target.c_str(), &info) == 0) {
    now = StampOf(info);
  } else if (errno != ENOENT) {
    fail(errno);
  }
  if (!SameFile(now, basis.stamp)) {
    ::unlink(temporary.c_str());
    return false;
  }

  if (::rename(temporary.c_str(), target.c_str()) != 0) fail(errno);
  SyncFolder(folder);
  return true;
}

std::string TSettingsFile::SaveError(const std::string& reason) const {
  return "Cannot save settings to " + path_.string() + ": " + reason;
}

std::string TSettingsFile::SaveErrorFromErrno(int error) const {
  return SaveError(ErrorText(error));
}

std::filesystem::path TSettingsFile::RealPath() const {
  std::filesystem::path path = path_;
  std::error_code error;
  // Bounded like the system's own resolution, so that a loop of links ends.
  for (int hops = 0; hops < 40 && std::filesystem::is_symlink(path, error); ++hops) {
    const std::filesystem::path target = std::filesystem::read_symlink(path, error);
    if (error) break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return path;
}

void TSettingsFile::CreateFolder(const std::filesystem::path& folder) const {
  std::vector<std::filesystem::path> missing;
  for (std::filesystem::path level = folder; !level.empty(); level = level.parent_path()) {
    struct stat info {};
    if (::stat(level.c_str(), &info) == 0) break;
    if (errno != ENOENT) throw Exception(SaveErrorFromErrno(errno));
    missing.push_back(level);
    if (level == level.parent_path()) break;
  }
  for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
    if (::mkdir(level->c_str(), 0700) != 0) {
      if (errno == EEXIST) continue;  // made by someone else meanwhile
      throw Exception(SaveErrorFromErrno(errno));
    }
    // The process's umask may have taken bits away; the folder is private in any case.
    ::chmod(level->c_str(), 0700);
  }
}

void TSettingsFile::SyncFolder(const std::filesystem::path& folder) const {
  TDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() < 0) return;  // the rename has happened; only its durability is in question
  // Some file systems cannot sync a folder at all; that is no failure of the save.
  if (::fsync(fd.Get()) != 0 && errno != EINVAL && errno != ENOTSUP) {
    throw Exception(SaveErrorFromErrno(errno));
  }
}

bool TSettingsFile::HoldsContent(const std::filesystem::path& file,
                                 const std::string& content) const {
  TDescriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.Get() < 0) return false;
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
      static_cast<std::size_t>(info.st_size) != content.size()) {
    return false;
  }
  std::string existing;
  return ReadAll(fd.Get(), content.size(), existing) && existing == content;
}
