#include "base/settings.hpp"

#include "base/charset.hpp"

#include <algorithm>

namespace qt {

namespace {

bool IsBlank(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u > 0 && u <= ' ';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

// Lower-cases ASCII letters, leaving both bytes of each two-byte character as they are.
std::string Folded(std::string_view s) {
  std::string folded(s);
  for (std::size_t i = 0; i < folded.size(); ++i) {
    const auto c = static_cast<unsigned char>(folded[i]);
    if (IsGbkLeadByte(c))
      ++i;
    else if (c >= 'A' && c <= 'Z')
      folded[i] = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && Folded(a) == Folded(b);
}

// Whether the last character is a one-byte ']' and not the second byte of a two-byte one.
bool EndsWithBracket(std::string_view s) {
  std::size_t i = 0;
  while (i + 1 < s.size())
    i += IsGbkLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
  return i == s.size() - 1 && s[i] == ']';
}

} // namespace

SettingsStore::Section* SettingsStore::FindSection(std::string_view name) {
  auto it = std::find_if(sections_.begin(), sections_.end(),
                         [&](const Section& s) { return SameName(s.name, name); });
  return it == sections_.end() ? nullptr : &*it;
}

const SettingsStore::Section* SettingsStore::FindSection(std::string_view name) const {
  return const_cast<SettingsStore*>(this)->FindSection(name);
}

void SettingsStore::SetLines(const std::vector<std::string>& lines) {
  sections_.clear();
  Section* current = nullptr;
  for (const auto& raw : lines) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';')
      continue;
    if (line.front() == '[' && EndsWithBracket(line)) {
      const std::string_view name = Trim(line.substr(1, line.size() - 2));
      current = FindSection(name);
      if (current == nullptr)
        current = &sections_.emplace_back(Section{std::string(name), {}});
      continue;
    }
    if (current == nullptr)
      continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      current->entries.push_back({std::string(line), std::nullopt});
      continue;
    }
    const std::string_view key = Trim(line.substr(0, eq));
    const bool known = std::any_of(current->entries.begin(), current->entries.end(),
                                   [&](const Entry& e) { return e.value && SameName(e.key, key); });
    if (!known)
      current->entries.push_back({std::string(key), std::string(Trim(line.substr(eq + 1)))});
  }
}

std::vector<std::string> SettingsStore::Lines() const {
  std::vector<std::string> lines;
  for (const auto& section : sections_) {
    lines.push_back("[" + section.name + "]");
    for (const auto& entry : section.entries)
      lines.push_back(entry.value ? entry.key + "=" + *entry.value : entry.key);
    lines.emplace_back();
  }
  return lines;
}

std::string SettingsStore::ReadString(std::string_view section, std::string_view key,
                                      std::string_view fallback) const {
  if (const Section* s = FindSection(section))
    for (const auto& entry : s->entries)
      if (entry.value && SameName(entry.key, key))
        return *entry.value;
  return std::string(fallback);
}

void SettingsStore::WriteString(std::string_view section, std::string_view key,
                                std::string_view value) {
  Section* s = FindSection(section);
  if (s == nullptr)
    s = &sections_.emplace_back(Section{std::string(section), {}});
  for (auto& entry : s->entries)
    if (entry.value && SameName(entry.key, key)) {
      entry.value = std::string(value);
      return;
    }
  s->entries.push_back({std::string(key), std::string(value)});
}

} // namespace qt
