// SPDX-License-Identifier: BSD-3-Clause
#include "files/ConstantsFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <optional>
#include <vector>

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
// is in the file, and counted from 1.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : rest_(text) {}

    // The next line, or false at the end of the text.
    bool Next(std::string& line) {
        if (rest_.empty()) return false;
        const std::size_t end = rest_.find('\n');
        std::string_view raw = rest_.substr(0, end);
        ended_ = end != std::string_view::npos;
        rest_.remove_prefix(ended_ ? end + 1 : rest_.size());
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        line = CutText(raw, kConstantsLineLimit);
        ++number_;
        return true;
    }
    // The number of the line Next gave last.
    [[nodiscard]] int Number() const { return number_; }
    // That line was the last of the text and had no line end: the file may have been cut inside it.
    [[nodiscard]] bool CutShort() const { return rest_.empty() && !ended_; }
    // Nothing but blank lines is left.
    [[nodiscard]] bool OnlyBlankLinesLeft() const {
        return rest_.find_first_not_of(" \t\r\n") == std::string_view::npos;
    }

  private:
    std::string_view rest_;
    int number_ = 0;
    bool ended_ = true;
};

// The characters of line before its first comma (the whole line without one), cut to max; they and
// the comma are taken off the line.
std::string TakeName(std::string& line, std::size_t max) {
    const std::size_t comma = line.find(',');
    std::string name(CutText(std::string_view(line).substr(0, comma), max));
    line.erase(0, comma == std::string::npos ? line.size() : comma + 1);
    return name;
}

// Why a text table is refused; empty while it reads.
struct TextRead {
    std::string refusal;
    int line = 0;  // of the refusal
    // Metal lines whose name differs from the first block's at their place: line, name, expected name.
    struct Mismatch {
        int line;
        std::string name, expected;
    };
    std::vector<Mismatch> mismatches;
    [[nodiscard]] bool ok() const { return refusal.empty(); }
    void Refuse(int at, std::string why) {
        if (!ok()) return;
        line = at;
        refusal = std::move(why);
    }
};

// The next value of a line; a value beyond the range of a double refuses the file, naming the field.
double Value(std::string& line, const char* field, int lineNumber, TextRead& read) {
    const std::string token(CutTo(std::string_view(line).substr(0, line.find(',')), 20));
    bool beyond = false;
    const double value = ParseNextValue(line, &beyond);
    if (beyond)
        read.Refuse(lineNumber, std::string(field) + " \"" + WithoutControlBytes(token) +
                                    "\" lies beyond the range of a number");
    return value;
}

// Names and comments lose their control bytes (a NUL, a lone CR, a tab): they go into reports as
// they are. The values are parsed from the line as it stands; one that does not parse is 0.
void ParseChelatorLine(std::string line, TChelatorRec& rec, int number, TextRead& read) {
    static constexpr const char* kH[] = {"H1", "H2", "H3", "H4"};
    static constexpr const char* kDH[] = {"dH1", "dH2", "dH3", "dH4"};
    if (!line.empty()) line.erase(0, 1);
    rec.Name = WithoutControlBytes(TakeName(line, ChelatorText::max_length));
    for (int k = 1; k <= 4; ++k) rec.H[k] = Value(line, kH[k - 1], number, read);
    for (int k = 1; k <= 4; ++k) rec.dH[k] = Value(line, kDH[k - 1], number, read);
}

void ParseMetalLine(std::string line, TChelatorRec& rec, int m, int number, TextRead& read) {
    if (!line.empty()) line.erase(0, 1);
    rec.MetalName[m] = WithoutControlBytes(TakeName(line, MetalText::max_length));
    rec.ML[m] = Value(line, "ML", number, read);
    rec.MHL[m] = Value(line, "MHL", number, read);
    rec.dML[m] = Value(line, "dML", number, read);
    rec.dMHL[m] = Value(line, "dMHL", number, read);
    // Only the first five commas separate: the comment keeps any commas of its own.
    rec.Comment[m] = WithoutControlBytes(CutText(line, CommentText::max_length));
}

bool Blank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// How a line begins, for a refusal: "a metal line", "an empty line", "a line beginning with "x"".
std::string LineKind(std::string_view line) {
    if (Blank(line)) return "an empty line";
    if (line.front() == '!') return "a chelator line";
    if (line.front() == '#') return "a metal line";
    return "a line beginning with \"" + WithoutControlBytes(CutText(line, 1)) + "\"";
}

