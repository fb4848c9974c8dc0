#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qt {

// Sectioned key=value text held in memory, with the rules of the Windows profile functions:
// lines are trimmed, empty lines and ";" comments ignored, "[name]" opens a section, lines before
// the first section are ignored; section and key names compare without regard to ASCII case.
class SettingsStore {
 public:
  // Replaces the whole content with the sections and keys of these lines. A repeated section
  // continues the first one of its name; a repeated key keeps its first value.
  void SetLines(const std::vector<std::string>& lines);
  // For each section its bracketed name, its key=value lines and one empty line.
  std::vector<std::string> Lines() const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback = {}) const;
  void WriteString(std::string_view section, std::string_view key, std::string_view value);

 private:
  // A section line without an equals sign is no key but is kept, so it is written back.
  struct Entry {
    std::string key;
    std::optional<std::string> value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };

  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;

  std::vector<Section> sections_;
};

} // namespace qt
