#pragma once
// Writing a screen saver file: the player program followed by a package of the user's content.
#include "base/error.hpp"
#include "base/stream.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qt {

// An advert picture as its picture object saves itself, and where it came from (for messages).
struct PictureBlock {
  std::string bytes;
  bool isJpeg = true;
  std::string source;
};

// Everything one screen saver file carries besides the player.
struct MakeContent {
  std::filesystem::path movie;
  std::optional<PictureBlock> ad1, ad2;  // set when the picture's box is ticked
  std::optional<std::string> caption;    // the caption memo's text, when the memo has a line
  std::vector<std::string> aboutLines;   // panel mark-up
  std::string hint1, hint2, title, url1, url2, url3;
};

// A movie or picture too large for a package's 24-bit block size; `source` names it.
class BlockTooLarge : public PackageError {
 public:
  explicit BlockTooLarge(std::string source);
  const std::string& source() const { return source_; }

 private:
  std::string source_;
};

// The staging file or the new screen saver file could not be created.
class OutputNotCreated : public FileError {
 public:
  using FileError::FileError;
};

// The options block: section "other" with the six keys in their fixed order, then an empty line.
std::string OptionsText(const MakeContent& content);

// Writes `output` as the player image followed by the package of `content`. The movie is read
// once, straight into the new file, and held open against writers meanwhile; the other blocks are
// first staged one after another in `staging`. Sizes are checked before anything is written (throws
// BlockTooLarge). When the staging file or the new file cannot be created, throws
// OutputNotCreated. The new file is written beside `output` under a temporary name that no file
// had, and put in its place only when complete, so a failure (thrown on) never leaves a partial
// file nor destroys an older file of that name, and no other file of the folder is touched; the
// staging file is removed on success and on failure. Returns the size of the file written.
std::uint64_t MakeScreenSaver(Stream& playerImage, const MakeContent& content,
                              const std::filesystem::path& staging, const std::filesystem::path& output);

// "约" + the size in MiB with one decimal, counted from whole KiB, + "M".
std::string SizeLabel(std::uint64_t bytes);

} // namespace qt
