// Where the master file table and its in-use bitmap lie on the volume, read from the
// table's own record 0. A fragmented table's run list may not fit in record 0: then
// record 0 carries an attribute list naming the extension records that hold the
// rest, and the pieces found there are put together by their starting cluster.
#pragma once
#include "engine/failure.h"
#include "engine/mft_format.h"
#include "engine/mft_volume_reader.h"
#include <string>
#include <vector>

struct TableLayout {
  // The table's clusters in order; a stretch no piece describes is a sparse run, so
  // the records after it keep their numbers.
  std::vector<DataRun> dataRuns;
  int64_t dataSize = -1;
  bool hasBitmapRuns = false;
  std::vector<DataRun> bitmapRuns;
  int64_t bitmapSize = -1;
  std::vector<uint8_t> residentBitmap;
  bool hasResidentBitmap = false;
  int extensionRecords = 0;   // extension records whose pieces were taken
};

// Reads record 0 and, when it has one, its attribute list and the extension records it
// names. `buffer` holds `bufferBytes`, at least a cluster and a record. False with
// CannotReadMft or CannotDecodeRunList; a damaged attribute list or
// extension record costs only the pieces it would have given.
bool readTableLayout(MftVolumeReader& reader, uint8_t* buffer, uint32_t bufferBytes, TableLayout& layout,
                     MftFailure& failure);

// What the volume says about itself, for an image whose host knows nothing of it: the
// label from $Volume (record 3) and the clusters its allocation bitmap ($Bitmap, record
// 6) marks free among the first `totalClusters`. Each is left as it is (empty, -1) when
// it cannot be read. `buffer` holds `bufferBytes`, at least a cluster and a record.
void readVolumeLabelAndFreeClusters(MftVolumeReader& reader, uint8_t* buffer, uint32_t bufferBytes,
                                    const TableLayout& layout, int64_t totalClusters, std::u16string& label,
                                    int64_t& freeClusters);

// The pieces of one attribute spread over several records, joined in order of starting
// cluster. Exposed for the tests.
struct AttributePiece {
  int64_t startVcn = 0;
  int64_t lastVcn = 0;
  uint32_t firstRun = 0;   // into AttributePieces::runs
  uint32_t runCount = 0;
  uint32_t order = 0;      // order found: record 0 first, so it wins a tie
};
struct AttributePieces {
  std::vector<AttributePiece> list;
  std::vector<DataRun> runs;
};
// Adds a non-resident attribute's piece; ignored beyond the caps on pieces and runs.
void addAttributePiece(AttributePieces& pieces, const MftAttribute& attribute);
// Joins the pieces: sorted by starting cluster, a piece that starts inside one before it
// is dropped, a gap becomes a sparse run, a piece's runs stop at its last cluster.
// False when a piece was dropped or a gap filled.
bool joinAttributePieces(AttributePieces& pieces, std::vector<DataRun>& runs);
