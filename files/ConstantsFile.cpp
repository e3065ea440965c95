// SPDX-License-Identifier: BSD-3-Clause
#include "files/ConstantsFile.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <optional>

#include "engine/Format.h"
#include "engine/SafeFile.h"
#include "files/ByteIO.h"

namespace dedodiz {

namespace {

using Table = OneBased<TChelatorRec, 12>;
using fileio::CutText;

constexpr std::uintmax_t kTextFreeSpace = 8000;    // [bytes] wanted on the drive before writing a text table
constexpr std::uintmax_t kBinaryFreeSpace = 5964;  // [bytes] the same for a binary table

constexpr std::array<std::string_view, 7> kHeader = {
    "%THE NEW FORMAT FOR THE FILES OF CONSTANTS IN BROSSIVANTE",
    "%Chelator lines start with ! and name is 7 characters max.",
    "%Values are separated with a comma.",
    "%!C-NAME, H1, H2, H3, H4, dH1, dH2, dH3, dH4",
    "%Metals start with a # are 2 characters followed by valence.",
    "%#Mt2, ML, MHL, dML, dMHL, comments",
    "%The same metals in the same order are required for each chelator",
};

// Offsets inside one binary record.
constexpr std::size_t kOffName = 0;
constexpr std::size_t kOffH = 8;
constexpr std::size_t kOffDH = 40;
constexpr std::size_t kOffMetalName = 72;
constexpr std::size_t kOffML = 108;
constexpr std::size_t kOffMHL = 180;
constexpr std::size_t kOffDML = 252;
constexpr std::size_t kOffDMHL = 324;
constexpr std::size_t kOffComment = 396;

void EmptyMetal(TChelatorRec& rec, int m) {
    rec.MetalName[m] = kEmptyMetal;
    rec.ML[m] = rec.MHL[m] = rec.dML[m] = rec.dMHL[m] = 0;
    rec.Comment[m].clear();
}

void EmptyRecord(TChelatorRec& rec) {
    rec = TChelatorRec{};
    rec.Name = kEmptyChelator;
    for (int m = 1; m <= kTableMetals; ++m) EmptyMetal(rec, m);
}

// Lines of a text held in memory, LF or CR LF ended, each cut to its first 255 bytes however long it
// is in the file.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : rest_(text) {}

    // The next line, or false at the end of the text.
    bool Next(std::string& line) {
        if (rest_.empty()) return false;
        const std::size_t end = rest_.find('\n');
        std::string_view raw = rest_.substr(0, end);
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        line = CutText(raw, kConstantsLineLimit);
        return true;
    }

