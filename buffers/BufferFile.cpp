#include "BufferFile.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "BufferModel.h"
#include "Format.h"
#include "SafeFile.h"

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

// One line of the file with its end removed; false at the end of the file.
bool ReadLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) {
        line.clear();
        return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

void ParseRecord(std::string line, TBufferSlot& b) {
    // No comma at all: the whole line is the name and the rest of the record is empty.
    const std::size_t comma = line.find(',');
    b.Name = std::string_view(line).substr(0, comma);
    line.erase(0, comma == std::string::npos ? line.size() : comma + 1);

    for (auto* values : {&b.pKa, &b.dpKa, &b.ipKa, &b.dipKa, &b.temperature})
        for (int k = 1; k <= 3; ++k) (*values)[k] = ParseNextValue(line);

    // Only an upper-case T marks an anionic buffer; the letter and its comma are removed.
    b.anionic = !line.empty() && line.front() == 'T';
    line.erase(0, std::min<std::size_t>(2, line.size()));
    b.comments = line;
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
    if (!WriteFileAtomically(name, BufferFileText(s), nullptr)) {
        messages.Message("Cannot save buffer to file!", "ERROR");
        return false;
    }
    return true;
}

BufferReadResult ReadBufferFile(BufferTool& s, const std::string& name, MessageSink& messages) {
    s.BufferLoaded = false;
    ResetBufferSlotsForLoad(s);

    // A folder opens as a stream on some systems but holds no lines; it is no file to read either.
    std::error_code error;
    std::ifstream in;
    const bool folder = std::filesystem::is_directory(name, error);
    if (!folder) in.open(name, std::ios::binary);
    if (!in.is_open()) {
        const int reason = errno;
        messages.Message("Could not open pH buffer file", "ERROR");
        return {
            false,
            {FileStatus::LoadFailed, (folder ? std::string("a folder, not a file")
                                             : std::error_code(reason, std::generic_category()).message()) +
                                         ": " + name}};
    }
    s.BufferFileName = name;

    std::string line;
    do {
        if (!ReadLine(in, line)) return {};  // only comments: no records
    } while (line.empty() || line.front() == '%');
    if (line.front() == '!') return {};  // the end marker in place of the first record

    // An empty line ends the records; lines after the twelfth record are not read.
    for (int slot = 1; slot <= kBufferSlots && !line.empty(); ++slot) {
        ParseRecord(line, s.BufferSlots[slot]);
        if (slot < kBufferSlots) ReadLine(in, line);
    }
    s.BufferLoaded = true;
    return {true, {}};
}

}  // namespace dedodiz
