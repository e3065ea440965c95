// SPDX-License-Identifier: BSD-3-Clause
#include "files/DataPaths.h"

#include <algorithm>
#include <system_error>

namespace dedodiz {

namespace fs = std::filesystem;

namespace {

bool IsRegularFile(const fs::path& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

bool IsFolder(const fs::path& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

// The running program's folder; empty where the system does not tell (no /proc).
fs::path ProgramFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

// True when path lies inside folder (both made absolute and free of "..", links resolved).
bool IsInside(const fs::path& path, const fs::path& folder) {
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(path, ec);
    if (ec) return false;
    const fs::path f = fs::weakly_canonical(folder, ec);
    if (ec || f.empty()) return false;
    return std::mismatch(f.begin(), f.end(), p.begin(), p.end()).first == f.end();
}

// The last component of a name written on any system: a work file made elsewhere may hold "C:\X\Y.TCM".
std::string_view LastComponent(std::string_view name) {
    const std::size_t slash = name.find_last_of("/\\");
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

void AddFolder(std::vector<fs::path>& folders, const fs::path& folder) {
    if (!IsFolder(folder)) return;
    std::error_code ec;
    for (const fs::path& known : folders)
        if (fs::equivalent(known, folder, ec)) return;
    folders.push_back(folder.lexically_normal());
}

}  // namespace

std::vector<fs::path> BundledDataFolders() {
    std::vector<fs::path> folders;
    const fs::path program = ProgramFolder();
    // A program run from its build folder uses the data of its own source tree before any installed
    // copy, which may be of another version.
    if (!program.empty() && IsInside(program, DEDODIZ_BUILD_DIR)) AddFolder(folders, DEDODIZ_DATA_SOURCE_DIR);
    if (!program.empty()) AddFolder(folders, program / DEDODIZ_DATA_RELATIVE_DIR);
    AddFolder(folders, DEDODIZ_DATA_INSTALL_DIR);
    return folders;
}

std::string FindDataFile(std::string_view name, const fs::path& workFolder,
                         const std::vector<fs::path>& dataFolders) {
    if (name.empty()) return std::string(name);
    const fs::path given(name);
    if (IsRegularFile(given)) return std::string(name);

    const std::string_view last = LastComponent(name);
    const bool hasWorkFolder = !workFolder.empty();
    if (hasWorkFolder && given.is_relative() && IsRegularFile(workFolder / given))
        return (workFolder / given).string();
    if (last.empty()) return std::string(name);
    if (hasWorkFolder && IsRegularFile(workFolder / last)) return (workFolder / last).string();
    for (const fs::path& folder : dataFolders)
        if (IsRegularFile(folder / last)) return (folder / last).string();
    return std::string(name);
}

std::string FindDataFile(std::string_view name, const fs::path& workFolder) {
    return FindDataFile(name, workFolder, BundledDataFolders());
}

std::string BundledConstantsFile() {
    for (const fs::path& folder : BundledDataFolders())
        if (IsRegularFile(folder / kBundledConstantsName)) return (folder / kBundledConstantsName).string();
    return {};
}

std::string BundledDataFolder() {
    const std::vector<fs::path> folders = BundledDataFolders();
    return folders.empty() ? std::string() : folders.front().string();
}

}  // namespace dedodiz
