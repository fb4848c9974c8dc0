#pragma once
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qt {

// The text form of a window layout:
//
//   object Name: TClass
//     Left = 10
//     Caption = '确定'          (UTF-8 in the file)
//     Font.Style = [fsBold]
//     OnClick = Button1Click
//     object Child: TOther
//     end
//   end
//
// Values are integers, quoted strings ('' stands for one quote), identifiers, sets of identifiers
// in brackets, or hex data in braces. Lines starting with // are comments.
struct FormValue {
  enum class Kind { Integer, String, Ident, Set, Data };
  Kind kind = Kind::Integer;
  int64_t integer = 0;
  std::string text;               // String (UTF-8), Ident
  std::vector<std::string> items; // Set
  std::vector<uint8_t> data;      // Data
};

struct FormProperty {
  std::string name;
  FormValue value;
  int line = 0;
};

struct FormObject {
  std::string name;
  std::string className;
  int line = 0;
  std::vector<FormProperty> properties;
  std::vector<FormObject> children;
};

class FormTextError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Parses one top-level object; throws FormTextError naming the line on malformed text.
FormObject ParseFormText(std::string_view text);

} // namespace qt
