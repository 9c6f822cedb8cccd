// Drives natively: the mount table of this process (/proc/self/mounts), kept to the
// file systems that live on block devices, with statvfs for the sizes and udev's
// /dev/disk/by-label links for the labels.
//
// Sections: mount table · labels and removable media · volumes · import files
#include "platform/drives.h"
#include "base/utf.h"
#include "platform/posix/mount_table.h"
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {
// --- Mount table ---------------------------------------------------------------------------
std::string readWholeFile(const char* path) {
  std::string text;
  FILE* file = fopen(path, "re");
  if (!file) return text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  fclose(file);
  return text;
}

// The table writes space, tab, newline and backslash in names as \ooo.
std::string unescapeMountField(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); i++) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
        field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::vector<std::string_view> lines(std::string_view text) {
  std::vector<std::string_view> result;
  while (!text.empty()) {
    size_t end = text.find('\n');
    result.push_back(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return result;
}

// File system types without a block device (proc, tmpfs, overlay, cgroup...).
std::vector<std::string> virtualFileSystemTypes(std::string_view filesystems) {
  std::vector<std::string> types;
  for (std::string_view line : lines(filesystems)) {
    if (!line.starts_with("nodev")) continue;
    line.remove_prefix(5);
    while (!line.empty() && (line.front() == '\t' || line.front() == ' ')) line.remove_prefix(1);
    types.emplace_back(line);
  }
  return types;
}

bool contains(const std::vector<std::string>& list, std::string_view item) {
  for (const std::string& entry : list)
    if (entry == item) return true;
  return false;
}
}  // namespace

std::vector<MountedFileSystem> blockFileSystems(std::string_view mounts, std::string_view filesystems) {
  std::vector<MountedFileSystem> all;
  for (std::string_view line : lines(mounts)) {
    std::string_view fields[3];
    size_t at = 0;
    for (std::string_view& field : fields) {
      while (at < line.size() && line[at] == ' ') at++;
      size_t stop = line.find(' ', at);
      if (stop == std::string_view::npos) stop = line.size();
      field = line.substr(at, stop - at);
      at = stop;
    }
    if (fields[2].empty()) continue;
    all.push_back({unescapeMountField(fields[0]), unescapeMountField(fields[1]), std::string(fields[2])});
  }
  std::vector<std::string> virtualTypes = virtualFileSystemTypes(filesystems);
  std::vector<MountedFileSystem> kept;
  for (size_t i = 0; i < all.size(); i++) {
    bool hidden = false;
    for (size_t k = i + 1; k < all.size() && !hidden; k++) hidden = all[k].mountPoint == all[i].mountPoint;
    if (!hidden && !contains(virtualTypes, all[i].type)) kept.push_back(std::move(all[i]));
  }
  return kept;
}

namespace {
// --- Labels and removable media -----------------------------------------------------------
// The real path of a device node, to compare with the targets of the label links.
std::string devicePath(const std::string& device) {
  char resolved[PATH_MAX];
  return realpath(device.c_str(), resolved) ? std::string(resolved) : device;
}

// udev names each link by its label, with bytes outside [A-Za-z0-9#+-.:=@_] as \xHH.
std::string unescapeLabel(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); i++) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
      char hex[3] = {name[i + 2], name[i + 3], 0};
      char* end = nullptr;
      long value = strtol(hex, &end, 16);
      if (end == hex + 2) {
        out += static_cast<char>(value);
        i += 3;
        continue;
      }
    }
    out += name[i];
  }
  return out;
}

std::string labelOf(const std::string& device) {
  DIR* links = opendir("/dev/disk/by-label");
  if (!links) return {};
  std::string target = devicePath(device), label;
  while (dirent* entry = readdir(links)) {
    if (entry->d_name[0] == '.') continue;
    std::string link = std::string("/dev/disk/by-label/") + entry->d_name;
    if (devicePath(link) == target) {
      label = unescapeLabel(entry->d_name);
      break;
    }
  }
  closedir(links);
  return label;
}

// The block layer's flag of the device, or of the disk a partition belongs to.
bool isRemovable(const std::string& device) {
  std::string path = devicePath(device);
  size_t slash = path.rfind('/');
  if (!path.starts_with("/dev/") || slash == std::string::npos) return false;
  std::string block = "/sys/class/block/" + path.substr(slash + 1);
  std::string flag = readWholeFile((block + "/removable").c_str());
  if (flag.empty()) flag = readWholeFile((block + "/../removable").c_str());
  return flag.starts_with("1");
}
}  // namespace

// --- Volumes ---------------------------------------------------------------------------------
std::vector<DriveVolume> listDriveVolumes() {
  std::vector<DriveVolume> volumes;
  for (const MountedFileSystem& mount :
       blockFileSystems(readWholeFile("/proc/self/mounts"), readWholeFile("/proc/filesystems"))) {
    struct stat info;
    struct statvfs space;
    // Bind mounts of single files (a container's /etc/hosts) are no drives.
    if (stat(mount.mountPoint.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) continue;
    if (statvfs(mount.mountPoint.c_str(), &space) != 0) continue;
    DriveVolume volume;
    volume.rootPath = utf16FromFileName(mount.mountPoint);
    volume.label = utf16FromFileName(labelOf(mount.device));
    volume.fileSystem = utf16FromFileName(mount.type);
    volume.totalBytes = static_cast<uint64_t>(space.f_blocks) * space.f_frsize;
    volume.freeBytes = static_cast<uint64_t>(space.f_bfree) * space.f_frsize;
    volume.removable = isRemovable(mount.device);
    volumes.push_back(std::move(volume));
  }
  return volumes;
}

// --- Import files -------------------------------------------------------------------------------
std::vector<std::u16string> listImportFiles(std::u16string_view importPath) {
  std::vector<std::u16string> files;
  std::string path;
  fileNameFromUtf16(importPath, path);
  struct stat info;
  if (path.empty() || stat(path.c_str(), &info) != 0) return files;
  if (!S_ISDIR(info.st_mode)) {
    files.emplace_back(importPath);
    return files;
  }
  DIR* folder = opendir(path.c_str());
  if (!folder) return files;
  while (dirent* entry = readdir(folder)) {
    std::string_view name = entry->d_name;
    if (name.size() < 4) continue;
    std::string_view ending = name.substr(name.size() - 4);
    bool csv = ending[0] == '.' && (ending[1] | 0x20) == 'c' && (ending[2] | 0x20) == 's' && (ending[3] | 0x20) == 'v';
    if (!csv) continue;
    std::string full = path + (path.back() == '/' ? "" : "/") + std::string(name);
    if (stat(full.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) continue;
    files.push_back(utf16FromFileName(full));
  }
  closedir(folder);
  return files;
}

bool readFileStart(std::u16string_view path, size_t maxBytes, std::vector<uint8_t>& bytes) {
  bytes.clear();
  std::string name;
  fileNameFromUtf16(path, name);
  int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(fd);
    return false;
  }
  bytes.resize(maxBytes);
  size_t got = 0;
  bool ok = true;
  while (got < maxBytes) {
    ssize_t n = read(fd, bytes.data() + got, maxBytes - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  bytes.resize(got);
  return ok;
}
