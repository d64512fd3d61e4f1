#include "PlistTestSupport.h"

#include "platform/core/Value.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace vantrel::test {
namespace {

using platform::Array;
using platform::Dictionary;
using platform::Key;
using platform::Value;

TEST(Value, TextsReadAsTheirLeadingNumber) {
    struct Case {
        const char* text;
        double asDouble;
        int asInt;
    };
    const Case cases[] = {
        {"12.5 NM", 12.5, 12}, {"  -3.25e2x", -325.0, -3}, {"+7", 7.0, 7},   {".5", 0.5, 0},
        {"1e", 1.0, 1},        {"abc", 0.0, 0},            {"", 0.0, 0},     {"- 4", 0.0, 0},
        {"114.85", 114.85, 114}, {"\t\n42", 42.0, 42},     {"0x1A", 0.0, 0}, {"1e400", HUGE_VAL, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Value(c.text).doubleValue(), c.asDouble) << c.text;
        EXPECT_EQ(Value(c.text).intValue(), c.asInt) << c.text;
    }
    EXPECT_EQ(Value("99999999999").intValue(), INT_MAX);
    EXPECT_EQ(Value("-99999999999").intValue(), INT_MIN);
    EXPECT_EQ(Value("-9223372036854775808").longLongValue(), INT64_MIN);
    EXPECT_EQ(Value("99999999999999999999").longLongValue(), INT64_MAX);
    EXPECT_FLOAT_EQ(Value("49.0097").floatValue(), 49.0097f);
    // Numbers convert as C casts do.
    EXPECT_EQ(Value::integer(4294967297).intValue(), 1);
    EXPECT_EQ(Value::real(-2.9).intValue(), -2);
    EXPECT_EQ(Value::real(NAN).longLongValue(), 0);
    EXPECT_EQ(Value::boolean(true).doubleValue(), 1.0);
    EXPECT_EQ(Value::date(5.0).doubleValue(), 0.0);
    for (const char* yes : {"YES", "true", "t", " 1", "-3"}) EXPECT_TRUE(Value(yes).boolValue()) << yes;
    for (const char* no : {"NO", "false", "0", "", "x"}) EXPECT_FALSE(Value(no).boolValue()) << no;
}

TEST(Value, ContainersAreSharedByReference) {
    Value record = dict({{"waypoint_id", "LFPG"}});
    Value holder = list({record});
    Value same = holder;
    record.dictionary()->set("ct", "3");
    same.array()->append(Value::integer(1));
    EXPECT_EQ(holder.array()->size(), 2u);
    EXPECT_EQ(holder.array()->at(0).dictionary()->get("ct"), Value("3"));
    EXPECT_EQ(holder.identity(), same.identity());
    EXPECT_TRUE(holder.array()->at(7).isNull());

    // A mutable copy is a new container holding the same elements.
    platform::ArrayPtr copy = holder.array()->mutableCopy();
    copy->append("more");
    EXPECT_NE(Value(copy).identity(), holder.identity());
    EXPECT_EQ(copy->at(0).identity(), record.identity());
    EXPECT_EQ(holder.array()->size(), 2u);
    EXPECT_EQ(holder.array()->indexOfIdentical(record), 0);
    EXPECT_EQ(holder.array()->indexOfIdentical(dict({{"waypoint_id", "LFPG"}, {"ct", "3"}})), -1);
    EXPECT_EQ(holder.array()->indexOf(dict({{"ct", "3"}, {"waypoint_id", "LFPG"}})), 0);

    // Keys are interned: equal texts are one key.
    EXPECT_EQ(Key("waypoint_name").identity(), Key(std::string("waypoint_") + "name").identity());
}

TEST(Value, EqualityIsDeepAndNumbersCompareByValue) {
    EXPECT_EQ(Value::integer(3), Value::real(3.0));
    EXPECT_NE(Value::integer(3), Value("3"));
    EXPECT_NE(Value::date(5.0), Value::real(5.0));
    EXPECT_NE(Value::boolean(true), Value::integer(1));
    EXPECT_EQ(Value(), Value());
    EXPECT_EQ(Value::data("ab"), Value::data("ab"));
    EXPECT_EQ(dict({{"a", list({Value::integer(1), "x"})}, {"b", Value()}}),
              dict({{"b", Value()}, {"a", list({Value::real(1.0), "x"})}}));
    EXPECT_NE(list({"a", "b"}), list({"b", "a"}));
    EXPECT_NE(dict({{"a", "1"}}), dict({{"a", "1"}, {"b", "2"}}));
    EXPECT_NE(dict({{"a", "1"}, {"c", "2"}}), dict({{"a", "1"}, {"b", "2"}}));
}

TEST(Value, DescriptionIsTheClassicLogForm) {
    EXPECT_EQ(Value("plain text").description(), "plain text");
    EXPECT_EQ(Value::real(2.5).description(), "2.5");
    EXPECT_EQ(Value::date(0.0).description(), "1970-01-01 00:00:00 +0000");
    EXPECT_EQ(dict({{"name", "Hello world"}, {"n", Value::integer(-3)}, {"list", list({"a\"b", Value::boolean(true)})}}).description(),
              "{\n"
              "    name = \"Hello world\";\n"
              "    n = -3;\n"
              "    list = (\n"
              "        \"a\\\"b\",\n"
              "        1\n"
              "    );\n"
              "}");
}

TEST(Dictionary, LargeDictionariesKeepEveryEntryAndStayIndexed) {
    auto d = Dictionary::create();
    const int n = 20000;
    for (int i = 0; i < n; ++i) d->set(Key(std::to_string(i)), Value::integer(i));
    for (int i = 0; i < n; i += 997) d->set(Key(std::to_string(i)), Value::integer(-i));  // overwrite, no new entry
    ASSERT_EQ(d->size(), size_t(n));
    EXPECT_EQ(d->get(Key("4985")).integerPayload(), -4985);
    EXPECT_EQ(d->get(Key("19999")).integerPayload(), 19999);
    d->remove("0");
    d->remove("19999");
    EXPECT_EQ(d->size(), size_t(n - 2));
    EXPECT_TRUE(d->get(Key("19999")).isNull());
    EXPECT_EQ(d->get(Key("10000")).integerPayload(), 10000);  // positions after a removal still right
    auto copy = d->mutableCopy();
    copy->set(Key("new"), Value("x"));
    EXPECT_EQ(copy->get(Key("12345")).integerPayload(), 12345);
    EXPECT_TRUE(d->get(Key("new")).isNull());
}

}  // namespace
}  // namespace vantrel::test
