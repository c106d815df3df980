// SIMA survey files: coordinate records "A01,number,name,X,Y,height," are
// converted; every other line passes through unchanged.
#pragma once

#include <string>
#include <string_view>

namespace batch {

struct SimaRecord {
    std::string number;  // text exactly as read
    std::string name;    // text exactly as read
    double x = 0;        // northing, m
    double y = 0;        // easting, m
    std::string height;  // text exactly as read, never interpreted
    std::string x_text;  // the X and Y fields as read
    std::string y_text;
    // Both fields are one number each (text::is_decimal_number). A point
    // whose X or Y is anything else (empty, text, a number with more after
    // it) is not converted: x and y then hold only what their leading
    // numbers read as, for the XYBL line that reports it.
    bool coordinates_readable = false;
};

// A line whose first three bytes are "A01".
bool is_sima_record(std::string_view line);

// Fields 2 to 6 of a coordinate record; missing fields are empty, and a
// record without both coordinates is not readable.
void read_sima_record(std::string_view line, SimaRecord& record);

// The height field as the height files take it: a plain decimal number,
// blanks (spaces and tabs) around it at most: an optional sign, digits, an
// optional point and digits ("12.345", " 5.2", "-.5", "100"); no exponent,
// no unit, nothing else. 0 with its value and the number of digits after
// its point; 1 when the field is no such number (empty included).
int read_plain_height(std::string_view text, double& value, int& decimals);

// A corrected height as a record holds it: rounded half away from zero to
// decimals places (at least 3, millimetres), with no blanks; a height that
// rounds to zero is written without a minus sign.
void format_height(double value, int decimals, std::string& out);

// A converted record without its line end: "A01", number, name, X and Y
// rounded to decimals in decimals + 9 columns, and the height, each followed
// by a comma. The texts are written whole, every byte they hold.
void format_sima_record(int decimals, const std::string& number, const std::string& name, double x, double y,
                        const std::string& height, std::string& out);

}  // namespace batch