  private:
    std::string_view rest_;
};

// The characters of line before its first comma (the whole line without one), cut to max; they and
// the comma are taken off the line.
std::string TakeName(std::string& line, std::size_t max) {
    const std::size_t comma = line.find(',');
    std::string name(CutText(std::string_view(line).substr(0, comma), max));
    line.erase(0, comma == std::string::npos ? line.size() : comma + 1);
    return name;
}

// Names and comments lose their control bytes (a NUL, a lone CR, a tab): they go into reports as
// they are. The values are parsed from the line as it stands.
void ParseChelatorLine(std::string line, TChelatorRec& rec) {
    if (!line.empty()) line.erase(0, 1);
    rec.Name = WithoutControlBytes(TakeName(line, ChelatorText::max_length));
    for (int k = 1; k <= 4; ++k) rec.H[k] = ParseNextValue(line);
    for (int k = 1; k <= 4; ++k) rec.dH[k] = ParseNextValue(line);
}

void ParseMetalLine(std::string line, TChelatorRec& rec, int m) {
    if (!line.empty()) line.erase(0, 1);
    rec.MetalName[m] = WithoutControlBytes(TakeName(line, MetalText::max_length));
    rec.ML[m] = ParseNextValue(line);
    rec.MHL[m] = ParseNextValue(line);
    rec.dML[m] = ParseNextValue(line);
    rec.dMHL[m] = ParseNextValue(line);
    // Only the first five commas separate: the comment keeps any commas of its own.
    rec.Comment[m] = WithoutControlBytes(CutText(line, CommentText::max_length));
}

// Reads the twelve blocks that follow the header. Blocks are counted in lines, not recognised by their
// first characters, so a surplus line shifts every later block. Where the file ends early, the metals
// and records it did not reach are left empty rather than holding whatever an earlier file put there.
void ParseBlocks(LineReader& lines, std::string line, Table& table) {
    bool more = true;
    for (int c = 1; c <= kTableChelators; ++c) {
        TChelatorRec& rec = table[c];
        if (!more) {
            EmptyRecord(rec);
            continue;
        }
        ParseChelatorLine(line, rec);
        for (int m = 1; m <= kTableMetals; ++m) {
            if (more) more = lines.Next(line);
            if (more) {
                ParseMetalLine(line, rec, m);
            } else {
                EmptyMetal(rec, m);
            }
        }
        if (more) more = lines.Next(line);
    }
}

FileResult LoadFailed(std::string reason) {
    return {FileStatus::LoadFailed, std::move(reason)};
}

// A file that exists but cannot be read: the system's error (or why the file is no file to read) is
// shown to the user and returned as the reason. A file refused for its size alone is not shown here.
FileResult ReadError(const FileBytes& file, MessageSink& messages) {
    if (!file.tooLarge) messages.Message(file.result.reason, "ERROR");
    return file.result;
}

FileResult ReadText(ConstantsTable& t, const std::string& path, MessageSink& messages) {
    const FileBytes file = ReadFileBytes(path, kConstantsTextBytes);
    if (!file.ok()) return ReadError(file, messages);
    // Some editors put a byte-order mark in front of a text saved as UTF-8.
    LineReader lines(WithoutByteOrderMark(file.bytes));
    std::string line;
    bool found = false;
    while (lines.Next(line)) {
        if (line.empty() || line.front() == '%') continue;
        found = true;
        break;
    }
    if (!found) return LoadFailed("no chelator line (one beginning with \"!\") in " + path);
    if (line.front() != '!') return LoadFailed("the first data line does not begin with \"!\" in " + path);
    ParseBlocks(lines, line, t.Constants);
    return {};
}

// A stored value that is no finite number (only a damaged file holds one) would poison every
// calculation with it; like an unreadable value of the text kind it becomes 0.
double FiniteOrZero(double x) {
    return std::isfinite(x) ? x : 0.0;
}

bool AllBytes(std::string_view text, std::size_t count, unsigned char value) {
    if (text.size() != count) return false;
    for (const char ch : text)
        if (static_cast<unsigned char>(ch) != value) return false;
    return true;
}

void DecodeRecord(const std::string& bytes, std::size_t base, TChelatorRec& rec) {
    const std::string name = fileio::GetShortString(bytes, base + kOffName, 7);
    // Empty names, and names of nothing but 0xF0 filler bytes, mark an empty entry. The bytes of a
    // name are whatever the file holds: control bytes among them become blanks.
    rec.Name =
        (name.empty() || AllBytes(name, 7, 0xF0)) ? std::string(kEmptyChelator) : WithoutControlBytes(name);
    for (int k = 1; k <= 4; ++k) {
        const std::size_t i = static_cast<std::size_t>(k - 1);
        rec.H[k] = FiniteOrZero(fileio::GetDouble(bytes, base + kOffH + 8 * i));
        rec.dH[k] = FiniteOrZero(fileio::GetDouble(bytes, base + kOffDH + 8 * i));
    }
    for (int m = 1; m <= kTableMetals; ++m) {
        const std::size_t i = static_cast<std::size_t>(m - 1);
        const std::string metal = fileio::GetShortString(bytes, base + kOffMetalName + 4 * i, 3);
        rec.MetalName[m] = (metal.empty() || AllBytes(metal, 3, 0xF0)) ? std::string(kEmptyMetal)
                                                                       : WithoutControlBytes(metal);
        rec.ML[m] = FiniteOrZero(fileio::GetDouble(bytes, base + kOffML + 8 * i));
        rec.MHL[m] = FiniteOrZero(fileio::GetDouble(bytes, base + kOffMHL + 8 * i));
        rec.dML[m] = FiniteOrZero(fileio::GetDouble(bytes, base + kOffDML + 8 * i));
        rec.dMHL[m] = FiniteOrZero(fileio::GetDouble(bytes, base + kOffDMHL + 8 * i));
        rec.Comment[m] = WithoutControlBytes(fileio::GetShortString(bytes, base + kOffComment + 21 * i, 20));
    }
}

// The binary kind is recognised by its size alone. Only the table as this program writes it, twelve
// records of 585 bytes, is read. Older programs wrote records of 497 bytes (files of 5964 or 4473
// bytes) whose reals took 6 bytes each, but the layout of those records is not known well enough to
// decode them: a guess would give constants that look plausible and are wrong, so such files are
// refused like any other size, with the table left as it was.
FileResult ReadBinary(ConstantsTable& t, const std::string& path, MessageSink& messages) {
    const FileBytes file = ReadFileBytes(path, kConstantsBinaryBytes);
    if (!file.ok()) return ReadError(file, messages);
    if (file.bytes.size() != kConstantsBinaryBytes)
        return LoadFailed("a binary constants file has " + std::to_string(kConstantsBinaryBytes) +
                          " bytes, not " + std::to_string(file.bytes.size()) + ": " + path);
    for (int c = 1; c <= kTableChelators; ++c)
        DecodeRecord(file.bytes, static_cast<std::size_t>(c - 1) * kConstantsRecordBytes, t.Constants[c]);
    t.ConstantsFileName = path;
    return {};
}

// Names and comments are written as they are, except for what would break the file: a line break
// would split the line and shift every later block, and a comma in a name would shift the values
// after it. Those characters become blanks.
std::string Writable(std::string_view text, bool commaAllowed) {
    std::string out(text);
    for (char& ch : out)
        if (ch == '\r' || ch == '\n' || (!commaAllowed && ch == ',')) ch = ' ';
    return out;
}

void AppendLine(std::string& out, std::string_view line) {
    out.append(line);
    out.append("\r\n");
}

}  // namespace

