// The loader's path splitter, common-prefix count and comma-separated-values
// reader. Separators (backslash, comma, double quote) count only as single
// bytes: the trail byte of a double-byte character is never one.
#pragma once
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace kb::loader {

// The parts of path between its single-byte backslashes, up to its first zero
// byte. The last byte stays on the last part whatever it is, so a folder path
// "Docs\Sub\" gives "Docs" and "Sub\". Empty path: no parts.
std::vector<std::string> SplitPath(std::string_view path);

// How many leading parts a and b share (exact bytes), looking at no more than
// min(countA, countB) parts (each also capped by its vector's size); 0 when
// either count is 0 or below.
int CountCommonParts(const std::vector<std::string>& a, const std::vector<std::string>& b, int countA,
                     int countB);

// Whether the last character of path is a single-byte backslash.
bool EndsWithBackslash(std::string_view path);
// path with one backslash added unless it ends with one ("" gives "\").
std::string IncludeTrailingBackslash(std::string_view path);
// path without its final single-byte backslash, if it has one.
std::string ExcludeTrailingBackslash(std::string_view path);

// Bytes 32 and below removed at both ends.
std::string TrimBlanks(std::string_view text);

// The next usable line of in (its line end, LF with one CR before it, not
// included): lines that are blank after trimming or hold "//" anywhere are
// skipped. False at the end of the input; in.bad() then tells a read error.
bool ReadCSVLine(std::istream& in, std::string& line);

// Field n (from 1) of line, trimmed; empty when the line has fewer fields.
// A double quote opens a group (dropping what the field held so far) that the
// next double quote closes; commas inside it do not split; no escapes.
std::string GetCSVField(std::string_view line, int n);

}  // namespace kb::loader
