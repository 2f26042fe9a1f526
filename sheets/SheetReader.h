// Reads the Bi-D and top-margin adjustment off a printed sheet's scan or picture: which value
// to write per shot type, or the top margin, and how sure the reading is. Knows nothing of the
// link or the windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sheets {

// A grey picture of a sheet, rows from the top, 0 black to 255 paper.
struct Picture
{
    int width = 0;
    int height = 0;
    double dpi = 0; // 0 when the file does not say
    std::vector<uint8_t> grey;
};

// Why a sheet gives no answer (or a block of it gives none).
enum class Failure {
    None,
    FileUnreadable, // not a picture the reader can open
    NotOurSheet, // no Bi-D pattern or top-margin line on it
    ResolutionTooLow, // below what the steps need
    BlockCutOff, // a block runs over the picture's edge
    LabelsUnreadable, // the values over the groups (or the stored top margin) cannot be read
    LinesTooNoisy, // the lines do not line up with the fit
};

// A sentence for the technician saying why.
std::string describe(Failure failure);

// A rectangle in the picture's pixels.
struct Box
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

enum class ShotType { MultiShot1, MultiShot2, VariableShot };

// One shot type's block of one Bi-D print.
struct BlockReading
{
    ShotType shot = ShotType::MultiShot1;
    int print = 0; // which print on the sheet, from the top, 0 first
    Failure failure = Failure::None;
    std::optional<int> value; // the value to write
    double residual = 0; // of the fit, in 1/720 inch
    double confidence = 0; // 0 to 1
    bool sure = false; // confident enough to offer the value without a second look
    std::vector<int> labels; // the values printed over the five groups
    std::vector<double> offsets; // per group, return-pass lines from the reference, 1/720 inch
    Box block; // the block on the picture
    Box chosen; // the group whose label is nearest the value, to mark on the picture
};

// The value to write for one shot type, over every print of it on the sheet.
struct ShotValue
{
    ShotType shot = ShotType::MultiShot1;
    Failure failure = Failure::None;
    std::optional<int> value;
    double residual = 0;
    double confidence = 0;
    bool sure = false;
};

struct TopMarginReading
{
    Failure failure = Failure::None;
    std::optional<int> stored; // "Top Adjust = " as printed
    std::optional<int> value; // the value to write
    double offset = 0; // the line from where it belongs, in 1/360 inch, down positive
    double confidence = 0;
    bool sure = false;
    Box line; // the corner of the two lines, to mark on the picture
    Box text; // the stored value's text
};

struct Reading
{
    enum class Kind { Unknown, Bid, TopMargin };
    Kind kind = Kind::Unknown;
    Failure failure = Failure::None; // the sheet as a whole
    double dpi = 0; // the resolution read with
    std::vector<BlockReading> blocks; // Bi-D: every block, from the top
    std::vector<ShotValue> shots; // Bi-D: Multi shot 1, Multi shot 2, Variable shot
    std::optional<TopMarginReading> topMargin;
};

// Reads a picture. `dpi`, when given, overrides the picture's own.
Reading read(const Picture &picture, std::optional<double> dpi = std::nullopt);

// Opens a PNG, JPEG or TIFF as a grey picture with the resolution it names; FileUnreadable
// (and an empty picture) when it cannot.
Picture load(const std::string &path, Failure *failure = nullptr);

// Reads a file: load, then read.
Reading readFile(const std::string &path, std::optional<double> dpi = std::nullopt);

} // namespace sheets
