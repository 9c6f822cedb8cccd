// The Windows listing on a real folder tree: the FileIdExtdDirectoryInfo ->
// FileIdBothDirectoryInfo fallback loses and doubles nothing, \\?\ path forms,
// hard links counted once where the volume gives file ids.
#include "tests/engine/walk_fixture.h"
#include "platform/listing.h"
#include <windows.h>
#include <memory>
#include <set>
#include <gtest/gtest.h>

namespace {
std::multiset<std::u16string> namesOf(const std::vector<uint64_t>& words) {
  std::multiset<std::u16string> names;
  for (size_t at = 0; at < words.size();) {
    uint32_t length = static_cast<uint32_t>(words[at + 4] >> 32);
    names.insert(std::u16string(reinterpret_cast<const char16_t*>(&words[at + kEntryHeaderWords]), length));
    at += kEntryHeaderWords + entryNameWords(length);
  }
  return names;
}

std::u16string listingPathOf(const std::string& folder) {
  std::u16string path;
  appendListingPath(path, walkRootOf(folder));
  path += u'\\';
  return path;
}

int32_t rejectExtendedClass(std::u16string_view, ListingStep step, int call) {
  return step == ListingStep::Read && call == 0 ? ERROR_INVALID_PARAMETER : 0;
}

bool underWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

struct Listing {
  int32_t error = 0;
  bool extendedAfter = false;
  std::multiset<std::u16string> names;
};

Listing listOnce(const std::string& folder, bool startExtended, ListingFaultHook hook) {
  ListingContext context;
  context.useExtendedInfo = startExtended;
  std::unique_ptr<uint64_t[]> buffer(new uint64_t[kListingBufferBytes / 8]());
  std::vector<uint64_t> words;
  std::u16string path = listingPathOf(folder);
  setListingFaultHook(hook);
  Listing result;
  intptr_t openFolder = kNoOpenFolder;
  ListingTarget target;
  target.rootLength = path.size();
  result.error = listFolder(context, path, target, buffer.get(), words, openFolder);
  setListingFaultHook(nullptr);
  EXPECT_EQ(openFolder, kNoOpenFolder) << "the folder is closed";
  EXPECT_EQ(path, listingPathOf(folder)) << "the path is restored";
  result.extendedAfter = context.useExtendedInfo;
  result.names = namesOf(words);
  return result;
}
}  // namespace

TEST(WalkWindows, FallbackToTheBothClassLosesAndDoublesNothing) {
  TempDir dir;
  std::multiset<std::u16string> expected;
  for (int i = 0; i < 1000; i++) {   // several 64 KiB listing calls in either class
    std::string name = "entry-with-a-name-long-enough-to-need-several-buffers-" + std::to_string(i) + ".txt";
    writeSizedFile(dir.path + "/big/" + name, i % 5);
    expected.insert(utf16FromUtf8(name));
  }
  struct Case {
    const char* what;
    bool startExtended;
    ListingFaultHook hook;
  } cases[] = {
      {"the system's own answer (Wine rejects the extended class)", true, nullptr},
      {"an injected ERROR_INVALID_PARAMETER on the first call", true, rejectExtendedClass},
      {"the both class from the start", false, nullptr},
  };
  for (const Case& c : cases) {
    Listing listing = listOnce(dir.path + "/big", c.startExtended, c.hook);
    EXPECT_EQ(listing.error, 0) << c.what;
    EXPECT_EQ(listing.names, expected) << c.what;
    // Wine rejects the extended class by itself, so there every case runs the fallback.
    if (c.hook || (c.startExtended && underWine())) {
      EXPECT_FALSE(listing.extendedAfter) << c.what;
    }
  }
}

TEST(WalkWindows, WalkAfterFallbackMatchesTheFilesCreated) {
  TempDir dir;
  for (int i = 0; i < 1200; i++) writeSizedFile(dir.path + "/many/file-number-" + std::to_string(i) + "-with-padding-for-length.bin", i);
  writeSizedFile(dir.path + "/a/b/c/deep.txt", 1000);
  makeTestDir(dir.path + "/empty");
  writeSizedFile(dir.path + "/\xF0\x9F\x8C\xB1/\xE2\x82\xAC.txt", 3);
  WalkedTree w(dir.path);
  EXPECT_EQ(entriesOfTree(w.tree), entriesOnDisk(dir.path));
  EXPECT_EQ(w.tree.fileCount, 1202);
  EXPECT_TRUE(w.tree.unreadableFolders.empty());
}

