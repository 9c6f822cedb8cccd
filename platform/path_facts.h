// What a path names on disk at this moment, looked at without following a link at
// its end: the question asked right before anything is deleted, so that a path that
// now leads somewhere else than what was scanned is noticed.
// Implemented by platform/win32/path_facts.cpp and platform/posix/path_facts.cpp.
//
// Threading: any thread; no shared state.
#pragma once
#include <cstdint>
#include <string_view>

struct PathFacts {
  uint32_t error = 0;          // 0: the path names something; else the system's code (not found, denied …)
  bool folder = false;         // the entry is a directory as the system reports it without following it
                               // (on Windows a junction to a folder is one too; natively a link never is)
  bool link = false;           // a symbolic link, junction, mount point or other reparse point: what
                               // the walk lists but never enters
  uint32_t attributes = 0;     // Windows attribute bits (natively POSIX modes mapped as the walk maps them)
  bool identityKnown = false;  // volume and fileId name the entry
  uint64_t volume = 0;         // volume serial number; natively st_dev
  uint64_t fileId = 0;         // file index; natively the inode number
};

// `path` is a full path as the tree builds it (nodePath).
PathFacts queryPathFacts(std::u16string_view path);
