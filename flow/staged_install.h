// Installing through a staging folder: the archive is unpacked beside the install folder,
// on its volume, and only a short step of renames puts it in place. A journal beside the
// folder tells the next run how far such a step came, so it can finish it or undo it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quill {

// The places beside `installFolder` this installer uses, named after it.
std::string StagingFolder(const std::string& installFolder);
std::string SetAsideFolder(const std::string& installFolder);
std::string CommitJournal(const std::string& installFolder);

// Makes the folders above `path` that are missing, outermost first; the ones it made, so a
// failure can take them away again (RemoveMadeFolders, innermost first).
std::vector<std::string> MakeMissingParents(const std::string& path);
void RemoveMadeFolders(const std::vector<std::string>& made);

// Finishes a commit an earlier run began on `installFolder`, or undoes it where it cannot
// be finished, then removes what is left of staging, set-aside files and journal.
// `register_` rewrites the removal entry once the new files are all in place.
void RecoverInterruptedCommit(const std::string& installFolder, const std::function<void()>& register_);

// Removes a staging folder (a failed or cut-off extraction) and what it holds.
void RemoveTree(const std::string& folder);

// Moves what the staging folder holds into `installFolder`: each file already there aside,
// the new one in its place, or the whole staging folder into the place of a missing or
// empty install folder; `register_` runs once every file is in. On failure every moved
// file goes back, nothing of the new tree stays, and the answer is the path that could not
// be replaced (its system error in `error`).
std::optional<std::string> CommitStaged(const std::string& installFolder, const std::function<void()>& register_,
                                        uint32_t* error);

// Free bytes for a new file at `folder`'s place (its nearest existing level); nothing when
// the volume cannot tell.
std::optional<uint64_t> FreeBytesAt(const std::string& folder);

// Named moments of an installation and its commit, for the tests' own build to end or
// close the program at; the shipped installer sets no hook.
using CommitMomentHook = void (*)(const char* moment);
void SetCommitMomentHook(CommitMomentHook hook);
void CommitMoment(const char* moment);

}  // namespace quill
