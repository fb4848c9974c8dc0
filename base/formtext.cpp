#include "base/formtext.hpp"

#include <cctype>

namespace qt {
namespace {

class Parser {
public:
  explicit Parser(std::string_view text) : text_(text) {}

  FormObject Document() {
    FormObject root = Object();
    SkipBlank();
    if (pos_ < text_.size()) Fail("text after the last 'end'");
    return root;
  }

private:
  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;

  [[noreturn]] void Fail(const std::string& what) const {
    throw FormTextError("layout line " + std::to_string(line_) + ": " + what);
  }

  void SkipBlank() {
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++pos_;
      } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else {
        break;
      }
    }
  }

  static bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
  }

  std::string Word() {
    SkipBlank();
    size_t start = pos_;
    while (pos_ < text_.size() && IsWordChar(text_[pos_])) ++pos_;
    if (start == pos_) Fail("a name was expected");
    return std::string(text_.substr(start, pos_ - start));
  }

  void Expect(char c) {
    SkipBlank();
    if (pos_ >= text_.size() || text_[pos_] != c) Fail(std::string("'") + c + "' was expected");
    ++pos_;
  }

  bool PeekWord(std::string_view w) {
    SkipBlank();
    if (text_.substr(pos_, w.size()) != w) return false;
    size_t after = pos_ + w.size();
    return after >= text_.size() || !IsWordChar(text_[after]);
  }

  FormObject Object() {
    SkipBlank();
    FormObject obj;
    obj.line = line_;
    if (Word() != "object") Fail("'object' was expected");
    obj.name = Word();
    Expect(':');
    obj.className = Word();
    for (;;) {
      SkipBlank();
      if (pos_ >= text_.size()) Fail("'end' of object " + obj.name + " is missing");
      if (PeekWord("end")) {
        Word();
        return obj;
      }
      if (PeekWord("object")) {
        obj.children.push_back(Object());
        continue;
      }
      FormProperty prop;
      prop.line = line_;
      prop.name = Word();
      Expect('=');
      prop.value = Value();
      obj.properties.push_back(std::move(prop));
    }
  }

  FormValue Value() {
    SkipBlank();
    if (pos_ >= text_.size()) Fail("a value was expected");
    FormValue v;
    char c = text_[pos_];
    if (c == '\'') {
      v.kind = FormValue::Kind::String;
      v.text = Quoted();
      // Adjacent pieces joined with '+' make one long string.
      for (;;) {
        SkipBlank();
        if (pos_ < text_.size() && text_[pos_] == '+') {
          ++pos_;
          SkipBlank();
          v.text += Quoted();
        } else {
          break;
        }
      }
    } else if (c == '[') {
      v.kind = FormValue::Kind::Set;
      ++pos_;
      SkipBlank();
      if (pos_ < text_.size() && text_[pos_] == ']') {
        ++pos_;
      } else {
        for (;;) {
          v.items.push_back(Word());
          SkipBlank();
          if (pos_ < text_.size() && text_[pos_] == ',') {
            ++pos_;
            continue;
          }
          Expect(']');
          break;
        }
      }
    } else if (c == '{') {
      v.kind = FormValue::Kind::Data;
      ++pos_;
      int nibbles = 0;
      uint8_t byte = 0;
      for (;;) {
        SkipBlank();
        if (pos_ >= text_.size()) Fail("'}' was expected");
        char h = text_[pos_++];
        if (h == '}') break;
        int d = std::isdigit(static_cast<unsigned char>(h)) ? h - '0'
                : (h >= 'a' && h <= 'f')                    ? h - 'a' + 10
                : (h >= 'A' && h <= 'F')                    ? h - 'A' + 10
                                                            : -1;
        if (d < 0) Fail("hex digit expected in data");
        byte = static_cast<uint8_t>(byte << 4 | d);
        if (++nibbles % 2 == 0) v.data.push_back(byte);
      }
      if (nibbles % 2) Fail("odd number of hex digits in data");
    } else if (c == '-' || c == '$' || std::isdigit(static_cast<unsigned char>(c))) {
      v.kind = FormValue::Kind::Integer;
      bool negative = false;
      if (c == '-') {
        negative = true;
        ++pos_;
      }
      int base = 10;
      if (pos_ < text_.size() && text_[pos_] == '$') {
        base = 16;
        ++pos_;
      }
      size_t start = pos_;
      uint64_t n = 0;
      while (pos_ < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[pos_]))) {
        char d = text_[pos_];
        int digit = std::isdigit(static_cast<unsigned char>(d)) ? d - '0' : (std::tolower(d) - 'a' + 10);
        if (digit >= base) break;
        n = n * base + digit;
        if (n > 0xFFFFFFFFull) Fail("number out of range");
        ++pos_;
      }
      if (start == pos_) Fail("digits expected");
      v.integer = negative ? -static_cast<int64_t>(n) : static_cast<int64_t>(n);
    } else {
      v.kind = FormValue::Kind::Ident;
      v.text = Word();
    }
    return v;
  }

  std::string Quoted() {
    if (pos_ >= text_.size() || text_[pos_] != '\'') Fail("a quoted string was expected");
    ++pos_;
    std::string out;
    for (;;) {
      if (pos_ >= text_.size() || text_[pos_] == '\n') Fail("unterminated string");
      char c = text_[pos_++];
      if (c == '\'') {
        if (pos_ < text_.size() && text_[pos_] == '\'') {
          out += '\'';
          ++pos_;
          continue;
        }
        return out;
      }
      out += c;
    }
  }
};

} // namespace

FormObject ParseFormText(std::string_view text) { return Parser(text).Document(); }

} // namespace qt
