// SPDX-License-Identifier: BSD-3-Clause
#include "qtcanvas/CanvasLoader.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace dedodiz {

namespace {

using CreateCanvas = ImageCanvas* (*)();

// Folders the plugin is looked for in, relative to the program's own folder: the same folder,
// the installed private library folder, and the plugin's folder in the build tree.
constexpr const char* kSearchDirs[] = {".", DEDODIZ_QTCANVAS_INSTALL_DIR, DEDODIZ_QTCANVAS_BUILD_DIR};

std::filesystem::path ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

}  // namespace

std::unique_ptr<ImageCanvas> LoadImageCanvasFrom(const std::string& path, std::string& error) {
    // Never closed: Qt keeps threads and handlers of its own once loaded.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle == nullptr) {
        const char* why = dlerror();
        error = why != nullptr ? why : "cannot open " + path;
        return nullptr;
    }
    void* symbol = dlsym(handle, "dedodiz_qtcanvas_create");
    if (symbol == nullptr) {
        error = path + ": no canvas entry point";
        return nullptr;
    }
    const auto create = reinterpret_cast<CreateCanvas>(symbol);
    std::unique_ptr<ImageCanvas> canvas(create());
    if (!canvas) error = path + ": the canvas could not be created";
    return canvas;
}

std::unique_ptr<ImageCanvas> LoadImageCanvas(std::string& error) {
    const std::filesystem::path folder = ProgramFolder();
    if (folder.empty()) {
        error = "the program's folder is unknown";
        return nullptr;
    }
    std::string firstError;
    for (const char* dir : kSearchDirs) {
        const std::filesystem::path candidate = (folder / dir / kQtCanvasPlugin).lexically_normal();
        std::error_code ec;
        if (!std::filesystem::exists(candidate, ec)) continue;
        if (auto canvas = LoadImageCanvasFrom(candidate.string(), error)) return canvas;
        if (firstError.empty()) firstError = error;
    }
    error = firstError.empty() ? std::string(kQtCanvasPlugin) + " not found beside " + folder.string()
                               : firstError;
    return nullptr;
}

}  // namespace dedodiz
