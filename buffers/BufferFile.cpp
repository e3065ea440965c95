// SPDX-License-Identifier: BSD-3-Clause
#include "buffers/BufferFile.h"

#include <algorithm>
#include <string_view>

#include "buffers/BufferModel.h"
#include "engine/Format.h"
#include "engine/SafeFile.h"

namespace dedodiz {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string OnOneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

std::string RecordName(const TBufferSlot& b, bool firstRecord) {
    std::string name = OnOneLine(b.Name.view());
    for (char& c : name)
        if (c == ',') c = ';';
    if (firstRecord && !name.empty() && (name.front() == '%' || name.front() == '!')) name.insert(0, 1, ' ');
    return name;
}

// Lines of the file's text, LF or CR LF ended, each cut to its first kBufferLineLimit bytes.
class Lines {
  public:
    explicit Lines(std::string_view text) : rest_(text) {}

    // The next line with its end removed; false (and an empty line) at the end of the text.
    bool Next(std::string& line) {
        line.clear();
        if (rest_.empty()) return false;
        const std::size_t end = rest_.find('\n');
        std::string_view raw = rest_.substr(0, end);
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        line = raw.substr(0, kBufferLineLimit);
        return true;
    }

  private:
    std::string_view rest_;
};

// Reads one record; the first value beyond the range of a double, as typed, or empty when there is none
// (such a value would be read as 0 and its buffer's range lost without a word).
std::string ParseRecord(std::string line, TBufferSlot& b) {
    // No comma at all: the whole line is the name and the rest of the record is empty.
    // Names and comments go into reports: their control bytes (a NUL, a lone CR, a tab) become blanks.
    const std::size_t comma = line.find(',');
    b.Name = WithoutControlBytes(std::string_view(line).substr(0, comma));
    line.erase(0, comma == std::string::npos ? line.size() : comma + 1);

    std::string beyondRange;
    for (auto* values : {&b.pKa, &b.dpKa, &b.ipKa, &b.dipKa, &b.temperature})
        for (int k = 1; k <= 3; ++k) {
            const std::string token(CutTo(std::string_view(line).substr(0, line.find(',')), 20));
            bool beyond = false;
            (*values)[k] = ParseNextValue(line, &beyond);
            if (beyond && beyondRange.empty()) {
                const std::size_t first = token.find_first_not_of(' ');
                const std::size_t last = token.find_last_not_of(' ');
                beyondRange = WithoutControlBytes(token.substr(first, last - first + 1));
            }
        }

    // Only an upper-case T marks an anionic buffer; the letter and its comma are removed.
    b.anionic = !line.empty() && line.front() == 'T';
    line.erase(0, std::min<std::size_t>(2, line.size()));
    b.comments = WithoutControlBytes(line);
    return beyondRange;
}

}  // namespace

std::string BufferFileText(const BufferTool& s) {
    std::string text;
    text.append(kBufferFileHeader1).append(kLineEnd);
    text.append(kBufferFileHeader2).append(kLineEnd);
    for (int slot = 1; slot <= kBufferSlots; ++slot) {
        const TBufferSlot& b = s.BufferSlots[slot];
        text += RecordName(b, slot == 1) + ",";
        for (const auto* values : {&b.pKa, &b.dpKa, &b.ipKa, &b.dipKa})
            for (int k = 1; k <= 3; ++k) text += FormatFixed((*values)[k], 6, 3) + ",";
        for (int k = 1; k <= 3; ++k) text += FormatFixed(b.temperature[k], 5, 2) + ",";
        text += b.anionic ? "T," : "F,";
        text += OnOneLine(b.comments.view());
        text.append(kLineEnd);
    }
    return text;
}

bool WriteBufferFile(const BufferTool& s, const std::string& name, MessageSink& messages) {
    std::string error;
    if (!WriteFileAtomically(name, BufferFileText(s), &error)) {
        messages.Message(WithReason("Cannot save buffer to file!", error), "ERROR");
        return false;
    }
    return true;
}

BufferReadResult ReadBufferFile(BufferTool& s, const std::string& name, MessageSink& messages) {
    s.BufferLoaded = false;
    ResetBufferSlotsForLoad(s);

    // Only a regular file of a sensible size is read: a device or a pipe could feed the reader for ever.
    const FileBytes file = ReadFileBytes(name, kBufferFileBytes);
    if (!file.ok()) {
        messages.Message(WithReason("Could not open pH buffer file", file.result.reason), "ERROR");
        return {false, file.result};
    }
    s.BufferFileName = name;

    // Some editors put a byte-order mark in front of a text saved as UTF-8.
    Lines lines(WithoutByteOrderMark(file.bytes));
    std::string line;
    do {
        if (!lines.Next(line)) return {};  // only comments: no records
    } while (line.empty() || line.front() == '%');
    if (line.front() == '!') return {};  // the end marker in place of the first record

    // An empty line ends the records; lines after the twelfth record are not read.
    for (int slot = 1; slot <= kBufferSlots && !line.empty(); ++slot) {
        if (const std::string beyond = ParseRecord(line, s.BufferSlots[slot]); !beyond.empty()) {
            ResetBufferSlotsForLoad(s);
            const std::string reason = "record " + std::to_string(slot) + ": the value \"" + beyond +
                                       "\" lies beyond the range of a number";
            messages.Message(WithReason("Could not open pH buffer file", reason), "ERROR");
            return {false, {FileStatus::LoadFailed, reason, 0}};
        }
        if (slot < kBufferSlots) lines.Next(line);
    }
    s.BufferLoaded = true;
    return {true, {}};
}

}  // namespace dedodiz