TEST(WalkWindows, ListingPathsUseTheLongForm) {
  struct Case { const char16_t* full; const char16_t* listing; } cases[] = {
      {u"C:\\", u"\\\\?\\C:\\"},
      {u"D:\\Data\\x", u"\\\\?\\D:\\Data\\x"},
      {u"\\\\server\\share\\dir", u"\\\\?\\UNC\\server\\share\\dir"},
      {u"\\\\?\\C:\\already", u"\\\\?\\C:\\already"},
  };
  for (const Case& c : cases) {
    std::u16string out;
    appendListingPath(out, c.full);
    EXPECT_EQ(out, c.listing) << utf8FromUtf16(c.full);
  }
}

TEST(WalkWindows, HardLinksInTwoFoldersAreCountedOnceOnNtfs) {
  TempDir dir;
  writeSizedFile(dir.path + "/first/original.bin", 5000);
  makeTestDir(dir.path + "/second");
  std::u16string from = walkRootOf(dir.path + "/first/original.bin");
  std::u16string to = walkRootOf(dir.path + "/second/link.bin");
  if (!CreateHardLinkW(reinterpret_cast<const wchar_t*>(to.c_str()), reinterpret_cast<const wchar_t*>(from.c_str()), nullptr))
    GTEST_SKIP() << "no hard links here";
  if (!readVolumeFacts(walkRootOf(dir.path)).isNtfs) GTEST_SKIP() << "hard links are only recognised on NTFS";
  WalkedTree w(dir.path);
  EXPECT_EQ(w.tree.hardLinkCount, 1);
  EXPECT_EQ(w.tree.fileCount, 1);
  EXPECT_NE(w.find(u"first/original.bin"), kNoNode);
  EXPECT_EQ(w.find(u"second/link.bin"), kNoNode);
}

namespace {
// Swaps the folder named "swapped" for a directory link to gOutside just before it is opened.
std::u16string gOutside;
bool gLinked = false;
int32_t swapBeforeOpen(std::u16string_view path, ListingStep step, int) {
  if (step != ListingStep::Open || path.size() < 9 || path.substr(path.size() - 9) != u"\\swapped\\") return 0;
  std::wstring folder(path.begin(), path.end() - 1);
  if (MoveFileW(folder.c_str(), (folder + L"-moved").c_str())) {
    std::wstring outside(gOutside.begin(), gOutside.end());
    gLinked = CreateSymbolicLinkW(folder.c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2) != 0;
  }
  return 0;
}
}  // namespace

TEST(WalkWindows, AFolderSwappedForALinkIsNotFollowed) {
  TempDir dir;
  writeSizedFile(dir.path + "/outside/secret/escaped.txt", 1000);
  writeSizedFile(dir.path + "/root/swapped/inside.txt", 10);
  writeSizedFile(dir.path + "/root/kept/also.txt", 20);
  gOutside = walkRootOf(dir.path + "/outside");
  gLinked = false;
  setListingFaultHook(swapBeforeOpen);
  WalkedTree w(dir.path + "/root");
  setListingFaultHook(nullptr);
  if (!gLinked) GTEST_SKIP() << "SKIPPED LOUDLY: no directory links here";
  EXPECT_EQ(w.find(u"swapped/secret"), kNoNode) << "the walk followed the link out of the tree";
  int32_t swapped = w.find(u"swapped");
  ASSERT_NE(swapped, kNoNode);
  EXPECT_TRUE(w.tree.node(swapped).flags & kNodeUnreadable);
  EXPECT_NE(w.find(u"kept/also.txt"), kNoNode);
  EXPECT_EQ(logicalSize(w.tree, w.tree.rootIndex), 20);
}

