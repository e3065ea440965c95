// SPDX-License-Identifier: BSD-3-Clause
#include "gui/SavePicture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <string_view>

#include "engine/SafeFile.h"
#include "gui/FileNames.h"

namespace dedodiz {

std::string SavePicturePng(const QImage& image, const std::string& name, MessageSink& messages) {
    const std::string target = ForceFileExt(name, ".png");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        messages.Message(target + ":\rThe picture could not be encoded as PNG", "ERROR");
        return {};
    }
    std::string error;
    if (!WriteFileAtomically(
            target, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), &error)) {
        messages.Message(target + ":\r" + error, "ERROR");
        return {};
    }
    return target;
}

}  // namespace dedodiz
