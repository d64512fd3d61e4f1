// The CSV reader on texts written the way spreadsheets and OurAirports write them, and on damaged
// ones: a broken row must cost that row only.

#include "tools/dbbuilder/Csv.h"

#include <gtest/gtest.h>

using vantrel::dbbuilder::CsvReader;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Every row the reader gives, with "!" standing for a broken row and its start line.
std::vector<std::string> readAll(const char* text, Rows* rows = nullptr) {
    CsvReader reader{QByteArray(text)};
    std::vector<std::string> fields;
    std::vector<std::string> outcome;
    for (;;) {
        const CsvReader::Row status = reader.next(fields);
        if (status == CsvReader::Row::End) break;
        if (status == CsvReader::Row::Broken) {
            outcome.push_back("!" + std::to_string(reader.rowLine()));
            continue;
        }
        outcome.push_back(fields.empty() ? std::string() : fields[0]);
        if (rows) rows->push_back(fields);
    }
    return outcome;
}

}  // namespace

TEST(Csv, QuotedFieldsKeepCommasQuotesLineBreaksAndUtf8) {
    Rows rows;
    readAll("\xEF\xBB\xBF" "id,name,note\r\n"
            "1,\"Columbia, \"\"Big\"\" Field\",plain\r\n"
            "\r\n"
            "2,\"Lake\nside\",\"\"\r\n"
            "3,Île-de-France,\"tail\"",
            &rows);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "Columbia, \"Big\" Field", "plain"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"2", "Lake\nside", ""}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"3", "Île-de-France", "tail"}));
}

TEST(Csv, HeaderColumnsAreFoundByName) {
    CsvReader reader{QByteArray("\"id\",\"code\",name\n1,2,3\n")};
    EXPECT_EQ(reader.column("code"), 1);
    EXPECT_EQ(reader.column("name"), 2);
    EXPECT_EQ(reader.column("missing"), -1);
}

TEST(Csv, BrokenRowsCostOneLineAndReportWhereTheyBegan) {
    // An unterminated quote, text after a closing quote, a quote inside an unquoted field and a
    // short row: each is reported at its own line and the rows after it still read.
    EXPECT_EQ(readAll("a,b\n"
                      "1,\"never closed\n"
                      "2,x\n"
                      "3,\"closed\"junk\n"
                      "4,ab\"c\n"
                      "5\n"
                      "6,\"two\nlines\"\n"
                      "7,y\n"),
              (std::vector<std::string>{"!2", "2", "!4", "!5", "!6", "6", "7"}));
}

TEST(Csv, QuoteSwallowingLaterQuotesIsResynchronised) {
    // The open quote of line 2 pairs with the first quote of line 3, where the text after it breaks
    // the row; reading resumes at line 3, whose row is sound.
    EXPECT_EQ(readAll("a,b,c\n"
                      "1,\"open,x\n"
                      "2,\"q\",z\n"
                      "3,w,v"),
              (std::vector<std::string>{"!2", "2", "3"}));
}

TEST(Csv, EmptyAndHeaderOnlyTextsHaveNoRows) {
    EXPECT_TRUE(readAll("").empty());
    EXPECT_TRUE(readAll("a,b\r\n").empty());
    CsvReader broken{QByteArray("\"a,b\n")};
    EXPECT_TRUE(broken.header().empty());
}
