// The script syntax of vantrel --script: every kind of step, quoting, comments, and the
// mistakes that stop a script before the app starts.

#include "app/Script.h"

#include <gtest/gtest.h>

using namespace vantrel::app;
using Kind = ScriptStep::Kind;

TEST(Script, ReadsEveryKindOfStep) {
    QString error;
    std::optional<Script> script = Script::parse(
        "# a comment\n"
        "\n"
        "tap tab \"Active Countries\"\n"
        "tap row Metric   # after a step\n"
        "tap row 1 0\r\n"
        "tap button \"Say \\\"yes\\\" # not a comment\"\n"
        "type \"LFPG\\n\"\n"
        "drag 160 300 160 100\n"
        "drag on activeCountriesTab 10 20.5 10 5\n"
        "pinch 160 200 40 120\n"
        "wait 0.5\n"
        "screenshot \"shots/a b.png\"\n"
        "quit\n",
        "demo.vscript", &error);
    ASSERT_TRUE(script) << error.toStdString();
    const auto& s = script->steps;
    ASSERT_EQ(s.size(), 11u);
    EXPECT_EQ(s[0].kind, Kind::TapTab);
    EXPECT_EQ(s[0].text, "Active Countries");
    EXPECT_EQ(s[0].line, 3);
    EXPECT_EQ(s[1].kind, Kind::TapRow);
    EXPECT_EQ(s[1].text, "Metric");
    EXPECT_EQ(s[1].source, "tap row Metric   # after a step");
    EXPECT_EQ(s[2].kind, Kind::TapRowAt);
    EXPECT_EQ(s[2].numbers, (std::vector<double>{1, 0}));
    EXPECT_EQ(s[3].kind, Kind::TapButton);
    EXPECT_EQ(s[3].text, "Say \"yes\" # not a comment");
    EXPECT_EQ(s[4].kind, Kind::Type);
    EXPECT_EQ(s[4].text, "LFPG\n");
    EXPECT_EQ(s[5].kind, Kind::Drag);
    EXPECT_TRUE(s[5].viewName.isEmpty());
    EXPECT_EQ(s[5].numbers, (std::vector<double>{160, 300, 160, 100}));
    EXPECT_EQ(s[6].viewName, "activeCountriesTab");
    EXPECT_EQ(s[6].numbers, (std::vector<double>{10, 20.5, 10, 5}));
    EXPECT_EQ(s[7].kind, Kind::Pinch);
    EXPECT_EQ(s[8].kind, Kind::Wait);
    EXPECT_EQ(s[8].numbers, (std::vector<double>{0.5}));
    EXPECT_EQ(s[9].kind, Kind::Screenshot);
    EXPECT_EQ(s[9].text, "shots/a b.png");
    EXPECT_EQ(s[10].kind, Kind::Quit);
    EXPECT_EQ(s[10].line, 13);
}

TEST(Script, MistakesNameTheLine) {
    const std::vector<std::pair<QString, QString>> cases{
        {"jump 3", "line 1: unknown step \"jump\""},
        {"tap\n", "line 1: \"tap\" is followed by tab, row or button"},
        {"tap tab", "\"tap tab\" needs a title"},
        {"tap tab One Two", "\"tap tab\" needs a title"},
        {"tap row", "\"tap row\" needs a text, or a section and a row"},
        {"tap row -1 0", "takes a section and a row counted from 0"},
        {"tap row 1.5 0", "takes a section and a row counted from 0"},
        {"\n\ntap button \"Agree", "line 3: a quoted text is not closed"},
        {"type \"a\\qb\"", "unknown escape \\q"},
        {"drag 1 2 3", "\"drag\" needs 4 numbers"},
        {"drag on 1 2 3 4", "\"drag on 1\" needs 4 numbers"},
        {"pinch 1 2 x 4", "\"x\" is not a number"},
        {"pinch 1 2 0 4", "distances above 0"},
        {"wait", "\"wait\" needs a number"},
        {"wait -1", "from 0 to 86400"},
        {"wait nan", "is not a number"},
        {"screenshot \"\"", "\"screenshot\" needs a file name"},
        {"quit now", "\"quit\" takes nothing after it"},
        {"size 1024", "\"size\" needs 2 numbers"},
        {"size 100 600", "whole pixels from 160 to 16384"},
        {"size 1024.5 600", "whole pixels from 160 to 16384"},
    };
    for (const auto& [text, message] : cases) {
        QString error;
        EXPECT_FALSE(Script::parse(text, "s.vscript", &error)) << text.toStdString();
        EXPECT_TRUE(error.startsWith("s.vscript line ")) << error.toStdString();
        EXPECT_TRUE(error.contains(message)) << text.toStdString() << " gave " << error.toStdString();
    }
}

TEST(Script, AMissingFileIsAnError) {
    QString error;
    EXPECT_FALSE(Script::load("/nonexistent/x.vscript", &error));
    EXPECT_TRUE(error.contains("/nonexistent/x.vscript cannot be read"));
}

// The script that makes the README's pictures stays readable.
TEST(Script, TheReadmePicturesScriptIsValid) {
    QString error;
    std::optional<Script> script = Script::load(VANTREL_SOURCE_DIR "/docs/screenshots.vscript", &error);
    ASSERT_TRUE(script) << error.toStdString();
    EXPECT_EQ(script->steps.back().kind, Kind::Quit);
}
