// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Where a data file (a constants file or a pH buffer file) is found, the same way in every front end.
// A user names a file, or a work file names its constants file, often relative to some folder the
// program does not run in: an installed example names "data/standard.TCM", which exists beside the
// work file's folder in the source tree and in the installed data folder, but rarely in the current
// folder. The lookup only chooses the path to open; the name the user gave, or the name stored in a
// work file, is kept as it is wherever the program shows or saves it.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace dedodiz {

// The bundled table of twelve chelators and nine metals, by its file name.
inline constexpr std::string_view kBundledConstantsName = "standard.TCM";
inline constexpr std::string_view kBundledBufferName = "buffers.bcm";

// The file a build writes at the top of its build folder, holding the path of its source tree. A
// program run from a build finds its source tree through it, so that no path of the build is compiled
// into a program that gets installed.
inline constexpr std::string_view kBuildTreeMarker = "dedodiz32-source-tree";

// The source tree of the build that `folder` lies in: the path named in kBuildTreeMarker in folder or
// one of its nearest ancestors; empty when there is none (an installed program).
std::filesystem::path SourceTreeOfBuild(const std::filesystem::path& folder);

// The same for the running program's folder.
std::filesystem::path SourceTreeOfProgram();

// The folders that hold the bundled data, in the order they are searched, only those that exist:
//  1. the source tree's data/, only while the program runs from its build folder (SourceTreeOfProgram);
//  2. the data folder of an installed program, found from the running program's own folder (so a
//     package unpacked under any prefix finds its data);
//  3. the data folder of the prefix the build was configured to install into.
std::vector<std::filesystem::path> BundledDataFolders();

// The path to open for the data file `name`: the first of these that is a regular file (a symbolic
// link to one counts), or name itself when none is, so that the reader reports the name as given.
//  1. name as given: absolute, or relative to the current folder;
//  2. relative to workFolder (the folder of the work file that names the file; empty when none), for a
//     relative name;
//  3. its last component (after the last '/' or '\') in workFolder: the file beside the work file;
//  4. its last component in each of dataFolders, in order.
std::string FindDataFile(std::string_view name, const std::filesystem::path& workFolder,
                         const std::vector<std::filesystem::path>& dataFolders);

// The same with BundledDataFolders().
std::string FindDataFile(std::string_view name, const std::filesystem::path& workFolder = {});

// The bundled table's path in the first bundled data folder that holds it; empty when none does.
std::string BundledConstantsFile();

// The first bundled data folder (where a file dialog for data files starts); empty when none exists.
std::string BundledDataFolder();

// Whether path lies among the files that come with the program: in a bundled data folder, or in the
// examples folder beside it. A file dialog never starts there, and a save over such a file asks first.
bool IsBundledPath(const std::filesystem::path& path);

// The same for the bundled data folders given (those of a program that keeps its data elsewhere, as the
// Python package does).
bool IsBundledPath(const std::filesystem::path& path, const std::vector<std::filesystem::path>& dataFolders);

}  // namespace dedodiz
