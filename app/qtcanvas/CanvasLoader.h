// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Opens the Qt image canvas plugin at run time. Programs that must not load Qt unless a bitmap is
// wanted (the command-line tool) link this loader instead of the plugin.

#include <memory>
#include <string>

#include "core/Canvas.h"

namespace dedodiz {

// The plugin's file name.
inline constexpr const char* kQtCanvasPlugin = "libdedodiz_qtcanvas.so";

// A new canvas from the plugin found next to the running program: in its own folder, in the
// private library folder of an installed program (lib/dedodiz32), or in the build tree. nullptr when none can
// be opened, with the reason in error.
std::unique_ptr<ImageCanvas> LoadImageCanvas(std::string& error);

// The same from the plugin at path.
std::unique_ptr<ImageCanvas> LoadImageCanvasFrom(const std::string& path, std::string& error);

}  // namespace dedodiz
