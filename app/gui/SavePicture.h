// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A picture of a window (the sweep, the histograms, the calibration's plots) saved as a PNG file. The file
// is written whole or not at all: a failed save leaves an older file of that name as it was.

#include <string>

#include "engine/Sinks.h"

class QImage;

namespace dedodiz {

// Writes image to name (".png" added when name has another extension or none) and answers the name
// written; on a failure an "ERROR" message names the file and why, and the answer is empty.
std::string SavePicturePng(const QImage& image, const std::string& name, MessageSink& messages);

}  // namespace dedodiz
