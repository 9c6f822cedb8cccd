// The paint benchmark: on a synthetic tree shaped like a real drive, alternate a
// paint that lays out and rasterises the whole map with a paint that changes only
// the hovered cell, in the same run, and write every time as JSON.
#include "paint_window.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

struct Sample {
  double paintMs, drawMs, mapUpdateMs;
};

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

Sample measured(PaintWindow& w) { return {w.state.performance.frames.paintMs, w.lastDrawMs, w.paint.lastMapUpdateMs}; }

Sample paintAndMeasure(PaintWindow& w) {
  paintNow(w);
  return measured(w);
}

// What the main window repaints when the pointer moves from one map cell to another.
Sample hoverPaintAndMeasure(PaintWindow& w) {
  paintHoverNow(w);
  return measured(w);
}

void writeSeries(FILE* f, const char* name, const std::vector<Sample>& samples) {
  std::vector<double> paint, draw, update;
  fprintf(f, "  \"%s\": {\"runs\": [", name);
  for (size_t i = 0; i < samples.size(); i++) {
    const Sample& s = samples[i];
    fprintf(f, "%s{\"paintMs\": %.3f, \"drawMs\": %.3f, \"mapUpdateMs\": %.3f}", i ? ", " : "", s.paintMs, s.drawMs,
            s.mapUpdateMs);
    paint.push_back(s.paintMs);
    draw.push_back(s.drawMs);
    update.push_back(s.mapUpdateMs);
  }
  fprintf(f, "], \"medianPaintMs\": %.3f, \"medianDrawMs\": %.3f, \"medianMapUpdateMs\": %.3f}", median(paint),
          median(draw), median(update));
}

}  // namespace

// Breadth-first like the directory walk: folders of 20 to 60 entries with 0 to 3
// subfolders (8 near the root), sizes over six decades, twelve extensions; the same
// shape as the treemap benchmark's tree (bench/treemap.cpp).
Tree* buildSyntheticTree(int64_t fileBudget) {
  Tree* tree = new Tree;
  initTree(*tree);
  std::mt19937_64 random(static_cast<uint64_t>(fileBudget));
  static const char16_t* kNames[] = {u"index.js", u"photo.jpg", u"report.pdf", u"setup.exe", u"movie.mp4", u"data.bin",
                                     u"notes.txt", u"lib.dll",  u"archive.zip", u"README",   u"main.cpp",  u"song.mp3"};
  int32_t root = addNode(*tree, kNoNode, u"C:\\", 3, 0, 0, true);
  tree->rootIndex = root;
  tree->rootPath = u"C:\\";
  std::vector<int32_t> queue{root};
  int64_t files = 0;
  for (size_t head = 0; head < queue.size() && files < fileBudget; ++head) {
    int32_t folder = queue[head];
    int entries = 20 + int(random() % 41);
    int subfolders = head < 4 ? 8 : int(random() % 4);
    for (int i = 0; i < subfolders; ++i) queue.push_back(addNode(*tree, folder, u"sub", 3, 0, 0, true));
    for (int i = subfolders; i < entries && files < fileBudget; ++i, ++files) {
      int decade = int(random() % 6);
      int64_t size = int64_t(random() % 1000 + 1);
      for (int d = 0; d < decade; ++d) size *= 10;
      const char16_t* name = kNames[random() % 12];
      size_t length = 0;
      while (name[length]) ++length;
      addNode(*tree, folder, name, length, size, size, false);
    }
  }
  finalizeTree(*tree);
  return tree;
}

void runPaintBench(PaintWindow& w) {
  enterState(w, PaintState::Map);
  relayoutTestWindow(w);
  paintNow(w);   // the first frame makes the bitmap and the text formats
  paintNow(w);
  std::vector<Sample> full, hover;
  const int64_t cells = w.state.treemap ? static_cast<int64_t>(w.state.treemap->rectCount) : 0;
  std::mt19937 random(7);
  for (int32_t run = 0; run < w.options.benchRuns && cells > 0; run++) {
    w.state.mapStale = true;
    full.push_back(paintAndMeasure(w));
    // A few moves of the pointer over the new map: each a new cell, its folder's box found anew.
    for (int move = 0; move < 3; move++) {
      w.state.hoverCell = static_cast<int32_t>(random() % cells);
      hover.push_back(hoverPaintAndMeasure(w));
    }
  }
  FILE* f = w.options.benchOut.empty() ? nullptr : _wfopen(w.options.benchOut.c_str(), L"wb");
  if (f) {
    fprintf(f, "{\n  \"files\": %lld, \"nodes\": %d, \"cells\": %lld, \"client\": [%d, %d],\n",
            static_cast<long long>(w.tree ? w.tree->fileCount : 0), w.tree ? static_cast<int>(w.tree->nodeCount) : 0,
            static_cast<long long>(cells), w.state.clientWidth, w.state.clientHeight);
    fprintf(f, "  \"map\": [%d, %d], \"bitmapCreations\": %llu, \"bitmapRefreshes\": %llu,\n",
            w.layout.content.map.width(), w.layout.content.map.height(),
            static_cast<unsigned long long>(w.paint.bitmap.creations),
            static_cast<unsigned long long>(w.paint.bitmap.refreshes));
    fprintf(f, "  \"chromeTakes\": %llu, \"chromeReuses\": %llu,\n",
            static_cast<unsigned long long>(w.paint.chrome.takes), static_cast<unsigned long long>(w.paint.chrome.reuses));
    writeSeries(f, "fullUpdate", full);
    fprintf(f, ",\n");
    writeSeries(f, "hoverOnly", hover);
    fprintf(f, "\n}\n");
    fclose(f);
  }
  DestroyWindow(w.window);
}
