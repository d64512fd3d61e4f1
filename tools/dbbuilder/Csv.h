#pragma once
// A reader for comma-separated files as spreadsheets and OurAirports write them: a header row,
// fields optionally in double quotes, a doubled quote for a quote inside quotes, commas and line
// breaks inside quoted fields, LF or CRLF line ends, UTF-8 with or without a byte-order mark.
//
// A row whose quotes are broken (an unterminated quote, text after a closing quote, a quote inside
// an unquoted field) or whose field count differs from the header's is reported as broken, and
// reading resumes on the physical line after the one where that row began, so one bad quote costs
// one line rather than the rest of the file.
//
// Ownership: the reader holds its own copy of the text. Threads: one reader per thread.

#include <QByteArray>

#include <string>
#include <string_view>
#include <vector>

namespace vantrel::dbbuilder {

class CsvReader {
public:
    enum class Row { Ok, Broken, End };

    // Reads the header row at once; header() is empty for an empty text.
    explicit CsvReader(QByteArray text);

    const std::vector<std::string>& header() const noexcept { return header_; }
    // Index of the header column with this name, or -1.
    int column(std::string_view name) const noexcept;

    // The next non-blank row. On Ok, fields holds one entry per header column; on Broken its
    // contents mean nothing; End when the text is exhausted.
    Row next(std::vector<std::string>& fields);

    // The 1-based physical line on which the row last returned began.
    int rowLine() const noexcept { return rowLine_; }

private:
    enum class Parse { Ok, Broken };
    Parse parseRow(std::vector<std::string>& fields);
    void skipToLineAfter(size_t offset);

    QByteArray text_;
    size_t pos_ = 0;
    int line_ = 1;
    int rowLine_ = 0;
    std::vector<std::string> header_;
};

}  // namespace vantrel::dbbuilder
