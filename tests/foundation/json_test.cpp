#include "foundation/json/json.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

namespace myr::json {
namespace {

struct NumberCase {
  double number;
  const char* text;
};

TEST(JsonWrite, FormatsNumbersAsIntegersBelowNineQuadrillionElseWithSeventeenDigits) {
  const double inf = std::numeric_limits<double>::infinity();
  const NumberCase cases[] = {
      {3, "3"},
      {-1, "-1"},
      {-0.0, "0"},
      {2.5, "2.5"},
      {0.1, "0.10000000000000001"},
      {1e20, "1e+20"},
      {1e17, "1e+17"},
      {8999999999999999, "8999999999999999"},
      {-8999999999999999, "-8999999999999999"},
      {9e15, "9000000000000000"},
      {-9e15, "-9000000000000000"},
      {9007199254740992, "9007199254740992"},
      {123456789012345.5, "123456789012345.5"},
      {1.5e-7, "1.4999999999999999e-07"},
      {-2.0 / 3, "-0.66666666666666663"},
      {5e-324, "4.9406564584124654e-324"},
      {-1.7976931348623157e308, "-1.7976931348623157e+308"},
      {std::nan(""), "null"},
      {inf, "null"},
      {-inf, "null"},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(write(Value(c.number)), c.text) << "for " << c.text;
  }
}

struct TextCase {
  std::string raw;
  std::string written;
};

TEST(JsonWrite, EscapesOnlyQuoteBackslashAndControlBytes) {
  const TextCase cases[] = {
      {"\t\x01/", R"("\t\u0001/")"},
      {"caf\xC3\xA9", "\"caf\xC3\xA9\""},
      {"\"\\", R"("\"\\")"},
      {"\n\r", R"("\n\r")"},
      {"\x08\x0C\x1B\x1F", R"("\u0008\u000c\u001b\u001f")"},
      {std::string("a\0b", 3), R"("a\u0000b")"},
      {"\x7F \xFF\x80", "\"\x7F \xFF\x80\""},
      {"", R"("")"},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(write(Value(c.raw)), c.written);
  }
}

TEST(JsonWrite, WritesContainersCompactlyInStoredOrder) {
  Value reply(Kind::Object);
  reply.set("id", 7).set("ok", true);
  Value list(Kind::Array);
  list.push(Value()).push(false).push("x\ty").push(Value(Kind::Object)).push(Value(Kind::Array));
  reply.set("list", list);
  reply.set("tab\tkey", Value());

  std::string out = "prefix:";
  write(out, reply);

  EXPECT_EQ(out, R"(prefix:{"id":7,"ok":true,"list":[null,false,"x\ty",{},[]],"tab\tkey":null})");
}

TEST(JsonValue, SetReplacesAnExistingKeyInPlace) {
  Value object;
  object.set("b", 1).set("a", 2).set("b", 3);

  EXPECT_EQ(write(object), R"({"b":3,"a":2})");
}

TEST(JsonValue, SetAndPushDropWhatTheValueHeldBefore) {
  Value object("text");
  object.set("k", 1);
  EXPECT_EQ(write(object), R"({"k":1})");

  Value array(Kind::Object);
  array.set("k", 1).push(2);
  EXPECT_EQ(write(array), "[2]");
}

TEST(JsonValue, ReadersGiveSharedFallbacksForTheWrongKind) {
  Value object;
  object.set("n", 4).set("s", "four").set("t", true).set("f", false);
  const Value number(4.0);
  const Value array = Value(Kind::Array).push(1);

  EXPECT_TRUE(number.get("n").isNull());
  EXPECT_TRUE(array.get("0").isNull());
  EXPECT_TRUE(object.get("missing").isNull());
  EXPECT_TRUE(object.get("N").isNull());
  EXPECT_EQ(&object.get("missing"), &number.get("n"));

  EXPECT_EQ(object.get("s").asString(), "four");
  EXPECT_EQ(number.asString(), "");
  EXPECT_EQ(&number.asString(), &Value().asString());

  EXPECT_EQ(object.get("n").asNumber(-1), 4);
  EXPECT_EQ(object.get("s").asNumber(-1), -1);
  EXPECT_EQ(Value().asNumber(-1), -1);

  EXPECT_TRUE(object.get("t").asBool());
  EXPECT_FALSE(object.get("f").asBool());
  EXPECT_FALSE(object.get("n").asBool());
  EXPECT_FALSE(Value("true").asBool());
}

TEST(JsonValue, KeysCompareByLengthAndEveryByte) {
  Value object;
  object.set(std::string("a\0b", 3), 1).set("a", 2);

  EXPECT_EQ(object.get(std::string_view("a\0b", 3)).asNumber(0), 1);
  EXPECT_EQ(object.get("a").asNumber(0), 2);
  EXPECT_EQ(object.members().size(), 2u);
}

TEST(JsonValue, CopiesAreDeep) {
  Value original;
  original.set("inner", Value(Kind::Array).push(1));
  Value copy = original;
  copy.members()[0].second.push(2);

  EXPECT_EQ(write(original), R"({"inner":[1]})");
  EXPECT_EQ(write(copy), R"({"inner":[1,2]})");
}

TEST(JsonValue, TakesAPartOfItselfWhole) {
  const auto tree = [] {
    Value inner;
    inner.set("long", "a text long enough to live on the heap").set("list", Value(Kind::Array).push(1));
    Value outer;
    return outer.set("data", inner).set("other", 2);
  };
  const std::string expected = R"({"long":"a text long enough to live on the heap","list":[1]})";

  Value copied = tree();
  copied = copied.get("data");
  EXPECT_EQ(write(copied), expected);

  Value moved = tree();
  moved = std::move(moved.members()[0].second);
  EXPECT_EQ(write(moved), expected);

  Value element = Value(Kind::Array).push(tree());
  element = element.items()[0].get("data").get("list");
  EXPECT_EQ(write(element), "[1]");
}

// Accepted documents, shown by the compact text they write back.
TEST(JsonParse, AcceptsDocuments) {
  const TextCase cases[] = {
      {" \n{ \"a\" : 1 }\n ", R"({"a":1})"},
      {"\t\r\n[ true ,false, null ]\r\n", "[true,false,null]"},
      {R"({"a":1,"a":2})", R"({"a":2})"},
      {R"({"b":1,"a":2,"b":3})", R"({"b":3,"a":2})"},
      {R"({"o":{"p":[{}]},"e":[]})", R"({"o":{"p":[{}]},"e":[]})"},
      {"+1", "1"},
      {"01", "1"},
      {"-0", "0"},
      {"1.", "1"},
      {".5", "0.5"},
      {"-.5E+1", "-5"},
      {"1E2", "100"},
      {"2.5e-1", "0.25"},
      {"1e400", "null"},
      {"-1e400", "null"},
      {"1e-400", "0"},
      {"0.1", "0.10000000000000001"},
      {R"("\"\\\/\b\f\n\r\t")", R"("\"\\/\u0008\u000c\n\r\t")"},
      {R"("\u00e9\u00E9")", "\"\xC3\xA9\xC3\xA9\""},
      {R"("\u0041\u07ff\u0800\uffff")", "\"A\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\""},
      {R"("\ud83d\ude00")", "\"\xF0\x9F\x98\x80\""},
      {R"("\uDBFF\uDFFF")", "\"\xF4\x8F\xBF\xBF\""},
      {R"("a\u0000b")", R"("a\u0000b")"},
      {"\"\x80\xFF\xC3\"", "\"\x80\xFF\xC3\""},
      {"\"\x7F\"", "\"\x7F\""},
      {"\"\"", "\"\""},
  };
  for (const TextCase& c : cases) {
    const std::optional<Value> value = parse(c.raw);
    ASSERT_TRUE(value.has_value()) << "for " << c.raw;
    EXPECT_EQ(write(*value), c.written) << "for " << c.raw;
  }
}

TEST(JsonParse, RejectsBadDocuments) {
  const std::string cases[] = {
      "",
      " \n\t\r",
      "{\"a\":1}x",
      "{\"a\":1} ,",
      "[1,]",
      "[1 2]",
      "[",
      "]",
      "{,}",
      "{\"a\" 1}",
      "{\"a\":1,}",
      "{\"a\":}",
      "{a:1}",
      "{1:2}",
      "{\"a\":1",
      "tru",
      "nul",
      "fals",
      "truex",
      "[true1]",
      "nullnull",
      "True",
      "NaN",
      "Infinity",
      "0x10",
      "1.2.3",
      "--1",
      "+-1",
      "-+1",
      "1e",
      "1-2",
      "-",
      "+",
      ".",
      "\f1",
      "\v1",
      "\"abc",
      "\"a\nb\"",
      "\"a\tb\"",
      std::string("\"a\0b\"", 5),
      "\"\\",
      "\"\\x\"",
      "\"\\U0041\"",
      "\"\\u12\"",
      "\"\\u12g4\"",
      "\"\\udc00\"",
      "\"\\ud800\"",
      "\"\\ud800x\"",
      "\"\\ud800\\u0041\"",
      "\"\\ud800\\ud800\"",
      "\"\\ud800\\",
  };
  for (const std::string& text : cases) {
    EXPECT_FALSE(parse(text).has_value()) << "for " << text;
  }
}

// Large objects take another path for repeated keys; the outcome must be set's.
TEST(JsonParse, RepeatedKeysInALargeObjectKeepTheirFirstPosition) {
  std::string text = "{";
  Value expected;
  for (int i = 0; i < 100; ++i) {
    text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    expected.set("k" + std::to_string(i), i);
  }
  text += R"("k0":"first","k99":"last","k31":true,"new":null,"k32":1,"k32":2})";
  expected.set("k0", "first").set("k99", "last").set("k31", true).set("new", Value()).set("k32", 2);

  const std::optional<Value> value = parse(text);

  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(write(*value), write(expected));
  EXPECT_EQ(value->members().size(), 101u);
}

TEST(JsonParse, LimitsNumberTokensTo32Bytes) {
  const std::string longest = std::string(31, '0') + "1";
  const std::string tooLong = "0" + longest;

  ASSERT_TRUE(parse(longest).has_value());
  EXPECT_EQ(parse(longest)->asNumber(0), 1);
  EXPECT_EQ(parse("[" + longest + "]")->items().at(0).asNumber(0), 1);
  EXPECT_FALSE(parse(tooLong).has_value());
  EXPECT_FALSE(parse("[" + tooLong + "]").has_value());
}

std::string nestedArrays(int count, const std::string& inside) {
  return std::string(count, '[') + inside + std::string(count, ']');
}

std::string nestedObjects(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += R"({"a":)";
  }
  return text + "null" + std::string(count, '}');
}

TEST(JsonParse, AllowsAValueInsideAtMost32Containers) {
  EXPECT_TRUE(parse(nestedArrays(33, "")).has_value());
  EXPECT_FALSE(parse(nestedArrays(34, "")).has_value());
  EXPECT_TRUE(parse(nestedArrays(32, "1")).has_value());
  EXPECT_FALSE(parse(nestedArrays(33, "1")).has_value());
  EXPECT_TRUE(parse(nestedObjects(32)).has_value());
  EXPECT_FALSE(parse(nestedObjects(33)).has_value());
  EXPECT_FALSE(parse(std::string(1'000'000, '[')).has_value());
}

// Restores the numeric locale a test switched to one with a decimal comma.
class DecimalCommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"German_Germany.1252", "de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
      if (std::setlocale(LC_NUMERIC, name) != nullptr) {
        return;
      }
    }
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  }
  void TearDown() override { std::setlocale(LC_NUMERIC, saved_.c_str()); }

 private:
  std::string saved_;
};

TEST_F(DecimalCommaLocale, NumbersStillUseAFullStop) {
  const std::optional<Value> value = parse("[2.5,1e-1]");

  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->items().at(0).asNumber(0), 2.5);
  EXPECT_EQ(write(*value), "[2.5,0.10000000000000001]");
  EXPECT_FALSE(parse("2,5").has_value());
}

}  // namespace
}  // namespace myr::json