namespace {
// The file id of a folder as GetFileInformationByHandle gives it.
uint64_t folderIdOf(const std::string& folder) {
  std::u16string path = listingPathOf(folder);
  HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  BY_HANDLE_FILE_INFORMATION info = {};
  bool ok = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return ok ? (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow : kNoFileId;
}
}  // namespace

// A folder whose parent is not kept open is reached by path or from the root. When a
// folder above it was swapped for a link after it was queued, neither way leads to
// the link's target; a kept parent still leads to the folder itself.
TEST(WalkWindows, AFolderAboveSwappedForALinkIsNotFollowedWhateverTheWay) {
  TempDir dir;
  writeSizedFile(dir.path + "/root/a/b/inside.txt", 1);
  writeSizedFile(dir.path + "/outside/b/secret.txt", 1);
  std::string root = dir.path + "/root";
  uint64_t id = folderIdOf(root + "/a/b");
  ASSERT_NE(id, kNoFileId);
  std::u16string rootPath = listingPathOf(root);
  std::u16string aPath = listingPathOf(root + "/a");
  HANDLE keptA = CreateFileW(reinterpret_cast<const wchar_t*>(aPath.c_str()), FILE_LIST_DIRECTORY,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(keptA, INVALID_HANDLE_VALUE);
  std::wstring a(aPath.begin(), aPath.end() - 1);
  std::u16string outside16 = walkRootOf(dir.path + "/outside");
  std::wstring outside(outside16.begin(), outside16.end());
  ASSERT_TRUE(MoveFileW(a.c_str(), (a + L"-moved").c_str()));
  if (!CreateSymbolicLinkW(a.c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2)) {
    CloseHandle(keptA);
    GTEST_SKIP() << "SKIPPED LOUDLY: no directory links here";
  }
  struct Case {
    const char* what;
    intptr_t parent;
    uint64_t expectedId;
    bool listed;    // the folder itself is listed (else refused)
  } cases[] = {
      {"by path, recognised by its id", kNoOpenFolder, id, false},
      {"from the root, name by name", kNoOpenFolder, kNoFileId, false},
      {"relative to the kept parent", reinterpret_cast<intptr_t>(keptA), id, true},
  };
  for (const Case& c : cases) {
    ListingContext context;
    std::unique_ptr<uint64_t[]> buffer(new uint64_t[kListingBufferBytes / 8]());
    std::vector<uint64_t> words;
    std::u16string path = aPath + u"b\\";
    ListingTarget target;
    target.parent = c.parent;
    target.rootLength = rootPath.size();
    target.expectedId = c.expectedId;
    intptr_t openFolder = kNoOpenFolder;
    int32_t error = listFolder(context, path, target, buffer.get(), words, openFolder);
    EXPECT_EQ(openFolder, kNoOpenFolder) << c.what;
    std::multiset<std::u16string> names = namesOf(words);
    EXPECT_EQ(names.count(u"secret.txt"), 0u) << c.what << ": the link was followed out of the tree";
    if (c.listed) {
      EXPECT_EQ(error, 0) << c.what;
      EXPECT_EQ(names.count(u"inside.txt"), 1u) << c.what;
    } else {
      EXPECT_NE(error, 0) << c.what;
      EXPECT_TRUE(names.empty()) << c.what;
    }
  }
  CloseHandle(keptA);
}

// Opened relative to its kept parent, a name that now holds another folder (or, under
// Wine, a host link the system follows without a word) is refused: only the folder the
// parent listed, recognised by its file id, is listed. Without an id there is nothing to
// compare, and whatever the name holds below the parent is listed.
TEST(WalkWindows, AFolderOpenedBelowItsKeptParentMustBeTheOneListed) {
  TempDir dir;
  writeSizedFile(dir.path + "/root/a/b/inside.txt", 1);
  std::string root = dir.path + "/root";
  uint64_t id = folderIdOf(root + "/a/b");
  ASSERT_NE(id, kNoFileId);
  std::u16string aPath = listingPathOf(root + "/a");
  std::u16string bPath = aPath + u"b\\";
  std::wstring b(bPath.begin(), bPath.end() - 1);
  ASSERT_TRUE(MoveFileW(b.c_str(), (b + L"-moved").c_str()));
  writeSizedFile(root + "/a/b/other.txt", 1);
  HANDLE keptA = CreateFileW(reinterpret_cast<const wchar_t*>(aPath.c_str()), FILE_LIST_DIRECTORY,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(keptA, INVALID_HANDLE_VALUE);
  struct Case {
    const char* what;
    uint64_t expectedId;
    int32_t error;
    size_t listed;
  } cases[] = {
      {"the id its parent listed", id, ERROR_PATH_NOT_FOUND, 0},
      {"no id to compare", kNoFileId, 0, 1},
  };
  for (const Case& c : cases) {
    ListingContext context;
    std::unique_ptr<uint64_t[]> buffer(new uint64_t[kListingBufferBytes / 8]());
    std::vector<uint64_t> words;
    std::u16string path = bPath;
    ListingTarget target;
    target.parent = reinterpret_cast<intptr_t>(keptA);
    target.rootLength = listingPathOf(root).size();
    target.expectedId = c.expectedId;
    intptr_t openFolder = kNoOpenFolder;
    EXPECT_EQ(listFolder(context, path, target, buffer.get(), words, openFolder), c.error) << c.what;
    EXPECT_EQ(openFolder, kNoOpenFolder) << c.what;
    std::multiset<std::u16string> names = namesOf(words);
    EXPECT_EQ(names.count(u"other.txt"), c.listed) << c.what;
    EXPECT_EQ(names.count(u"inside.txt"), 0u) << c.what;
  }
  CloseHandle(keptA);
}
