#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace myr::json {

enum class Kind { Null, Bool, Number, String, Array, Object };

// A JSON value with value semantics. Numbers are doubles only; objects keep
// their members in insertion order with unique keys; strings are raw bytes.
class Value {
 public:
  using Member = std::pair<std::string, Value>;

  Value() = default;
  explicit Value(Kind kind) : kind_(kind) {}
  Value(bool flag) : kind_(Kind::Bool), flag_(flag) {}
  Value(double number) : kind_(Kind::Number), number_(number) {}
  Value(int number) : Value(static_cast<double>(number)) {}
  Value(std::string text) : kind_(Kind::String), text_(std::move(text)) {}
  Value(const char* text) : Value(std::string(text)) {}

  // Assigning a part of the value itself (v = v.get("data")) is allowed: the source is
  // taken whole before the old content goes.
  Value(const Value&) = default;
  Value(Value&&) noexcept = default;
  Value& operator=(const Value& other);
  Value& operator=(Value&& other) noexcept;
  ~Value() = default;

  static Value object() { return Value(Kind::Object); }
  static Value array() { return Value(Kind::Array); }

  Kind kind() const { return kind_; }
  bool isNull() const { return kind_ == Kind::Null; }
  bool isBool() const { return kind_ == Kind::Bool; }
  bool isNumber() const { return kind_ == Kind::Number; }
  bool isString() const { return kind_ == Kind::String; }
  bool isArray() const { return kind_ == Kind::Array; }
  bool isObject() const { return kind_ == Kind::Object; }

  // Turns a non-object into an empty object first; an existing key keeps its position.
  Value& set(std::string key, Value value);
  // Turns a non-array into an empty array first.
  Value& push(Value value);

  // Readers never fail: missing values read as the shared Null or empty string.
  const Value& get(std::string_view key) const;
  const std::string& asString() const;
  bool asBool() const;
  double asNumber(double fallback) const;

  const std::vector<Value>& items() const { return items_; }
  std::vector<Value>& items() { return items_; }
  const std::vector<Member>& members() const { return members_; }
  std::vector<Member>& members() { return members_; }

 private:
  Kind kind_ = Kind::Null;
  bool flag_ = false;
  double number_ = 0;
  std::string text_;
  std::vector<Value> items_;
  std::vector<Member> members_;
};

// Appends the compact text of a value.
void write(std::string& out, const Value& value);
std::string write(const Value& value);

// Parses one whole document; nothing on any kind of bad input.
std::optional<Value> parse(std::string_view text);

}  // namespace myr::json
