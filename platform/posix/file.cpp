// Files on POSIX: a writer thread keeps one write in flight while the export fills its
// next chunk; a file read whole into pages of its own.
//
// Threading: a FileWriter's lock guards the hand-over between its one driving thread
// and the writer thread.
//
// Sections: writer · file reader
#include "platform/file.h"
#include "base/utf.h"
#include "platform/lock.h"
#include "platform/platform.h"
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// --- Writer -----------------------------------------------------------------------------------
struct FileWriter {
  int fd = -1;
  std::string targetPath;
  std::string temporaryPath;  // empty: writing straight into an existing device or pipe
  std::string bytes;          // the chunk being written, owned by the writer thread while pending
  size_t byteCount = 0;
  Mutex lock;
  ConditionVariable changed;
  bool pending = false;
  bool quit = false;
  uint32_t error = 0;
  Thread thread;
};

namespace {

std::string utf8Path(std::u16string_view path) { return utf8FromUtf16(path); }

uint32_t writeAll(int fd, const char* data, size_t length) {
  while (length) {
    ssize_t n = write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return static_cast<uint32_t>(errno);
    }
    if (n == 0) return ENOSPC;
    data += n;
    length -= static_cast<size_t>(n);
  }
  return 0;
}

uint32_t writerMain(void* argument) {
  auto* writer = static_cast<FileWriter*>(argument);
  MutexHold hold(writer->lock);
  for (;;) {
    while (!writer->pending && !writer->quit) waitCondition(writer->changed, writer->lock);
    if (!writer->pending) return 0;
    unlockMutex(writer->lock);
    uint32_t error = writeAll(writer->fd, writer->bytes.data(), writer->byteCount);
    lockMutex(writer->lock);
    if (error && !writer->error) writer->error = error;
    writer->pending = false;
    wakeAll(writer->changed);
  }
}

// Waits, holding the lock, for the write in flight; returns the writer's error so far.
uint32_t waitForWrite(FileWriter* writer) {
  while (writer->pending) waitCondition(writer->changed, writer->lock);
  return writer->error;
}

}  // namespace

namespace {
std::atomic<uint32_t> gTemporaryCounter{0};

// A fresh file beside `target`, created exclusively; -1 with errno set when it cannot be.
int createTemporaryBeside(const std::string& target, std::string& temporary) {
  size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  for (int attempt = 0; attempt < 100; attempt++) {
    temporary = folder + ".mossbloom-" + std::to_string(getpid()) + "-" +
                std::to_string(gTemporaryCounter.fetch_add(1)) + ".tmp";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}
}  // namespace

FileWriter* openFileWriter(std::u16string_view path, uint32_t& error) {
  std::string target = utf8Path(path);
  struct stat info;
  // A link keeps pointing where it did: the file it names is the one replaced.
  if (lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* real = realpath(target.c_str(), nullptr)) {
      target = real;
      free(real);
    }
  }
  int fd = -1;
  std::string temporary;
  bool exists = stat(target.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    if (S_ISDIR(info.st_mode)) {
      error = EISDIR;
      return nullptr;
    }
    // A device or a pipe is written into as it is; it is never truncated or removed.
    fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);
  } else {
    // The file is replaced only when complete, so a file the user cannot write to
    // is refused now rather than swapped away from under its permissions.
    if (exists && access(target.c_str(), W_OK) != 0) {
      error = static_cast<uint32_t>(errno);
      return nullptr;
    }
    fd = createTemporaryBeside(target, temporary);
    if (fd >= 0 && exists) fchmod(fd, info.st_mode & 07777);
  }
  if (fd < 0) {
    error = static_cast<uint32_t>(errno);
    return nullptr;
  }
  auto* writer = new FileWriter;
  initMutex(writer->lock);
  initConditionVariable(writer->changed);
  writer->fd = fd;
  writer->targetPath = target;
  writer->temporaryPath = temporary;
  writer->thread = startThread(writerMain, writer, 256 << 10);
  if (!writer->thread.handle) failOutOfMemory();
  return writer;
}

bool writeFileChunk(FileWriter* writer, const char16_t* text, size_t length) {
  {
    MutexHold hold(writer->lock);
    if (waitForWrite(writer)) return false;
  }
  writer->byteCount = utf8FromUtf16Into(text, length, writer->bytes);   // the writer thread is idle now
  MutexHold hold(writer->lock);
  writer->pending = true;
  wakeAll(writer->changed);
  return true;
}

uint32_t closeFileWriter(FileWriter* writer, bool complete) {
  {
    MutexHold hold(writer->lock);
    waitForWrite(writer);
    writer->quit = true;
    wakeAll(writer->changed);
  }
  joinThread(writer->thread);
  destroyConditionVariable(writer->changed);
  destroyMutex(writer->lock);
  uint32_t error = writer->error;
  bool replace = !writer->temporaryPath.empty();
  // Flushed before it takes the target's place: a crash never leaves a short file there.
  if (replace && complete && !error && fsync(writer->fd) != 0) error = static_cast<uint32_t>(errno);
  // Some file systems report a failed write-back only here.
  if (close(writer->fd) != 0 && !error && errno != EINTR) error = static_cast<uint32_t>(errno);
  if (replace) {
    const char* temporary = writer->temporaryPath.c_str();
    if (complete && !error && rename(temporary, writer->targetPath.c_str()) != 0) error = static_cast<uint32_t>(errno);
    if (!complete || error) unlink(temporary);
  }
  delete writer;
  return error;
}

// --- File reader ----------------------------------------------------------------------------------
bool loadFileBytes(std::u16string_view path, FileBytes& file, uint32_t& error) {
  file = FileBytes{};
  error = 0;
  // Without O_NONBLOCK, opening a pipe waits for a writer that may never come.
  int fd = open(utf8Path(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    error = static_cast<uint32_t>(errno);
    return false;
  }
  struct stat before;
  if (fstat(fd, &before) != 0 || !S_ISREG(before.st_mode)) {
    error = S_ISDIR(before.st_mode) ? EISDIR : kFileNotRegular;
    close(fd);
    return false;
  }
  if (before.st_size <= 0) {
    close(fd);
    return false;
  }
  size_t size = static_cast<size_t>(before.st_size);
  // Pages of their own, given back whole when the import is done. Large pages: faulting
  // in 4 KiB pages one by one cost ten times the read itself (docs/performance-csv.md).
  void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (data == MAP_FAILED) {
    error = kFileOutOfMemory;
    close(fd);
    return false;
  }
  madvise(data, size, MADV_HUGEPAGE);
  size_t got = 0;
  while (got < size) {
    ssize_t n = pread(fd, static_cast<char*>(data) + got, size - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? static_cast<uint32_t>(errno) : kFileChangedWhileRead;
      break;
    }
    got += static_cast<size_t>(n);
  }
  struct stat after;
  if (!error && (fstat(fd, &after) != 0 || after.st_size != before.st_size ||
                 after.st_mtim.tv_sec != before.st_mtim.tv_sec || after.st_mtim.tv_nsec != before.st_mtim.tv_nsec))
    error = kFileChangedWhileRead;
  close(fd);
  if (error) {
    munmap(data, size);
    return false;
  }
  file.data = static_cast<const uint8_t*>(data);
  file.size = size;
  return true;
}

void releaseFileBytes(FileBytes& file) {
  if (file.data) munmap(const_cast<uint8_t*>(file.data), file.size);
  file = FileBytes{};
}

bool deleteFileIfPresent(std::u16string_view path) {
  return unlink(utf8FromUtf16(path).c_str()) == 0 || errno == ENOENT;
}
