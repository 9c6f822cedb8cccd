// Hostile file records: the record decoder, the run-list decoder and, with the input
// as the table's first records of a tiny volume, the whole table read with its
// compaction, linking and folder descent. Nothing may crash, hang or read outside.
#include "engine/mft_format.h"
#include "engine/mft_record.h"
#include "engine/mft_scan.h"
#include <cstring>
#include <vector>

namespace {

struct Memory {
  const std::vector<uint8_t>* bytes;
};

bool readMemory(void* context, uint64_t offset, void* buffer, uint32_t count) {
  const std::vector<uint8_t>& bytes = *static_cast<Memory*>(context)->bytes;
  if (offset > bytes.size() || bytes.size() - offset < count) return false;
  memcpy(buffer, bytes.data() + offset, count);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr uint32_t kRecord = 1024;
  if (size > 64 * kRecord) return 0;

  // One record, decoded as a base record and as record 0's attributes are.
  std::vector<uint8_t> record(kRecord, 0);
  memcpy(record.data(), data, size < kRecord ? size : kRecord);
  {
    Tree tree;
    initTree(tree);
    MftRecords records;
    prepareMftRecords(records, tree, 16, 4096);
    std::vector<uint8_t> copy = record;
    decodeMftRecord(records, copy.data(), kRecord, 3);
    AttributeWalk walk;
    MftAttribute attribute;
    std::vector<DataRun> runs;
    if (startAttributeWalk(walk, copy.data(), kRecord)) {
      while (nextAttribute(walk, attribute)) decodeRunList(attribute, runs);
    }
    MftRecordMap map;
    compactMftRecords(records, map);
    releaseTree(tree);
  }

  // The input as the table of a volume with 1 KiB clusters, the table at cluster 1; and
  // with 512-byte clusters, where a run of the table may end inside a record.
  std::vector<uint8_t> volume(kRecord, 0);
  volume.insert(volume.end(), data, data + size);
  volume.resize(kRecord + (size + kRecord - 1) / kRecord * kRecord, 0);
  Memory memory{&volume};
  for (int64_t cluster : {int64_t(kRecord), int64_t(kRecord / 2)}) {
    MftVolumeReader reader;
    reader.context = &memory;
    reader.read = readMemory;
    reader.data.bytesPerCluster = cluster;
    reader.data.bytesPerRecord = kRecord;
    reader.data.mftValidDataLength = -1;
    reader.data.mftStartLcn = kRecord / cluster;
    reader.volumeBytes = volume.size();
    for (std::u16string_view folder : {u"", u"$Extend"}) {
      Tree tree;
      initTree(tree);
      ScanProgress progress;
      MftFailure error = MftFailure::None;
      if (mftScanVolume(tree, reader, folder, u"image", progress, error)) finalizeTree(tree);
      releaseTree(tree);
    }
  }
  return 0;
}
