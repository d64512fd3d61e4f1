#include "Csv.h"

namespace vantrel::dbbuilder {

CsvReader::CsvReader(QByteArray text) : text_(std::move(text)) {
    if (text_.startsWith("\xEF\xBB\xBF")) pos_ = 3;
    std::vector<std::string> fields;
    size_t start = pos_;
    rowLine_ = line_;
    if (pos_ < static_cast<size_t>(text_.size()) && parseRow(fields) == Parse::Ok) {
        header_ = std::move(fields);
    } else {
        skipToLineAfter(start);
    }
}

int CsvReader::column(std::string_view name) const noexcept {
    for (size_t i = 0; i < header_.size(); ++i) {
        if (header_[i] == name) return static_cast<int>(i);
    }
    return -1;
}

CsvReader::Row CsvReader::next(std::vector<std::string>& fields) {
    const char* d = text_.constData();
    const size_t n = static_cast<size_t>(text_.size());
    // Blank lines carry no row.
    while (pos_ < n) {
        if (d[pos_] == '\n') {
            ++pos_;
            ++line_;
        } else if (d[pos_] == '\r' && pos_ + 1 < n && d[pos_ + 1] == '\n') {
            pos_ += 2;
            ++line_;
        } else {
            break;
        }
    }
    if (pos_ >= n) return Row::End;

    const size_t start = pos_;
    rowLine_ = line_;
    if (parseRow(fields) == Parse::Broken || fields.size() != header_.size()) {
        skipToLineAfter(start);
        return Row::Broken;
    }
    return Row::Ok;
}

CsvReader::Parse CsvReader::parseRow(std::vector<std::string>& fields) {
    const char* d = text_.constData();
    const size_t n = static_cast<size_t>(text_.size());
    size_t count = 0;
    // Every path that ends the row trims the vector to the fields read.
    auto finish = [&](Parse result) {
        fields.resize(count);
        return result;
    };

    for (;;) {
        if (count == fields.size()) fields.emplace_back();
        std::string& field = fields[count++];
        field.clear();

        if (pos_ < n && d[pos_] == '"') {
            ++pos_;
            for (;;) {
                if (pos_ >= n) return finish(Parse::Broken);  // the quote never closes
                const char c = d[pos_++];
                if (c == '"') {
                    if (pos_ < n && d[pos_] == '"') {
                        field.push_back('"');
                        ++pos_;
                        continue;
                    }
                    break;
                }
                if (c == '\n') ++line_;
                field.push_back(c);
            }
            if (pos_ >= n) return finish(Parse::Ok);
            if (d[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (d[pos_] == '\r' && (pos_ + 1 == n || d[pos_ + 1] == '\n')) ++pos_;
            if (pos_ >= n) return finish(Parse::Ok);
            if (d[pos_] == '\n') {
                ++pos_;
                ++line_;
                return finish(Parse::Ok);
            }
            return finish(Parse::Broken);  // text after the closing quote
        }

        const size_t begin = pos_;
        while (pos_ < n && d[pos_] != ',' && d[pos_] != '\n') {
            if (d[pos_] == '"') return finish(Parse::Broken);  // a quote inside an unquoted field
            ++pos_;
        }
        const bool lineEnds = pos_ >= n || d[pos_] == '\n';
        size_t end = pos_;
        if (lineEnds && end > begin && d[end - 1] == '\r') --end;
        field.assign(d + begin, end - begin);
        if (pos_ >= n) return finish(Parse::Ok);
        ++pos_;
        if (lineEnds) {
            ++line_;
            return finish(Parse::Ok);
        }
    }
}

void CsvReader::skipToLineAfter(size_t offset) {
    const qsizetype eol = text_.indexOf('\n', static_cast<qsizetype>(offset));
    pos_ = eol < 0 ? static_cast<size_t>(text_.size()) : static_cast<size_t>(eol) + 1;
    line_ = rowLine_ + 1;
}

}  // namespace vantrel::dbbuilder