std::string Ordinal(int n) {
    static constexpr const char* kOrdinals[] = {"first", "second",  "third",  "fourth", "fifth",
                                                "sixth", "seventh", "eighth", "ninth"};
    return kOrdinals[n - 1];
}

// A line with fewer separators than a whole line has, the last of a file without a line end: the file
// was cut inside it (a value such as 5.790 cut to "5." would otherwise read as a whole number).
bool CutInside(const LineReader& lines, std::string_view line, std::size_t separators) {
    return lines.CutShort() &&
           static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) < separators;
}

// Reads the twelve blocks that follow the header into table. A block is a chelator line ("!") and nine
// metal lines ("#"); the blocks are counted in lines, so a line too many or too few would shift every
// later chelator and metal onto the wrong constants. A line without the marker its place needs, or a
// file that ends inside a block, therefore refuses the whole file. A file may end after any whole block:
// the records it does not reach are left empty. A metal name that differs from the first block's at the
// same place is noted (its values are read as those of the first block's metal, the one the program
// uses); blank lines at the end of the file are no block.
TextRead ParseBlocks(LineReader& lines, std::string line, Table& table) {
    TextRead read;
    bool more = true;
    for (int c = 1; c <= kTableChelators && read.ok(); ++c) {
        TChelatorRec& rec = table[c];
        if (!more || (Blank(line) && lines.OnlyBlankLinesLeft())) {
            more = false;
            EmptyRecord(rec);
            continue;
        }
        const int chelatorLine = lines.Number();
        if (line.empty() || line.front() != '!') {
            read.Refuse(chelatorLine, "a chelator line (beginning with \"!\") is expected, block " +
                                          std::to_string(c) + " of 12, not " + LineKind(line));
            break;
        }
        if (CutInside(lines, line, 9)) {
            read.Refuse(chelatorLine, "the file ends inside this line");
            break;
        }
        ParseChelatorLine(line, rec, chelatorLine, read);
        for (int m = 1; m <= kTableMetals && read.ok(); ++m) {
            if (!lines.Next(line) || (Blank(line) && lines.OnlyBlankLinesLeft())) {
                read.Refuse(chelatorLine, "the file ends inside the block of " + rec.Name.str() +
                                              ": nine metal lines (beginning with \"#\") are expected after "
                                              "it, the file has " +
                                              std::to_string(m - 1));
                break;
            }
            if (line.empty() || line.front() != '#') {
                read.Refuse(lines.Number(), "a metal line (beginning with \"#\") is expected, the " +
                                                Ordinal(m) + " of " + rec.Name.str() + ", not " +
                                                LineKind(line));
                break;
            }
            if (CutInside(lines, line, 5)) {
                read.Refuse(lines.Number(), "the file ends inside this line");
                break;
            }
            ParseMetalLine(line, rec, m, lines.Number(), read);
            if (c > 1 && rec.MetalName[m] != table[1].MetalName[m])
                read.mismatches.push_back(
                    {lines.Number(), rec.MetalName[m].str(), table[1].MetalName[m].str()});
        }
        more = lines.Next(line);
    }
    return read;
}

// The warning of names that differ: the first few lines named, the rest counted.
std::string MismatchWarning(const std::vector<TextRead::Mismatch>& mismatches, const std::string& path) {
    constexpr std::size_t kNamed = 3;
    std::string text = "Metal names differ from those of the first block in " + path + ":";
    for (std::size_t k = 0; k < mismatches.size() && k < kNamed; ++k) {
        const TextRead::Mismatch& m = mismatches[k];
        text += (k == 0 ? "\r" : ",\r") + std::string("line ") + std::to_string(m.line) + " has " +
                (m.name.empty() ? "no name" : m.name) + " where the first block has " +
                (m.expected.empty() ? "no name" : m.expected);
    }
    if (mismatches.size() > kNamed)
        text += ",\rand " + std::to_string(mismatches.size() - kNamed) + " more lines";
    return text + "\rEach line's values are read as those of the first block's metal at its place";
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
    // Read into a copy: a refused file leaves the table as it was.
    Table read = t.Constants;
    const TextRead result = ParseBlocks(lines, line, read);
    if (!result.ok())
        return LoadFailed("line " + std::to_string(result.line) + " of " + path + ": " + result.refusal);
    t.Constants = read;
    if (!result.mismatches.empty()) messages.Message(MismatchWarning(result.mismatches, path), "WARNING");
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
