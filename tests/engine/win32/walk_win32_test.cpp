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
  result.error = listFolder(context, path, buffer.get(), words, openFolder);
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
