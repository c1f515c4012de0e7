#include "foundation/json/json.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <system_error>

#include "foundation/files/ascii_text.h"

namespace myr::json {
namespace {

const Value& sharedNull() {
  static const Value null;
  return null;
}

const std::string& sharedEmptyString() {
  static const std::string empty;
  return empty;
}

}  // namespace

Value& Value::operator=(const Value& other) { return *this = Value(other); }

Value& Value::operator=(Value&& other) noexcept {
  Value taken(std::move(other));
  kind_ = taken.kind_;
  flag_ = taken.flag_;
  number_ = taken.number_;
  text_.swap(taken.text_);
  items_.swap(taken.items_);
  members_.swap(taken.members_);
  return *this;
}

Value& Value::set(std::string key, Value value) {
  if (kind_ != Kind::Object) {
    *this = Value(Kind::Object);
  }
  for (Member& member : members_) {
    if (member.first == key) {
      member.second = std::move(value);
      return *this;
    }
  }
  members_.emplace_back(std::move(key), std::move(value));
  return *this;
}

Value& Value::push(Value value) {
  if (kind_ != Kind::Array) {
    *this = Value(Kind::Array);
  }
  items_.push_back(std::move(value));
  return *this;
}

const Value& Value::get(std::string_view key) const {
  if (kind_ == Kind::Object) {
    for (const Member& member : members_) {
      if (member.first == key) {
        return member.second;
      }
    }
  }
  return sharedNull();
}

const std::string& Value::asString() const { return kind_ == Kind::String ? text_ : sharedEmptyString(); }

bool Value::asBool() const { return kind_ == Kind::Bool && flag_; }

double Value::asNumber(double fallback) const { return kind_ == Kind::Number ? number_ : fallback; }

namespace {

constexpr int kMaxDepth = 33;
constexpr size_t kMaxNumberToken = 32;
// From this many members on, the parser finds repeated keys through an index instead of
// set's linear search, which would make a large object take quadratic time.
constexpr size_t kIndexedMembers = 32;

using KeyPositions = std::map<std::string, size_t>;

// Same outcome as object.set(key, value); positions is filled once the object is large.
void storeMember(Value& object, KeyPositions& positions, std::string key, Value value) {
  std::vector<Value::Member>& members = object.members();
  if (members.size() < kIndexedMembers) {
    object.set(std::move(key), std::move(value));
    return;
  }
  if (positions.empty()) {
    for (size_t i = 0; i < members.size(); ++i) {
      positions.emplace(members[i].first, i);
    }
  }
  const auto [position, added] = positions.try_emplace(key, members.size());
  if (added) {
    members.emplace_back(std::move(key), std::move(value));
  } else {
    members[position->second].second = std::move(value);
  }
}

void writeNumber(std::string& out, double x) {
  char buffer[32];
  std::to_chars_result r{};
  if (std::fabs(x) < 9e15 && x == static_cast<double>(static_cast<long long>(x))) {
    r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(x));
  } else if (!std::isfinite(x)) {
    out += "null";
    return;
  } else {
    // Same digits as "%.17g" in the classic locale, independent of the process locale.
    r = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::general, 17);
  }
  out.append(buffer, r.ptr);
}

void writeString(std::string& out, const std::string& text) {
  out += '"';
  size_t plainStart = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte != '"' && byte != '\\') {
      continue;
    }
    out.append(text, plainStart, i - plainStart);
    plainStart = i + 1;
    switch (byte) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += "\\u00";
        out += kLowerHexDigits[byte >> 4];
        out += kLowerHexDigits[byte & 0xF];
    }
  }
  out.append(text, plainStart, text.size() - plainStart);
  out += '"';
}

