#include "tree_fixture.h"
#include <algorithm>
#include <vector>

FixtureTree::FixtureTree() { initTree(tree); }
FixtureTree::~FixtureTree() { releaseTree(tree); }

int32_t FixtureTree::folder(int32_t parent, const std::u16string& name) {
  int32_t node = addNode(tree, parent, name.data(), name.size(), 0, 0, true);
  if (parent < 0) {
    tree.rootIndex = node;
    tree.rootPath = name;
  }
  return node;
}

int32_t FixtureTree::file(int32_t parent, const std::u16string& name, int64_t size) {
  int32_t node = addNode(tree, parent, name.data(), name.size(), size, size, false);
  if (parent < 0) {
    tree.rootIndex = node;
    tree.rootPath = name;
  }
  return node;
}

void FixtureTree::finish() { finalizeTree(tree); }

void buildDemoTree(FixtureTree& f) {
  int32_t p = f.folder(-1, u"p");
  int32_t one = f.folder(p, u"1");
  int32_t two = f.folder(p, u"2");
  int32_t three = f.folder(two, u"3");
  struct File { const char16_t* name; int64_t size; } files[] = {
      {u"a.jpg", 900}, {u"b.mp4", 620}, {u"c.pdf", 480}, {u"d.zip", 400}, {u"e.docx", 330},
      {u"f.png", 260}, {u"g.mp3", 240}, {u"h.txt", 200}, {u"i.iso", 170}, {u"j.exe", 150},
      {u"k.mkv", 120}, {u"l.json", 100}, {u"m.psd", 90}, {u"n.flac", 70}, {u"o.cpp", 60},
      {u"p.log", 45}, {u"q.7z", 35}, {u"r", 25}};
  int32_t parents[4] = {one, two, three, p};
  for (int k = 0; k < 18; ++k) f.file(parents[k % 4], files[k].name, files[k].size);
  f.finish();
}

void buildRandomTree(FixtureTree& f, std::mt19937& random, int files, int folders, int maxDepth) {
  std::vector<int32_t> folderNodes{f.folder(-1, u"root")};
  std::vector<int> depth{0};
  for (int i = 1; i < folders; ++i) {
    size_t pick = random() % folderNodes.size();
    if (depth[pick] >= maxDepth) pick = 0;
    folderNodes.push_back(f.folder(folderNodes[pick], u"d" + std::u16string(1, u'a' + i % 26)));
    depth.push_back(depth[pick] + 1);
  }
  static const char16_t* kNames[] = {u"a.txt", u"b.jpg", u"c.exe", u"d.pdf", u"e.zip",
                                     u"f.mp4", u"g", u".h", u"i.cpp", u"j.dll"};
  for (int i = 0; i < files; ++i) {
    int64_t size;
    switch (random() % 8) {
      case 0: size = 0; break;
      case 1: size = random() % 10; break;
      case 2: size = int64_t(random() % 1000) << 20; break;
      default: size = random() % 100000; break;
    }
    f.file(folderNodes[random() % folderNodes.size()], kNames[random() % 10], size);
  }
  f.finish();
}
