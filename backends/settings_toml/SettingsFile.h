#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <filesystem>
#include <string>

// What identifies one version of a file on disk: enough to notice that someone replaced or edited
// it.
struct TFileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};
};

// The file as it was read once.
struct TFileSnapshot {
  enum class TState {
    Missing,     // no file (yet)
    Present,     // read: content holds its bytes
    Unreadable,  // there, but cannot be read: problem says why
  };
  TState state = TState::Missing;
  std::string content;
  std::string problem;
  TFileStamp stamp;
};

// The settings file on disk: read whole, replaced whole and atomically.
//
// A symbolic link at the path is followed, so a linked file (for example one kept with other dot
// files) is updated where it lives and the link stays. Folders that have to be created get mode
// 0700; the file is written with mode 0600. Failures raise Exception with a message that names the
// file; the old file is then left as it was.
class TSettingsFile {
 public:
  // A settings file is a few hundred bytes; a larger one than this is not read at all.
  static constexpr std::size_t kMaxSize = std::size_t{1} << 20;

  explicit TSettingsFile(std::filesystem::path path);

  const std::filesystem::path& Path() const { return path_; }

  TFileSnapshot Read() const;

  // Keeps damaged contents beside the file as "<name>.bad". An existing copy is never overwritten:
  // when
  // "<name>.bad" holds other contents the next free "<name>.bad.1" … "<name>.bad.99" is used, and a
  // copy that already holds these very contents is reused. Raises when no copy can be made.
  void KeepDamagedCopy(const std::string& content) const;

  // Replaces the file with content unless it has changed since basis was read; then nothing is
  // written and the result is false, so that the caller can start again from the new contents.
  bool ReplaceUnlessChanged(const std::string& content, const TFileSnapshot& basis) const;

  // "Cannot save settings to <path>: <reason>".
  std::string SaveError(const std::string& reason) const;

 private:
  std::filesystem::path RealPath() const;
  std::string SaveErrorFromErrno(int error) const;
  void CreateFolder(const std::filesystem::path& folder) const;
  void SyncFolder(const std::filesystem::path& folder) const;
  bool HoldsContent(const std::filesystem::path& file, const std::string& content) const;

  std::filesystem::path path_;
};