ConstantsKind ConstantsFileKind(std::string_view name) {
    if (name.size() < 3) return ConstantsKind::None;
    switch (name[name.size() - 3]) {
        case 'T':
        case 't':
            return ConstantsKind::Text;
        case 'C':
        case 'c':
            return ConstantsKind::Binary;
        default:
            return ConstantsKind::None;
    }
}

FileResult ReadConstantsFile(ConstantsTable& table, std::string_view name, MessageSink& messages) {
    // A copy: name may be ConstantsFileName itself, which the binary branch assigns.
    const std::string path(name);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int error = errno;
        FileResult failed = LoadFailed(SystemError(error, path));
        failed.error = error;
        return failed;
    }
    switch (ConstantsFileKind(path)) {
        case ConstantsKind::Text:
            return ReadText(table, path, messages);
        case ConstantsKind::Binary:
            return ReadBinary(table, path, messages);
        case ConstantsKind::None:
            break;
    }
    return {FileStatus::NotConstantsName, "not a constants file name (.TCM or .CCM): " + path};
}

std::string ConstantsText(const ConstantsTable& s) {
    std::string out;
    out.reserve(16384);
    for (const std::string_view line : kHeader) AppendLine(out, line);
    const TChelatorRec& first = s.Constants[1];
    for (const TChelatorRec& rec : s.Constants) {
        std::string line = "!" + Writable(rec.Name, false) + ",";
        for (int k = 1; k <= 4; ++k) line += FormatValue(rec.H[k]) + ",";
        for (int k = 1; k <= 4; ++k) line += FormatValue(rec.dH[k]) + ",";
        AppendLine(out, line);
        for (int m = 1; m <= kTableMetals; ++m) {
            // Every block carries the metal names of record 1, the only ones the program uses.
            line = "#" + Writable(first.MetalName[m], false) + ",";
            line += FormatValue(rec.ML[m]) + ",";
            line += FormatValue(rec.MHL[m]) + ",";
            line += FormatValue(rec.dML[m]) + ",";
            line += FormatValue(rec.dMHL[m]) + ",";
            line += Writable(rec.Comment[m], true);
            AppendLine(out, line);
        }
    }
    return out;
}

std::string ConstantsBinary(const ConstantsTable& s) {
    std::string out;
    out.reserve(kConstantsBinaryBytes);
    for (const TChelatorRec& rec : s.Constants) {
        fileio::PutShortString(out, rec.Name, 7);
        for (int k = 1; k <= 4; ++k) fileio::PutDouble(out, rec.H[k]);
        for (int k = 1; k <= 4; ++k) fileio::PutDouble(out, rec.dH[k]);
        for (int m = 1; m <= kTableMetals; ++m) fileio::PutShortString(out, rec.MetalName[m], 3);
        for (const auto* values : {&rec.ML, &rec.MHL, &rec.dML, &rec.dMHL})
            for (int m = 1; m <= kTableMetals; ++m) fileio::PutDouble(out, (*values)[m]);
        for (int m = 1; m <= kTableMetals; ++m) fileio::PutShortString(out, rec.Comment[m], 20);
    }
    return out;
}

FileResult WriteConstantsFile(ConstantsTable& s, std::string_view name, MessageSink& messages) {
    const std::string path(name);  // name may be ConstantsFileName itself, assigned below
    const ConstantsKind kind = ConstantsFileKind(path);
    if (kind == ConstantsKind::None) {
        messages.Message("Did not save file", "INFORMATION");
        return {FileStatus::NotConstantsName, "the name must end in .TCM or .CCM: " + path};
    }
    const std::optional<std::uintmax_t> free = FreeSpace(FullPath(path));
    if (!free || *free < (kind == ConstantsKind::Text ? kTextFreeSpace : kBinaryFreeSpace))
        return {FileStatus::SaveFailed, "not enough free space on the drive for " + path};
    const std::string bytes = kind == ConstantsKind::Text ? ConstantsText(s) : ConstantsBinary(s);
    std::string error;
    WriteFailure failure = WriteFailure::None;
    if (!WriteFileAtomically(path, bytes, &error, &failure)) {
        // A file that cannot be created is the caller's to report; a disk failing while writing is not.
        if (failure == WriteFailure::Failed) messages.Message(error, "ERROR");
        return {FileStatus::SaveFailed, error};
    }
    s.ConstantsFileName = path;
    return {};
}

}  // namespace dedodiz
