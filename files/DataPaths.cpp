// SPDX-License-Identifier: BSD-3-Clause
#include "files/DataPaths.h"

#include <algorithm>
#include <fstream>
#include <string>
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
// True when path lies inside folder (both made absolute and free of "..", links resolved).
bool IsInside(const fs::path& path, const fs::path& folder) {
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(path, ec);
    if (ec) return false;
    const fs::path f = fs::weakly_canonical(folder, ec);
    if (ec || f.empty()) return false;
    return std::mismatch(f.begin(), f.end(), p.begin(), p.end()).first == f.end();
}

fs::path ProgramFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
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

fs::path SourceTreeOfBuild(const fs::path& folder) {
    // A program of the build lies at most a few folders below the build folder (app/cli, tests/gui);
    // the walk stops there, so an installed program looks at no more than a few folders.
    constexpr int kLevels = 4;
    std::error_code ec;
    fs::path at = fs::weakly_canonical(folder, ec);
    for (int level = 0; !ec && !at.empty() && level < kLevels; ++level) {
        const fs::path marker = at / kBuildTreeMarker;
        if (IsRegularFile(marker)) {
            std::ifstream in(marker);
            std::string source;
            std::getline(in, source);
            return IsFolder(source) ? fs::path(source) : fs::path();
        }
        if (at == at.parent_path()) break;
        at = at.parent_path();
    }
    return {};
}

fs::path SourceTreeOfProgram() {
    const fs::path program = ProgramFolder();
    return program.empty() ? fs::path() : SourceTreeOfBuild(program);
}

std::vector<fs::path> BundledDataFolders() {
    std::vector<fs::path> folders;
    const fs::path program = ProgramFolder();
    // A program run from its build folder uses the data of its own source tree before any installed
    // copy, which may be of another version.
    const fs::path source = program.empty() ? fs::path() : SourceTreeOfBuild(program);
    if (!source.empty()) AddFolder(folders, source / "data");
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

bool IsBundledPath(const fs::path& path) {
    return IsBundledPath(path, BundledDataFolders());
}

bool IsBundledPath(const fs::path& path, const std::vector<fs::path>& dataFolders) {
    for (const fs::path& folder : dataFolders) {
        if (IsInside(path, folder)) return true;
        // The installed examples stand beside the data ("dedodiz32/data", "dedodiz32/examples"), and so
        // do those of the source tree.
        fs::path data = folder.lexically_normal();
        if (data.filename().empty()) data = data.parent_path();  // written with a trailing '/'
        const fs::path examples = data.parent_path() / "examples";
        if (IsFolder(examples) && IsInside(path, examples)) return true;
    }
    return false;
}

}  // namespace dedodiz
