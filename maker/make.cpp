#include "maker/make.hpp"

#include "base/charset.hpp"
#include "base/file_stream.hpp"
#include "base/package.hpp"
#include "base/settings.hpp"
#include "base/text_lines.hpp"

#include <cstdio>
#include <system_error>

namespace qt {

namespace fs = std::filesystem;

BlockTooLarge::BlockTooLarge(std::string source)
    : PackageError(source + " 太大：屏保中的影片和图片最多 16777215 字节（16M）。"), source_(std::move(source)) {}

std::string OptionsText(const MakeContent& c) {
  // A store of our own, never tied to a file: nothing but these keys goes into the package.
  SettingsStore options;
  options.WriteString("other", "hint1", c.hint1);
  options.WriteString("other", "hint2", c.hint2);
  options.WriteString("other", "title", c.title);
  options.WriteString("other", "url1", c.url1);
  options.WriteString("other", "url2", c.url2);
  options.WriteString("other", "url3", c.url3);
  return JoinLines(options.Lines());
}

namespace {

// Removes the file when a make does not get as far as keeping it.
class RemoveUnlessKept {
 public:
  explicit RemoveUnlessKept(fs::path path) : path_(std::move(path)) {}
  ~RemoveUnlessKept() {
    std::error_code ignored;
    if (!kept_) fs::remove(path_, ignored);
  }
  RemoveUnlessKept(const RemoveUnlessKept&) = delete;
  RemoveUnlessKept& operator=(const RemoveUnlessKept&) = delete;
  void Keep() { kept_ = true; }

 private:
  fs::path path_;
  bool kept_ = false;
};

FileStream Create(const fs::path& path) {
  try {
    return FileStream(path, FileStream::Mode::create);
  } catch (const FileError& e) {
    throw OutputNotCreated(e.what(), path);
  }
}

fs::path CreateBeside(const fs::path& output) {
  try {
    return CreateFileBeside(output);
  } catch (const FileError& e) {
    throw OutputNotCreated(e.what(), output);
  }
}

void CheckSize(std::uint64_t size, const std::string& source) {
  if (size > kMaxBlockSize) throw BlockTooLarge(source);
}

} // namespace

std::uint64_t MakeScreenSaver(Stream& playerImage, const MakeContent& c, const fs::path& staging,
                              const fs::path& output) {
  // The movie is copied once, straight from its file into the new one; the other blocks are
  // staged one after another in the staging file, and the writer copies them from there.
  FileStream movie(c.movie, FileStream::Mode::read);
  const std::uint64_t movieSize = movie.Size();
  CheckSize(movieSize, PathText(c.movie));
  for (const auto* picture : {&c.ad1, &c.ad2})
    if (*picture) CheckSize((*picture)->bytes.size(), (*picture)->source);
  RemoveUnlessKept stagingGuard(staging);
  FileStream blocks = Create(staging);
  PackageWriter writer;
  writer.AddBlock(bkSwf, movie, 0, movieSize);
  auto stage = [&](std::uint8_t kind, const std::string& bytes) {
    const std::uint64_t at = blocks.Position();
    blocks.Write(bytes);
    writer.AddBlock(kind, blocks, at, bytes.size());
  };
  if (c.ad1) stage(c.ad1->isJpeg ? bkAd1Jpeg : bkAd1Gif, c.ad1->bytes);
  if (c.ad2) stage(c.ad2->isJpeg ? bkAd2Jpeg : bkAd2Gif, c.ad2->bytes);
  if (c.caption) stage(bkCaption, *c.caption);
  stage(bkAbout, JoinLines(c.aboutLines));
  stage(bkOptions, OptionsText(c));

  const fs::path partial = CreateBeside(output);
  RemoveUnlessKept partialGuard(partial);
  std::uint64_t size = 0;
  {
    FileStream out = Create(partial);
    writer.Write(playerImage, out);
    size = out.Size();
  } // closed, and so flushed, before it takes the place of an older file
  std::error_code replaced;
  fs::rename(partial, output, replaced); // fails while the older file is in use
  if (replaced) throw OutputNotCreated("cannot create file", output);
  partialGuard.Keep();
  return size;
}

std::string SizeLabel(std::uint64_t bytes) {
  char number[32];
  std::snprintf(number, sizeof number, "%.1f", static_cast<double>(bytes / 1024) / 1024.0);
  return std::string("约") + number + "M";
}

} // namespace qt
