// Feeds arbitrary bytes to the package reader as if they were a screen saver file, then to the
// loaders of the text blocks; a package that indexes must also survive being written again.
#include "base/package.hpp"
#include "base/settings.hpp"
#include "base/text_lines.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Require(bool condition) {
  if (!condition)
    std::abort();
}

std::uint32_t TrailerLength(const std::string& file) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = v << 8 | static_cast<unsigned char>(file[file.size() - 212 + i]);
  return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qt;
  const std::string file(reinterpret_cast<const char*>(data), size);
  PackageReader reader(std::make_unique<MemoryStream>(file));
  if (reader.State() != PackageState::indexed) {
    Require(reader.Blocks().empty());
    return 0;
  }

  // Every block lies between the table and the closing marker of the package.
  const std::uint64_t v = TrailerLength(file);
  const tarray& blocks = reader.Blocks();
  const std::uint64_t n = blocks.size() - 1;
  Require(n >= 1 && n <= kMaxBlockCount);
  for (std::size_t i = 1; i <= n; ++i)
    Require(blocks[i].Offset >= 16 + 4 * n && blocks[i].Offset + blocks[i].Size <= v - 8);

  const BlockSlots& slots = reader.Slots();
  if (slots.options != 0) {
    SettingsStore options;
    options.SetLines(SplitLines(reader.BlockBytes(slots.options)));
    options.ReadString("other", "title");
    JoinLines(options.Lines());
  }
  for (std::uint32_t index : {slots.about, slots.caption})
    if (index != 0)
      JoinLines(SplitLines(reader.BlockBytes(index)));

  // The same blocks written again read back the same.
  PackageWriter writer;
  std::vector<std::string> contents;
  for (std::uint32_t i = 1; i <= n; ++i) {
    MemoryStream copy;
    reader.CopyBlock(i, copy);
    contents.push_back(copy.Bytes());
    writer.AddBlock(blocks[i].Kind, copy.Bytes());
  }
  MemoryStream image(file.substr(0, file.size() - 220 - v));
  MemoryStream rewritten;
  writer.Write(image, rewritten);
  PackageReader again(std::make_unique<MemoryStream>(rewritten.Bytes()));
  Require(again.State() == PackageState::indexed && again.Blocks().size() == blocks.size());
  for (std::uint32_t i = 1; i <= n; ++i)
    Require(again.Blocks()[i].Kind == blocks[i].Kind && again.BlockBytes(i) == contents[i - 1]);
  return 0;
}
