// A tree for the lists' and the filter bar's tests: names equal but for case, equal
// sizes, files without a type, a trailing dot, a type too long to count, a name
// outside the Basic Multilingual Plane, and folders whose names sort differently by
// case-insensitive name than by size or index.
#pragma once
#include "engine/extensions.h"
#include "ui_fixture.h"

// C:\ (the root)
//   zeta\            Report.PDF 5000, report.pdf 5000, notes. 300
//   Alpha\           b.JPG 7000, a.jpg 7000, clip.mp4 20000
//     deep\          a.jpg 7000 (same name and size as Alpha\a.jpg)
//   alpha2\          song.mp3 1000
//   README 100, .gitignore 50, archive.tar.gz 9000, x.abcdefghijklmnopq 10, 𝄞.ogg 400
struct ListTree {
  TestTree t;
  int32_t root, zeta, alpha, deep, alpha2;
  int32_t reportUpper, reportLower, notes, bJpg, aJpg, clip, deepJpg, song, readme, gitignore, archive, longType, clef;
  ListTree() {
    root = t.root(u"C:\\");
    zeta = t.folder(root, u"zeta");
    alpha = t.folder(root, u"Alpha");
    alpha2 = t.folder(root, u"alpha2");
    deep = t.folder(alpha, u"deep");
    reportUpper = t.file(zeta, u"Report.PDF", 5000);
    reportLower = t.file(zeta, u"report.pdf", 5000);
    notes = t.file(zeta, u"notes.", 300);
    bJpg = t.file(alpha, u"b.JPG", 7000);
    aJpg = t.file(alpha, u"a.jpg", 7000);
    clip = t.file(alpha, u"clip.mp4", 20000);
    deepJpg = t.file(deep, u"a.jpg", 7000);
    song = t.file(alpha2, u"song.mp3", 1000);
    readme = t.file(root, u"README", 100);
    gitignore = t.file(root, u".gitignore", 50);
    archive = t.file(root, u"archive.tar.gz", 9000);
    longType = t.file(root, u"x.abcdefghijklmnopq", 10);
    clef = t.file(root, u"\U0001D11E.ogg", 400);
    aggregateTree(t.tree);
  }
  Tree& tree() { return t.tree; }
  int64_t total() const { return 5000 + 5000 + 300 + 7000 + 7000 + 20000 + 7000 + 1000 + 100 + 50 + 9000 + 10 + 400; }
};
