#include "tests/engine/posix/ntfs_fixture.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

namespace {

struct FixtureOwner {
  NtfsFixture fixture;
  std::string folder;
  ~FixtureOwner() {
    if (!folder.empty()) {
      unmountNtfs(fixture.mountPoint);
      std::error_code ec;
      std::filesystem::remove_all(folder, ec);
    }
  }
};

}  // namespace

const NtfsFixture& ntfsFixture() {
  static FixtureOwner owner = [] {
    FixtureOwner o;
    char pattern[] = "/tmp/mossbloom-ntfs-XXXXXX";
    if (!mkdtemp(pattern)) {
      o.fixture.problem = "cannot create a temporary folder";
      return o;
    }
    o.folder = pattern;
    o.fixture.image = o.folder + "/fixture.img";
    o.fixture.mountPoint = o.folder + "/mnt";
    o.fixture.manyFiles = 9000;
    // ctest runs every test as its own process: the image is made once per build (keyed
    // by the script's contents) under a lock, and each process reads its own copy.
    std::string script = std::string(MB_SOURCE_DIR) + "/tests/fixtures/make_ntfs_image.sh";
    std::vector<uint8_t> scriptBytes = readWholeFile(script);
    size_t key = std::hash<std::string>()(std::string(scriptBytes.begin(), scriptBytes.end()));
    std::string cache = std::string(MB_BINARY_DIR) + "/ntfs-fixture-" + std::to_string(key);
    std::string command = "mkdir -p '" + cache + "' && flock '" + cache + "/lock' sh -c \"test -f '" + cache +
                          "/ready' || { bash '" + script + "' '" + cache + "/fixture.img' '" + cache + "/mnt' " +
                          std::to_string(o.fixture.manyFiles) + " >'" + cache + "/make.log' 2>&1 && touch '" + cache +
                          "/ready'; }\" && cp --sparse=always '" + cache + "/fixture.img' '" + o.fixture.image + "'";
    int status = std::system(command.c_str());
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 77) {
      o.fixture.problem = "FUSE, mkntfs or ntfs-3g is not available here";
    } else if (code != 0) {
      std::vector<uint8_t> log = readWholeFile(cache + "/make.log");
      o.fixture.problem = "building the image failed (" + std::to_string(code) + "): " + std::string(log.begin(), log.end());
    } else {
      o.fixture.ready = true;
    }
    return o;
  }();
  return owner.fixture;
}

bool mountNtfsReadOnly(const std::string& image, const std::string& mountPoint) {
  std::filesystem::create_directories(mountPoint);
  std::string command = "ntfs-3g -o ro,streams_interface=xattr '" + image + "' '" + mountPoint + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

void unmountNtfs(const std::string& mountPoint) {
  std::string command = "umount '" + mountPoint + "' >/dev/null 2>&1";
  (void)std::system(command.c_str());
}

std::vector<uint8_t> readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

MemoryImage* loadFixtureImage(NtfsVolumeData& data) {
  MemoryImage* image = new MemoryImage;
  image->bytes = readWholeFile(ntfsFixture().image);
  image->length = image->bytes.size();
  ntfsVolumeDataFromBootSector(image->bytes.data(), data);
  return image;
}

bool readMemoryImage(void* context, uint64_t offset, void* buffer, uint32_t count) {
  auto* image = static_cast<MemoryImage*>(context);
  if (offset > image->length || image->length - offset < count) return false;
  memcpy(buffer, image->bytes.data() + offset, count);
  return true;
}
