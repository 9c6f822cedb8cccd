// The native walk opens each folder relative to its parent's descriptor: paths of any
// length, folders swapped for links while it runs, bind mounts, a process with one
// descriptor free, and a tree that keeps changing under several walks.
#include "tests/engine/walk_fixture.h"
#include "platform/listing.h"
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <set>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <gtest/gtest.h>

namespace {
// --- Trees deeper than a path can name ----------------------------------------------------
// A chain of `depth` folders named `name` below `root`, made by descriptor, with a file
// of `fileBytes` in every tenth folder and one at the bottom. Returns the file count.
int makeChain(const std::string& root, const std::string& name, int depth, int fileBytes) {
  int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
  int files = 0;
  for (int level = 0; level < depth && fd >= 0; level++) {
    if (level % 10 == 0 || level == depth - 1) {
      int file = openat(fd, "file.txt", O_CREAT | O_WRONLY, 0644);
      if (file >= 0 && ftruncate(file, fileBytes) == 0) files++;
      if (file >= 0) close(file);
    }
    if (level == depth - 1) break;
    mkdirat(fd, name.c_str(), 0755);
    int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
  }
  if (fd >= 0) close(fd);
  return files;
}

// Removes everything below the folder `fd` by descriptor (std::filesystem gives up at
// PATH_MAX), then closes it.
void removeBelow(int fd) {
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return;
  }
  std::vector<std::pair<std::string, bool>> entries;
  while (dirent* e = readdir(dir)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    struct stat st;
    bool folder = fstatat(dirfd(dir), n.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    entries.push_back({n, folder});
  }
  for (const auto& [n, folder] : entries) {
    if (folder) {
      int child = openat(dirfd(dir), n.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
      if (child >= 0) removeBelow(child);
    }
    unlinkat(dirfd(dir), n.c_str(), folder ? AT_REMOVEDIR : 0);
  }
  closedir(dir);
}

struct DeepDir : TempDir {
  ~DeepDir() { removeBelow(open(path.c_str(), O_RDONLY | O_DIRECTORY)); }
};

// --- A child process for limits that would touch the whole test program -------------------
// Runs `body` in a child; its return value is the exit status (77: the check cannot run).
int inChild(const std::function<int()>& body) {
  fflush(nullptr);
  pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
}  // namespace

TEST(WalkDescriptors, PathsLongerThanTheSystemNamesAreWalkedWhole) {
  struct Case {
    const char* what;
    std::string name;
    int depth;
  } cases[] = {
      {"5 000 one-letter folders (10 000 bytes of path)", "d", 5000},
      {"twenty 255-byte names", std::string(255, 'n'), 20},
  };
  for (const Case& c : cases) {
    DeepDir dir;
    int files = makeChain(dir.path, c.name, c.depth, 7);
    WalkedTree w(dir.path);
    EXPECT_EQ(w.tree.folderCount, c.depth - 1) << c.what;
    EXPECT_EQ(w.tree.fileCount, files) << c.what;
    EXPECT_EQ(logicalSize(w.tree, w.tree.rootIndex), 7 * files) << c.what;
    EXPECT_TRUE(w.tree.unreadableFolders.empty()) << c.what;
  }
}

namespace {
// Swaps the folder named "swapped" for a link to `gOutside` just before it is opened.
std::string gOutside;
int32_t swapBeforeOpen(std::u16string_view path, ListingStep step, int) {
  std::string p = utf8FromUtf16(path);
  if (step == ListingStep::Open && p.size() > 9 && p.compare(p.size() - 9, 9, "/swapped/") == 0) {
    std::string folder = p.substr(0, p.size() - 1);
    if (rename(folder.c_str(), (folder + "-moved").c_str()) == 0) symlink(gOutside.c_str(), folder.c_str());
  }
  return 0;
}
}  // namespace

TEST(WalkDescriptors, AFolderSwappedForALinkIsNotFollowed) {
  TempDir dir;
  writeSizedFile(dir.path + "/outside/secret/escaped.txt", 1000);
  writeSizedFile(dir.path + "/root/swapped/inside.txt", 10);
  writeSizedFile(dir.path + "/root/kept/also.txt", 20);
  gOutside = dir.path + "/outside";
  setListingFaultHook(swapBeforeOpen);
  WalkedTree w(dir.path + "/root");
  setListingFaultHook(nullptr);
  EXPECT_EQ(w.find(u"swapped/secret"), kNoNode) << "the walk followed the link out of the tree";
  EXPECT_EQ(w.find(u"swapped/secret/escaped.txt"), kNoNode);
  int32_t swapped = w.find(u"swapped");
  ASSERT_NE(swapped, kNoNode);
  EXPECT_TRUE(w.tree.node(swapped).flags & kNodeUnreadable);
  ASSERT_EQ(w.tree.unreadableFolders.size(), 1u);
  EXPECT_TRUE(w.tree.unreadableFolders[0].error == ENOTDIR || w.tree.unreadableFolders[0].error == ELOOP);
  EXPECT_NE(w.find(u"kept/also.txt"), kNoNode);
  EXPECT_EQ(logicalSize(w.tree, w.tree.rootIndex), 20);
}

namespace {
// Moves the folder named "gone" away just before it is opened.
int32_t moveBeforeOpen(std::u16string_view path, ListingStep step, int) {
  std::string p = utf8FromUtf16(path);
  if (step == ListingStep::Open && p.size() > 6 && p.compare(p.size() - 6, 6, "/gone/") == 0) {
    std::string folder = p.substr(0, p.size() - 1);
    rename(folder.c_str(), (folder + "-elsewhere").c_str());
  }
  return 0;
}
}  // namespace

TEST(WalkDescriptors, AFolderThatCannotBeOpenedIsRecordedNotDropped) {
  TempDir dir;
  writeSizedFile(dir.path + "/a/gone/x.txt", 5);
  writeSizedFile(dir.path + "/a/stays/y.txt", 6);
  setListingFaultHook(moveBeforeOpen);
  WalkedTree w(dir.path);
  setListingFaultHook(nullptr);
  int32_t gone = w.find(u"a/gone");
  ASSERT_NE(gone, kNoNode);
  EXPECT_TRUE(w.tree.node(gone).flags & kNodeUnreadable);
  ASSERT_EQ(w.tree.unreadableFolders.size(), 1u);
  EXPECT_EQ(w.tree.unreadableFolders[0].error, ENOENT);
  EXPECT_NE(w.find(u"a/stays/y.txt"), kNoNode);
}

TEST(WalkDescriptors, OneFreeDescriptorStillListsTheWholeTree) {
  DeepDir dir;
  for (const char* top : {"a", "b", "c"})
    for (int k = 0; k < 20; k++) writeSizedFile(dir.path + "/" + top + "/sub" + std::to_string(k) + "/deeper/f.txt", 3);
  makeChain(dir.path, "chain", 2500, 1);   // and one chain longer than a path
  WalkedTree whole(dir.path);
  ASSERT_TRUE(whole.tree.unreadableFolders.empty());
  WalkEntries expected = entriesOfTree(whole.tree);
  int64_t nodes = whole.tree.nodeCount;
  int status = inChild([&] {
    // Every descriptor number up to the highest open one, plus exactly one more.
    int highest = 0;
    for (int fd = 0; fd < 4096; fd++)
      if (fcntl(fd, F_GETFD) != -1) highest = fd;
    struct rlimit limit = {rlim_t(highest + 2), rlim_t(highest + 2)};
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) return 77;
    WalkedTree w(dir.path);
    if (!w.tree.unreadableFolders.empty()) return 1;
    if (w.tree.nodeCount != nodes || entriesOfTree(w.tree) != expected) return 2;
    return 0;
  });
  if (status == 77) GTEST_SKIP() << "SKIPPED LOUDLY: cannot lower the descriptor limit";
  EXPECT_EQ(status, 0) << "1: folders recorded unreadable, 2: a different tree";
}

TEST(WalkDescriptors, BindMountsOfTheSameFileSystemAreNotEntered) {
  TempDir dir;
  writeSizedFile(dir.path + "/data/big.bin", 100000);
  makeTestDir(dir.path + "/data/mirror");
  std::string data = dir.path + "/data";
  int status = inChild([&] {
    // A mount namespace of our own: nothing of it is seen outside the child.
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 77;
    if (mount(data.c_str(), (data + "/mirror").c_str(), nullptr, MS_BIND, nullptr) != 0) return 77;
    WalkedTree w(data);
    int32_t mirror = w.find(u"mirror");
    if (mirror == kNoNode || !(attributes(w.tree, mirror) & kAttributeReparsePoint)) return 1;
    if (w.tree.node(mirror).firstChild != kNoNode || logicalSize(w.tree, w.tree.rootIndex) != 100000) return 2;
    return 0;
  });
  if (status == 77) GTEST_SKIP() << "SKIPPED LOUDLY: no mount namespace (needs root)";
  EXPECT_EQ(status, 0) << "1: the bind mount is not shown as a mount point, 2: it was entered";
}

// A thread renames folders and swaps them for links to a folder outside the tree while
// walks run: no walk ever lists anything from outside, and every walk finishes.
TEST(WalkDescriptors, AMutatingTreeNeverLeadsOutside) {
  TempDir dir;
  std::string root = dir.path + "/root";
  writeSizedFile(dir.path + "/outside/OUTSIDE-MARKER/escaped.txt", 1);
  for (int a = 0; a < 8; a++)
    for (int b = 0; b < 8; b++)
      for (int f = 0; f < 4; f++)
        writeSizedFile(root + "/a" + std::to_string(a) + "/b" + std::to_string(b) + "/f" + std::to_string(f), 1);
  // The swapping runs in a process of its own: the walks below fork children, and a
  // fork while another thread holds the allocator's lock leaves the child hung.
  fflush(nullptr);
  pid_t mutator = fork();
  ASSERT_GE(mutator, 0);
  if (mutator == 0) {
    std::string outside = dir.path + "/outside";
    for (uint32_t round = 0;; round++) {
      for (int a = 0; a < 8; a++) {
        std::string folder = root + "/a" + std::to_string(a) + "/b" + std::to_string((round + a) % 8);
        std::string top = root + "/a" + std::to_string((a + round) % 8);
        // Swap a folder for a link, and a whole top folder, then put them back.
        if (rename(folder.c_str(), (folder + ".away").c_str()) == 0) {
          symlink(outside.c_str(), folder.c_str());
          sched_yield();
          unlink(folder.c_str());
          rename((folder + ".away").c_str(), folder.c_str());
        }
        if (rename(top.c_str(), (top + ".away").c_str()) == 0) {
          symlink(outside.c_str(), top.c_str());
          sched_yield();
          unlink(top.c_str());
          rename((top + ".away").c_str(), top.c_str());
        }
      }
    }
  }
  auto escapesOf = [&root] {
    WalkedTree w(root);
    int escapes = 0;
    for (int32_t n = 0; n < w.tree.nodeCount; n++) {
      std::u16string name = nodeName(w.tree, n);
      if (name == u"OUTSIDE-MARKER" || name == u"escaped.txt") escapes++;
    }
    return escapes;
  };
  int escapes = 0, childEscapes = 0;
  for (int run = 0; run < 60; run++) {
    if (run % 3 != 2) {
      escapes += escapesOf();
      continue;
    }
    // With few descriptors no folder is kept open: folders are reached from the root.
    childEscapes += inChild([&] {
      struct rlimit limit = {64, 64};
      if (setrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
      return escapesOf() ? 1 : 0;
    });
  }
  kill(mutator, SIGKILL);
  waitpid(mutator, nullptr, 0);
  EXPECT_EQ(escapes, 0) << "a walk listed folders outside its root";
  EXPECT_EQ(childEscapes, 0) << "a walk that reached folders from the root left it";
}
