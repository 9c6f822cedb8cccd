// The table read: the bitmap, the chunked read of all records (where they lie comes
// from engine/mft_layout.cpp), then compaction, linking, the folder descent and the
// subtree counts.
//
// Sections: helpers · bitmap · table read · tree shaping · entry points
#include "engine/mft_scan.h"
#include "engine/mft_format.h"
#include "engine/mft_layout.h"
#include "engine/mft_record.h"
#include "engine/names.h"
#include "platform/arena.h"
#include <algorithm>

namespace {

constexpr uint32_t kChunkBytes = 4u << 20;
// The node arena holds at most 2^30 nodes, one per record while reading.
constexpr int64_t kMaxRecords = (int64_t(1) << 30) - 2;

// --- Helpers --------------------------------------------------------------------------
struct ReadBuffer {
  Arena arena;
  ReadBuffer() {
    arenaReserve(arena, kChunkBytes);
    arenaEnsure(arena, kChunkBytes);
  }
  ~ReadBuffer() { arenaRelease(arena); }
  uint8_t* bytes() const { return arena.base; }
};

bool fail(MftFailure& failure, MftFailure reason) {
  failure = reason;
  return false;
}

// --- Bitmap: which records are in use ---------------------------------------------------
// Only the first (R + 7) / 8 bytes matter, so a forged run list cannot make it grow
// beyond that. Empty when unreadable: every record then counts as in use.
void readBitmap(MftVolumeReader& reader, uint8_t* buffer, TableLayout& layout, int64_t recordCount,
                std::vector<uint8_t>& bitmap) {
  bitmap.clear();
  uint64_t wanted = uint64_t(recordCount + 7) / 8;
  if (layout.hasResidentBitmap) {
    bitmap = std::move(layout.residentBitmap);
  } else if (layout.hasBitmapRuns) {
    int64_t clusterBytes = reader.data.bytesPerCluster;
    for (const DataRun& run : layout.bitmapRuns) {
      if (bitmap.size() >= wanted) break;
      uint64_t length = std::min<uint64_t>(runBytes(run, clusterBytes), wanted - bitmap.size());
      if (run.start < 0) {
        bitmap.resize(bitmap.size() + length, 0);
        continue;
      }
      for (uint64_t done = 0; done < length;) {
        uint32_t piece = uint32_t(std::min<uint64_t>(length - done, kChunkBytes));
        // Whole clusters are read: volumes only accept sector-sized reads.
        uint32_t readBytes = uint32_t(std::min<uint64_t>(
            (piece + clusterBytes - 1) / clusterBytes * clusterBytes, kChunkBytes));
        uint64_t offset;
        if (!clusterOffset(run.start, clusterBytes, done, offset) ||
            !reader.read(reader.context, offset, buffer, readBytes)) {
          bitmap.clear();
          return;
        }
        bitmap.insert(bitmap.end(), buffer, buffer + piece);
        done += piece;
      }
    }
    if (layout.bitmapSize >= 0 && uint64_t(layout.bitmapSize) < bitmap.size()) bitmap.resize(size_t(layout.bitmapSize));
  }
  if (bitmap.size() > wanted) bitmap.resize(wanted);
}

bool recordInUse(const std::vector<uint8_t>& bitmap, int64_t r) {
  if (bitmap.empty()) return true;
  uint64_t byte = uint64_t(r) >> 3;
  return byte < bitmap.size() && (bitmap[byte] >> (r & 7)) & 1;
}

// --- Table read -----------------------------------------------------------------------------
// Record v lies at byte v x S of the table, wherever the runs cut it: with clusters smaller
// than a record, a run may end inside one, which then goes on in the next run. Its
// pieces are gathered in `carry`; a hole (sparse run) costs the records it touches, and
// the records after it keep their numbers.
bool readTable(MftVolumeReader& reader, uint8_t* buffer, const TableLayout& layout,
               const std::vector<uint8_t>& bitmap, MftRecords& records, ScanProgress& progress,
               MftFailure& failure) {
  const int64_t clusterBytes = reader.data.bytesPerCluster;
  const uint32_t recordBytes = uint32_t(reader.data.bytesPerRecord);
  const int64_t count = records.count;
  uint32_t readBytesPerChunk =
      reader.chunkBytes >= recordBytes && reader.chunkBytes <= kChunkBytes ? reader.chunkBytes : kChunkBytes;
  readBytesPerChunk -= readBytesPerChunk % recordBytes;
  std::vector<uint8_t> carry(recordBytes);
  uint32_t carried = 0;     // bytes of record v met in earlier runs
  uint64_t runStart = 0;    // table byte where the run begins
  int64_t v = 0;
  for (const DataRun& run : layout.dataRuns) {
    if (v >= count) break;
    uint64_t length = runBytes(run, clusterBytes);
    if (length == 0) continue;
    uint64_t runEnd;
    if (__builtin_add_overflow(runStart, length, &runEnd)) runEnd = UINT64_MAX;
    if (run.start < 0) {
      uint64_t next = runEnd / recordBytes + (runEnd % recordBytes != 0);
      v = next >= uint64_t(count) ? count : std::max(v, int64_t(next));
      carried = 0;
      runStart = runEnd;
      continue;
    }
    // Bytes of a record a hole cut are passed over.
    uint64_t wanted = uint64_t(v) * recordBytes + carried;
    uint64_t position = wanted > runStart ? wanted - runStart : 0;
    if (position < length && carried > 0) {
      if (progress.cancel.load(std::memory_order_relaxed)) return fail(failure, MftFailure::Cancelled);
      uint32_t take = uint32_t(std::min<uint64_t>(recordBytes - carried, length - position));
      bool inUse = recordInUse(bitmap, v);
      if (inUse) {
        uint64_t offset;
        if (!clusterOffset(run.start, clusterBytes, position, offset) ||
            !reader.read(reader.context, offset, carry.data() + carried, take)) {
          return fail(failure, MftFailure::ReadError);
        }
      }
      carried += take;
      position += take;
      if (carried == recordBytes) {
        if (inUse) {
          decodeMftRecord(records, carry.data(), recordBytes, v);
          finishMftNames(records);
        }
        carried = 0;
        v++;
        progress.done.store(v, std::memory_order_relaxed);
      }
    }
    while (carried == 0 && v < count && position < length && length - position >= recordBytes) {
      if (progress.cancel.load(std::memory_order_relaxed)) return fail(failure, MftFailure::Cancelled);
      uint32_t chunk = uint32_t(std::min<uint64_t>(length - position, readBytesPerChunk));
      chunk -= chunk % recordBytes;
      int64_t untrimmed = std::min<int64_t>(chunk / recordBytes, count - v);
      int64_t m = untrimmed;
      while (m > 0 && !recordInUse(bitmap, v + m - 1)) m--;
      if (m > 0) {
        uint32_t readBytes = uint32_t(std::min<uint64_t>(roundUpToPage(uint64_t(m) * recordBytes), chunk));
        uint64_t offset;
        if (!clusterOffset(run.start, clusterBytes, position, offset) ||
            !reader.read(reader.context, offset, buffer, readBytes)) {
          return fail(failure, MftFailure::ReadError);
        }
        for (int64_t i = 0; i < m; i++) {
          // The kernel's copy left the chunk in a far cache level: fetch ahead.
          if (i + 2 < m) {
            const uint8_t* ahead = buffer + (i + 2) * recordBytes;
            for (uint32_t line = 0; line < recordBytes && line < 1024; line += 64) __builtin_prefetch(ahead + line);
          }
          if (recordInUse(bitmap, v + i)) decodeMftRecord(records, buffer + i * recordBytes, recordBytes, v + i);
        }
        finishMftNames(records);
      }
      v += untrimmed;
      position += uint64_t(untrimmed) * recordBytes;
      progress.done.store(v, std::memory_order_relaxed);
    }
    // The start of a record that goes on in the next run.
    if (carried == 0 && v < count && position < length) {
      carried = uint32_t(length - position);
      if (recordInUse(bitmap, v)) {
        uint64_t offset;
        if (!clusterOffset(run.start, clusterBytes, position, offset) ||
            !reader.read(reader.context, offset, carry.data(), carried)) {
          return fail(failure, MftFailure::ReadError);
        }
      }
    }
    runStart = runEnd;
  }
  return true;
}

// --- Tree shaping ---------------------------------------------------------------------------
void linkNodes(Tree& tree, const MftRecordMap& map, int32_t root) {
  TreeNode* nodes = tree.nodes();
  for (int64_t n = 0; n < tree.nodeCount; n++) {
    int32_t raw = mftParentRecord(nodes[n]);
    nodes[n].parent = kNoNode;
    if (n == root) continue;
    int32_t parent = mftNodeOfRecord(map, raw);
    if (parent < 0 || parent == n || !(nodes[parent].flags & kNodeFolder)) continue;
    nodes[n].parent = parent;
    nodes[n].nextSibling = nodes[parent].firstChild;
    nodes[parent].firstChild = int32_t(n);
  }
}

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Follows `folder` from the volume root; kNoNode when a component is missing.
int32_t descend(const Tree& tree, int32_t root, std::u16string_view folder) {
  int32_t at = root;
  size_t i = 0;
  while (i < folder.size()) {
    size_t end = i;
    while (end < folder.size() && !isSeparator(folder[end])) end++;
    std::u16string_view component = folder.substr(i, end - i);
    i = end + 1;
    if (component.empty()) continue;
    int32_t found = kNoNode;
    for (int32_t c = tree.node(at).firstChild; c != kNoNode; c = tree.node(c).nextSibling) {
      if (tree.node(c).nameLength == component.size() && nodeNameEquals(tree, c, component, true)) {
        found = c;
        break;
      }
    }
    // Only a folder can be scanned: a file of that name is as good as missing.
    if (found == kNoNode || !(tree.node(found).flags & kNodeFolder)) return kNoNode;
    at = found;
  }
  return at;
}

// The scanned folder becomes a root of its own: out of its parent's list.
void makeRoot(Tree& tree, int32_t root) {
  TreeNode& node = tree.node(root);
  if (node.parent != kNoNode) {
    int32_t* link = &tree.node(node.parent).firstChild;
    while (*link != kNoNode && *link != root) link = &tree.node(*link).nextSibling;
    if (*link == root) *link = node.nextSibling;
  }
  node.parent = kNoNode;
  node.nextSibling = kNoNode;
}

// Extra hard links and streams of the records whose node lies under the root. Only the
// few records with counts are looked at: each climbs its parents until it meets the
// root, a node already settled, or a node of its own climb (forged parents can loop);
// every node climbed is settled on the way back, so no node is climbed twice.
void countLinksAndStreams(Tree& tree, const MftRecords& records, const MftRecordMap& map, int32_t root) {
  enum : uint8_t { kUnknown, kInside, kOutside, kClimbing };
  std::vector<uint8_t> state(size_t(tree.nodeCount), kUnknown);
  std::vector<int32_t> climb;
  auto inside = [&](int32_t n) {
    uint8_t result = kOutside;
    climb.clear();
    for (int32_t at = n;; at = tree.node(at).parent) {
      if (at == root) {
        result = kInside;
        break;
      }
      if (at < 0 || state[size_t(at)] == kClimbing) break;
      if (state[size_t(at)] != kUnknown) {
        result = state[size_t(at)];
        break;
      }
      state[size_t(at)] = kClimbing;
      climb.push_back(at);
    }
    for (int32_t at : climb) state[size_t(at)] = result;
    return result == kInside;
  };
  int64_t links = 0;
  int64_t streams = 0;
  for (const MftRecordCounts& c : records.counts) {
    if (c.record == 0) continue;
    int32_t n = mftNodeOfRecord(map, int64_t(c.record) - 1);
    if (n < 0 || !inside(n)) continue;
    if (c.links >= 2) links += c.links - 1;
    streams += c.streams;
  }
  tree.hardLinkCount = links;
  tree.streamCount = streams;
}

}  // namespace

