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

bool memoryImageReader(MemoryImage& image, MftVolumeReader& reader) {
  reader.context = &image;
  reader.read = readMemoryImage;
  reader.volumeBytes = image.length;
  return image.length >= 512 && ntfsVolumeDataFromBootSector(image.bytes.data(), reader.data);
}

std::vector<uint8_t> encodeRuns(const std::vector<DataRun>& runs) {
  std::vector<uint8_t> out;
  int64_t previous = 0;
  for (const DataRun& run : runs) {
    uint8_t length[8], offset[8];
    int lengthBytes = 0, offsetBytes = 0;
    for (uint64_t v = uint64_t(run.clusters); lengthBytes == 0 || v; v >>= 8) length[lengthBytes++] = uint8_t(v);
    if (run.start >= 0) {
      int64_t delta = run.start - previous;
      previous = run.start;
      do {
        offset[offsetBytes++] = uint8_t(delta);
        delta >>= 8;
      } while (!((delta == 0 && !(offset[offsetBytes - 1] & 0x80)) || (delta == -1 && (offset[offsetBytes - 1] & 0x80))));
    }
    out.push_back(uint8_t(lengthBytes | offsetBytes << 4));
    out.insert(out.end(), length, length + lengthBytes);
    out.insert(out.end(), offset, offset + offsetBytes);
  }
  out.push_back(0);
  return out;
}

void writeRecord(MemoryImage& image, uint64_t offset, std::vector<uint8_t> record) {
  uint16_t usa = readU16(&record[4]);
  uint16_t count = readU16(&record[6]);
  uint32_t stride = uint32_t(record.size()) / (count - 1u);
  uint16_t sequence = readU16(&record[usa]);
  for (uint32_t k = 1; k < count; k++) {
    memcpy(&record[usa + 2 * k], &record[k * stride - 2], 2);
    memcpy(&record[k * stride - 2], &sequence, 2);
  }
  memcpy(image.bytes.data() + offset, record.data(), record.size());
}