bool isNumberByte(char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E'; }

// Reads a whole token the way strtod does in the classic locale, whatever locale the
// process runs in (a decimal comma locale would otherwise break every fraction).
bool convertNumber(std::string_view token, double& number) {
  const char* first = token.data();
  const char* const last = first + token.size();
  const bool negative = *first == '-';
  if (*first == '-' || *first == '+') {
    ++first;
  }
  // from_chars takes a minus sign of its own, strtod only one sign in all.
  if (first == last || *first == '-' || *first == '+') {
    return false;
  }
  double magnitude = 0;
  const auto [stop, error] = std::from_chars(first, last, magnitude);
  if (stop != last) {
    return false;
  }
  if (error == std::errc::result_out_of_range) {
    // A token of at most 32 bytes has a mantissa far from both limits, so only the
    // exponent's sign tells overflow (infinity) from underflow (zero), as strtod gives.
    const size_t exponent = token.find_first_of("eE");
    const bool underflow = exponent != std::string_view::npos && token[exponent + 1] == '-';
    magnitude = underflow ? 0.0 : std::numeric_limits<double>::infinity();
  }
  number = negative ? -magnitude : magnitude;
  return true;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::optional<Value> document() {
    Value value;
    if (!parseValue(value, 0)) {
      return std::nullopt;
    }
    skipWhitespace();
    if (pos_ != text_.size()) {
      return std::nullopt;
    }
    return value;
  }

 private:
  bool atEnd() const { return pos_ >= text_.size(); }
  char peek() const { return text_[pos_]; }

  void skipWhitespace() {
    while (!atEnd()) {
      const char c = peek();
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
        return;
      }
      ++pos_;
    }
  }

  bool startsWith(std::string_view literal) const {
    return text_.size() - pos_ >= literal.size() && text_.compare(pos_, literal.size(), literal) == 0;
  }

  bool parseValue(Value& out, int depth) {
    if (depth >= kMaxDepth) {
      return false;
    }
    skipWhitespace();
    if (atEnd()) {
      return false;
    }
    switch (peek()) {
      case '"': {
        std::string text;
        if (!parseString(text)) {
          return false;
        }
        out = Value(std::move(text));
        return true;
      }
      case '[':
        return parseArray(out, depth);
      case '{':
        return parseObject(out, depth);
      default:
        break;
    }
    if (startsWith("true")) {
      pos_ += 4;
      out = Value(true);
      return true;
    }
    if (startsWith("false")) {
      pos_ += 5;
      out = Value(false);
      return true;
    }
    if (startsWith("null")) {
      pos_ += 4;
      out = Value();
      return true;
    }
    return parseNumber(out);
  }

  bool parseArray(Value& out, int depth) {
    ++pos_;
    out = Value(Kind::Array);
    skipWhitespace();
    if (!atEnd() && peek() == ']') {
      ++pos_;
      return true;
    }
    for (;;) {
      Value item;
      if (!parseValue(item, depth + 1)) {
        return false;
      }
      out.items().push_back(std::move(item));
      skipWhitespace();
      if (atEnd()) {
        return false;
      }
      const char c = text_[pos_++];
      if (c == ']') {
        return true;
      }
      if (c != ',') {
        return false;
      }
    }
  }

  bool parseObject(Value& out, int depth) {
    ++pos_;
    out = Value(Kind::Object);
    KeyPositions positions;
    skipWhitespace();
    if (!atEnd() && peek() == '}') {
      ++pos_;
      return true;
    }
    for (;;) {
      skipWhitespace();
      std::string key;
      if (!parseString(key)) {
        return false;
      }
      skipWhitespace();
      if (atEnd() || peek() != ':') {
        return false;
      }
      ++pos_;
      Value member;
      if (!parseValue(member, depth + 1)) {
        return false;
      }
      storeMember(out, positions, std::move(key), std::move(member));
      skipWhitespace();
      if (atEnd()) {
        return false;
      }
      const char c = text_[pos_++];
      if (c == '}') {
        return true;
      }
      if (c != ',') {
        return false;
      }
    }
  }

  bool parseNumber(Value& out) {
    const size_t start = pos_;
    if (peek() == '-') {
      ++pos_;
    }
    while (!atEnd() && isNumberByte(peek())) {
      ++pos_;
    }
    const size_t length = pos_ - start;
    if (length == 0 || length > kMaxNumberToken) {
      return false;
    }
    double number = 0;
    if (!convertNumber(text_.substr(start, length), number)) {
      return false;
    }
    out = Value(number);
    return true;
  }

  bool readHex4(unsigned& unit) {
    if (text_.size() - pos_ < 4) {
      return false;
    }
    unit = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = hexDigitValue(text_[pos_++]);
      if (digit < 0) {
        return false;
      }
      unit = unit << 4 | static_cast<unsigned>(digit);
    }
    return true;
  }

  static void appendUtf8(std::string& out, unsigned point) {
    if (point < 0x80) {
      out += static_cast<char>(point);
    } else if (point < 0x800) {
      out += static_cast<char>(0xC0 | (point >> 6));
      out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
      out += static_cast<char>(0xE0 | (point >> 12));
      out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (point >> 18));
      out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (point & 0x3F));
    }
  }

  bool parseUnicodeEscape(std::string& out) {
    unsigned unit = 0;
    if (!readHex4(unit)) {
      return false;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return false;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      unsigned low = 0;
      if (!startsWith("\\u")) {
        return false;
      }
      pos_ += 2;
      if (!readHex4(low) || low < 0xDC00 || low > 0xDFFF) {
        return false;
      }
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    appendUtf8(out, unit);
    return true;
  }

  bool parseString(std::string& out) {
    if (atEnd() || peek() != '"') {
      return false;
    }
    ++pos_;
    for (;;) {
      // Copy the run of plain bytes in one step.
      const size_t runStart = pos_;
      while (!atEnd()) {
        const auto byte = static_cast<unsigned char>(peek());
        if (byte < 0x20 || byte == '"' || byte == '\\') {
          break;
        }
        ++pos_;
      }
      out.append(text_, runStart, pos_ - runStart);
      if (atEnd()) {
        return false;
      }
      const auto byte = static_cast<unsigned char>(text_[pos_++]);
      if (byte == '"') {
        return true;
      }
      if (byte < 0x20) {
        return false;
      }
      if (atEnd()) {
        return false;
      }
      switch (text_[pos_++]) {
        case '"':
          out += '"';
          break;
        case '/':
          out += '/';
          break;
        case '\\':
          out += '\\';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u':
          if (!parseUnicodeEscape(out)) {
            return false;
          }
          break;
        default:
          return false;
      }
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

void write(std::string& out, const Value& value) {
  switch (value.kind()) {
    case Kind::Null:
      out += "null";
      return;
    case Kind::Bool:
      out += value.asBool() ? "true" : "false";
      return;
    case Kind::Number:
      writeNumber(out, value.asNumber(0));
      return;
    case Kind::String:
      writeString(out, value.asString());
      return;
    case Kind::Array: {
      out += '[';
      bool first = true;
      for (const Value& item : value.items()) {
        if (!first) {
          out += ',';
        }
        first = false;
        write(out, item);
      }
      out += ']';
      return;
    }
    case Kind::Object: {
      out += '{';
      bool first = true;
      for (const auto& [key, member] : value.members()) {
        if (!first) {
          out += ',';
        }
        first = false;
        writeString(out, key);
        out += ':';
        write(out, member);
      }
      out += '}';
      return;
    }
  }
}

std::string write(const Value& value) {
  std::string out;
  write(out, value);
  return out;
}

std::optional<Value> parse(std::string_view text) { return Parser(text).document(); }

}  // namespace myr::json
