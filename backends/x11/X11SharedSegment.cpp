#include "backends/x11/X11SharedSegment.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/Exception.h"

TX11SharedSegment::TX11SharedSegment(TX11Display& display, std::size_t bytes)
    : display_(display), size_(bytes) {
  info_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (info_.shmid < 0) {
    throw Exception("Cannot create a shared memory segment: " + std::string(std::strerror(errno)));
  }
  void* address = shmat(info_.shmid, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    int error = errno;
    shmctl(info_.shmid, IPC_RMID, nullptr);
    throw Exception("Cannot map a shared memory segment: " + std::string(std::strerror(error)));
  }
  info_.shmaddr = static_cast<char*>(address);
  info_.readOnly = False;

  TX11ErrorTrap trap(display_);
  bool attached = XShmAttach(display_.Handle(), &info_) && !trap.SyncFailed();
  // Once both sides are attached the segment may be marked for removal: the system frees it when
  // the last of them lets go, even if this process ends abruptly.
  shmctl(info_.shmid, IPC_RMID, nullptr);
  if (!attached) {
    shmdt(info_.shmaddr);
    throw Exception("The X server cannot attach shared memory: " + trap.ErrorText());
  }
}

TX11SharedSegment::~TX11SharedSegment() {
  XShmDetach(display_.Handle(), &info_);
  XSync(display_.Handle(), False);
  shmdt(info_.shmaddr);
}
