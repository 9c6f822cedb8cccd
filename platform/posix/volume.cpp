// Image files and block devices through pread.
#include "platform/volume.h"
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

VolumeOpenResult openNtfsVolume(char16_t, VolumeHandle& handle, NtfsVolumeData&) {
  handle.value = -1;
  return VolumeOpenResult::CannotOpen;
}

VolumeOpenResult openVolumeImage(const char* utf8Path, VolumeHandle& handle, uint64_t& bytes) {
  handle.value = -1;
  bytes = 0;
  int fd = open(utf8Path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == EACCES || errno == EPERM ? VolumeOpenResult::AccessDenied : VolumeOpenResult::CannotOpen;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return VolumeOpenResult::CannotOpen;
  }
  if (S_ISREG(st.st_mode)) {
    bytes = uint64_t(st.st_size);
  } else {
#if defined(__linux__) && defined(BLKGETSIZE64)
    uint64_t deviceBytes = 0;
    if (S_ISBLK(st.st_mode) && ioctl(fd, BLKGETSIZE64, &deviceBytes) == 0) bytes = deviceBytes;
#endif
    if (bytes == 0) {
      off_t end = lseek(fd, 0, SEEK_END);
      if (end > 0) bytes = uint64_t(end);
    }
  }
  handle.value = fd;
  return VolumeOpenResult::Opened;
}

bool readVolumeAt(VolumeHandle& handle, uint64_t offset, void* buffer, uint32_t bytes) {
  if (handle.value < 0 || offset > uint64_t(INT64_MAX) - bytes) return false;
  auto* p = static_cast<unsigned char*>(buffer);
  uint32_t got = 0;
  while (got < bytes) {
    ssize_t n = pread(int(handle.value), p + got, bytes - got, off_t(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += uint32_t(n);
  }
  return true;
}

void closeVolume(VolumeHandle& handle) {
  if (handle.value >= 0) close(int(handle.value));
  handle.value = -1;
}