bool readMftVolumeHandle(void* context, uint64_t offset, void* buffer, uint32_t bytes) {
  return readVolumeAt(*static_cast<VolumeHandle*>(context), offset, buffer, bytes);
}

// --- Entry points -------------------------------------------------------------------------------
bool mftScanVolume(Tree& tree, MftVolumeReader& reader, std::u16string_view folder,
                   std::u16string_view rootPath, ScanProgress& progress, MftFailure& failure) {
  const NtfsVolumeData& v = reader.data;
  if (!isPowerOfTwo(v.bytesPerCluster) || v.bytesPerCluster > kChunkBytes || !isPowerOfTwo(v.bytesPerRecord) ||
      v.bytesPerRecord < 256 || v.bytesPerRecord > 65536) {
    return fail(failure, MftFailure::CannotReadMft);
  }
  MftRecords records;
  {
    // The read buffer goes before compaction: its 4 MiB are not needed there.
    ReadBuffer buffer;
    TableLayout layout;
    if (!readTableLayout(reader, buffer.bytes(), kChunkBytes, layout, failure)) return false;

    int64_t validLength = v.mftValidDataLength >= 0 ? v.mftValidDataLength : layout.dataSize;
    int64_t count = std::max<int64_t>(validLength, 0) / v.bytesPerRecord;
    if (reader.volumeBytes != 0) count = std::min<int64_t>(count, int64_t(reader.volumeBytes / uint64_t(v.bytesPerRecord)));
    if (count > kMaxRecords) return fail(failure, MftFailure::CannotReadMft);

    std::vector<uint8_t> bitmap;
    readBitmap(reader, buffer.bytes(), layout, count, bitmap);

    prepareMftRecords(records, tree, count, v.bytesPerCluster);
    progress.total.store(count, std::memory_order_relaxed);
    progress.done.store(0, std::memory_order_relaxed);
    if (!readTable(reader, buffer.bytes(), layout, bitmap, records, progress, failure)) return false;
    if (reader.totalClusters > 0)
      readVolumeLabelAndFreeClusters(reader, buffer.bytes(), kChunkBytes, layout, reader.totalClusters, reader.label,
                                     reader.freeClusters);
  }
  // Every name is in: the intern set goes before compaction, which needs none (the
  // next name added, if any, rebuilds it from the nodes).
  releaseNameSet(tree.names);

  MftRecordMap map;
  compactMftRecords(records, map);
  int32_t root = mftNodeOfRecord(map, 5);
  if (root < 0 || !(tree.node(root).flags & kNodeFolder)) return fail(failure, MftFailure::RootRecordMissing);
  linkNodes(tree, map, root);
  root = descend(tree, root, folder);
  if (root < 0) return fail(failure, MftFailure::FolderNotFound);
  makeRoot(tree, root);
  countLinksAndStreams(tree, records, map, root);
  tree.rootIndex = root;
  tree.rootPath = std::u16string(rootPath);
  return true;
}

bool mftScan(Tree& tree, std::u16string_view path, ScanProgress& progress, MftFailure& failure) {
  size_t length = 0;
  while (length < path.size() && path[length] != 0) length++;
  path = path.substr(0, length);
  if (path.size() < 3 || path[1] != u':') return fail(failure, MftFailure::NotLocalDrivePath);
  VolumeHandle handle;
  MftVolumeReader reader;
  switch (openNtfsVolume(path[0], handle, reader.data)) {
    case VolumeOpenResult::Opened: break;
    case VolumeOpenResult::AccessDenied: return fail(failure, MftFailure::AdministratorRightsRequired);
    case VolumeOpenResult::CannotOpen: return fail(failure, MftFailure::CannotOpenVolume);
    case VolumeOpenResult::NotNtfs: return fail(failure, MftFailure::NotNtfsVolume);
  }
  reader.context = &handle;
  reader.read = readMftVolumeHandle;
  bool ok = mftScanVolume(tree, reader, path.substr(3), path, progress, failure);
  closeVolume(handle);
  return ok;
}
